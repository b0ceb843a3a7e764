// The idle tick's driver on Linux: a thread that wakes every period. With
// no editor attached the tick touches no window, so it may run here; while
// an editor's host timer is active the scheduler skips these calls.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "framework/vst3/IdleScheduler.h"
#include "framework/vst3/IdleTicker.h"

namespace framework::vst3 {
namespace {

class ThreadIdleTicker final : public IdleTicker {
 public:
  ThreadIdleTicker(IdleScheduler& scheduler, std::chrono::milliseconds period)
      : mScheduler(scheduler), mPeriod(period), mThread([this] { Run(); }) {}

  ~ThreadIdleTicker() override {
    {
      std::lock_guard lock(mWakeMutex);
      mStopping = true;
    }
    mWake.notify_all();
    mThread.join();
  }

 private:
  void Run() {
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now() + mPeriod;
    std::unique_lock wakeLock(mWakeMutex);
    while (!mStopping) {
      if (mWake.wait_until(wakeLock, next, [this] { return mStopping; })) break;
      next += mPeriod;
      if (next < Clock::now()) next = Clock::now() + mPeriod;  // fell behind: no burst of ticks
      wakeLock.unlock();
      mScheduler.OwnTimerFired();
      wakeLock.lock();
    }
  }

  IdleScheduler& mScheduler;
  const std::chrono::milliseconds mPeriod;
  std::mutex mWakeMutex;
  std::condition_variable mWake;
  bool mStopping = false;  // guarded by mWakeMutex
  std::thread mThread;     // last: it starts once everything above exists
};

}  // namespace

std::unique_ptr<IdleTicker> StartIdleTicker(IdleScheduler& scheduler, std::chrono::milliseconds period) {
  return std::make_unique<ThreadIdleTicker>(scheduler, period);
}

}  // namespace framework::vst3
