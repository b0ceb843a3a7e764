#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "framework/vst3/IdleTicker.h"

namespace framework::vst3 {

/// Runs the plug-in's idle tick every 20 ms for as long as the plug-in is
/// initialised, whether or not an editor is open.
///
/// Where the tick runs. The tick belongs on the host's user-interface
/// thread. Two drivers:
///  - the scheduler's own (IdleTicker, one per system), from Start to Stop.
///    On Windows it is a window timer on the thread that initialised the
///    plug-in, the host's user-interface thread, and it is the only driver.
///    On Linux a plug-in reaches that thread only through the host's run
///    loop (Linux::IRunLoop), which the host hands over only while an editor
///    view is attached, so there it is a thread of its own;
///  - host-driven (Linux): while an editor is attached, its view registers a
///    20 ms timer with the host's run loop and calls HostTimerFired() from
///    it; SetHostTimerActive(true) tells the scheduler so, and its own
///    driver's calls do nothing until SetHostTimerActive(false).
/// So a tick that reaches the editor always runs on the user-interface thread.
///
/// Serialisation. Every tick runs under ControllerMutex(), and so does every
/// edit-controller call that changes what the tick reads (parameter changes
/// from the host, state loads, channel reports). The tick therefore never
/// runs concurrently with itself or with those calls. The mutex is
/// recursive so that a host that answers a change the tick reports
/// (performEdit) with a synchronous setParamNormalized on the same thread
/// does not deadlock.
///
/// Threads: Start and Stop on the owner's thread (the host's initialize and
/// terminate; on Windows Stop may come from another thread, see
/// IdleTicker_win.cpp); HostTimerFired and SetHostTimerActive on the
/// user-interface thread; the tick on whichever driver is active.
class IdleScheduler {
 public:
  using Tick = std::function<void()>;
  static constexpr std::chrono::milliseconds kPeriod{20};

  explicit IdleScheduler(Tick tick, std::chrono::milliseconds period = kPeriod);
  ~IdleScheduler();
  IdleScheduler(const IdleScheduler&) = delete;
  IdleScheduler& operator=(const IdleScheduler&) = delete;

  /// Starts the scheduler's own driver; does nothing when it runs already.
  void Start();
  /// Stops the scheduler's own driver; no tick runs after it returns.
  void Stop();
  bool Running() const { return mTicker != nullptr; }

  /// The host's run-loop timer fired: tick now, on the calling thread.
  void HostTimerFired();
  /// The scheduler's own driver fired: tick now unless a host timer is active.
  void OwnTimerFired();
  /// An editor's host timer was registered (true) or removed (false).
  void SetHostTimerActive(bool active);
  bool HostTimerActive() const { return mHostTimerActive.load(std::memory_order_acquire); }

  /// Held around every tick; controller calls take it too.
  std::recursive_mutex& ControllerMutex() { return mControllerMutex; }
  /// Ticks run so far, by either driver.
  uint64_t TickCount() const { return mTicks.load(std::memory_order_relaxed); }

 private:
  void TickLocked();

  const Tick mTick;
  const std::chrono::milliseconds mPeriod;
  std::recursive_mutex mControllerMutex;
  std::atomic<bool> mHostTimerActive{false};
  std::atomic<bool> mStarted{false};  // between Start and Stop; host timers only tick then
  std::atomic<uint64_t> mTicks{0};
  std::unique_ptr<IdleTicker> mTicker;  // between Start and Stop; owner's thread only
};

}  // namespace framework::vst3
