#pragma once

#include <atomic>

#include "framework/vst3/IdleScheduler.h"
#include "pluginterfaces/gui/iplugview.h"

namespace framework::vst3 {

/// The idle tick's timer on a Linux host's run loop. An editor view owns
/// one: when the view is attached it registers a 20 ms timer with the run
/// loop the host offers (through the view's frame), and from then on the
/// host's user-interface thread drives the scheduler; when the view goes it
/// unregisters and the scheduler's own thread takes over again.
///
/// Threads: the user-interface thread only.
class HostRunLoopTimer final : public Steinberg::Linux::ITimerHandler {
 public:
  explicit HostRunLoopTimer(IdleScheduler& scheduler) : mScheduler(scheduler) {}
  ~HostRunLoopTimer() { Detach(); }
  HostRunLoopTimer(const HostRunLoopTimer&) = delete;
  HostRunLoopTimer& operator=(const HostRunLoopTimer&) = delete;

  /// Looks for Linux::IRunLoop on `hostObject` (the view's frame) and
  /// registers the timer. False when the host offers no run loop.
  bool Attach(Steinberg::FUnknown* hostObject);
  /// Unregisters the timer and hands ticking back to the scheduler's thread.
  void Detach();
  bool Attached() const { return mRunLoop != nullptr; }

  // ITimerHandler
  void PLUGIN_API onTimer() override;
  // FUnknown. The view owns this object: the host's references are counted
  // but never delete it, and Detach() ends the host's use of it.
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override;
  Steinberg::uint32 PLUGIN_API release() override;

 private:
  IdleScheduler& mScheduler;
  Steinberg::Linux::IRunLoop* mRunLoop = nullptr;  // one reference while attached
  std::atomic<Steinberg::uint32> mHostReferences{0};
};

}  // namespace framework::vst3
