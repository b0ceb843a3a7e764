#pragma once

// The editor's window on Linux: a child window of the host's window, on a
// connection of its own to the X server (xcb, never Xlib), drawn by
// copying the toolkit's back buffer into it. Its events go to the toolkit
// through IGraphics' event interface; the host's run loop drives it
// (ProcessEvents when the connection has data, OnTimer every frame), and
// nothing here starts a thread.
#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/graphics/ClickCounter.h"
#include "framework/graphics/IPlatformView.h"

namespace framework {

class IGraphics;
class XcbConnection;
class XKeyboard;
class XClipboard;
class XCursors;
class XPopupWindow;
class ViewableWatch;
class XcbImagePresenter;

/// Threads: the host's user-interface thread only (the one that runs its
/// run loop).
class LinuxPlatformView final : public IPlatformView {
 public:
  /// Asks the host for a new window size (pixels); true when it agreed.
  using ResizeRequest = std::function<bool(int width, int height)>;

  /// Connects to the display and checks that the host's window `parent`
  /// can hold our drawing. Cheap enough for `attached`; makes no window.
  /// nullptr, with `error` saying why, when the display, the parent or its
  /// visual cannot be used.
  static std::unique_ptr<LinuxPlatformView> Connect(uint32_t parent, std::string& error);
  ~LinuxPlatformView() override;
  LinuxPlatformView(const LinuxPlatformView&) = delete;
  LinuxPlatformView& operator=(const LinuxPlatformView&) = delete;

  /// The desktop's screen scale (Xft.dpi / 96), when it publishes one.
  std::optional<double> DesktopScale() const { return mDesktopScale; }

  /// Creates and shows our window, `width` × `height` pixels at the
  /// parent's top-left, and delivers its events to `graphics` from now on.
  bool Open(IGraphics& graphics, int width, int height, ResizeRequest resize);
  /// The connection's socket, for the host's run loop to watch.
  int FileDescriptor() const;
  /// Handles every event that has arrived (the socket is readable).
  void ProcessEvents();
  /// The frame timer: events that arrived unannounced (some hosts' socket
  /// notifications are unreliable), clipboard and opener housekeeping,
  /// then one frame when the window can be seen.
  void OnTimer();
  /// The host gave the editor a new size.
  void SetWindowSize(int width, int height);

  bool Viewable() const;
  /// The window cannot be used any more: the connection broke or the
  /// host destroyed its window under ours.
  bool Broken() const;
  uint32_t Window() const { return mWindow; }
  /// X errors our requests caused since Connect (each is also printed).
  uint64_t ErrorCount() const;
  bool HasKeyboardFocus() const { return mFocusTaken; }

  // IPlatformView
  void Present(const PixelBuffer& pixels, const std::vector<PixelRect>& rects) override;
  bool RequestResize(int pixelWidth, int pixelHeight) override;
  void SetCursor(ECursor cursor) override;
  void SetKeyboardFocus(bool take) override;
  void RequestPaste(ClipboardKind kind) override;
  void SetClipboardText(ClipboardKind kind, const std::string& utf8) override;
  bool OpenURL(const std::string& url) override;
  bool ShowPopup(const PixelRect& anchor, int pixelWidth, int pixelHeight) override;
  void PresentPopup(const PixelBuffer& pixels) override;
  void HidePopup() override;

 private:
  LinuxPlatformView();

  void DrainEvents();
  void Dispatch(const xcb_generic_event_t& event);
  void OnButtonPress(const xcb_button_press_event_t& press);
  void OnButtonRelease(const xcb_button_release_event_t& release);
  void OnMotion(const xcb_motion_notify_event_t& motion);
  void OnLeave(const xcb_leave_notify_event_t& leave);
  void OnKeyPress(const xcb_key_press_event_t& key);
  void OnFocusOut(const xcb_focus_out_event_t& focus);
  void OnPopupEvent(const xcb_generic_event_t& event);
  void OnViewableChanged();
  void DeliverPaste();
  void PresentExposed();
  void SelectKeyEvents(bool on);
  bool WantsKeys() const;
  void Remember(xcb_timestamp_t time);
  xcb_timestamp_t LastTime() const;
  /// Window pixels to the editor's design units (the design may be
  /// letterboxed in a window the host shaped).
  std::pair<float, float> ToDesign(int16_t x, int16_t y) const;
  /// Popup pixels to popup design units.
  float Scale() const;

  std::unique_ptr<XcbConnection> mX;
  uint32_t mParent = 0;
  xcb_screen_t* mScreen = nullptr;
  uint8_t mDepth = 0;
  std::optional<double> mDesktopScale;

  IGraphics* mGraphics = nullptr;
  ResizeRequest mResize;
  xcb_window_t mWindow = 0;
  xcb_gcontext_t mGc = 0;
  int mWidth = 0;
  int mHeight = 0;
  uint32_t mEventMask = 0;

  std::unique_ptr<XcbImagePresenter> mPresenter;
  std::unique_ptr<ViewableWatch> mViewable;
  std::unique_ptr<XKeyboard> mKeyboard;
  std::unique_ptr<XClipboard> mClipboard;
  std::unique_ptr<XCursors> mCursors;
  std::unique_ptr<XPopupWindow> mPopup;
  PixelBuffer mPopupPixels;  // the menu's last picture, shown again on expose

  ClickCounter mClicks;
  xcb_timestamp_t mLastTime = XCB_CURRENT_TIME;  // of the latest user event: selections and focus need one
  bool mDispatching = false;
  bool mFocusTaken = false;
  xcb_window_t mFocusBefore = XCB_WINDOW_NONE;  // who had the keyboard before we took it
  std::optional<std::string> mPasteArrived;      // delivered after the event being handled
  std::vector<PixelRect> mExposed;
  std::optional<xcb_motion_notify_event_t> mPendingMotion;  // motion is merged within one batch
};

}  // namespace framework
