#pragma once

// The toolkit's mouse cursors from the user's cursor theme (xcb-cursor
// reads the theme and size the desktop publishes), falling back to the
// X server's own cursor font when the theme has none of the names.
#include <xcb/xcb.h>

#include <array>

#include "framework/graphics/IGraphicsTypes.h"

namespace framework {

/// Threads: the window's thread.
class XCursors {
 public:
  XCursors(xcb_connection_t* connection, xcb_screen_t* screen);
  ~XCursors();
  XCursors(const XCursors&) = delete;
  XCursors& operator=(const XCursors&) = delete;

  /// The cursor for `cursor`, loaded at first use; XCB_CURSOR_NONE (the
  /// parent's cursor) if neither the theme nor the cursor font has one.
  xcb_cursor_t Get(ECursor cursor);

 private:
  xcb_cursor_t Load(ECursor cursor);
  xcb_cursor_t FromCursorFont(ECursor cursor);

  xcb_connection_t* mConnection;
  xcb_screen_t* mScreen;
  std::array<xcb_cursor_t, 4> mLoaded{};  // by ECursor
  std::array<bool, 4> mTried{};
};

}  // namespace framework
