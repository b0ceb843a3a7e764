#include "MessagePump_win.h"

#include <algorithm>

namespace vst3host {

namespace {
// Even a step that may not wait handles what is queued for this long.
constexpr DWORD kLeastHandlingMs = 10;
}  // namespace

bool MessagePump::Step(std::chrono::milliseconds maxWait) {
  const DWORD wait = static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(0, maxWait.count()));
  // MWMO_INPUTAVAILABLE: also wake for messages that were already queued
  // but not yet looked at when the wait began.
  MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  const ULONGLONG until = GetTickCount64() + std::max<DWORD>(wait, kLeastHandlingMs);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return false;
    if (mWatchTimers && message.message == WM_TIMER) mTimersSeen.insert({message.hwnd, message.wParam});
    TranslateMessage(&message);
    DispatchMessageW(&message);
    if (GetTickCount64() >= until) break;
  }
  return true;
}

void MessagePump::WatchTimers(bool watch) {
  mWatchTimers = watch;
  if (watch) mTimersSeen.clear();
}

}  // namespace vst3host
