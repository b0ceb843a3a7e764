#pragma once

// Runs a HostedPlugin the way a host does: an audio thread that processes
// one block per block duration, each at its deadline on a steady clock, and
// a timer thread that calls the 20 ms idle timer and prints the transports'
// state once a second.
#include <atomic>
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

/// Runs until `seconds` have passed or `stopRequested` becomes true, then
/// stops and joins both threads. Prints to `out`. The plug-in must have been
/// prepared; the source must match the channel count.
void runHost(HostedPlugin& plugin, AudioSource& source, const RunSettings& settings,
             const std::atomic<bool>& stopRequested, std::FILE* out);

/// One status line: "[  12 s] SRT: Sending to 127.0.0.1:9000 (it called in), drop-outs 0".
std::string formatStatus(double seconds, const TransportStatus& status);

}  // namespace relaycaster_host
