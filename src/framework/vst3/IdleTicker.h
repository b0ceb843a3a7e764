#pragma once

// The idle tick's own driver, one per system, for IdleScheduler:
//  - Linux (IdleTicker_linux.cpp): a thread of its own, since a plug-in
//    reaches the host's user-interface thread only through the run loop an
//    attached editor is handed;
//  - Windows (IdleTicker_win.cpp): a timer of a message-only window made on
//    the thread that initialised the plug-in, so every tick runs on the
//    host's user-interface thread, editor or not.
#include <chrono>
#include <memory>

namespace framework::vst3 {

class IdleScheduler;

/// Calls IdleScheduler::OwnTimerFired every period from creation until
/// it is destroyed; no call starts after the destructor has returned.
class IdleTicker {
 public:
  virtual ~IdleTicker() = default;
};

/// Starts the system's driver on the calling thread; nullptr when the
/// system refuses (the reason is printed).
std::unique_ptr<IdleTicker> StartIdleTicker(IdleScheduler& scheduler, std::chrono::milliseconds period);

}  // namespace framework::vst3
