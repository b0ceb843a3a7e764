#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TsTestReader.h"
#include "support/AllocationCounter.h"
#include "transport/srt/Quantise.h"
#include "transport/srt/SrtOutput.h"

namespace {

using relaycaster::SrtOutput;
using relaycaster::SrtSettings;

constexpr int kStride = 1920;

SrtSettings settingsFor(int codec, int bitrate = 0, std::string name = "Relaycaster") {
  SrtSettings settings;
  settings.codec = codec;
  settings.bitrateKbps = bitrate;
  settings.serviceName = std::move(name);
  return settings;
}

// Planar blocks of a test signal: channel c of frame n is a ramp that
// differs per channel, so swapped or duplicated channels show.
class BlockSource {
 public:
  explicit BlockSource(int channels) : mChannels(channels), mBlock(2 * kStride, 0.0f) {}
  const float* next(int frames) {
    for (int i = 0; i < frames; ++i, ++mFrame)
      for (int c = 0; c < mChannels; ++c)
        mBlock[static_cast<size_t>(c * kStride + i)] = value(mFrame, c);
    return mBlock.data();
  }
  static float value(long frame, int channel) {
    return static_cast<float>(0.6 * std::sin(0.013 * static_cast<double>(frame) + channel));
  }

 private:
  int mChannels;
  long mFrame = 0;
  std::vector<float> mBlock;
};

struct Configured {
  Configured(int codec, int rate, int channels, std::string name = "Relaycaster") : source(channels) {
    std::string error;
    EXPECT_TRUE(output.configure(settingsFor(codec, 0, std::move(name)), rate, channels, error)) << error;
  }
  void feed(int blocks, int frames) {
    for (int b = 0; b < blocks; ++b) output.consumeBlock(source.next(frames), kStride, frames, stream);
  }
  SrtOutput output;
  BlockSource source;
  tstest::CapturedStream stream;
};

// The 302M pairs of every PES in the stream.
std::vector<std::pair<int32_t, int32_t>> pcmPairs(const std::vector<uint8_t>& bytes, std::vector<bool>* starts) {
  std::vector<std::pair<int32_t, int32_t>> pairs;
  for (const auto& unit : tstest::collectPes(bytes)) {
    EXPECT_EQ(unit.payload.size(), 3364u);
    for (size_t i = 4; i + 7 <= unit.payload.size(); i += 7) {
      const uint8_t* b = unit.payload.data() + i;
      auto rev = [](uint8_t x) {
        uint8_t r = 0;
        for (int k = 0; k < 8; ++k) r = static_cast<uint8_t>(r | (((x >> k) & 1) << (7 - k)));
        return r;
      };
      const uint32_t l = rev(b[0]) | (rev(b[1]) << 8) | (rev(b[2]) << 16);
      const uint32_t r = (rev(b[3]) >> 4 & 0xF) | (rev(b[4]) << 4) | (rev(b[5]) << 12) | ((rev(b[6]) & 0xF) << 20);
      pairs.emplace_back(static_cast<int32_t>(l << 8) >> 8, static_cast<int32_t>(r << 8) >> 8);
      if (starts) starts->push_back((b[3] & 0x10) != 0);
    }
  }
  return pairs;
}

TEST(SrtOutput, OutputRateAndBitrateRules) {
  SrtOutput output;
  std::string error;
  ASSERT_TRUE(output.configure(settingsFor(1), 44100, 2, error));
  EXPECT_EQ(output.outputRate(), 48000);
  EXPECT_FALSE(output.hasEncoder());
  ASSERT_TRUE(output.configure(settingsFor(0), 44100, 2, error));
  EXPECT_EQ(output.outputRate(), 44100);
  EXPECT_EQ(output.bitrateKbps(), 192);
  EXPECT_TRUE(output.hasEncoder());
  ASSERT_TRUE(output.configure(settingsFor(0), 96000, 1, error));
  EXPECT_EQ(output.outputRate(), 48000);
  EXPECT_EQ(output.bitrateKbps(), 96);
  ASSERT_TRUE(output.configure(settingsFor(0, 128), 48000, 1, error));
  EXPECT_EQ(output.bitrateKbps(), 128);
  ASSERT_TRUE(output.configure(settingsFor(0), 88200, 2, error));
  EXPECT_EQ(output.outputRate(), 48000);
  EXPECT_TRUE(error.empty());
}

TEST(SrtOutput, FirstMessageAfterResetIsTablesThenPesWithPcrZero) {
  Configured pcm(1, 48000, 2, "Drums");
  pcm.feed(25, 480);
  pcm.output.reset();
  pcm.stream.clear();
  pcm.feed(3, 480);
  ASSERT_GE(pcm.stream.sizes.size(), 1u);
  EXPECT_EQ(tstest::parsePacket(pcm.stream.packet(0)).pid, 0x0000);
  EXPECT_EQ(tstest::parsePacket(pcm.stream.packet(1)).pid, 0x1000);
  EXPECT_EQ(tstest::parsePacket(pcm.stream.packet(2)).pid, 0x0011);
  const uint8_t* sdt = pcm.stream.packet(2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sdt + 5 + 31), 5), "Drums");
  const tstest::Packet pes = tstest::parsePacket(pcm.stream.packet(3));
  EXPECT_EQ(pes.pid, 0x0100);
  EXPECT_TRUE(pes.unitStart);
  ASSERT_TRUE(pes.pcr.has_value());
  EXPECT_EQ(*pes.pcr, 0u);
  EXPECT_EQ(tstest::readTimestamp(pcm.stream.packet(3) + pes.payloadOffset + 9), 9000u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(tstest::parsePacket(pcm.stream.packet(static_cast<size_t>(i))).continuity, 0);
}

TEST(SrtOutput, PcmMessagesFramesAndTimingAt48k) {
  Configured pcm(1, 48000, 2);
  pcm.feed(100, 480);  // one second
  for (int size : pcm.stream.sizes) EXPECT_EQ(size, 1316);
  // 100 groups of 19 packets plus tables 10 times: 1930 packets, 275 whole messages.
  EXPECT_EQ(pcm.stream.sizes.size(), 1930u / 7u);
  EXPECT_EQ(pcm.output.sampleCounter(), 48000u);
  const auto units = tstest::collectPes(pcm.stream.bytes);
  ASSERT_GE(units.size(), 99u);
  for (size_t i = 0; i < units.size(); ++i) {
    EXPECT_EQ(units[i].pts, 9000u + 900u * i);
    EXPECT_EQ(units[i].streamId, 0xBD);
    EXPECT_EQ(units[i].pcr.has_value(), i % 4 == 0) << i;
  }
  // The samples are the input, quantised, and the right channel is the right one.
  const auto pairs = pcmPairs(pcm.stream.bytes, nullptr);
  for (size_t n = 0; n < pairs.size(); ++n) {
    ASSERT_EQ(pairs[n].first, relaycaster::quantise24(BlockSource::value(static_cast<long>(n), 0))) << n;
    ASSERT_EQ(pairs[n].second, relaycaster::quantise24(BlockSource::value(static_cast<long>(n), 1))) << n;
  }
}

TEST(SrtOutput, PcmGroupsSpanBlocksOfAnySize) {
  Configured pcm(1, 48000, 2);
  for (int frames : {1, 479, 100, 1920, 7, 333, 960}) pcm.feed(1, frames);  // 3800 frames: 7 groups
  EXPECT_EQ(pcm.output.sampleCounter(), 3360u);
  const auto pairs = pcmPairs(pcm.stream.bytes, nullptr);
  for (size_t n = 0; n < pairs.size(); ++n)
    ASSERT_EQ(pairs[n].first, relaycaster::quantise24(BlockSource::value(static_cast<long>(n), 0))) << n;
}

TEST(SrtOutput, MonoPcmCarriesTheChannelTwice) {
  Configured pcm(1, 48000, 1);
  pcm.feed(50, 480);
  const auto pairs = pcmPairs(pcm.stream.bytes, nullptr);
  ASSERT_GT(pairs.size(), 4000u);
  for (size_t n = 0; n < pairs.size(); ++n) {
    ASSERT_EQ(pairs[n].first, pairs[n].second) << n;
    ASSERT_EQ(pairs[n].first, relaycaster::quantise24(BlockSource::value(static_cast<long>(n), 0))) << n;
  }
}

TEST(SrtOutput, BlockStartPositionCarriesOnAcrossReset) {
  Configured pcm(1, 48000, 2);
  pcm.feed(1, 480);  // 480 frames: the next frame is 480 % 192 = 96 into a block
  pcm.output.reset();
  pcm.stream.clear();
  pcm.feed(30, 480);
  std::vector<bool> starts;
  pcmPairs(pcm.stream.bytes, &starts);
  ASSERT_GT(starts.size(), 400u);
  for (size_t n = 0; n < starts.size(); ++n) EXPECT_EQ(starts[n], (n + 480) % 192 == 0) << n;
}

TEST(SrtOutput, ResetDiscardsPartialGroupAndWaitingPackets) {
  Configured pcm(1, 48000, 2);
  pcm.feed(1, 700);  // one group out, 220 frames waiting, packets waiting
  pcm.output.reset();
  pcm.stream.clear();
  pcm.feed(1, 960);
  const auto units = tstest::collectPes(pcm.stream.bytes);
  ASSERT_EQ(pcm.stream.sizes.size(), 5u);  // 3 + 2 x 19 packets: six wait
  ASSERT_EQ(units.size(), 1u);
  EXPECT_EQ(units[0].pts, 9000u);
  EXPECT_EQ(pcm.output.sampleCounter(), 960u);
  // The first group after the reset starts at frame 700 of the input.
  const auto pairs = pcmPairs(pcm.stream.bytes, nullptr);
  ASSERT_EQ(pairs.size(), 480u);
  EXPECT_EQ(pairs[0].first, relaycaster::quantise24(BlockSource::value(700, 0)));
}

TEST(SrtOutput, AacAt44100AdvancesWithoutDrift) {
  Configured aac(0, 44100, 2);
  aac.feed(500, 441);  // five seconds
  const auto units = tstest::collectPes(aac.stream.bytes);
  ASSERT_GT(units.size(), 200u);
  for (size_t i = 0; i < units.size(); ++i) {
    EXPECT_EQ(units[i].streamId, 0xC0);
    EXPECT_EQ(units[i].pts, 9000u + i * 1024u * 90000u / 44100u) << i;  // from the sample count, not summed
    const auto& au = units[i].payload;
    ASSERT_GE(au.size(), 7u);
    EXPECT_EQ(au[0], 0xFF);
    EXPECT_EQ(au[1], 0xF1);
    EXPECT_EQ(au[2], 0x50);  // AAC LC, 44100 Hz
    EXPECT_EQ(((au[3] & 3) << 11) | (au[4] << 3) | (au[5] >> 5), static_cast<int>(au.size()));
  }
  for (int size : aac.stream.sizes) EXPECT_EQ(size, 1316);
}

TEST(SrtOutput, AacMonoAt48kGivesMonoAdts) {
  Configured aac(0, 48000, 1);
  aac.feed(100, 480);
  const auto units = tstest::collectPes(aac.stream.bytes);
  ASSERT_GT(units.size(), 30u);
  EXPECT_EQ(units[0].payload[2], 0x4C);
  EXPECT_EQ(units[0].payload[3] >> 6, 1);
  EXPECT_EQ(units[1].pts - units[0].pts, 1920u);
}

TEST(SrtOutput, AacResetStartsAFreshEncoderAndStream) {
  Configured aac(0, 48000, 2);
  aac.feed(30, 480);
  aac.output.reset();
  EXPECT_TRUE(aac.output.hasEncoder());
  EXPECT_EQ(aac.output.sampleCounter(), 0u);
  aac.stream.clear();
  aac.feed(30, 480);
  const auto units = tstest::collectPes(aac.stream.bytes);
  ASSERT_GT(units.size(), 3u);
  EXPECT_EQ(units[0].pts, 9000u);
  EXPECT_EQ(tstest::parsePacket(aac.stream.packet(0)).pid, 0);
}

TEST(SrtOutput, ResampledPcmFrom44100GivesWholeGroups) {
  Configured pcm(1, 44100, 2);
  pcm.feed(100, 441);
  EXPECT_EQ(pcm.output.sampleCounter(), 48000u);
  for (int size : pcm.stream.sizes) EXPECT_EQ(size, 1316);
}

TEST(SrtOutput, ConsumingBlocksDoesNotAllocate) {
  for (int rate : {48000, 44100, 96000}) {
    Configured pcm(1, rate, 2);
    tstest::CountingSink sink;
    const int frames = rate / 100;
    const float* block = pcm.source.next(frames);
    pcm.output.consumeBlock(block, kStride, frames, sink);  // warm-up
    testsupport::AllocationCounter counter;
    for (int b = 0; b < 200; ++b) pcm.output.consumeBlock(block, kStride, frames, sink);
    EXPECT_EQ(counter.allocations(), 0u) << rate;
    EXPECT_EQ(counter.locks(), 0u) << rate;
    EXPECT_GT(sink.messages, 500);
  }
  // AAC: our own code adds none (libavcodec's internal buffers use malloc,
  // which this counter does not see).
  Configured aac(0, 48000, 2);
  tstest::CountingSink sink;
  const float* block = aac.source.next(480);
  for (int b = 0; b < 5; ++b) aac.output.consumeBlock(block, kStride, 480, sink);
  testsupport::AllocationCounter counter;
  for (int b = 0; b < 200; ++b) aac.output.consumeBlock(block, kStride, 480, sink);
  EXPECT_EQ(counter.allocations(), 0u);
  EXPECT_GT(sink.messages, 20);
}

TEST(SrtOutput, IgnoresEmptyBlocks) {
  Configured pcm(1, 48000, 2);
  pcm.output.consumeBlock(nullptr, kStride, 480, pcm.stream);
  pcm.output.consumeBlock(pcm.source.next(480), kStride, 0, pcm.stream);
  pcm.output.consumeBlock(pcm.source.next(480), kStride, -5, pcm.stream);
  EXPECT_EQ(pcm.output.sampleCounter(), 0u);
  EXPECT_TRUE(pcm.stream.bytes.empty());
}

}  // namespace
