#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "transport/srt/AacEncoder.h"

namespace {

using relaycaster::srt::createAacEncoder;

struct FrameLog {
  void operator()(const uint8_t* data, int size) {
    ASSERT_NE(data, nullptr);
    sizes.push_back(size);
  }
  std::vector<int> sizes;
};

std::vector<float> tone(int frames, int channels, double amplitude) {
  std::vector<float> samples(static_cast<size_t>(frames * channels));
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      samples[static_cast<size_t>(i * channels + c)] = static_cast<float>(amplitude * std::sin(0.05 * i + c));
  return samples;
}

TEST(AacEncoder, FramesComeOutWhole1024SamplesAtATime) {
  for (int channels : {1, 2}) {
    std::string error;
    auto encoder = createAacEncoder(48000, channels, channels == 1 ? 96 : 192, error);
    ASSERT_TRUE(encoder) << error;
    const auto block = tone(480, channels, 0.5);
    FrameLog log;
    std::vector<int> framesPerBlock;
    for (int b = 0; b < 64; ++b) {
      const size_t before = log.sizes.size();
      encoder->encode(block.data(), 480, log);
      framesPerBlock.push_back(static_cast<int>(log.sizes.size() - before));
    }
    // 64 x 480 = 30 full input frames; the encoder holds one back (its
    // start-up delay), so 29 come out, never more than one per block.
    EXPECT_EQ(log.sizes.size(), 29u);
    for (int count : framesPerBlock) EXPECT_LE(count, 1);
    for (int size : log.sizes) {
      EXPECT_GT(size, 0);
      EXPECT_LT(size, 768 * channels);  // the AAC-LC maximum per channel is 6144 bits
    }
  }
}

TEST(AacEncoder, ZeroOrNegativeCountsDoNothing) {
  std::string error;
  auto encoder = createAacEncoder(44100, 2, 128, error);
  ASSERT_TRUE(encoder) << error;
  FrameLog log;
  const auto block = tone(4096, 2, 0.5);
  encoder->encode(block.data(), 0, log);
  encoder->encode(block.data(), -100, log);
  encoder->encode(nullptr, 100, log);
  EXPECT_TRUE(log.sizes.empty());
  encoder->encode(block.data(), 1023, log);  // one short of a frame: nothing yet
  EXPECT_TRUE(log.sizes.empty());
  encoder->encode(block.data(), 1, log);
  encoder->encode(block.data(), 1024, log);
  EXPECT_EQ(log.sizes.size(), 1u);
}

TEST(AacEncoder, OutOfRangeInputIsClippedNotRejected) {
  std::string error;
  auto encoder = createAacEncoder(48000, 2, 192, error);
  ASSERT_TRUE(encoder) << error;
  FrameLog log;
  const auto loud = tone(1024 * 6, 2, 4.0);
  encoder->encode(loud.data(), 1024 * 6, log);
  EXPECT_EQ(log.sizes.size(), 5u);
}

TEST(AacEncoder, RefusalNamesTheSettings) {
  std::string error;
  EXPECT_FALSE(createAacEncoder(12345, 2, 192, error));
  EXPECT_EQ(error, "The AAC encoder refused 12345 Hz, 2 channel(s), 192 kbps.");
  EXPECT_FALSE(createAacEncoder(48000, 3, 96, error));
  EXPECT_EQ(error, "The AAC encoder refused 48000 Hz, 3 channel(s), 96 kbps.");
  EXPECT_FALSE(createAacEncoder(48000, 2, 0, error));
  EXPECT_EQ(error, "The AAC encoder refused 48000 Hz, 2 channel(s), 0 kbps.");
}

TEST(AacEncoder, SupportsTheOfferedRatesAndBitrates) {
  for (int rate : {44100, 48000})
    for (int channels : {1, 2})
      for (int kbps : {96, 128, 160, 192}) {
        std::string error;
        EXPECT_TRUE(createAacEncoder(rate, channels, kbps, error)) << rate << " " << channels << " " << kbps;
        EXPECT_TRUE(error.empty()) << error;
      }
}

}  // namespace
