#pragma once

// The window a popup menu is shown in: a top-level window of our own that
// the window manager leaves alone (override-redirect), so a menu can reach
// past the editor's edges, placed under its anchor on the screen and
// holding the pointer and keyboard while it is open, as menus do.
#include <xcb/xcb.h>

#include <cstdint>

#include "framework/graphics/IGraphicsTypes.h"
#include "framework/graphics/PopupPlacement.h"
#include "framework/graphics/XcbConnection_linux.h"
#include "framework/graphics/XcbImage_linux.h"

namespace framework {

/// Where a popup goes for an anchor in root coordinates on an X screen of
/// `screenWidth` × `screenHeight` (see PlacePopupInArea).
inline PixelRect PlacePopup(const PixelRect& anchor, int width, int height, int screenWidth, int screenHeight) {
  return PlacePopupInArea(anchor, width, height, {0, 0, screenWidth, screenHeight});
}

/// Threads: the window's thread.
class XPopupWindow {
 public:
  XPopupWindow(XcbConnection& connection, xcb_screen_t& screen) : mX(connection), mScreen(screen) {}
  ~XPopupWindow() { Hide(); }
  XPopupWindow(const XPopupWindow&) = delete;
  XPopupWindow& operator=(const XPopupWindow&) = delete;

  /// Shows it for an anchor in `owner`'s pixels and grabs the pointer and
  /// keyboard. False when the root's visual cannot be drawn to or the
  /// pointer cannot be grabbed (another program holds it).
  bool Show(xcb_window_t owner, const PixelRect& anchor, int width, int height, xcb_timestamp_t time);
  void Present(const PixelBuffer& pixels);
  /// Releases the grabs and destroys the window.
  void Hide();

  bool Open() const { return mWindow != XCB_WINDOW_NONE; }
  xcb_window_t Window() const { return mWindow; }
  /// Where it stands on the screen (root coordinates).
  const PixelRect& Placement() const { return mPlacement; }

 private:
  XcbConnection& mX;
  xcb_screen_t& mScreen;
  xcb_window_t mWindow = XCB_WINDOW_NONE;
  xcb_gcontext_t mGc = 0;
  PixelRect mPlacement;
  XcbImagePresenter mPresenter;
};

}  // namespace framework
