#include "EditorWindow_linux.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

namespace vst3host {

using namespace Steinberg;

namespace {

constexpr Linux::TimerInterval kDrainMs = 50;
constexpr size_t kMaxRequestedSizes = 64;  // events xcb read off the socket while waiting for a reply

xcb_atom_t InternAtom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

void SetTextProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                     const std::string& text) {
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, type, 8, static_cast<uint32_t>(text.size()),
                      text.data());
}

}  // namespace

/// The window's own connection on the loop: its socket, and a timer for
/// events xcb has queued without the socket becoming readable again.
class EditorWindow::Pump final : public Linux::IEventHandler, public Linux::ITimerHandler {
 public:
  explicit Pump(EditorWindow& window) : mWindow(&window) {}
  void Kill() { mWindow = nullptr; }

  void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override {
    if (mWindow) mWindow->ProcessEvents();
  }
  void PLUGIN_API onTimer() override {
    if (mWindow) mWindow->ProcessEvents();
  }
  // Nobody needs to ask this object for anything.
  tresult PLUGIN_API queryInterface(const TUID /*iid*/, void** obj) override {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return mRefs.fetch_add(1, std::memory_order_relaxed) + 1; }
  uint32 PLUGIN_API release() override {
    const uint32 left = mRefs.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 private:
  ~Pump() = default;
  EditorWindow* mWindow;
  std::atomic<uint32> mRefs{1};
};

std::unique_ptr<EditorWindow> EditorWindow::Open(IPlugView* view, RunLoop& loop, const std::string& title, float scale,
                                                 std::string& error) {
  if (!view) {
    error = "the plug-in has no editor";
    return nullptr;
  }
  view->addRef();
  std::unique_ptr<EditorWindow> window(new EditorWindow(view, loop));
  if (!window->Create(title, scale, error)) return nullptr;
  return window;
}

bool EditorWindow::Create(const std::string& title, float scale, std::string& error) {
  if (mView->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue) {
    error = "the editor cannot live in an X11 window";
    return false;
  }
  int screenNumber = 0;
  mConnection = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(mConnection)) {
    error = "cannot connect to the X display (is DISPLAY set?)";
    return false;
  }
  auto screens = xcb_setup_roots_iterator(xcb_get_setup(mConnection));
  for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
  xcb_screen_t* screen = screens.data;

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

  mWindow = xcb_generate_id(mConnection);
  const uint32_t values[] = {screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
  xcb_create_window(mConnection, XCB_COPY_FROM_PARENT, mWindow, screen->root, 0, 0, static_cast<uint16_t>(mWidth),
                    static_cast<uint16_t>(mHeight), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                    XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  SetTextProperty(mConnection, mWindow, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title);
  SetTextProperty(mConnection, mWindow, InternAtom(mConnection, "_NET_WM_NAME"), InternAtom(mConnection, "UTF8_STRING"),
                  title);
  const char wmClass[] = "relaycaster-host\0Relaycaster";
  xcb_change_property(mConnection, XCB_PROP_MODE_REPLACE, mWindow, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                      sizeof wmClass, wmClass);
  mDeleteWindow = InternAtom(mConnection, "WM_DELETE_WINDOW");
  xcb_change_property(mConnection, XCB_PROP_MODE_REPLACE, mWindow, InternAtom(mConnection, "WM_PROTOCOLS"),
                      XCB_ATOM_ATOM, 32, 1, &mDeleteWindow);
  xcb_map_window(mConnection, mWindow);
  xcb_flush(mConnection);

  mPump = new Pump(*this);
  mLoop.registerEventHandler(mPump, xcb_get_file_descriptor(mConnection));
  mLoop.registerTimer(mPump, kDrainMs);

  if (mView->attached(reinterpret_cast<void*>(static_cast<uintptr_t>(mWindow)), kPlatformTypeX11EmbedWindowID) !=
      kResultOk) {
    error = "the plug-in's editor did not open in the window";
    return false;
  }
  mAttached = true;
  // The view may know its size only now (its screen scale may come from the display).
  if (mView->getSize(&size) == kResultOk && (size.getWidth() != mWidth || size.getHeight() != mHeight) &&
      size.getWidth() > 0 && size.getHeight() > 0)
    SetWindowSize(size.getWidth(), size.getHeight());
  ViewRect placed(0, 0, mWidth, mHeight);
  mView->onSize(&placed);
  return true;
}

EditorWindow::~EditorWindow() {
  if (mAttached) mView->removed();
  mView->setFrame(nullptr);
  mView->release();
  if (mPump) {
    mPump->Kill();
    mLoop.unregisterEventHandler(mPump);
    mLoop.unregisterTimer(mPump);
    mPump->release();
  }
  if (mConnection) {
    if (mWindow && !mDestroyed) xcb_destroy_window(mConnection, mWindow);
    // A round trip before closing: a server that sees the connection end
    // may drop requests it has not read yet.
    std::free(xcb_get_input_focus_reply(mConnection, xcb_get_input_focus(mConnection), nullptr));
    xcb_disconnect(mConnection);
  }
}

void EditorWindow::SetWindowSize(int width, int height) {
  mWidth = width;
  mHeight = height;
  mRequestedSizes.push_back({width, height});
  if (mRequestedSizes.size() > kMaxRequestedSizes) mRequestedSizes.pop_front();  // reports that never came
  const uint32_t values[] = {static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
  xcb_configure_window(mConnection, mWindow, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
  xcb_flush(mConnection);
}

tresult PLUGIN_API EditorWindow::resizeView(IPlugView* view, ViewRect* newSize) {
  if (view != mView || !newSize || newSize->getWidth() <= 0 || newSize->getHeight() <= 0) return kInvalidArgument;
  SetWindowSize(newSize->getWidth(), newSize->getHeight());
  mView->onSize(newSize);
  return kResultTrue;
}

// A size someone else gave the window (a window manager, xdotool): the
// view may adjust it, then hears of it.
void EditorWindow::OnConfigure(int width, int height) {
  // The server reports our own size changes later, and during a drag of
  // the plug-in's grip several are on their way: a report of one of them
  // is no news, however old.
  const auto ours = std::find(mRequestedSizes.begin(), mRequestedSizes.end(), std::pair{width, height});
  if (ours != mRequestedSizes.end()) {
    mRequestedSizes.erase(mRequestedSizes.begin(), ours + 1);
    return;
  }
  if (width == mWidth && height == mHeight) return;
  ViewRect proposed(0, 0, width, height);
  if (mView->checkSizeConstraint(&proposed) == kResultTrue &&
      (proposed.getWidth() != width || proposed.getHeight() != height)) {
    SetWindowSize(proposed.getWidth(), proposed.getHeight());
  } else {
    mWidth = width;
    mHeight = height;
  }
  ViewRect size(0, 0, mWidth, mHeight);
  mView->onSize(&size);
}

void EditorWindow::ProcessEvents() {
  if (!mConnection) return;
  while (xcb_generic_event_t* event = xcb_poll_for_event(mConnection)) {
    switch (event->response_type & 0x7f) {
      case 0: {
        const auto* e = reinterpret_cast<const xcb_generic_error_t*>(event);
        ++mErrors;
        std::fprintf(stderr, "relaycaster-host: X error %u (request %u.%u)\n", unsigned(e->error_code),
                     unsigned(e->major_code), unsigned(e->minor_code));
        break;
      }
      case XCB_CONFIGURE_NOTIFY: {
        const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        if (configure->window == mWindow) OnConfigure(configure->width, configure->height);
        break;
      }
      case XCB_CLIENT_MESSAGE: {
        const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (message->window == mWindow && message->format == 32 && message->data.data32[0] == mDeleteWindow)
          mCloseRequested = true;
        break;
      }
      case XCB_DESTROY_NOTIFY:
        if (reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == mWindow)
          mCloseRequested = mDestroyed = true;
        break;
      default:
        break;
    }
    std::free(event);
  }
  xcb_flush(mConnection);
}

tresult PLUGIN_API EditorWindow::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(iid, INLINE_UID_OF(IPlugFrame)) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    addRef();
    *obj = static_cast<IPlugFrame*>(this);
    return kResultOk;
  }
  if (FUnknownPrivate::iidEqual(iid, INLINE_UID_OF(Linux::IRunLoop))) return mLoop.queryInterface(iid, obj);
  *obj = nullptr;
  return kNoInterface;
}

}  // namespace vst3host
