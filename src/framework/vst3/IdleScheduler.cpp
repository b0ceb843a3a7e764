#include "framework/vst3/IdleScheduler.h"

namespace framework::vst3 {

IdleScheduler::IdleScheduler(Tick tick, std::chrono::milliseconds period) : mTick(std::move(tick)), mPeriod(period) {}

IdleScheduler::~IdleScheduler() { Stop(); }

void IdleScheduler::Start() {
  if (mThread.joinable()) return;
  {
    std::lock_guard lock(mWakeMutex);
    mStopping = false;
  }
  mStarted.store(true, std::memory_order_release);  // pairs with the acquire in HostTimerFired
  mThread = std::thread([this] { Run(); });
}

void IdleScheduler::Stop() {
  mStarted.store(false, std::memory_order_release);
  if (!mThread.joinable()) return;
  {
    std::lock_guard lock(mWakeMutex);
    mStopping = true;
  }
  mWake.notify_all();
  mThread.join();
}

void IdleScheduler::HostTimerFired() {
  if (!mStarted.load(std::memory_order_acquire)) return;  // before initialise or after terminate
  TickLocked();
}

void IdleScheduler::SetHostTimerActive(bool active) {
  // Taking the controller mutex waits out a fallback tick in progress, so
  // once an editor has registered its timer no tick runs on the fallback
  // thread any more.
  std::lock_guard lock(mControllerMutex);
  mHostTimerActive.store(active, std::memory_order_release);
}

void IdleScheduler::TickLocked() {
  std::lock_guard lock(mControllerMutex);
  mTick();
  mTicks.fetch_add(1, std::memory_order_relaxed);
}

void IdleScheduler::Run() {
  using Clock = std::chrono::steady_clock;
  auto next = Clock::now() + mPeriod;
  std::unique_lock wakeLock(mWakeMutex);
  while (!mStopping) {
    if (mWake.wait_until(wakeLock, next, [this] { return mStopping; })) break;
    next += mPeriod;
    if (next < Clock::now()) next = Clock::now() + mPeriod;  // fell behind: no burst of ticks

    wakeLock.unlock();
    {
      std::lock_guard lock(mControllerMutex);
      if (!mHostTimerActive.load(std::memory_order_acquire)) {
        mTick();
        mTicks.fetch_add(1, std::memory_order_relaxed);
      }
    }
    wakeLock.lock();
  }
}

}  // namespace framework::vst3
