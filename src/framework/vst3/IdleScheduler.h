#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace framework::vst3 {

/// Runs the plug-in's idle tick every 20 ms for as long as the plug-in is
/// initialised, whether or not an editor is open.
///
/// Where the tick runs. The tick belongs on the host's user-interface
/// thread, but a VST 3 plug-in on Linux can only reach that thread through
/// the host's run loop (Linux::IRunLoop), and the host hands the run loop
/// over only while an editor view is attached. So there are two drivers:
///  - host-driven: while an editor is attached, its view registers a 20 ms
///    timer with the host's run loop and calls HostTimerFired() from it, on
///    the user-interface thread; SetHostTimerActive(true) tells the
///    scheduler so;
///  - fallback: otherwise a thread owned by this scheduler ticks. With no
///    editor attached the tick touches no window, so it may run there.
/// The fallback thread never ticks while a host timer is active, so a tick
/// that reaches the editor always runs on the user-interface thread.
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
/// terminate); HostTimerFired and SetHostTimerActive on the user-interface
/// thread; the tick on whichever driver is active.
class IdleScheduler {
 public:
  using Tick = std::function<void()>;
  static constexpr std::chrono::milliseconds kPeriod{20};

  explicit IdleScheduler(Tick tick, std::chrono::milliseconds period = kPeriod);
  ~IdleScheduler();
  IdleScheduler(const IdleScheduler&) = delete;
  IdleScheduler& operator=(const IdleScheduler&) = delete;

  /// Starts the fallback thread; does nothing when it runs already.
  void Start();
  /// Stops and joins the fallback thread; no tick runs after it returns.
  void Stop();
  bool Running() const { return mThread.joinable(); }

  /// The host's run-loop timer fired: tick now, on the calling thread.
  void HostTimerFired();
  /// An editor's host timer was registered (true) or removed (false).
  void SetHostTimerActive(bool active);
  bool HostTimerActive() const { return mHostTimerActive.load(std::memory_order_acquire); }

  /// Held around every tick; controller calls take it too.
  std::recursive_mutex& ControllerMutex() { return mControllerMutex; }
  /// Ticks run so far, by either driver.
  uint64_t TickCount() const { return mTicks.load(std::memory_order_relaxed); }

 private:
  void Run();
  void TickLocked();

  const Tick mTick;
  const std::chrono::milliseconds mPeriod;
  std::recursive_mutex mControllerMutex;
  std::atomic<bool> mHostTimerActive{false};
  std::atomic<bool> mStarted{false};  // between Start and Stop; host timers only tick then
  std::atomic<uint64_t> mTicks{0};

  std::mutex mWakeMutex;
  std::condition_variable mWake;
  bool mStopping = false;  // guarded by mWakeMutex
  std::thread mThread;     // owned: started by Start, joined by Stop
};

}  // namespace framework::vst3
