#pragma once

#include <mutex>

namespace relaycaster::host {

/// The module's load counter. Hosts may enter and leave the module more
/// than once (two hosts in one process, or a scan before a load); set-up
/// runs on the first entry and clean-up on the last exit.
///
/// Threads: any; the counter and the calls it makes are serialised.
class ModuleCounter {
 public:
  /// Counts up; runs `setUp` on the change from 0 to 1. Always true.
  template <class SetUp>
  bool Enter(SetUp&& setUp) {
    std::lock_guard lock(mMutex);
    if (++mCount == 1) setUp();
    return true;
  }

  /// Counts down; runs `cleanUp` on the change from 1 to 0 and returns true.
  /// Otherwise returns whether the count is still 0 or more (an unpaired
  /// exit leaves it negative and returns false).
  template <class CleanUp>
  bool Leave(CleanUp&& cleanUp) {
    std::lock_guard lock(mMutex);
    if (--mCount == 0) {
      cleanUp();
      return true;
    }
    return mCount >= 0;
  }

  int Count() const {
    std::lock_guard lock(mMutex);
    return mCount;
  }

 private:
  mutable std::mutex mMutex;
  int mCount = 0;  // guarded by mMutex
};

}  // namespace relaycaster::host
