#include "framework/graphics/XCursors_linux.h"

#include <xcb/xcb_cursor.h>


namespace framework {
namespace {

// Theme names, the freedesktop name first and the older X name after it;
// and the glyph of the X cursor font ("cursor") for the same shape.
struct CursorNames {
  std::array<const char*, 2> themeNames;
  uint16_t fontGlyph;
};

CursorNames NamesOf(ECursor cursor) {
  switch (cursor) {
    case ECursor::Hand:
      return {{{"pointer", "hand2"}}, 60};
    case ECursor::SizeNWSE:
      return {{{"nwse-resize", "bottom_right_corner"}}, 14};
    case ECursor::IBeam:
      return {{{"text", "xterm"}}, 152};
    case ECursor::Arrow:
    default:
      return {{{"default", "left_ptr"}}, 68};
  }
}

size_t IndexOf(ECursor cursor) { return static_cast<size_t>(cursor) % 4; }

}  // namespace

XCursors::XCursors(xcb_connection_t* connection, xcb_screen_t* screen) : mConnection(connection), mScreen(screen) {}

XCursors::~XCursors() {
  for (xcb_cursor_t cursor : mLoaded)
    if (cursor != XCB_CURSOR_NONE) xcb_free_cursor(mConnection, cursor);
}

xcb_cursor_t XCursors::Get(ECursor cursor) {
  const size_t index = IndexOf(cursor);
  if (!mTried[index]) {
    mTried[index] = true;
    mLoaded[index] = Load(cursor);
  }
  return mLoaded[index];
}

xcb_cursor_t XCursors::Load(ECursor cursor) {
  xcb_cursor_context_t* context = nullptr;
  xcb_cursor_t loaded = XCB_CURSOR_NONE;
  if (mScreen && xcb_cursor_context_new(mConnection, mScreen, &context) >= 0) {
    for (const char* name : NamesOf(cursor).themeNames) {
      loaded = xcb_cursor_load_cursor(context, name);
      if (loaded != XCB_CURSOR_NONE) break;
    }
    xcb_cursor_context_free(context);
  }
  return loaded != XCB_CURSOR_NONE ? loaded : FromCursorFont(cursor);
}

xcb_cursor_t XCursors::FromCursorFont(ECursor cursor) {
  const uint16_t glyph = NamesOf(cursor).fontGlyph;
  const xcb_font_t font = xcb_generate_id(mConnection);
  xcb_open_font(mConnection, font, 6, "cursor");
  const xcb_cursor_t created = xcb_generate_id(mConnection);
  // The mask glyph follows its shape in the cursor font.
  xcb_create_glyph_cursor(mConnection, created, font, font, glyph, static_cast<uint16_t>(glyph + 1), 0, 0, 0,
                          0xffff, 0xffff, 0xffff);
  xcb_close_font(mConnection, font);
  return created;
}

}  // namespace framework
