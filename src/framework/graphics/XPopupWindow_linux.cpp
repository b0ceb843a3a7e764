#include "framework/graphics/XPopupWindow_linux.h"

namespace framework {

bool XPopupWindow::Show(xcb_window_t owner, const PixelRect& anchor, int width, int height, xcb_timestamp_t time) {
  Hide();
  if (width <= 0 || height <= 0 || VisualProblem(mX.Setup(), mScreen.root_visual, mScreen.root_depth)) return false;
  xcb_connection_t* c = mX.get();

  xcb_generic_error_t* error = nullptr;
  XcbFree translated(xcb_translate_coordinates_reply(
      c, xcb_translate_coordinates(c, owner, mScreen.root, static_cast<int16_t>(anchor.x), static_cast<int16_t>(anchor.y)),
      &error));
  std::free(error);
  if (!translated) return false;
  const PixelRect rootAnchor{translated->dst_x, translated->dst_y, anchor.w, anchor.h};
  mPlacement = PlacePopup(rootAnchor, width, height, mScreen.width_in_pixels, mScreen.height_in_pixels);

  mWindow = xcb_generate_id(c);
  const uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_SAVE_UNDER | XCB_CW_EVENT_MASK;
  const uint32_t values[] = {
      mScreen.black_pixel, 1, 1,
      XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
          XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY |
          XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_LEAVE_WINDOW};
  xcb_create_window(c, mScreen.root_depth, mWindow, mScreen.root, static_cast<int16_t>(mPlacement.x),
                    static_cast<int16_t>(mPlacement.y), static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, mScreen.root_visual, mask, values);
  const XcbAtoms& atoms = mX.Atoms();
  if (atoms.windowType != XCB_ATOM_NONE && atoms.windowTypeMenu != XCB_ATOM_NONE)
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, mWindow, atoms.windowType, XCB_ATOM_ATOM, 32, 1,
                        &atoms.windowTypeMenu);
  mGc = xcb_generate_id(c);
  const uint32_t noExposures = 0;
  xcb_create_gc(c, mGc, mWindow, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
  xcb_map_window(c, mWindow);

  // The map request is handled before the grab, so the window is viewable
  // by then. Pointer events are reported to the popup wherever the pointer
  // is, which is how a press outside it reaches us and dismisses it.
  const uint16_t pointerEvents =
      XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION;
  XcbFree pointer(xcb_grab_pointer_reply(
      c,
      xcb_grab_pointer(c, 0, mWindow, pointerEvents, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_WINDOW_NONE,
                       XCB_CURSOR_NONE, time),
      nullptr));
  if (!pointer || pointer->status != XCB_GRAB_STATUS_SUCCESS) {
    Hide();
    return false;
  }
  // Without the keyboard the menu still works with the mouse.
  XcbFree keyboard(xcb_grab_keyboard_reply(
      c, xcb_grab_keyboard(c, 0, mWindow, time, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr));
  xcb_flush(c);
  return true;
}

void XPopupWindow::Present(const PixelBuffer& pixels) {
  if (!Open()) return;
  mPresenter.Present(mX.get(), mWindow, mGc, mScreen.root_depth, mX.MaxRequestBytes(), pixels,
                     {{0, 0, mPlacement.w, mPlacement.h}});
  xcb_flush(mX.get());
}

void XPopupWindow::Hide() {
  if (!Open() || !mX.Connected()) {
    mWindow = XCB_WINDOW_NONE;
    return;
  }
  xcb_connection_t* c = mX.get();
  xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
  xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
  xcb_free_gc(c, mGc);
  xcb_destroy_window(c, mWindow);
  xcb_flush(c);
  mWindow = XCB_WINDOW_NONE;
}

}  // namespace framework
