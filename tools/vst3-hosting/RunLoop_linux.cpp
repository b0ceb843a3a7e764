#include "RunLoop_linux.h"

#include <poll.h>

#include <algorithm>

namespace vst3host {

using namespace Steinberg;

RunLoop::~RunLoop() {
  for (Watch& watch : mWatches)
    if (watch.alive) watch.alive = false, watch.handler->release();
  for (Timer& timer : mTimers)
    if (timer.alive) timer.alive = false, timer.handler->release();
}

tresult PLUGIN_API RunLoop::registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd) {
  if (!handler || fd < 0) return kInvalidArgument;
  handler->addRef();
  mWatches.push_back({handler, fd, true, false});
  return kResultOk;
}

tresult PLUGIN_API RunLoop::unregisterEventHandler(Linux::IEventHandler* handler) {
  bool found = false;
  for (Watch& watch : mWatches)
    if (watch.alive && watch.handler == handler) watch.alive = false, found = true, handler->release();
  SweepDead();
  return found ? kResultOk : kInvalidArgument;
}

tresult PLUGIN_API RunLoop::registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds) {
  if (!handler || milliseconds == 0) return kInvalidArgument;
  handler->addRef();
  const Clock::duration interval = std::chrono::milliseconds(std::min<Linux::TimerInterval>(milliseconds, 86400000));
  mTimers.push_back({handler, interval, Clock::now() + interval, true});
  return kResultOk;
}

tresult PLUGIN_API RunLoop::unregisterTimer(Linux::ITimerHandler* handler) {
  bool found = false;
  for (Timer& timer : mTimers)
    if (timer.alive && timer.handler == handler) timer.alive = false, found = true, handler->release();
  SweepDead();
  return found ? kResultOk : kInvalidArgument;
}

size_t RunLoop::EventHandlerCount() const {
  return static_cast<size_t>(std::count_if(mWatches.begin(), mWatches.end(), [](const Watch& w) { return w.alive; }));
}

size_t RunLoop::TimerCount() const {
  return static_cast<size_t>(std::count_if(mTimers.begin(), mTimers.end(), [](const Timer& t) { return t.alive; }));
}

void RunLoop::RunOnce(std::chrono::milliseconds maxWait) {
  auto timeout = std::max(maxWait, std::chrono::milliseconds(0));
  const Clock::time_point now = Clock::now();
  for (const Timer& timer : mTimers) {
    if (!timer.alive) continue;
    const auto untilDue = std::chrono::ceil<std::chrono::milliseconds>(timer.due - now);
    timeout = std::clamp(untilDue, std::chrono::milliseconds(0), timeout);
  }
  ++mDispatchDepth;
  DispatchDescriptors(timeout);
  DispatchTimers();
  --mDispatchDepth;
  SweepDead();
}

void RunLoop::DispatchDescriptors(std::chrono::milliseconds timeout) {
  std::vector<pollfd> fds;
  std::vector<size_t> owners;  // index into mWatches for each pollfd
  for (size_t i = 0; i < mWatches.size(); ++i) {
    if (!mWatches[i].alive || mWatches[i].hungUp) continue;
    fds.push_back({mWatches[i].fd, POLLIN, 0});
    owners.push_back(i);
  }
  const int ready = poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
  if (ready <= 0) return;
  for (size_t k = 0; k < fds.size(); ++k) {
    if (fds[k].revents == 0) continue;
    // Indexes stay valid: entries are only appended or marked dead while
    // dispatching, never erased. Look the entry up afresh after each call.
    const size_t i = owners[k];
    if (!mWatches[i].alive) continue;
    if (fds[k].revents & (POLLERR | POLLHUP | POLLNVAL)) mWatches[i].hungUp = true;
    Linux::IEventHandler* handler = mWatches[i].handler;
    handler->onFDIsSet(fds[k].fd);
  }
}

void RunLoop::DispatchTimers() {
  const size_t count = mTimers.size();  // timers registered by a handler wait for the next round
  for (size_t i = 0; i < count; ++i) {
    const Clock::time_point now = Clock::now();
    if (!mTimers[i].alive || now < mTimers[i].due) continue;
    mTimers[i].due += mTimers[i].interval;
    if (mTimers[i].due <= now) mTimers[i].due = now + mTimers[i].interval;  // fell behind: no burst
    Linux::ITimerHandler* handler = mTimers[i].handler;
    handler->onTimer();
  }
}

void RunLoop::SweepDead() {
  if (mDispatchDepth > 0) return;
  std::erase_if(mWatches, [](const Watch& w) { return !w.alive; });
  std::erase_if(mTimers, [](const Timer& t) { return !t.alive; });
}

tresult PLUGIN_API RunLoop::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(iid, INLINE_UID_OF(Linux::IRunLoop)) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    addRef();
    *obj = static_cast<Linux::IRunLoop*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

}  // namespace vst3host
