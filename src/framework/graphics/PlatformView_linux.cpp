#include "framework/graphics/PlatformView_linux.h"

#include <chrono>
#include <utility>

#include "framework/graphics/IGraphics.h"
#include "framework/graphics/TextEntry.h"
#include "framework/graphics/UrlOpener_linux.h"
#include "framework/graphics/ViewableWatch_linux.h"
#include "framework/graphics/XClipboard_linux.h"
#include "framework/graphics/XCursors_linux.h"
#include "framework/graphics/XKeyboard_linux.h"
#include "framework/graphics/XPopupWindow_linux.h"
#include "framework/graphics/XResources_linux.h"
#include "framework/graphics/XcbConnection_linux.h"
#include "framework/graphics/XcbImage_linux.h"

namespace framework {
namespace {

constexpr size_t kMaxResourceBytes = 1 << 20;
constexpr uint32_t kBackground = 0x0a0a0a;  // the editor's window colour, shown before the first frame

// The window's own events; key presses are added only while the toolkit
// wants keys, so that otherwise they reach the host's window.
constexpr uint32_t kWindowEvents = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                   XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                                   XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW |
                                   XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE;

enum Button : uint8_t { kLeft = 1, kMiddle = 2, kRight = 3, kWheelUp = 4, kWheelDown = 5 };

uint32_t SteadyMillis() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

IMouseMod ModifiersOf(uint16_t state) {
  IMouseMod mod;
  mod.L = (state & XCB_BUTTON_MASK_1) != 0;
  mod.R = (state & XCB_BUTTON_MASK_3) != 0;
  mod.S = (state & XCB_MOD_MASK_SHIFT) != 0;
  mod.C = (state & XCB_MOD_MASK_CONTROL) != 0;
  mod.A = (state & XCB_MOD_MASK_1) != 0;
  return mod;
}

// The window an event is about, for the kinds the popup handles.
xcb_window_t EventWindow(const xcb_generic_event_t& event) {
  switch (event.response_type & 0x7f) {
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
    case XCB_KEY_PRESS:
      return reinterpret_cast<const xcb_button_press_event_t&>(event).event;
    case XCB_LEAVE_NOTIFY:
      return reinterpret_cast<const xcb_leave_notify_event_t&>(event).event;
    case XCB_FOCUS_OUT:
      return reinterpret_cast<const xcb_focus_out_event_t&>(event).event;
    case XCB_EXPOSE:
      return reinterpret_cast<const xcb_expose_event_t&>(event).window;
    case XCB_UNMAP_NOTIFY:
      return reinterpret_cast<const xcb_unmap_notify_event_t&>(event).window;
    default:
      return XCB_WINDOW_NONE;
  }
}

// Marks a call into the toolkit, so that a host calling back into us from
// inside it finds us busy rather than halfway through something.
class DispatchScope {
 public:
  explicit DispatchScope(bool& flag) : mFlag(flag), mBefore(flag) { mFlag = true; }
  ~DispatchScope() { mFlag = mBefore; }
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;

 private:
  bool& mFlag;
  bool mBefore;
};

bool ButtonsHeld(uint16_t state) {
  return (state & (XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3)) != 0;
}

}  // namespace

LinuxPlatformView::LinuxPlatformView() = default;

LinuxPlatformView::~LinuxPlatformView() {
  if (!mX) return;
  mPopup.reset();
  if (mFocusTaken) SetKeyboardFocus(false);
  mCursors.reset();
  if (mX->Connected() && mWindow) {
    if (mGc) xcb_free_gc(mX->get(), mGc);
    // The host may have destroyed its window, and ours with it, already.
    if (!mViewable || !mViewable->Destroyed()) mX->Check(xcb_destroy_window_checked(mX->get(), mWindow));
  }
}

std::unique_ptr<LinuxPlatformView> LinuxPlatformView::Connect(uint32_t parent, std::string& error) {
  std::unique_ptr<LinuxPlatformView> view(new LinuxPlatformView());
  view->mX = std::make_unique<XcbConnection>();
  XcbConnection& x = *view->mX;
  if (!x.Connected()) {
    error = "cannot connect to the X display";
    return nullptr;
  }
  xcb_connection_t* c = x.get();
  const auto geometryCookie = xcb_get_geometry(c, parent);
  const auto attributesCookie = xcb_get_window_attributes(c, parent);
  xcb_generic_error_t* geometryError = nullptr;
  xcb_generic_error_t* attributesError = nullptr;
  XcbFree geometry(xcb_get_geometry_reply(c, geometryCookie, &geometryError));
  XcbFree attributes(xcb_get_window_attributes_reply(c, attributesCookie, &attributesError));
  std::free(geometryError);
  std::free(attributesError);
  if (!geometry || !attributes) {
    error = "the host's window does not exist";
    return nullptr;
  }
  view->mScreen = x.ScreenOfRoot(geometry->root);
  if (!view->mScreen) {
    error = "the host's window is on no screen of this display";
    return nullptr;
  }
  // Our window takes the parent's visual and depth, so it needs no colour
  // map of its own; that visual must be one our pixels can go to as they are.
  if (std::optional<std::string> problem = VisualProblem(x.Setup(), attributes->visual, geometry->depth)) {
    error = "the host's window has a visual the editor cannot draw to: " + *problem;
    return nullptr;
  }
  view->mParent = parent;
  view->mDepth = geometry->depth;
  if (std::optional<std::string> resources =
          x.ReadProperty(view->mScreen->root, XCB_ATOM_RESOURCE_MANAGER, kMaxResourceBytes))
    if (std::optional<double> dpi = ParseXftDpi(*resources)) view->mDesktopScale = ScreenScaleFromDpi(*dpi);
  return view;
}

bool LinuxPlatformView::Open(IGraphics& graphics, int width, int height, ResizeRequest resize) {
  if (mWindow || !mX->Connected() || width <= 0 || height <= 0) return false;
  xcb_connection_t* c = mX->get();
  mGraphics = &graphics;
  mResize = std::move(resize);
  mWidth = width;
  mHeight = height;
  mEventMask = kWindowEvents;

  mWindow = xcb_generate_id(c);
  const uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_BIT_GRAVITY | XCB_CW_EVENT_MASK;
  const uint32_t values[] = {kBackground, XCB_GRAVITY_NORTH_WEST, mEventMask};
  if (!mX->Check(xcb_create_window_checked(c, XCB_COPY_FROM_PARENT, mWindow, mParent, 0, 0,
                                           static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0,
                                           XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, mask, values))) {
    mWindow = 0;  // the host's window went in the meantime
    return false;
  }
  mGc = xcb_generate_id(c);
  const uint32_t noExposures = 0;
  xcb_create_gc(c, mGc, mWindow, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);

  mPresenter = std::make_unique<XcbImagePresenter>();
  mKeyboard = std::make_unique<XKeyboard>(c);
  mClipboard = std::make_unique<XClipboard>(*mX, mWindow, [this](const std::string& text) { mPasteArrived = text; });
  mCursors = std::make_unique<XCursors>(c, mScreen);
  mPopup = std::make_unique<XPopupWindow>(*mX, *mScreen);

  xcb_map_window(c, mWindow);
  mViewable = std::make_unique<ViewableWatch>(*mX, mWindow);
  mViewable->Start();
  xcb_flush(c);
  return true;
}

int LinuxPlatformView::FileDescriptor() const { return mX ? mX->FileDescriptor() : -1; }

bool LinuxPlatformView::Broken() const {
  return !mX || !mX->Connected() || !mWindow || (mViewable && mViewable->Destroyed());
}

bool LinuxPlatformView::Viewable() const { return !Broken() && mViewable && mViewable->Viewable(); }

uint64_t LinuxPlatformView::ErrorCount() const { return mX ? mX->ErrorCount() : 0; }

std::pair<float, float> LinuxPlatformView::ToDesign(int16_t x, int16_t y) const {
  float designX = 0.f;
  float designY = 0.f;
  mGraphics->WindowToDesign(static_cast<float>(x), static_cast<float>(y), designX, designY);
  return {designX, designY};
}

float LinuxPlatformView::Scale() const {
  const float scale = mGraphics ? mGraphics->GetTotalScale() : 1.f;
  return scale > 0.f ? scale : 1.f;
}

void LinuxPlatformView::Remember(xcb_timestamp_t time) {
  if (time != XCB_CURRENT_TIME) mLastTime = time;
}

xcb_timestamp_t LinuxPlatformView::LastTime() const { return mLastTime; }

void LinuxPlatformView::ProcessEvents() {
  // A host that runs its own event loop inside one of our calls (while it
  // resizes the window, say) may call us again; the outer call carries on
  // with whatever arrives meanwhile.
  if (mDispatching || !mGraphics || !mX || !mX->Connected()) return;
  DrainEvents();
  if (mX->Connected()) xcb_flush(mX->get());
}

void LinuxPlatformView::DrainEvents() {
  DispatchScope busy(mDispatching);
  while (xcb_generic_event_t* event = xcb_poll_for_event(mX->get())) {
    XcbFree owned(event);
    if ((event->response_type & 0x7f) == XCB_MOTION_NOTIFY) {
      // Only the latest position of a burst of motion matters.
      const auto& motion = *reinterpret_cast<const xcb_motion_notify_event_t*>(event);
      if (mPendingMotion && mPendingMotion->event != motion.event) OnMotion(*std::exchange(mPendingMotion, {}));
      mPendingMotion = motion;
      continue;
    }
    if (mPendingMotion) OnMotion(*std::exchange(mPendingMotion, {}));
    Dispatch(*event);
    DeliverPaste();
    if (Broken()) return;
  }
  if (mPendingMotion) OnMotion(*std::exchange(mPendingMotion, {}));
  PresentExposed();
}

void LinuxPlatformView::OnTimer() {
  if (mDispatching) return;
  ProcessEvents();
  if (!mGraphics || Broken()) return;
  mClipboard->CheckTimeout(SteadyMillis());
  ReapFinishedOpeners();
  if (Viewable()) {
    DispatchScope busy(mDispatching);
    mGraphics->OnFrame();
  }
  DeliverPaste();
  xcb_flush(mX->get());
}

void LinuxPlatformView::Dispatch(const xcb_generic_event_t& event) {
  const uint8_t type = event.response_type & 0x7f;
  if (type == 0) {
    mX->ReportError(reinterpret_cast<const xcb_generic_error_t&>(event));
    return;
  }
  if (mKeyboard->Ready() && event.response_type == mKeyboard->EventBase()) {
    mKeyboard->OnXkbEvent(event);
    return;
  }
  if (mClipboard->OnEvent(event)) return;
  if (mPopup->Open() && EventWindow(event) == mPopup->Window()) {
    OnPopupEvent(event);
    return;
  }
  if (mViewable->OnEvent(event)) OnViewableChanged();
  switch (type) {
    case XCB_BUTTON_PRESS:
      OnButtonPress(reinterpret_cast<const xcb_button_press_event_t&>(event));
      break;
    case XCB_BUTTON_RELEASE:
      OnButtonRelease(reinterpret_cast<const xcb_button_release_event_t&>(event));
      break;
    case XCB_ENTER_NOTIFY: {
      const auto& enter = reinterpret_cast<const xcb_enter_notify_event_t&>(event);
      Remember(enter.time);
      if (enter.event == mWindow) {
        const auto [x, y] = ToDesign(enter.event_x, enter.event_y);
        mGraphics->OnMouseMove(x, y, ModifiersOf(enter.state));
      }
      break;
    }
    case XCB_LEAVE_NOTIFY:
      OnLeave(reinterpret_cast<const xcb_leave_notify_event_t&>(event));
      break;
    case XCB_KEY_PRESS:
      OnKeyPress(reinterpret_cast<const xcb_key_press_event_t&>(event));
      break;
    case XCB_FOCUS_OUT:
      OnFocusOut(reinterpret_cast<const xcb_focus_out_event_t&>(event));
      break;
    case XCB_EXPOSE: {
      const auto& expose = reinterpret_cast<const xcb_expose_event_t&>(event);
      if (expose.window == mWindow) mExposed.push_back({expose.x, expose.y, expose.width, expose.height});
      break;
    }
    default:
      break;
  }
}

void LinuxPlatformView::OnButtonPress(const xcb_button_press_event_t& press) {
  Remember(press.time);
  if (press.event != mWindow) return;
  const auto [x, y] = ToDesign(press.event_x, press.event_y);
  // The state holds the buttons held before this press.
  IMouseMod mod = ModifiersOf(press.state);
  switch (press.detail) {
    case kWheelUp:
    case kWheelDown:
      mGraphics->OnMouseWheel(x, y, mod, press.detail == kWheelUp ? 1.f : -1.f);
      return;
    case kMiddle:
      // X's paste of the primary selection, into the text entry under the pointer.
      if (const TextEntryLayer* entry = mGraphics->GetTextEntry(); entry && entry->Bounds().Contains(x, y))
        RequestPaste(ClipboardKind::Primary);
      return;
    case kLeft:
    case kRight:
      break;
    default:
      return;  // horizontal wheel (6, 7) and extra buttons
  }
  if (press.detail == kLeft) mod.L = true;
  else mod.R = true;
  if (mClicks.Press(press.time, press.event_x, press.event_y, press.detail) == 2)
    mGraphics->OnMouseDblClick(x, y, mod);
  else
    mGraphics->OnMouseDown(x, y, mod);
}

void LinuxPlatformView::OnButtonRelease(const xcb_button_release_event_t& release) {
  Remember(release.time);
  if (release.event != mWindow || (release.detail != kLeft && release.detail != kRight)) return;
  IMouseMod mod = ModifiersOf(release.state);
  // The state still holds the button being released.
  if (release.detail == kLeft) mod.L = true;
  else mod.R = true;
  const auto [x, y] = ToDesign(release.event_x, release.event_y);
  mGraphics->OnMouseUp(x, y, mod);
}

void LinuxPlatformView::OnMotion(const xcb_motion_notify_event_t& motion) {
  Remember(motion.time);
  if (mPopup->Open() && motion.event == mPopup->Window()) {
    mGraphics->OnPopupMouseMove(motion.event_x / Scale(), motion.event_y / Scale());
    return;
  }
  if (motion.event != mWindow) return;
  const auto [x, y] = ToDesign(motion.event_x, motion.event_y);
  mGraphics->OnMouseMove(x, y, ModifiersOf(motion.state));
}

void LinuxPlatformView::OnLeave(const xcb_leave_notify_event_t& leave) {
  Remember(leave.time);
  // While a button is held the drag goes on outside the window; moving
  // into a child window of ours (there are none) is not leaving either.
  if (leave.event != mWindow || leave.detail == XCB_NOTIFY_DETAIL_INFERIOR || ButtonsHeld(leave.state)) return;
  if (leave.mode == XCB_NOTIFY_MODE_GRAB) return;  // our popup took the pointer
  mClicks.Reset();
  mGraphics->OnMouseOut();
}

bool LinuxPlatformView::WantsKeys() const {
  return mGraphics && (mGraphics->HasTextEntry() || mGraphics->HasPopupMenu() || mGraphics->HasMessageBox());
}

void LinuxPlatformView::OnKeyPress(const xcb_key_press_event_t& key) {
  Remember(key.time);
  if (!WantsKeys() || !mKeyboard->Ready()) return;
  const KeyPress press = mKeyboard->Translate(key.detail);
  if (press.key != Key::None) mGraphics->OnKeyDown(press);
}

void LinuxPlatformView::OnFocusOut(const xcb_focus_out_event_t& focus) {
  if (focus.event != mWindow) return;
  // Grabs (our popup's among them) move key events without moving the
  // focus, and the pointer's own focus changes are not ours.
  if (focus.mode == XCB_NOTIFY_MODE_GRAB || focus.mode == XCB_NOTIFY_MODE_UNGRAB) return;
  if (focus.detail == XCB_NOTIFY_DETAIL_POINTER || focus.detail == XCB_NOTIFY_DETAIL_INFERIOR) return;
  const bool hadIt = mFocusTaken;
  mFocusTaken = false;
  if (hadIt) SelectKeyEvents(false);
  mGraphics->OnFocusLost();
}

void LinuxPlatformView::OnPopupEvent(const xcb_generic_event_t& event) {
  const float scale = Scale();
  switch (event.response_type & 0x7f) {
    case XCB_BUTTON_PRESS: {
      const auto& press = reinterpret_cast<const xcb_button_press_event_t&>(event);
      Remember(press.time);
      // Outside the menu the coordinates lie outside it too (the grab
      // reports them relative to the popup), which dismisses it.
      if (press.detail == kLeft || press.detail == kRight || press.detail == kMiddle)
        mGraphics->OnPopupMouseDown(press.event_x / scale, press.event_y / scale);
      else if (press.detail == kWheelUp || press.detail == kWheelDown)  // a long menu scrolls
        mGraphics->OnPopupMouseWheel(press.event_x / scale, press.event_y / scale,
                                     press.detail == kWheelUp ? 1.f : -1.f);
      break;
    }
    case XCB_BUTTON_RELEASE: {
      const auto& release = reinterpret_cast<const xcb_button_release_event_t&>(event);
      Remember(release.time);
      if (release.detail == kLeft || release.detail == kRight)
        mGraphics->OnPopupMouseUp(release.event_x / scale, release.event_y / scale);
      break;
    }
    case XCB_KEY_PRESS:
      OnKeyPress(reinterpret_cast<const xcb_key_press_event_t&>(event));
      break;
    case XCB_EXPOSE:
      if (mPopupPixels.data) mPopup->Present(mPopupPixels);
      break;
    case XCB_LEAVE_NOTIFY:
    case XCB_FOCUS_OUT: {
      // Mode Ungrab on the popup while it is open: something broke our grab.
      const uint8_t mode = (event.response_type & 0x7f) == XCB_LEAVE_NOTIFY
                               ? reinterpret_cast<const xcb_leave_notify_event_t&>(event).mode
                               : reinterpret_cast<const xcb_focus_out_event_t&>(event).mode;
      if (mode == XCB_NOTIFY_MODE_UNGRAB) mGraphics->OnPopupLost();
      break;
    }
    case XCB_UNMAP_NOTIFY:
      mGraphics->OnPopupLost();
      break;
    default:
      break;
  }
}

void LinuxPlatformView::OnViewableChanged() {
  if (!Viewable()) return;
  // Frames were skipped while nobody could see the window: draw it whole.
  DispatchScope busy(mDispatching);
  mGraphics->DrawAll();
  mExposed.push_back({0, 0, mWidth, mHeight});
}

void LinuxPlatformView::PresentExposed() {
  if (mExposed.empty() || !Viewable()) return;
  Present(mGraphics->Pixels(), mExposed);
  mExposed.clear();
}

void LinuxPlatformView::DeliverPaste() {
  if (!mPasteArrived || !mGraphics) return;
  const std::string text = std::move(*mPasteArrived);
  mPasteArrived.reset();
  mGraphics->OnPaste(text);
}

void LinuxPlatformView::SetWindowSize(int width, int height) {
  if (Broken() || width <= 0 || height <= 0 || (width == mWidth && height == mHeight)) return;
  mWidth = width;
  mHeight = height;
  const uint32_t size[] = {static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
  xcb_configure_window(mX->get(), mWindow, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
  xcb_flush(mX->get());
}

void LinuxPlatformView::Present(const PixelBuffer& pixels, const std::vector<PixelRect>& rects) {
  if (!Viewable() || rects.empty()) return;
  mPresenter->Present(mX->get(), mWindow, mGc, mDepth, mX->MaxRequestBytes(), pixels, rects);
  if (!mDispatching) xcb_flush(mX->get());
}

bool LinuxPlatformView::RequestResize(int pixelWidth, int pixelHeight) {
  return mResize && pixelWidth > 0 && pixelHeight > 0 && mResize(pixelWidth, pixelHeight);
}

void LinuxPlatformView::SetCursor(ECursor cursor) {
  if (Broken()) return;
  const xcb_cursor_t id = mCursors->Get(cursor);
  xcb_change_window_attributes(mX->get(), mWindow, XCB_CW_CURSOR, &id);
  if (!mDispatching) xcb_flush(mX->get());
}

void LinuxPlatformView::SelectKeyEvents(bool on) {
  if (Broken()) return;
  mEventMask = on ? (kWindowEvents | XCB_EVENT_MASK_KEY_PRESS) : kWindowEvents;
  xcb_change_window_attributes(mX->get(), mWindow, XCB_CW_EVENT_MASK, &mEventMask);
}

void LinuxPlatformView::SetKeyboardFocus(bool take) {
  if (Broken()) return;
  xcb_connection_t* c = mX->get();
  XcbFree current(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  const xcb_window_t holder = current ? current->focus : xcb_window_t{XCB_WINDOW_NONE};
  if (take) {
    SelectKeyEvents(true);
    if (holder == mWindow) return;
    // Taking the focus fails (harmlessly) while the window is not viewable.
    if (mX->Check(xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_PARENT, mWindow, LastTime()))) {
      mFocusBefore = holder;
      mFocusTaken = true;
    }
  } else {
    SelectKeyEvents(false);
    const bool hadIt = mFocusTaken;
    mFocusTaken = false;
    // Only while the focus is still ours: if the user has clicked into
    // another window since, the focus stays where they put it.
    if (hadIt && holder == mWindow) {
      const xcb_window_t back = mFocusBefore != XCB_WINDOW_NONE ? mFocusBefore : mParent;
      if (!mX->Check(xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_PARENT, back, LastTime())))
        mX->Check(xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_INPUT_FOCUS_POINTER_ROOT,
                                              LastTime()));
    }
  }
  xcb_flush(c);
}

void LinuxPlatformView::RequestPaste(ClipboardKind kind) {
  if (Broken()) return;
  mClipboard->RequestPaste(kind, LastTime(), SteadyMillis());
  if (!mDispatching) {
    DeliverPaste();
    xcb_flush(mX->get());
  }
}

void LinuxPlatformView::SetClipboardText(ClipboardKind kind, const std::string& utf8) {
  if (Broken()) return;
  mClipboard->SetText(kind, utf8, LastTime());
  if (!mDispatching) xcb_flush(mX->get());
}

bool LinuxPlatformView::OpenURL(const std::string& url) { return OpenInBrowser(url); }

bool LinuxPlatformView::ShowPopup(const PixelRect& anchor, int pixelWidth, int pixelHeight) {
  if (Broken()) return false;
  mPopupPixels = {};
  // The next press in the window follows a press in the menu, not the one
  // that opened it: it must not count as the second of a double-click.
  mClicks.Reset();
  return mPopup->Show(mWindow, anchor, pixelWidth, pixelHeight, LastTime());
}

void LinuxPlatformView::PresentPopup(const PixelBuffer& pixels) {
  if (Broken() || !mPopup->Open()) return;
  mPopupPixels = pixels;
  mPopup->Present(pixels);
}

void LinuxPlatformView::HidePopup() {
  mPopupPixels = {};
  if (mPopup) mPopup->Hide();
}

}  // namespace framework
