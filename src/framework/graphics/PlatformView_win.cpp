#include "framework/graphics/PlatformView_win.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "framework/WideText_win.h"
#include "framework/WindowClass_win.h"
#include "framework/graphics/GdiHelpers_win.h"
#include "framework/graphics/IGraphics.h"
#include "framework/graphics/PopupPlacement.h"
#include "framework/graphics/UrlOpener_win.h"

namespace framework {
namespace {

constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT kFrameMs = 16;
constexpr UINT kRunMessageBox = WM_APP + 1;
// Not in every SDK's headers; the values are fixed.
constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT kDpiChangedAfterParent = 0x02E3;

LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

ModuleWindowClass& EditorWindowClass() {
  static ModuleWindowClass windowClass(L"RelaycasterEditor", EditorWindowProc);
  return windowClass;
}

bool KeyHeld(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

IMouseMod ModifiersOf(WPARAM wParam) {
  IMouseMod mod;
  mod.L = (wParam & MK_LBUTTON) != 0;
  mod.R = (wParam & MK_RBUTTON) != 0;
  mod.S = (wParam & MK_SHIFT) != 0;
  mod.C = (wParam & MK_CONTROL) != 0;
  mod.A = KeyHeld(VK_MENU);
  return mod;
}

Key KeyOf(WPARAM virtualKey) {
  switch (virtualKey) {
    case VK_RETURN: return Key::Return;
    case VK_ESCAPE: return Key::Escape;
    case VK_TAB: return Key::Tab;
    case VK_BACK: return Key::Backspace;
    case VK_DELETE: return Key::Delete;
    case VK_LEFT: return Key::Left;
    case VK_RIGHT: return Key::Right;
    case VK_UP: return Key::Up;
    case VK_DOWN: return Key::Down;
    case VK_HOME: return Key::Home;
    case VK_END: return Key::End;
    default: return Key::None;
  }
}

LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* view = reinterpret_cast<WindowsPlatformView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!view) return DefWindowProcW(window, message, wParam, lParam);
  return view->Handle(window, message, wParam, lParam);
}

}  // namespace

// --- set-up -------------------------------------------------------------------------------

std::unique_ptr<WindowsPlatformView> WindowsPlatformView::Connect(HWND parent, std::string& error) {
  if (!parent || !IsWindow(parent)) {
    error = "the host's window does not exist";
    return nullptr;
  }
  std::unique_ptr<WindowsPlatformView> view(new WindowsPlatformView());
  view->mParent = parent;
  return view;
}

WindowsPlatformView::~WindowsPlatformView() {
  *mAlive = false;
  HidePopup();
  if (mWindow) {
    if (mFocusTaken || mFocusForPopup) GiveBackFocus();
    if (GetCapture() == mWindow) ReleaseCapture();
    KillTimer(mWindow, kFrameTimer);
    // No message reaches this object from here on.
    SetWindowLongPtrW(mWindow, GWLP_USERDATA, 0);
    DestroyWindow(mWindow);
    mWindow = nullptr;
  }
  if (mClassAcquired) EditorWindowClass().Release();
}

double WindowsPlatformView::SystemScale() const {
  return ScreenScaleFromDpi(static_cast<double>(DpiOf(mWindow ? mWindow : mParent)));
}

bool WindowsPlatformView::Open(IGraphics& graphics, int width, int height, ResizeRequest resize,
                               Dispatcher dispatch, ScaleChanged scaleChanged) {
  if (mWindow || width <= 0 || height <= 0 || !IsWindow(mParent)) return false;
  if (!mClassAcquired && !(mClassAcquired = EditorWindowClass().Acquire())) return false;
  mGraphics = &graphics;
  mResize = std::move(resize);
  mDispatch = std::make_shared<Dispatcher>(std::move(dispatch));
  mScaleChanged = std::move(scaleChanged);
  mWidth = width;
  mHeight = height;
  mWindow = CreateWindowExW(0, EditorWindowClass().Name(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, width,
                            height, mParent, nullptr, ThisModule(), this);
  if (!mWindow) return false;
  mScale = SystemScale();
  if (!SetTimer(mWindow, kFrameTimer, kFrameMs, nullptr)) {
    SetWindowLongPtrW(mWindow, GWLP_USERDATA, 0);
    DestroyWindow(mWindow);
    mWindow = nullptr;
    return false;
  }
  return true;
}

void WindowsPlatformView::SetWindowSize(int width, int height) {
  if (Broken() || width <= 0 || height <= 0 || (width == mWidth && height == mHeight)) return;
  mWidth = width;
  mHeight = height;
  SetWindowPos(mWindow, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

// --- messages --------------------------------------------------------------------------------

bool WindowsPlatformView::Dispatch(const std::function<void()>& call) {
  if (!mDispatch || !mGraphics) return true;
  // Both live on the stack for the call: it may end in our destruction.
  const std::shared_ptr<bool> alive = mAlive;
  const std::shared_ptr<Dispatcher> dispatch = mDispatch;
  ++mDispatching;
  (*dispatch)(call);
  if (!*alive) return false;
  --mDispatching;
  if (mDispatching == 0) DeliverPaste();
  return *alive;
}

LRESULT WindowsPlatformView::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == mPopup && mPopup) return OnPopupMessage(window, message, wParam, lParam);
  if (window != mWindow) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      OnButton(message, wParam, lParam);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(wParam, lParam);
      return 0;
    case WM_MOUSEWHEEL:
      OnWheel(wParam, lParam);
      return 0;
    case WM_MOUSELEAVE:
      OnMouseLeave();
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) break;
      ::SetCursor(CursorHandle(mCursor));
      return TRUE;
    case WM_GETDLGCODE:
      // While we hold the keyboard, Tab, Return and the arrows are ours, not a host dialog's.
      return WantsKeys() ? DLGC_WANTALLKEYS | DLGC_WANTCHARS : 0;
    case WM_KEYDOWN:
      if (!WantsKeys()) break;
      OnKeyDown(wParam);
      return 0;
    case WM_CHAR:
      if (!WantsKeys()) break;
      OnChar(wParam);
      return 0;
    case WM_KILLFOCUS:
      OnFocusLost();
      return 0;
    case WM_TIMER:
      if (wParam != kFrameTimer) break;
      OnFrameTimer();
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // every pixel comes from the back buffer
    case WM_SIZE:
      InvalidateRect(mWindow, nullptr, FALSE);
      return 0;
    case kDpiChanged:
    case kDpiChangedAfterParent:
      OnDpiChanged();
      return 0;
    case kRunMessageBox:
      RunMessageBox();
      return 0;
    case WM_NCDESTROY:
      // The host destroyed its window, and ours with it.
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      mWindow = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

std::pair<float, float> WindowsPlatformView::ToDesign(int x, int y) const {
  float designX = 0.f;
  float designY = 0.f;
  mGraphics->WindowToDesign(static_cast<float>(x), static_cast<float>(y), designX, designY);
  return {designX, designY};
}

float WindowsPlatformView::Scale() const {
  const float scale = mGraphics ? mGraphics->GetTotalScale() : 1.f;
  return scale > 0.f ? scale : 1.f;
}

void WindowsPlatformView::OnButton(UINT message, WPARAM wParam, LPARAM lParam) {
  const int px = GET_X_LPARAM(lParam);
  const int py = GET_Y_LPARAM(lParam);
  const bool left = message == WM_LBUTTONDOWN || message == WM_LBUTTONUP;
  const bool down = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN;
  IMouseMod mod = ModifiersOf(wParam);
  // As on every system the toolkit runs on, the button in question counts as held.
  if (left) mod.L = true;
  else mod.R = true;
  if (down) {
    // A drag goes on outside the window.
    if (!GetCapture()) SetCapture(mWindow);
    const int button = left ? 1 : 3;
    const bool second = mClicks.Press(static_cast<uint32_t>(GetMessageTime()), px, py, button) == 2;
    Dispatch([&] {
      const auto [x, y] = ToDesign(px, py);
      if (second) mGraphics->OnMouseDblClick(x, y, mod);
      else mGraphics->OnMouseDown(x, y, mod);
    });
    return;
  }
  const bool stillHeld = (wParam & (MK_LBUTTON | MK_RBUTTON)) != 0;
  const std::shared_ptr<bool> alive = mAlive;
  Dispatch([&] {
    const auto [x, y] = ToDesign(px, py);
    mGraphics->OnMouseUp(x, y, mod);
  });
  if (*alive && !stillHeld && mWindow && GetCapture() == mWindow) ReleaseCapture();
}

void WindowsPlatformView::OnMouseMove(WPARAM wParam, LPARAM lParam) {
  if (!mTrackingLeave) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, mWindow, 0};
    mTrackingLeave = TrackMouseEvent(&track) != FALSE;
  }
  const int px = GET_X_LPARAM(lParam);
  const int py = GET_Y_LPARAM(lParam);
  const IMouseMod mod = ModifiersOf(wParam);
  Dispatch([&] {
    const auto [x, y] = ToDesign(px, py);
    mGraphics->OnMouseMove(x, y, mod);
  });
}

void WindowsPlatformView::OnWheel(WPARAM wParam, LPARAM lParam) {
  // The wheel's position comes in screen coordinates.
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const float delta = static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) / WHEEL_DELTA;
  if (mPopup) {
    ScreenToClient(mPopup, &point);
    const float scale = Scale();
    Dispatch([&] { mGraphics->OnPopupMouseWheel(point.x / scale, point.y / scale, delta); });
    return;
  }
  ScreenToClient(mWindow, &point);
  const IMouseMod mod = ModifiersOf(GET_KEYSTATE_WPARAM(wParam));
  Dispatch([&] {
    const auto [x, y] = ToDesign(point.x, point.y);
    mGraphics->OnMouseWheel(x, y, mod, delta);
  });
}

bool WindowsPlatformView::OnHostWheel(float notches) {
  POINT point;
  if (Broken() || !mGraphics || !GetCursorPos(&point)) return false;
  const HWND under = WindowFromPoint(point);
  if (mPopup && under == mPopup) {
    ScreenToClient(mPopup, &point);
    const float scale = Scale();
    Dispatch([&] { mGraphics->OnPopupMouseWheel(point.x / scale, point.y / scale, notches); });
    return true;
  }
  if (under != mWindow) return false;
  ScreenToClient(mWindow, &point);
  IMouseMod mod;
  mod.L = KeyHeld(VK_LBUTTON);
  mod.R = KeyHeld(VK_RBUTTON);
  mod.S = KeyHeld(VK_SHIFT);
  mod.C = KeyHeld(VK_CONTROL);
  mod.A = KeyHeld(VK_MENU);
  Dispatch([&] {
    const auto [x, y] = ToDesign(point.x, point.y);
    mGraphics->OnMouseWheel(x, y, mod, notches);
  });
  return true;
}

void WindowsPlatformView::OnMouseLeave() {
  mTrackingLeave = false;
  // While a button is held the drag goes on outside the window; our menu
  // taking the mouse is not leaving either.
  if (GetCapture() == mWindow || mPopup) return;
  mClicks.Reset();
  Dispatch([&] { mGraphics->OnMouseOut(); });
}

bool WindowsPlatformView::WantsKeys() const {
  return mGraphics && (mGraphics->HasTextEntry() || mGraphics->HasPopupMenu() || mGraphics->HasMessageBox());
}

void WindowsPlatformView::OnKeyDown(WPARAM virtualKey) {
  KeyPress press;
  press.shift = KeyHeld(VK_SHIFT);
  press.ctrl = KeyHeld(VK_CONTROL);
  press.alt = KeyHeld(VK_MENU);
  press.key = KeyOf(virtualKey);
  // Ctrl+letter: the letter itself (the character that arrives is a
  // control code). Ctrl with Alt is AltGr, which types characters.
  if (press.key == Key::None && press.ctrl && !press.alt && virtualKey >= 'A' && virtualKey <= 'Z') {
    press.key = Key::Character;
    press.text = std::string(1, static_cast<char>('a' + (virtualKey - 'A')));
  }
  if (press.key == Key::None) return;
  Dispatch([&] { mGraphics->OnKeyDown(press); });
}

void WindowsPlatformView::OnChar(WPARAM unit) {
  std::string text = mTyped.Push(static_cast<uint16_t>(unit));
  if (text.empty()) return;
  KeyPress press;
  press.key = Key::Character;
  press.text = std::move(text);
  press.shift = KeyHeld(VK_SHIFT);
  Dispatch([&] { mGraphics->OnKeyDown(press); });
}

void WindowsPlatformView::OnFocusLost() {
  mTyped.Reset();
  if (!mFocusTaken) return;
  mFocusTaken = false;
  Dispatch([&] { mGraphics->OnFocusLost(); });
}

bool WindowsPlatformView::Visible() const {
  return mWindow && IsWindowVisible(mWindow) && !IsIconic(GetAncestor(mWindow, GA_ROOT));
}

void WindowsPlatformView::OnFrameTimer() {
  const bool visible = Visible();
  const bool shownAgain = visible && !mWasVisible;
  mWasVisible = visible;
  if (!visible) return;
  Dispatch([&] {
    if (shownAgain) {
      // Frames were skipped while nobody could see the window: draw it whole.
      mGraphics->DrawAll();
      InvalidateRect(mWindow, nullptr, FALSE);
    }
    mGraphics->OnFrame();
  });
}

void WindowsPlatformView::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(mWindow, &paint);
  if (!dc) return;
  const HWND window = mWindow;
  const RECT area = paint.rcPaint;
  Dispatch([&] {
    Blit(dc, mGraphics->Pixels(), {{area.left, area.top, area.right - area.left, area.bottom - area.top}});
  });
  EndPaint(window, &paint);  // by value: the paint above may have closed the editor
}

void WindowsPlatformView::OnDpiChanged() {
  const double scale = SystemScale();
  if (scale == mScale || !mScaleChanged) return;
  mScale = scale;
  Dispatch([&] { mScaleChanged(scale); });
}

void WindowsPlatformView::DeliverPaste() {
  if (!mPasteArrived || !mGraphics) return;
  const std::string text = std::move(*mPasteArrived);
  mPasteArrived.reset();
  Dispatch([&] { mGraphics->OnPaste(text); });
}

// --- what the toolkit asks ---------------------------------------------------------------------

HCURSOR WindowsPlatformView::CursorHandle(ECursor cursor) {
  switch (cursor) {
    case ECursor::Hand: return LoadCursorA(nullptr, IDC_HAND);
    case ECursor::SizeNWSE: return LoadCursorA(nullptr, IDC_SIZENWSE);
    case ECursor::IBeam: return LoadCursorA(nullptr, IDC_IBEAM);
    case ECursor::Arrow: break;
  }
  return LoadCursorA(nullptr, IDC_ARROW);
}

void WindowsPlatformView::Present(const PixelBuffer& pixels, const std::vector<PixelRect>& rects) {
  if (!Visible() || rects.empty()) return;
  BlitTo(mWindow, pixels, rects);
}

bool WindowsPlatformView::RequestResize(int pixelWidth, int pixelHeight) {
  return mResize && pixelWidth > 0 && pixelHeight > 0 && mResize(pixelWidth, pixelHeight);
}

void WindowsPlatformView::SetCursor(ECursor cursor) {
  mCursor = cursor;
  if (Broken()) return;
  // At once when the pointer is over us; otherwise at the next WM_SETCURSOR.
  POINT point;
  if (!GetCursorPos(&point) || WindowFromPoint(point) != mWindow) return;
  ::SetCursor(CursorHandle(cursor));
}

void WindowsPlatformView::TakeFocus() {
  const HWND holder = GetFocus();
  if (holder == mWindow) return;
  mFocusBefore = holder;
  SetFocus(mWindow);
}

void WindowsPlatformView::GiveBackFocus() {
  // Only while the focus is still ours: if the user has clicked into
  // another window since, the focus stays where they put it.
  if (!mWindow || GetFocus() != mWindow) return;
  const HWND back = mFocusBefore && IsWindow(mFocusBefore) ? mFocusBefore : mParent;
  mFocusBefore = nullptr;
  SetFocus(back);
}

void WindowsPlatformView::SetKeyboardFocus(bool take) {
  if (Broken()) return;
  if (take) {
    if (!mFocusTaken && !mFocusForPopup) TakeFocus();
    mFocusTaken = true;
    return;
  }
  const bool hadIt = mFocusTaken;
  mFocusTaken = false;
  if (hadIt && !mFocusForPopup) GiveBackFocus();
}

void WindowsPlatformView::RequestPaste(ClipboardKind kind) {
  // Windows has one clipboard; the toolkit's "primary" selection is X's.
  if (Broken() || kind != ClipboardKind::Clipboard) return;
  mPasteArrived = ReadClipboardText(mWindow);
  // The text arrives after the event being handled, as it does everywhere.
  if (mDispatching == 0) DeliverPaste();
}

void WindowsPlatformView::SetClipboardText(ClipboardKind kind, const std::string& utf8) {
  if (!Broken() && kind == ClipboardKind::Clipboard) WriteClipboardText(mWindow, utf8);
}

bool WindowsPlatformView::OpenURL(const std::string& url) { return OpenInBrowser(url); }

// --- the popup menu's window --------------------------------------------------------------------

bool WindowsPlatformView::ShowPopup(const PixelRect& anchor, int pixelWidth, int pixelHeight) {
  HidePopup();
  if (Broken() || pixelWidth <= 0 || pixelHeight <= 0) return false;
  POINT origin{anchor.x, anchor.y};
  ClientToScreen(mWindow, &origin);
  const PixelRect screenAnchor{origin.x, origin.y, anchor.w, anchor.h};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  PixelRect area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    area = {work.left, work.top, work.right - work.left, work.bottom - work.top};
  }
  const PixelRect place = PlacePopupInArea(screenAnchor, pixelWidth, pixelHeight, area);
  // Owned by the editor's top-level window, so it stays above it and goes with it.
  mPopup = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST, EditorWindowClass().Name(), L"",
                           WS_POPUP, place.x, place.y, pixelWidth, pixelHeight, GetAncestor(mWindow, GA_ROOT), nullptr,
                           ThisModule(), this);
  if (!mPopup) return false;
  mPopupPixels = {};
  // The next press in the window follows a press in the menu, not the one
  // that opened it: it must not count as the second of a double-click.
  mClicks.Reset();
  ShowWindow(mPopup, SW_SHOWNOACTIVATE);
  // Mouse events come to the menu wherever the pointer is, which is how a
  // press outside it reaches us and dismisses it; keys come to our window.
  SetCapture(mPopup);
  if (!mFocusTaken) TakeFocus();
  mFocusForPopup = true;
  return true;
}

void WindowsPlatformView::PresentPopup(const PixelBuffer& pixels) {
  if (!mPopup) return;
  mPopupPixels = pixels;
  BlitTo(mPopup, pixels, {{0, 0, pixels.width, pixels.height}});
}

void WindowsPlatformView::HidePopup() {
  mPopupPixels = {};
  if (!mPopup) return;
  const HWND popup = std::exchange(mPopup, nullptr);  // first: losing the capture below is no dismissal
  if (GetCapture() == popup) ReleaseCapture();
  DestroyWindow(popup);
  if (mFocusForPopup) {
    mFocusForPopup = false;
    if (!mFocusTaken) GiveBackFocus();
  }
}

LRESULT WindowsPlatformView::OnPopupMessage(HWND popup, UINT message, WPARAM wParam, LPARAM lParam) {
  const float scale = Scale();
  const float x = static_cast<float>(GET_X_LPARAM(lParam)) / scale;
  const float y = static_cast<float>(GET_Y_LPARAM(lParam)) / scale;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      // Outside the menu the coordinates lie outside it too, which dismisses it.
      Dispatch([&] { mGraphics->OnPopupMouseDown(x, y); });
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      Dispatch([&] { mGraphics->OnPopupMouseUp(x, y); });
      return 0;
    case WM_MOUSEMOVE:
      Dispatch([&] { mGraphics->OnPopupMouseMove(x, y); });
      return 0;
    case WM_MOUSEWHEEL:
      OnWheel(wParam, lParam);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_SETCURSOR:
      ::SetCursor(CursorHandle(ECursor::Arrow));
      return TRUE;
    case WM_CAPTURECHANGED:
      // Something else took the mouse (HidePopup clears mPopup first).
      if (mPopup) Dispatch([&] { mGraphics->OnPopupLost(); });
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      if (HDC dc = BeginPaint(mPopup, &paint)) {
        Blit(dc, mPopupPixels, {{0, 0, mPopupPixels.width, mPopupPixels.height}});
        EndPaint(mPopup, &paint);
      }
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_NCDESTROY:
      // Destroyed with the top-level window that owns it.
      mPopup = nullptr;
      if (mGraphics && mGraphics->HasPopupMenu()) Dispatch([&] { mGraphics->OnPopupLost(); });
      break;
    default:
      break;
  }
  return DefWindowProcW(popup, message, wParam, lParam);
}

// --- message boxes -----------------------------------------------------------------------------

bool WindowsPlatformView::ShowMessageBox(const std::string& text, const std::string& caption, MessageBoxType type) {
  if (Broken()) return false;
  // The framework's box types are the system's own values (MB_OK, MB_YESNO).
  mBoxes.push_back({WideFromUtf8(text), WideFromUtf8(caption), static_cast<UINT>(type)});
  if (PostMessageW(mWindow, kRunMessageBox, 0, 0)) return true;
  mBoxes.pop_back();
  return false;
}

void WindowsPlatformView::RunMessageBox() {
  if (mBoxes.empty() || mBoxRunning) return;
  const PendingBox box = std::move(mBoxes.front());
  mBoxes.erase(mBoxes.begin());
  mBoxRunning = true;
  const std::shared_ptr<bool> alive = mAlive;
  // Owned by the top-level window, which the box disables while it is up.
  // The system's own loop runs meanwhile (our frame timer and the idle
  // timer go on); the editor is not locked while the user decides.
  const int answer = MessageBoxW(GetAncestor(mWindow, GA_ROOT), box.text.c_str(), box.caption.c_str(), box.type);
  if (!*alive) return;  // the editor closed under the box; it was answered then
  mBoxRunning = false;
  // A box queued meanwhile has posted its own message.
  Dispatch([&] { mGraphics->OnMessageBoxAnswer(answer); });
}

}  // namespace framework
