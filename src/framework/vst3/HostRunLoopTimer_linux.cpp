#include "framework/vst3/HostRunLoopTimer_linux.h"

#include <chrono>

namespace Steinberg::Linux {
// Declared by the SDK copy we build from but defined nowhere else.
DEF_CLASS_IID(IEventHandler)
DEF_CLASS_IID(ITimerHandler)
DEF_CLASS_IID(IRunLoop)
}  // namespace Steinberg::Linux

namespace framework::vst3 {

using namespace Steinberg;

bool HostRunLoopTimer::Attach(FUnknown* hostObject) {
  if (mRunLoop) return true;
  if (!hostObject) return false;
  Linux::IRunLoop* runLoop = nullptr;
  if (hostObject->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&runLoop)) != kResultOk || !runLoop)
    return false;
  const auto period = static_cast<Linux::TimerInterval>(
      std::chrono::duration_cast<std::chrono::milliseconds>(IdleScheduler::kPeriod).count());
  if (runLoop->registerTimer(this, period) != kResultOk) {
    runLoop->release();
    return false;
  }
  mRunLoop = runLoop;
  mScheduler.SetHostTimerActive(true);
  return true;
}

void HostRunLoopTimer::Detach() {
  if (!mRunLoop) return;
  mRunLoop->unregisterTimer(this);
  mRunLoop->release();
  mRunLoop = nullptr;
  mScheduler.SetHostTimerActive(false);
}

void PLUGIN_API HostRunLoopTimer::onTimer() {
  if (mRunLoop) mScheduler.HostTimerFired();
}

tresult PLUGIN_API HostRunLoopTimer::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(iid, Linux::ITimerHandler::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    addRef();
    *obj = static_cast<Linux::ITimerHandler*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API HostRunLoopTimer::addRef() {
  return mHostReferences.fetch_add(1, std::memory_order_relaxed) + 1;  // bookkeeping only
}

uint32 PLUGIN_API HostRunLoopTimer::release() {
  return mHostReferences.fetch_sub(1, std::memory_order_relaxed) - 1;  // bookkeeping only
}

}  // namespace framework::vst3
