#include "EditorWindow_win.h"

#include <algorithm>

#include "framework/WideText_win.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

namespace vst3host {

using namespace Steinberg;

namespace {

constexpr wchar_t kWindowClass[] = L"RelaycasterHostEditorWindow";
constexpr UINT kApplyViewSize = WM_APP + 1;  // give the window the size the view chose

// Registered once for the process's life, as a host registers its own
// window classes once.
bool RegisterWindowClass(WNDPROC procedure) {
  static const bool registered = [procedure] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

bool DragsLeftEdge(WPARAM edge) { return edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT; }
bool DragsTopEdge(WPARAM edge) { return edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT; }

}  // namespace

std::unique_ptr<EditorWindow> EditorWindow::Open(IPlugView* view, const std::string& title, float scale,
                                                 std::string& error) {
  if (!view) {
    error = "the plug-in has no editor";
    return nullptr;
  }
  view->addRef();
  std::unique_ptr<EditorWindow> window(new EditorWindow(view));
  if (!window->Create(title, scale, error)) return nullptr;
  return window;
}

bool EditorWindow::Create(const std::string& title, float scale, std::string& error) {
  if (mView->isPlatformTypeSupported(kPlatformTypeHWND) != kResultTrue) {
    error = "the editor cannot live in a Win32 window";
    return false;
  }
  if (!RegisterWindowClass(&EditorWindow::WindowProc)) {
    error = "cannot register the editor window's class";
    return false;
  }
  // Hosts tell the view its screen scale before attaching it.
  if (scale > 0.f) {
    void* support = nullptr;
    if (mView->queryInterface(INLINE_UID_OF(IPlugViewContentScaleSupport), &support) == kResultOk && support) {
      static_cast<IPlugViewContentScaleSupport*>(support)->setContentScaleFactor(scale);
      static_cast<IPlugViewContentScaleSupport*>(support)->release();
    }
  }
  mView->setFrame(this);
  ViewRect size(0, 0, 880, 562);
  mView->getSize(&size);
  mWidth = std::max(1, size.getWidth());
  mHeight = std::max(1, size.getHeight());

  DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  if (mView->canResize() != kResultTrue) style &= ~static_cast<DWORD>(WS_THICKFRAME | WS_MAXIMIZEBOX);
  RECT frame{0, 0, mWidth, mHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  mWindow = CreateWindowExW(0, kWindowClass, framework::WideFromUtf8(title).c_str(), style, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                            GetModuleHandleW(nullptr), this);
  if (!mWindow) {
    error = "cannot create the editor window (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  ShowWindow(mWindow, SW_SHOWNORMAL);

  if (mView->attached(mWindow, kPlatformTypeHWND) != kResultOk) {
    error = "the plug-in's editor did not open in the window";
    return false;
  }
  mAttached = true;
  // The view may know its size only now (its screen scale may come from the window's monitor).
  if (mView->getSize(&size) == kResultOk && (size.getWidth() != mWidth || size.getHeight() != mHeight) &&
      size.getWidth() > 0 && size.getHeight() > 0)
    SetClientSize(size.getWidth(), size.getHeight());
  ViewRect placed(0, 0, mWidth, mHeight);
  mView->onSize(&placed);
  return true;
}

EditorWindow::~EditorWindow() {
  if (mAttached) mView->removed();
  mView->setFrame(nullptr);
  mView->release();
  if (mWindow && !mDestroyed) {
    mDestroying = true;
    DestroyWindow(mWindow);
  }
}

SIZE EditorWindow::FrameSizeFor(int width, int height) const {
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(mWindow, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(mWindow, GWL_EXSTYLE)));
  return {frame.right - frame.left, frame.bottom - frame.top};
}

void EditorWindow::SetClientSize(int width, int height) {
  mWidth = width;
  mHeight = height;
  const SIZE frame = FrameSizeFor(width, height);
  mSettingSize = true;
  SetWindowPos(mWindow, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  mSettingSize = false;
}

tresult PLUGIN_API EditorWindow::resizeView(IPlugView* view, ViewRect* newSize) {
  if (view != mView || !newSize || newSize->getWidth() <= 0 || newSize->getHeight() <= 0) return kInvalidArgument;
  SetClientSize(newSize->getWidth(), newSize->getHeight());
  mView->onSize(newSize);
  return kResultTrue;
}

void EditorWindow::ConstrainDrag(WPARAM edge, RECT& windowRect) {
  const SIZE frame = FrameSizeFor(0, 0);
  ViewRect proposed(0, 0, windowRect.right - windowRect.left - frame.cx, windowRect.bottom - windowRect.top - frame.cy);
  if (mView->checkSizeConstraint(&proposed) != kResultTrue) return;
  const LONG width = proposed.getWidth() + frame.cx;
  const LONG height = proposed.getHeight() + frame.cy;
  if (DragsLeftEdge(edge)) windowRect.left = windowRect.right - width;
  else windowRect.right = windowRect.left + width;
  if (DragsTopEdge(edge)) windowRect.top = windowRect.bottom - height;
  else windowRect.bottom = windowRect.top + height;
}

// The view may adjust the size, then hears of it.
void EditorWindow::OnSized(int width, int height) {
  if (width == mWidth && height == mHeight) return;
  ViewRect proposed(0, 0, width, height);
  if (mView->checkSizeConstraint(&proposed) == kResultTrue &&
      (proposed.getWidth() != width || proposed.getHeight() != height) && proposed.getWidth() > 0 &&
      proposed.getHeight() > 0) {
    // Inside the size change the system is making, a change of ours may
    // not reach the screen (Wine drops it while it applies the X server's
    // configuration): the window takes the view's size right after.
    mWidth = proposed.getWidth();
    mHeight = proposed.getHeight();
    PostMessageW(mWindow, kApplyViewSize, 0, 0);
  } else {
    mWidth = width;
    mHeight = height;
  }
  ViewRect size(0, 0, mWidth, mHeight);
  mView->onSize(&size);
}

LRESULT CALLBACK EditorWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<EditorWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->mWindow = window;
  }
  auto* self = reinterpret_cast<EditorWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT EditorWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:  // the window stays until the session ends and destroys it
      mCloseRequested = true;
      return 0;
    case WM_SIZING:
      if (mAttached) ConstrainDrag(wParam, *reinterpret_cast<RECT*>(lParam));
      return TRUE;
    case WM_SIZE:
      if (mAttached && !mSettingSize && wParam != SIZE_MINIMIZED) OnSized(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case kApplyViewSize:
      SetClientSize(mWidth, mHeight);
      return 0;
    case WM_ERASEBKGND:  // the view's child window paints all of it
      return mAttached ? 1 : DefWindowProcW(mWindow, message, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLongPtrW(mWindow, GWLP_USERDATA, 0);
      if (!mDestroying) mCloseRequested = mDestroyed = true;
      return DefWindowProcW(mWindow, message, wParam, lParam);
    default:
      return DefWindowProcW(mWindow, message, wParam, lParam);
  }
}

tresult PLUGIN_API EditorWindow::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(iid, INLINE_UID_OF(IPlugFrame)) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    addRef();
    *obj = static_cast<IPlugFrame*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

}  // namespace vst3host
