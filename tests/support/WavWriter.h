#pragma once

// A small WAV file writer for tests and benchmarks that feed the host a
// made-up signal: 16-bit PCM, the same signal on every channel.
#include <functional>
#include <string>

namespace testsupport {

/// Writes `seconds` of `signal` (t in seconds -> a sample in -1..1, clipped)
/// at `rate` Hz on `channels` channels as 16-bit PCM. False when the file
/// cannot be written.
bool WriteWav16(const std::string& path, int rate, int channels, double seconds,
                const std::function<double(double)>& signal);

}  // namespace testsupport
