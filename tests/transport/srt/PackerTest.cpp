#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "transport/srt/Adts.h"
#include "transport/srt/Quantise.h"
#include "transport/srt/Smpte302m.h"

namespace {

using relaycaster::Smpte302mPacker;
using Bytes = std::vector<uint8_t>;

// An independent SMPTE 302M reader: reads the 56 bits of a sample pair in
// transmission order (each byte least significant bit first) and takes
// L (24 bits), R (24 bits) and the 4 flag bits in AES3 order.
struct AesPair {
  int32_t left;
  int32_t right;
  bool blockStart;
};

int32_t signExtend24(uint32_t v) { return static_cast<int32_t>(v << 8) >> 8; }

AesPair decodePair(const uint8_t* b) {
  std::vector<int> bits;
  for (int i = 0; i < 7; ++i)
    for (int k = 7; k >= 0; --k) bits.push_back((b[i] >> k) & 1);  // MSB of the byte first on the wire
  // bits[0..23]: L from bit 0 upwards; bits[24..27]: R bits 0..3 go in
  // the low nibble of byte 3, so they come after 4 flag bits (V, U, C, F).
  uint32_t left = 0, right = 0;
  for (int i = 0; i < 24; ++i) left |= static_cast<uint32_t>(bits[static_cast<size_t>(i)]) << i;
  // Byte 3: 0 0 0 F | R0 R1 R2 R3 read MSB-first: positions 24..31.
  const bool blockStart = bits[27] != 0;
  for (int i = 0; i < 4; ++i) right |= static_cast<uint32_t>(bits[static_cast<size_t>(28 + i)]) << i;
  for (int i = 0; i < 16; ++i) right |= static_cast<uint32_t>(bits[static_cast<size_t>(32 + i)]) << (4 + i);
  for (int i = 0; i < 4; ++i) right |= static_cast<uint32_t>(bits[static_cast<size_t>(48 + i)]) << (20 + i);
  EXPECT_EQ(b[6] & 0x0F, 0);
  EXPECT_EQ(b[3] & 0xE0, 0);
  return {signExtend24(left), signExtend24(right), blockStart};
}

std::vector<AesPair> packAndDecode(Smpte302mPacker& packer, const std::vector<float>& left,
                                   const std::vector<float>& right) {
  Bytes out(4 + 7 * left.size());
  packer.pack(left.data(), right.data(), static_cast<int>(left.size()), out.data());
  std::vector<AesPair> pairs;
  for (size_t i = 0; i < left.size(); ++i) pairs.push_back(decodePair(out.data() + 4 + 7 * i));
  return pairs;
}

TEST(Quantise, ClampsRoundsHalvesAwayFromZeroAndZeroesNaN) {
  using relaycaster::quantise16;
  using relaycaster::quantise24;
  EXPECT_EQ(quantise24(1.0f), 0x7FFFFF);
  EXPECT_EQ(quantise24(-1.0f), -0x800000);
  EXPECT_EQ(quantise24(7.5f), 0x7FFFFF);
  EXPECT_EQ(quantise24(-3.0f), -0x800000);
  EXPECT_EQ(quantise24(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(quantise24(std::numeric_limits<float>::infinity()), 0x7FFFFF);
  EXPECT_EQ(quantise24(0.5f), 0x400000);
  EXPECT_EQ(quantise24(std::ldexp(1.5f, -23)), 2);
  EXPECT_EQ(quantise24(std::ldexp(0.5f, -23)), 1);
  EXPECT_EQ(quantise24(std::ldexp(-0.5f, -23)), -1);
  EXPECT_EQ(quantise24(std::ldexp(-2.5f, -23)), -3);
  EXPECT_EQ(quantise16(1.0f), 32767);
  EXPECT_EQ(quantise16(2.0f), 32767);
  EXPECT_EQ(quantise16(-1.5f), -32768);
  EXPECT_EQ(quantise16(std::ldexp(0.5f, -15)), 1);
  EXPECT_EQ(quantise16(std::ldexp(-0.5f, -15)), -1);
  EXPECT_EQ(quantise16(std::ldexp(0.49f, -15)), 0);
}

TEST(Smpte302m, HeaderAndFullScaleValues) {
  Smpte302mPacker packer;
  std::vector<float> left(480, 0.0f), right(480, 0.0f);
  left[0] = 1.0f;
  right[0] = -1.0f;
  left[1] = std::numeric_limits<float>::quiet_NaN();
  right[1] = 1.0f;
  Bytes out(Smpte302mPacker::kGroupBytes);
  packer.pack(left.data(), right.data(), 480, out.data());
  EXPECT_EQ(out.size(), 3364u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), (Bytes{0x0D, 0x20, 0x00, 0x20}));
  // +1.0 left, -1.0 right, with the block-start flag.
  EXPECT_EQ(Bytes(out.begin() + 4, out.begin() + 11), (Bytes{0xFF, 0xFF, 0xFE, 0x10, 0x00, 0x00, 0x10}));
  const AesPair first = decodePair(out.data() + 4);
  EXPECT_EQ(first.left, 0x7FFFFF);
  EXPECT_EQ(first.right, -0x800000);
  EXPECT_TRUE(first.blockStart);
  const AesPair second = decodePair(out.data() + 11);
  EXPECT_EQ(second.left, 0);
  EXPECT_EQ(second.right, 0x7FFFFF);
  EXPECT_FALSE(second.blockStart);
  EXPECT_EQ(Bytes(out.begin() + 18, out.begin() + 25), Bytes(7, 0));  // silence
}

TEST(Smpte302m, RandomValuesSurviveAnIndependentDecoder) {
  Smpte302mPacker packer;
  std::mt19937 random(11);
  std::uniform_real_distribution<float> value(-1.2f, 1.2f);
  std::vector<float> left(480), right(480);
  for (size_t i = 0; i < 480; ++i) {
    left[i] = value(random);
    right[i] = value(random);
  }
  left[5] = std::ldexp(1.0f, -23);  // one LSB
  right[5] = -std::ldexp(1.0f, -23);
  const auto pairs = packAndDecode(packer, left, right);
  for (size_t i = 0; i < 480; ++i) {
    EXPECT_EQ(pairs[i].left, relaycaster::quantise24(left[i])) << i;
    EXPECT_EQ(pairs[i].right, relaycaster::quantise24(right[i])) << i;
  }
  EXPECT_EQ(pairs[5].left, 1);
  EXPECT_EQ(pairs[5].right, -1);
}

TEST(Smpte302m, BlockStartEvery192FramesAcrossGroups) {
  Smpte302mPacker packer;
  std::vector<float> silence(480, 0.0f);
  std::vector<size_t> starts;
  size_t frame = 0;
  for (int group = 0; group < 4; ++group)
    for (const AesPair& pair : packAndDecode(packer, silence, silence)) {
      if (pair.blockStart) starts.push_back(frame);
      ++frame;
    }
  std::vector<size_t> expected;
  for (size_t f = 0; f < 1920; f += 192) expected.push_back(f);
  EXPECT_EQ(starts, expected);
  EXPECT_EQ(packer.aesFrameIndex(), 1920 % 192);
}

TEST(Adts, HeaderBytesForRatesChannelsAndSizes) {
  uint8_t h[7];
  ASSERT_TRUE(relaycaster::adts::writeHeader(48000, 2, 100, h));
  EXPECT_EQ(Bytes(h, h + 7), (Bytes{0xFF, 0xF1, 0x4C, 0x80, 0x0D, 0x7F, 0xFC}));  // N = 107
  ASSERT_TRUE(relaycaster::adts::writeHeader(44100, 1, 371, h));
  EXPECT_EQ(Bytes(h, h + 7), (Bytes{0xFF, 0xF1, 0x50, 0x40, 0x2F, 0x5F, 0xFC}));  // N = 378
  ASSERT_TRUE(relaycaster::adts::writeHeader(96000, 7, 2041, h));
  EXPECT_EQ(Bytes(h, h + 7), (Bytes{0xFF, 0xF1, 0x41, 0xC1, 0x00, 0x1F, 0xFC}));  // N = 2048
  ASSERT_TRUE(relaycaster::adts::writeHeader(7350, 4, 0, h));
  EXPECT_EQ(Bytes(h, h + 7), (Bytes{0xFF, 0xF1, 0x71, 0x00, 0x00, 0xFF, 0xFC}));  // N = 7

  // Frame length read back from the three fields it spans.
  for (int n : {0, 1, 255, 1536, 8184}) {
    ASSERT_TRUE(relaycaster::adts::writeHeader(48000, 2, n, h));
    EXPECT_EQ(((h[3] & 3) << 11) | (h[4] << 3) | (h[5] >> 5), n + 7);
  }
}

TEST(Adts, UnsupportedRateOrChannelsGiveNoHeader) {
  uint8_t h[7] = {};
  EXPECT_FALSE(relaycaster::adts::writeHeader(44000, 2, 100, h));
  EXPECT_FALSE(relaycaster::adts::writeHeader(0, 2, 100, h));
  EXPECT_FALSE(relaycaster::adts::writeHeader(48000, 0, 100, h));
  EXPECT_FALSE(relaycaster::adts::writeHeader(48000, 8, 100, h));
  EXPECT_FALSE(relaycaster::adts::writeHeader(48000, 2, 8185, h));  // beyond the 13-bit length
  EXPECT_EQ(h[0], 0);
  EXPECT_EQ(relaycaster::adts::samplingFrequencyIndex(48000), 3);
  EXPECT_EQ(relaycaster::adts::samplingFrequencyIndex(44100), 4);
  EXPECT_EQ(relaycaster::adts::samplingFrequencyIndex(22050), 7);
}

}  // namespace
