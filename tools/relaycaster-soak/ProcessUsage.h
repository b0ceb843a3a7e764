#pragma once

// What this process uses, read from the kernel: CPU time per thread (with
// how often each thread was woken), resident memory, open descriptors, and
// the machine's load, for a soak run's reports.
#include <cstdint>
#include <map>
#include <string>

namespace relaycaster_soak {

/// One thread's CPU use so far.
struct ThreadUse {
  std::string group;     // "libsrt send", "libsrt receive", "libsrt other", "audio", "plug-in" (the rest)
  uint64_t cpuNs = 0;    // time on a CPU
  uint64_t wakes = 0;    // times it was put on a CPU
};

/// Every thread of this process, by thread id.
std::map<int, ThreadUse> threadUse();

/// Resident memory in KiB (VmRSS), or -1.
long residentKib();
/// Open file descriptors of this process.
int openDescriptors();
/// The machine's 1-minute load average, or -1.
double loadAverage();

}  // namespace relaycaster_soak
