#include "updates/UpdateWorker.h"

#include <random>

namespace brightwold::updates {

UpdateWorker::UpdateWorker(std::shared_ptr<UpdateCheck> check, UpdateWorkerTiming timing)
    : mCheck(std::move(check)), mTiming(timing), mThread([this] { loop(); }) {}

UpdateWorker::~UpdateWorker() {
  {
    std::lock_guard lock(mMutex);
    mStopping = true;
  }
  mWake.notify_all();
  mThread.join();
}

void UpdateWorker::loop() {
  std::mt19937 generator(std::random_device{}());
  std::uniform_int_distribution<int64_t> spread(0, mTiming.firstLookSpread.count());
  if (!waitFor(mTiming.firstLookMin + std::chrono::milliseconds(spread(generator)))) return;

  auto lastRun = std::chrono::steady_clock::now();
  runOnce();
  while (waitFor(mTiming.wake)) {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastRun < mTiming.period) continue;
    lastRun = now;
    runOnce();
  }
}

void UpdateWorker::runOnce() {
  try {
    mCheck->Run();
    mCheck->Refresh();
  } catch (...) {
    // Nothing of the update check is reported; the next period tries again.
  }
  mRuns.fetch_add(1, std::memory_order_release);
}

bool UpdateWorker::waitFor(std::chrono::milliseconds duration) {
  std::unique_lock lock(mMutex);
  return !mWake.wait_for(lock, duration, [this] { return mStopping; });
}

}  // namespace brightwold::updates
