#include "transport/WorkerClock.h"

#include <windows.h>

#include <cmath>

namespace relaycaster {

namespace {

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION (Windows 10 1803 and later); the
// mingw-w64 headers do not define it. Without it a waitable timer wakes on
// the system's timer tick (often 15.6 ms), far too coarse for a 2 ms wait.
constexpr DWORD kHighResolutionTimer = 0x2;

HANDLE timerOf(intptr_t timer) { return reinterpret_cast<HANDLE>(timer); }

}  // namespace

WorkerClock::WorkerClock() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
  // Older Windows (and Wine) refuse the flag: a plain timer still paces,
  // only more coarsely.
  if (timer == nullptr) timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
  mTimer = timer != nullptr ? reinterpret_cast<intptr_t>(timer) : -1;
}

WorkerClock::~WorkerClock() {
  if (mTimer != -1) CloseHandle(timerOf(mTimer));
}

void WorkerClock::wait(double milliseconds) {
  const auto hundredsOfNanoseconds = static_cast<LONGLONG>(milliseconds * 1e4);
  if (!(hundredsOfNanoseconds > 0)) return;
  if (mTimer != -1) {
    LARGE_INTEGER due;
    due.QuadPart = -hundredsOfNanoseconds;  // negative: relative to now
    if (SetWaitableTimer(timerOf(mTimer), &due, 0, nullptr, nullptr, FALSE) &&
        WaitForSingleObject(timerOf(mTimer), INFINITE) == WAIT_OBJECT_0) {
      return;
    }
  }
  Sleep(static_cast<DWORD>(std::ceil(milliseconds)));
}

}  // namespace relaycaster
