#pragma once

// The seam between the drawing toolkit and a window system: what the
// toolkit asks of the native window its editor lives in. One
// implementation per system (PlatformView_linux with xcb, PlatformView_win
// with Win32); without one (off-screen rendering, tests) the toolkit runs
// headless and these requests are simply not made.
//
// The window talks back through IGraphics' event interface (OnMouseDown,
// OnKeyDown, OnFrame, OnPaste, the OnPopup* calls, ...), with coordinates
// in the window's pixels divided by IGraphics::GetTotalScale().
#include <string>
#include <vector>

#include "framework/IEditor.h"
#include "framework/graphics/IGraphicsTypes.h"

namespace framework {

class IPlatformView {
 public:
  virtual ~IPlatformView() = default;

  /// Copies these rectangles of the back buffer to the window.
  virtual void Present(const PixelBuffer& pixels, const std::vector<PixelRect>& rects) = 0;
  /// The plug-in resizes its own window (grip, settings menu); the host may
  /// refuse. The window's new size is then reported through IGraphics::OnHostResized.
  virtual bool RequestResize(int pixelWidth, int pixelHeight) = 0;
  virtual void SetCursor(ECursor cursor) = 0;
  /// Takes the keyboard focus (a text entry, menu or message box opened) or
  /// gives it back to the host's window.
  virtual void SetKeyboardFocus(bool take) = 0;
  /// Asks for the selection's text; it arrives later through IGraphics::OnPaste.
  virtual void RequestPaste(ClipboardKind kind) = 0;
  virtual void SetClipboardText(ClipboardKind kind, const std::string& utf8) = 0;
  /// Opens an http or https address in the user's browser without waiting.
  virtual bool OpenURL(const std::string& url) = 0;

  /// A popup window of its own (so it can extend past the editor), placed
  /// under `anchor` (pixels of this window) or above it when there is no
  /// room below. It takes the mouse and keyboard until HidePopup; its
  /// events arrive through IGraphics' OnPopup* calls in its own pixels.
  virtual bool ShowPopup(const PixelRect& anchor, int pixelWidth, int pixelHeight) = 0;
  virtual void PresentPopup(const PixelBuffer& pixels) = 0;
  virtual void HidePopup() = 0;

  /// Shows a message box of the system's own (a report, or the question
  /// of a kMB_YESNO box) and returns at once; its answer (kIDOK, kIDYES or
  /// kIDNO) arrives later through IGraphics::OnMessageBoxAnswer, never
  /// from inside this call. False where the system's boxes are not used:
  /// the toolkit then draws its own over the editor.
  virtual bool ShowMessageBox(const std::string& /*text*/, const std::string& /*caption*/, MessageBoxType /*type*/) {
    return false;
  }
};

}  // namespace framework
