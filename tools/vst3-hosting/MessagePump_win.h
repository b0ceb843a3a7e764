#pragma once

// The window-message loop of a Windows host's user-interface thread, in
// steps that wait at most a given time. A plug-in lives on this loop: its
// editor's window, frame timer and popups, and its idle timer, which runs
// on a message-only window of the thread that created it, editor or not.
#include <windows.h>

#include <chrono>
#include <set>
#include <utility>

namespace vst3host {

/// Threads: the thread whose messages it pumps, only.
class MessagePump {
 public:
  /// Waits until a message is there or `maxWait` has passed, then handles
  /// what is queued, for no longer than `maxWait` again (a window that
  /// keeps posting cannot hold the caller). False once WM_QUIT came.
  bool Step(std::chrono::milliseconds maxWait);

  /// Timers that fired while watching: the (window, id) of every WM_TIMER
  /// handled since WatchTimers(true), which empties the list.
  void WatchTimers(bool watch);
  const std::set<std::pair<HWND, UINT_PTR>>& TimersSeen() const { return mTimersSeen; }

 private:
  bool mWatchTimers = false;
  std::set<std::pair<HWND, UINT_PTR>> mTimersSeen;
};

}  // namespace vst3host
