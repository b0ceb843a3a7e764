#include <windows.h>

#include "StopSignals.h"

namespace relaycaster_host {
namespace {

std::atomic<bool>* gStopRequested = nullptr;  // set before the handler is installed

// Runs on a thread of its own that the console starts; Ctrl-C, Ctrl-Break
// and closing the console all ask for a stop.
BOOL WINAPI requestStop(DWORD /*event*/) {
  gStopRequested->store(true, std::memory_order_release);
  return TRUE;
}

}  // namespace

void handleStopSignals(std::atomic<bool>& stopRequested) {
  gStopRequested = &stopRequested;
  SetConsoleCtrlHandler(requestStop, TRUE);
}

}  // namespace relaycaster_host
