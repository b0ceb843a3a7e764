#pragma once

#include <chrono>
#include <cstdint>

namespace relaycaster {

/// The pacing tools of a transport worker: a steady clock in seconds since
/// the worker started, and a short wait (until the next block is owed) as
/// precise as the platform allows, at raised thread priority.
///
/// Threads: create, use and destroy on the worker thread.
class WorkerClock {
 public:
  /// Raises the calling thread's priority and prepares the timer.
  WorkerClock();
  ~WorkerClock();
  WorkerClock(const WorkerClock&) = delete;
  WorkerClock& operator=(const WorkerClock&) = delete;

  /// Seconds on a monotonic clock since construction.
  double now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count();
  }
  /// Sleeps about `milliseconds` (one shot, relative).
  void wait(double milliseconds);

 private:
  std::chrono::steady_clock::time_point mStart = std::chrono::steady_clock::now();
  intptr_t mTimer = -1;  // the platform's timer (a file descriptor or a HANDLE), -1 when none
};

}  // namespace relaycaster
