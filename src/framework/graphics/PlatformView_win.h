#pragma once

// The editor's window on Windows: a child window of the host's window,
// drawn by copying the toolkit's back buffer to it (a device-independent
// bitmap straight from Cairo's pixels), driven by its own window messages:
// a 16 ms window timer for frames, the mouse and keyboard, WM_PAINT from
// the back buffer, DPI changes. Nothing here starts a thread; everything
// runs on the thread the host made its window on.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/graphics/ClickCounter.h"
#include "framework/graphics/IPlatformView.h"
#include "framework/graphics/Utf16Joiner.h"

namespace framework {

class IGraphics;

/// Threads: the thread that owns the host's window (its user-interface thread).
class WindowsPlatformView final : public IPlatformView {
 public:
  /// Asks the host for a new window size (pixels); true when it agreed.
  using ResizeRequest = std::function<bool(int width, int height)>;
  /// Runs `call`, which reaches the toolkit, the way the editor's owner
  /// wants its calls made (under its lock, not while it is closing). The
  /// call may end in this view's destruction.
  using Dispatcher = std::function<void(const std::function<void()>& call)>;
  /// The window's screen scale changed (it moved to a monitor of another DPI).
  using ScaleChanged = std::function<void(double scale)>;

  /// Checks that `parent` is a window; makes none of its own yet. nullptr,
  /// with `error` saying why, when it is not.
  static std::unique_ptr<WindowsPlatformView> Connect(HWND parent, std::string& error);
  ~WindowsPlatformView() override;
  WindowsPlatformView(const WindowsPlatformView&) = delete;
  WindowsPlatformView& operator=(const WindowsPlatformView&) = delete;

  /// The screen scale of our window (of the host's before Open): its DPI / 96.
  double SystemScale() const;

  /// Creates and shows our window, `width` × `height` pixels at the
  /// parent's top-left, with its frame timer, and delivers its events to
  /// `graphics` through `dispatch` from now on.
  bool Open(IGraphics& graphics, int width, int height, ResizeRequest resize, Dispatcher dispatch,
            ScaleChanged scaleChanged);
  /// The host gave the editor a new size.
  void SetWindowSize(int width, int height);
  /// A wheel turn (notches, up positive) the host received and passes on;
  /// it goes where the pointer is. False when the pointer is not over us.
  bool OnHostWheel(float notches);
  /// The window is gone (the host destroyed its window and ours with it).
  bool Broken() const { return mWindow == nullptr; }
  HWND Window() const { return mWindow; }
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
  bool ShowMessageBox(const std::string& text, const std::string& caption, MessageBoxType type) override;

  /// A message for our window or our menu's (the window procedure's part).
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  struct PendingBox {
    std::wstring text;
    std::wstring caption;
    UINT type = MB_OK;
  };

  WindowsPlatformView() = default;

  LRESULT OnPopupMessage(HWND popup, UINT message, WPARAM wParam, LPARAM lParam);
  /// Runs `call` through the dispatcher; false when this view did not survive it.
  bool Dispatch(const std::function<void()>& call);
  void OnButton(UINT message, WPARAM wParam, LPARAM lParam);
  void OnMouseMove(WPARAM wParam, LPARAM lParam);
  void OnWheel(WPARAM wParam, LPARAM lParam);
  void OnMouseLeave();
  void OnKeyDown(WPARAM virtualKey);
  void OnChar(WPARAM unit);
  void OnFocusLost();
  void OnFrameTimer();
  void OnPaint();
  void OnDpiChanged();
  void RunMessageBox();
  void DeliverPaste();
  bool Visible() const;
  bool WantsKeys() const;
  std::pair<float, float> ToDesign(int x, int y) const;
  float Scale() const;
  static HCURSOR CursorHandle(ECursor cursor);
  void TakeFocus();
  void GiveBackFocus();

  HWND mParent = nullptr;
  HWND mWindow = nullptr;
  HWND mPopup = nullptr;
  bool mClassAcquired = false;
  IGraphics* mGraphics = nullptr;
  ResizeRequest mResize;
  std::shared_ptr<Dispatcher> mDispatch;  // copied onto the stack for each call: the call may destroy us
  ScaleChanged mScaleChanged;
  std::shared_ptr<bool> mAlive = std::make_shared<bool>(true);  // false once destroyed
  int mWidth = 0;
  int mHeight = 0;
  double mScale = 1.0;

  ClickCounter mClicks;
  Utf16Joiner mTyped;
  ECursor mCursor = ECursor::Arrow;
  bool mTrackingLeave = false;
  bool mWasVisible = false;
  int mDispatching = 0;
  bool mFocusTaken = false;
  bool mFocusForPopup = false;
  HWND mFocusBefore = nullptr;  // who had the keyboard before we took it
  std::optional<std::string> mPasteArrived;  // delivered after the message being handled
  PixelBuffer mPopupPixels;
  std::vector<PendingBox> mBoxes;  // the system box to show next (one at a time: IGraphics queues)
  bool mBoxRunning = false;
};

}  // namespace framework
