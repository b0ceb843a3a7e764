#include "framework/vst3/IdleScheduler.h"

#include "framework/vst3/IdleTicker.h"

namespace framework::vst3 {

IdleScheduler::IdleScheduler(Tick tick, std::chrono::milliseconds period) : mTick(std::move(tick)), mPeriod(period) {}

IdleScheduler::~IdleScheduler() { Stop(); }

void IdleScheduler::Start() {
  if (mTicker) return;
  mStarted.store(true, std::memory_order_release);  // pairs with the acquires in the timer calls
  mTicker = StartIdleTicker(*this, mPeriod);
}

void IdleScheduler::Stop() {
  mStarted.store(false, std::memory_order_release);
  mTicker.reset();
}

void IdleScheduler::HostTimerFired() {
  if (!mStarted.load(std::memory_order_acquire)) return;  // before initialise or after terminate
  TickLocked();
}

void IdleScheduler::OwnTimerFired() {
  std::lock_guard lock(mControllerMutex);
  // Checked under the mutex: SetHostTimerActive takes it too, so once a
  // host timer is registered no tick of ours runs any more.
  if (!mStarted.load(std::memory_order_acquire) || mHostTimerActive.load(std::memory_order_acquire)) return;
  mTick();
  mTicks.fetch_add(1, std::memory_order_relaxed);
}

void IdleScheduler::SetHostTimerActive(bool active) {
  // Taking the controller mutex waits out a tick of our own in progress.
  std::lock_guard lock(mControllerMutex);
  mHostTimerActive.store(active, std::memory_order_release);
}

void IdleScheduler::TickLocked() {
  std::lock_guard lock(mControllerMutex);
  mTick();
  mTicks.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace framework::vst3
