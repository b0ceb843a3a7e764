#pragma once

// What arrived at the far end of a stream, checked bit for bit: a stereo
// signal whose every sample says where it belongs (a 24-bit counter), the
// transport stream's continuity counters, and the counter samples decoded
// by ffmpeg's SMPTE 302M decoder. Free of any test framework, so benchmark
// programs build it in as well.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

/// The counter signal at frame `frame`: the left channel counts through
/// every 24-bit value, the right channel is its one's complement, both as
/// floats that a 24-bit quantiser turns back into the exact integers.
double counterLeft(uint64_t frame);
double counterRight(uint64_t frame);
/// Fills `frames` frames from `firstFrame` on into two planar buffers.
void fillCounter(uint64_t firstFrame, int frames, double* left, double* right);

/// Writes `frames` frames of the counter signal as a 48 kHz stereo 24-bit
/// WAV file; false on failure.
bool writeCounterWav(const std::string& path, uint64_t frames);

/// How a transport stream's packets follow each other.
struct ContinuityReport {
  long packets = 0;
  long nullPackets = 0;
  long lostSync = 0;  // 188-byte slots that do not start with 0x47
  int errors = 0;     // packets whose continuity counter does not follow its PID's last one
};

/// Checks every PID but the null PID: a packet with payload must carry the
/// counter after its PID's previous one (one repeat of a packet is allowed,
/// as the standard allows it); the first packet of a PID sets it.
ContinuityReport checkContinuity(const std::string& bytes);

/// How well decoded counter samples follow each other.
struct CounterReport {
  long frames = 0;          // decoded stereo frames
  long leading = 0;         // frames before the counter starts (silence while the sender's buffer filled)
  long longestRun = 0;      // the longest stretch of frames that follow each other exactly
  int breaks = 0;           // places after the start where a frame is not the one after its predecessor
  long misplacedFrames = 0; // frames after the start that are no counter frame at all (damage or silence)
  std::vector<long> breakFrames;  // where the first breaks are, in frames after the start (at most 16)
  /// Every frame after the start is exactly the frame after the one before.
  bool bitExact() const { return frames > leading && breaks == 0 && misplacedFrames == 0; }
  std::string describe() const;
};

/// Interleaved stereo 24-bit values (as int32), checked as the counter.
CounterReport checkCounter(const std::vector<int32_t>& interleaved);

/// What ffmpeg made of a transport-stream file.
struct DecodedStream {
  bool decoded = false;       // ffmpeg ran and exited with 0
  std::string errors;         // what ffmpeg printed at level error (empty when clean)
  std::vector<int32_t> samples;  // interleaved stereo, 24-bit values
};

/// Decodes `tsPath` with ffmpeg (its SMPTE 302M decoder) to 24-bit values.
/// `scratchPath` holds the raw output for a moment.
DecodedStream decodePcmStream(const std::string& tsPath, const std::string& scratchPath,
                              std::chrono::milliseconds limit);

/// srt-live-transmit as a receiver that listens on 127.0.0.1:`port` with
/// a receive latency of 20 ms (the sender's larger latency wins the
/// negotiation), writes what arrives to stdout, and ends when the sender
/// leaves or after `seconds`.
std::vector<std::string> srtReceiverToStdout(int port, int seconds);

}  // namespace testsupport
