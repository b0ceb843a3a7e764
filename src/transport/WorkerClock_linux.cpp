#include "transport/WorkerClock.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

namespace relaycaster {

// Linux stands in for the high-resolution waitable timer with a timerfd on
// the monotonic clock, and for "above normal" priority with a nice value of
// -5 when the process may lower it (it usually may not without privileges,
// and the worker then runs at the normal priority).
WorkerClock::WorkerClock() {
  setpriority(PRIO_PROCESS, 0, -5);  // failure is fine: per-thread on Linux, best effort
  mTimer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
}

WorkerClock::~WorkerClock() {
  if (mTimer >= 0) close(mTimer);
}

void WorkerClock::wait(double milliseconds) {
  const auto nanoseconds = static_cast<long long>(milliseconds * 1e6);
  if (!(nanoseconds > 0)) return;  // a zero timer value would disarm the timer and block forever
  timespec relative{static_cast<time_t>(nanoseconds / 1000000000), static_cast<long>(nanoseconds % 1000000000)};
  if (mTimer >= 0) {
    itimerspec oneShot{};
    oneShot.it_value = relative;
    if (timerfd_settime(mTimer, 0, &oneShot, nullptr) == 0) {
      uint64_t expirations = 0;
      ssize_t got;
      do {
        got = read(mTimer, &expirations, sizeof expirations);
      } while (got < 0 && errno == EINTR);
      if (got == static_cast<ssize_t>(sizeof expirations)) return;
    }
  }
  while (nanosleep(&relative, &relative) != 0 && errno == EINTR) {
  }
}

}  // namespace relaycaster
