#pragma once

#include <atomic>

namespace relaycaster_host {

/// From now on Ctrl-C (and on Linux SIGTERM) sets `stopRequested` instead
/// of ending the process, so the plug-in is shut down as a host would.
/// One implementation per platform (StopSignals_linux.cpp, StopSignals_win.cpp).
void handleStopSignals(std::atomic<bool>& stopRequested);

}  // namespace relaycaster_host
