#include "transport/srt/Adts.h"

#include <array>

namespace relaycaster::adts {
namespace {

constexpr std::array<int, 13> kRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                        22050, 16000, 12000, 11025, 8000,  7350};

}  // namespace

int samplingFrequencyIndex(int sampleRate) {
  for (size_t i = 0; i < kRates.size(); ++i)
    if (kRates[i] == sampleRate) return static_cast<int>(i);
  return -1;
}

bool writeHeader(int sampleRate, int channels, int payloadBytes, uint8_t* out) {
  const int index = samplingFrequencyIndex(sampleRate);
  if (index < 0 || channels < 1 || channels > 7 || payloadBytes < 0) return false;
  const int length = payloadBytes + kHeaderBytes;
  if (length > kMaxFrameBytes) return false;
  out[0] = 0xFF;
  out[1] = 0xF1;  // MPEG-4, layer 0, no CRC
  out[2] = static_cast<uint8_t>((1 << 6) | (index << 2) | ((channels >> 2) & 1));  // AAC LC
  out[3] = static_cast<uint8_t>(((channels & 3) << 6) | ((length >> 11) & 3));
  out[4] = static_cast<uint8_t>((length >> 3) & 0xFF);
  out[5] = static_cast<uint8_t>(((length & 7) << 5) | 0x1F);
  out[6] = 0xFC;  // buffer fullness 0x7FF (variable rate), one raw data block
  return true;
}

}  // namespace relaycaster::adts
