#pragma once

// Runs a HostedPlugin the way a host does: an audio thread that processes
// one block per block duration, each at its deadline on a steady clock, and
// a timer thread that calls the 20 ms idle timer and prints the transports'
// state once a second.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>

#include "AudioSource.h"
#include "HostedPlugin.h"

namespace relaycaster_host {

struct RunSettings {
  double sampleRate = 48000.0;
  int blockFrames = 512;
  int channels = 2;
  std::optional<double> seconds;  // none: until `stopRequested`
};

/// Work the main thread does while the plug-in runs, such as an editor
/// window's event loop.
class MainThreadWork {
 public:
  virtual ~MainThreadWork() = default;
  /// Does what is due, waiting at most `maxWait`; false ends the run.
  virtual bool step(std::chrono::milliseconds maxWait) = 0;
};

/// Runs until `seconds` have passed, `stopRequested` becomes true or
/// `work` (may be null) says stop, then stops and joins both threads.
/// Prints to `out`. The plug-in must have been prepared; the source must
/// match the channel count.
void runHost(HostedPlugin& plugin, AudioSource& source, const RunSettings& settings,
             const std::atomic<bool>& stopRequested, std::FILE* out, MainThreadWork* work = nullptr);

/// One status line: "[  12 s] SRT: Sending to 127.0.0.1:9000 (it called in), drop-outs 0".
std::string formatStatus(double seconds, const TransportStatus& status);

}  // namespace relaycaster_host
