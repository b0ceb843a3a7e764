#pragma once

// The run loop a Linux VST 3 host offers its plug-ins' views
// (Linux::IRunLoop): file descriptors to watch and timers to fire, all
// dispatched on the host's main thread from one poll loop.
#include <chrono>
#include <cstdint>
#include <vector>

#include "HostObjects.h"
#include "pluginterfaces/gui/iplugview.h"

namespace vst3host {

/// Handlers may register and unregister themselves and each other while
/// the loop dispatches: an unregistered entry is only marked dead, never
/// called again, and erased once no dispatch is in progress. Its reference
/// is given back at once, since plug-ins may delete a handler as soon as
/// it is unregistered. A descriptor that reports an error or a hang-up is
/// told once and then no longer watched, so a broken connection cannot
/// spin the loop.
///
/// Threads: the thread that runs the loop only; the plug-in calls it there.
class RunLoop final : public Steinberg::Linux::IRunLoop {
 public:
  RunLoop() = default;
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  /// Waits at most `maxWait` for a descriptor to become readable or a timer
  /// to be due, and dispatches everything that is ready then.
  void RunOnce(std::chrono::milliseconds maxWait);
  /// Live registrations (tests, leak checks).
  size_t EventHandlerCount() const;
  size_t TimerCount() const;

  // Linux::IRunLoop
  Steinberg::tresult PLUGIN_API registerEventHandler(Steinberg::Linux::IEventHandler* handler,
                                                     Steinberg::Linux::FileDescriptor fd) override;
  Steinberg::tresult PLUGIN_API unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
  Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                              Steinberg::Linux::TimerInterval milliseconds) override;
  Steinberg::tresult PLUGIN_API unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return mRefs.Add(); }
  Steinberg::uint32 PLUGIN_API release() override { return mRefs.Remove(); }

 private:
  using Clock = std::chrono::steady_clock;
  struct Watch {
    Steinberg::Linux::IEventHandler* handler;  // one reference while alive; never used once dead
    int fd;
    bool alive;
    bool hungUp;
  };
  struct Timer {
    Steinberg::Linux::ITimerHandler* handler;  // one reference while alive; never used once dead
    Clock::duration interval;
    Clock::time_point due;
    bool alive;
  };

  void DispatchDescriptors(std::chrono::milliseconds timeout);
  void DispatchTimers();
  void SweepDead();

  std::vector<Watch> mWatches;
  std::vector<Timer> mTimers;
  int mDispatchDepth = 0;
  HostOwnedRefCount mRefs;
};

}  // namespace vst3host
