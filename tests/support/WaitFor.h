#pragma once

#include <chrono>
#include <thread>

namespace testsupport {

/// Polls `condition` every millisecond until it holds (true) or `limit`
/// has passed (false): how tests wait for another thread without sleeping
/// a guessed time.
template <class Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace testsupport
