// EditorView on Linux: the editor in a child window of the host's X11
// window ("X11EmbedWindowID"), driven only by the host's run loop: a
// handler on our X connection's socket, a 16 ms frame timer that also
// drains events (some hosts' socket notifications are unreliable), and the
// idle tick's 20 ms timer. No thread of our own.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>

#include "framework/graphics/IGraphics.h"
#include "framework/graphics/PlatformView_linux.h"
#include "framework/vst3/EditorView.h"
#include "framework/vst3/HostRunLoopTimer_linux.h"
#include "framework/vst3/IPlugVST3.h"

namespace framework::vst3 {

using namespace Steinberg;

namespace {

constexpr Linux::TimerInterval kFrameMs = 16;

/// Our handler for the host's run loop: the socket and the frame timer.
/// The host holds references to it, and may call it after we have
/// unregistered it (or while it dispatches the very call that removes us),
/// so it is never deleted under the host: Kill() turns it into a no-op,
/// and it goes when the last reference does.
class RunLoopHandler final : public Linux::IEventHandler, public Linux::ITimerHandler {
 public:
  /// `onEvent(true)` for the timer, `onEvent(false)` for the socket.
  explicit RunLoopHandler(std::function<void(bool timer)> onEvent) : mOnEvent(std::move(onEvent)) {}

  void Kill() { mAlive = false; }

  void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override { Call(false); }
  void PLUGIN_API onTimer() override { Call(true); }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, Linux::IEventHandler::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
      *obj = static_cast<Linux::IEventHandler*>(this);
    } else if (FUnknownPrivate::iidEqual(iid, Linux::ITimerHandler::iid)) {
      *obj = static_cast<Linux::ITimerHandler*>(this);
    } else {
      *obj = nullptr;
      return kNoInterface;
    }
    addRef();
    return kResultOk;
  }
  uint32 PLUGIN_API addRef() override { return mRefs.fetch_add(1, std::memory_order_relaxed) + 1; }
  uint32 PLUGIN_API release() override {
    const uint32 left = mRefs.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 private:
  ~RunLoopHandler() = default;

  void Call(bool timer) {
    if (!mAlive) return;
    // The call may end in our own unregistration and last release: this
    // reference keeps the handler until the call has returned.
    addRef();
    mOnEvent(timer);
    release();
  }

  std::atomic<uint32> mRefs{1};
  bool mAlive = true;  // user-interface thread only
  std::function<void(bool)> mOnEvent;
};

}  // namespace

/// What exists while the view is attached.
struct EditorView::Platform {
  explicit Platform(IdleScheduler& scheduler) : idleTimer(scheduler) {}
  ~Platform() { StopCallbacks(); }

  /// Unregisters from the host's run loop: no callback reaches us after this.
  void StopCallbacks() {
    idleTimer.Detach();
    if (handler) {
      handler->Kill();
      if (runLoop) {
        if (socketRegistered) runLoop->unregisterEventHandler(handler);
        if (timerRegistered) runLoop->unregisterTimer(handler);
      }
      handler->release();
      handler = nullptr;
    }
    if (runLoop) runLoop->release();
    runLoop = nullptr;
  }

  HostRunLoopTimer idleTimer;
  Linux::IRunLoop* runLoop = nullptr;  // one reference
  RunLoopHandler* handler = nullptr;   // one reference
  bool socketRegistered = false;
  bool timerRegistered = false;
  std::unique_ptr<LinuxPlatformView> window;
  IGraphics* graphics = nullptr;  // the editor this window was made for
  int dispatchDepth = 0;          // calls from the run loop in progress
  bool removePending = false;     // removed() came during one of them
};

void EditorView::PlatformDeleter::operator()(Platform* platform) const { delete platform; }

bool EditorView::PlatformTypeSupported(FIDString type) {
  return std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0;
}

float EditorView::SystemScreenScale(Platform& platform) {
  return platform.window ? static_cast<float>(platform.window->DesktopScale().value_or(1.0)) : 1.f;
}

tresult EditorView::AttachPlatform(void* parent) {
  IPlugAPIBase& plugin = mOwner.Plugin();
  if (plugin.GetGraphics()) return kResultFalse;  // another view has the editor open
  std::unique_ptr<Platform, PlatformDeleter> platform(new Platform(mOwner.Scheduler()));
  if (!mFrame || mFrame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&platform->runLoop)) !=
                     kResultOk || !platform->runLoop) {
    platform->runLoop = nullptr;
    std::fprintf(stderr, "relaycaster: no editor: the host offers no run loop (Linux::IRunLoop)\n");
    return kResultFalse;
  }
  std::string error;
  platform->window = LinuxPlatformView::Connect(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(parent)), error);
  if (!platform->window) {
    std::fprintf(stderr, "relaycaster: no editor: %s\n", error.c_str());
    return kResultFalse;
  }
  IGraphics* graphics = plugin.OpenEditor();
  if (!graphics) return kResultFalse;
  graphics->SetScreenScale(ScreenScaleFor(*platform));
  const int width = graphics->WindowWidth();
  const int height = graphics->WindowHeight();
  if (!platform->window->Open(*graphics, width, height,
                              [this](int w, int h) { return RequestResizeFromHost(w, h); })) {
    plugin.CloseEditor();
    return kResultFalse;
  }
  platform->graphics = graphics;
  graphics->SetPlatformView(platform->window.get());
  graphics->DrawAll();

  platform->handler = new RunLoopHandler([this](bool timer) {
    // A host may release the view from inside our own callback.
    addRef();
    {
      std::lock_guard lock(mOwner.Scheduler().ControllerMutex());
      Platform* current = mPlatform.get();
      if (current && !current->removePending && mOwner.Plugin().GetGraphics() == current->graphics) {
        ++current->dispatchDepth;
        if (timer) current->window->OnTimer();
        else current->window->ProcessEvents();
        --current->dispatchDepth;
      }
      if (current && current->removePending && current->dispatchDepth == 0) {
        current->removePending = false;
        RemovePlatform();
      }
    }
    release();
  });
  platform->socketRegistered =
      platform->runLoop->registerEventHandler(platform->handler, platform->window->FileDescriptor()) == kResultOk;
  platform->timerRegistered = platform->runLoop->registerTimer(platform->handler, kFrameMs) == kResultOk;
  if (!platform->timerRegistered) {
    std::fprintf(stderr, "relaycaster: no editor: the host's run loop refused a timer\n");
    platform.reset();  // unregisters before the editor goes
    plugin.CloseEditor();
    return kResultFalse;
  }
  // The idle tick follows onto the host's loop, on the thread the editor lives on.
  platform->idleTimer.Attach(mFrame);
  mPlatform = std::move(platform);

  // A host that sized its window from an earlier getSize learns the size
  // the screen scale gave.
  if (mAnsweredSize && (mAnsweredSize->getWidth() != width || mAnsweredSize->getHeight() != height))
    RequestResizeFromHost(width, height);
  return kResultOk;
}

void EditorView::RemovePlatform() {
  if (!mPlatform) return;
  mPlatform->StopCallbacks();
  if (mPlatform->dispatchDepth > 0) {
    // The editor is on the stack of the callback that got us here: it is
    // closed when that callback returns.
    mPlatform->removePending = true;
    return;
  }
  std::unique_ptr<Platform, PlatformDeleter> platform = std::move(mPlatform);
  // The editor goes first: closing it may still ask the window for things
  // (hide a menu, give back the keyboard).
  if (mOwner.Plugin().GetGraphics() == platform->graphics) mOwner.Plugin().CloseEditor();
  platform->window.reset();
}

void EditorView::ResizePlatform(int width, int height) {
  if (mPlatform && mPlatform->window) mPlatform->window->SetWindowSize(width, height);
}

// X reports the wheel to the window under the pointer: ours.
bool EditorView::WheelPlatform(float /*distance*/) { return false; }

}  // namespace framework::vst3
