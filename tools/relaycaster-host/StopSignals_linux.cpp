#include <csignal>

#include "StopSignals.h"

namespace relaycaster_host {
namespace {

std::atomic<bool>* gStopRequested = nullptr;  // set before the handler is installed
static_assert(std::atomic<bool>::is_always_lock_free);  // so safe inside a signal handler

void requestStop(int) { gStopRequested->store(true, std::memory_order_release); }

}  // namespace

void handleStopSignals(std::atomic<bool>& stopRequested) {
  gStopRequested = &stopRequested;
  struct sigaction action {};
  action.sa_handler = requestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace relaycaster_host
