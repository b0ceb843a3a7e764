#pragma once

#include <cstddef>
#include <cstdint>

namespace relaycaster {

/// ADTS framing of raw AAC-LC frames: a 7-byte header without CRC in front
/// of each frame.
namespace adts {

constexpr int kHeaderBytes = 7;
constexpr int kMaxFrameBytes = 8191;  // the 13-bit frame_length field

/// The sampling_frequency_index of `sampleRate`, or -1 when ADTS has none.
int samplingFrequencyIndex(int sampleRate);

/// Writes the header for a raw frame of `payloadBytes` bytes into `out`
/// (7 bytes). False, with nothing written, when the rate has no index, the
/// channel count is outside 1..7 or the frame does not fit the length field.
bool writeHeader(int sampleRate, int channels, int payloadBytes, uint8_t* out);

}  // namespace adts
}  // namespace relaycaster
