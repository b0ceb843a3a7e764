#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "updates/UpdateCheck.h"

namespace brightwold::updates {

/// When the update worker looks. The defaults are the product's; tests
/// shorten them.
struct UpdateWorkerTiming {
  /// The first look comes after firstLookMin plus a uniformly random
  /// 0..firstLookSpread (whole milliseconds), so that instances opened
  /// together by a project do not all look at once.
  std::chrono::milliseconds firstLookMin{4000};
  std::chrono::milliseconds firstLookSpread{6000};
  /// Later looks: whenever this much monotonic time has passed since the
  /// last, checked every `wake`.
  std::chrono::milliseconds period{600'000};
  std::chrono::milliseconds wake{5000};
};

/// The update check's background thread: started by the constructor,
/// stopped and joined by the destructor. Every wait ends at once when the
/// owner goes, and the worker then exits without another run. It keeps its
/// own reference to the UpdateCheck.
///
/// Threads: construct and destroy on the owner's thread; the worker thread
/// runs UpdateCheck::Run and Refresh, catching everything they throw
/// (failures of the update check are silent).
class UpdateWorker {
 public:
  explicit UpdateWorker(std::shared_ptr<UpdateCheck> check, UpdateWorkerTiming timing = {});
  ~UpdateWorker();
  UpdateWorker(const UpdateWorker&) = delete;
  UpdateWorker& operator=(const UpdateWorker&) = delete;

  /// Check cycles completed so far (any thread).
  int runs() const { return mRuns.load(std::memory_order_acquire); }

 private:
  void loop();
  void runOnce();
  /// Waits up to `duration`; false when the worker is to stop.
  bool waitFor(std::chrono::milliseconds duration);

  const std::shared_ptr<UpdateCheck> mCheck;
  const UpdateWorkerTiming mTiming;
  std::mutex mMutex;
  std::condition_variable mWake;
  bool mStopping = false;  // guarded by mMutex; written by the owner, read by the worker
  // Release on the worker after a cycle, acquire in runs(): a reader that
  // sees the count also sees the cycle's files.
  std::atomic<int> mRuns{0};
  std::thread mThread;  // last: starts once everything above is ready
};

}  // namespace brightwold::updates
