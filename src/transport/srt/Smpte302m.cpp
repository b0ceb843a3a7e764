#include "transport/srt/Smpte302m.h"

#include <array>

#include "transport/srt/Quantise.h"

namespace relaycaster {
namespace {

constexpr uint8_t reverseBits(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1u << i)) r = static_cast<uint8_t>(r | (0x80u >> i));
  return r;
}

constexpr std::array<uint8_t, 256> makeReverseTable() {
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[static_cast<size_t>(i)] = reverseBits(static_cast<uint8_t>(i));
  return table;
}

constexpr std::array<uint8_t, 256> kReverse = makeReverseTable();

inline uint8_t rev(uint32_t byte) { return kReverse[byte & 0xFFu]; }

// audio_packet_size 3360, two channels, channel_identification 0, 24 bits.
void writeHeader(int frames, uint8_t* out) {
  const int payload = frames * Smpte302mPacker::kBytesPerFrame;
  out[0] = static_cast<uint8_t>(payload >> 8);
  out[1] = static_cast<uint8_t>(payload);
  out[2] = 0x00;
  out[3] = 0x20;
}

}  // namespace

void Smpte302mPacker::packPair(int32_t left, int32_t right, bool blockStart, uint8_t* out) {
  const uint32_t l = static_cast<uint32_t>(left) & 0xFFFFFFu;
  const uint32_t r = static_cast<uint32_t>(right) & 0xFFFFFFu;
  out[0] = rev(l);
  out[1] = rev(l >> 8);
  out[2] = rev(l >> 16);
  // The right sample's 4-bit ends sit bit-reversed in a nibble each: its
  // low bits in the low nibble of byte 3 (whose 0x10 carries the block
  // start), its high bits in the high nibble of byte 6.
  out[3] = static_cast<uint8_t>((rev(r & 0xFu) >> 4) | (blockStart ? 0x10u : 0x00u));
  out[4] = rev(r >> 4);
  out[5] = rev(r >> 12);
  out[6] = static_cast<uint8_t>(rev((r >> 20) & 0xFu));
}

void Smpte302mPacker::pack(const float* left, const float* right, int frames, uint8_t* out) {
  writeHeader(frames, out);
  uint8_t* pair = out + kHeaderBytes;
  for (int i = 0; i < frames; ++i, pair += kBytesPerFrame) {
    packPair(quantise24(left[i]), quantise24(right[i]), mAesFrameIndex == 0, pair);
    mAesFrameIndex = mAesFrameIndex + 1 == kAes3BlockFrames ? 0 : mAesFrameIndex + 1;
  }
}

}  // namespace relaycaster
