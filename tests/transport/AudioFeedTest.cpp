#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "transport/AudioFeed.h"
#include "transport/FeedReader.h"

namespace relaycaster {
namespace {

float slot(const AudioFeed& feed, uint64_t frame, int channel) {
  return feed.ring()->samples[(frame & AudioRing::mask) * 2 + static_cast<uint64_t>(channel)];
}

void pushConstant(AudioFeed& feed, int channels, int frames, double value, float gain) {
  std::vector<std::vector<double>> data(static_cast<size_t>(channels), std::vector<double>(static_cast<size_t>(frames), value));
  std::vector<const double*> pointers;
  for (auto& channel : data) pointers.push_back(channel.data());
  feed.push(pointers.data(), channels, frames, gain);
}

TEST(AudioFeed, NothingIsWrittenUntilEnabled) {
  AudioFeed feed;
  pushConstant(feed, 2, 16, 1.0, 1.0f);
  EXPECT_EQ(feed.ring(), nullptr);
  feed.enable();
  feed.disable();
  pushConstant(feed, 2, 16, 1.0, 0.5f);
  EXPECT_EQ(feed.ring()->written.load(), 0u);
  // The first block after enabling is written at its target gain: no ramp.
  feed.enable();
  pushConstant(feed, 2, 4, 1.0, 0.5f);
  for (uint64_t i = 0; i < 4; ++i) EXPECT_EQ(slot(feed, i, 0), 0.5f);
}

TEST(AudioFeed, GainRampsAcrossTheBlockAndEndsOnTarget) {
  AudioFeed feed;
  feed.enable();
  pushConstant(feed, 2, 4, 1.0, 0.5f);
  pushConstant(feed, 2, 4, 1.0, 1.0f);
  const float expected[] = {0.625f, 0.75f, 0.875f, 1.0f};
  for (uint64_t i = 0; i < 4; ++i) {
    EXPECT_EQ(slot(feed, 4 + i, 0), expected[i]);
    EXPECT_EQ(slot(feed, 4 + i, 1), expected[i]);
  }
  EXPECT_EQ(feed.ring()->written.load(), 8u);
  EXPECT_EQ(feed.ring()->reserved.load(), 8u);
}

TEST(AudioFeed, ZeroFramesClearsThePrimedGain) {
  AudioFeed feed;
  feed.enable();
  pushConstant(feed, 1, 4, 1.0, 1.0f);
  pushConstant(feed, 1, 0, 1.0, 0.25f);
  EXPECT_EQ(feed.ring()->written.load(), 4u);
  pushConstant(feed, 1, 2, 1.0, 0.25f);  // starts at target, not ramping from 1.0
  EXPECT_EQ(slot(feed, 4, 0), 0.25f);
}

TEST(AudioFeed, ChannelCountFollowsThePushes) {
  AudioFeed feed;
  feed.enable();
  EXPECT_EQ(feed.channels(), 2);
  pushConstant(feed, 1, 4, 0.5, 1.0f);
  EXPECT_EQ(feed.channels(), 1);
  EXPECT_EQ(slot(feed, 3, 0), 0.5f);
  EXPECT_EQ(slot(feed, 3, 1), 0.0f);
  pushConstant(feed, 3, 4, 0.25, 1.0f);
  EXPECT_EQ(feed.channels(), 2);
  EXPECT_EQ(slot(feed, 7, 1), 0.25f);
  EXPECT_EQ(feed.ring()->written.load(), 8u);
}

TEST(AudioFeed, PeaksAreTakenOnce) {
  AudioFeed feed;
  feed.enable();
  std::vector<double> left{0.1, -0.8, 0.3}, right{0.2, 0.4, -0.5};
  const double* inputs[] = {left.data(), right.data()};
  feed.push(inputs, 2, 3, 1.0f);
  auto [peaks, channels] = feed.takePeaks();
  EXPECT_FLOAT_EQ(peaks[0], 0.8f);
  EXPECT_FLOAT_EQ(peaks[1], 0.5f);
  EXPECT_EQ(channels, 2);
  auto [again, sameChannels] = feed.takePeaks();
  EXPECT_EQ(again[0], 0.0f);
  EXPECT_EQ(again[1], 0.0f);
  EXPECT_EQ(sameChannels, 2);
}

TEST(AudioFeed, BlocksWrapAroundTheRing) {
  AudioFeed feed;
  feed.enable();
  pushConstant(feed, 2, static_cast<int>(AudioRing::capacity) - 3, 0.0, 1.0f);
  std::vector<double> ramp(8);
  for (int i = 0; i < 8; ++i) ramp[static_cast<size_t>(i)] = i + 1;
  const double* inputs[] = {ramp.data(), ramp.data()};
  feed.push(inputs, 2, 8, 1.0f);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(slot(feed, AudioRing::capacity - 3 + static_cast<uint64_t>(i), 0), i + 1.0f);
}

TEST(AudioFeed, DropoutResetIsRequestedOnce) {
  AudioFeed feed;
  feed.publishDropouts(3);
  feed.resetDropouts();
  EXPECT_EQ(feed.dropoutCount(), 0);
  EXPECT_TRUE(feed.takeDropoutResetRequest());
  EXPECT_FALSE(feed.takeDropoutResetRequest());
}

// Frame f carries its own number: left = f mod 65536 + 1, right = f / 65536 + 1,
// both exact in float. Silence is (0, 0).
struct NumberedFrames {
  static double left(uint64_t f) { return static_cast<double>(f % 65536 + 1); }
  static double right(uint64_t f) { return static_cast<double>(f / 65536 + 1); }
  static bool decode(float l, float r, uint64_t& frame) {
    if (l == 0.0f && r == 0.0f) return false;
    frame = static_cast<uint64_t>(r - 1) * 65536 + static_cast<uint64_t>(l - 1);
    return true;
  }
};

// A writer pushes numbered frames in blocks of random size while a reader
// drains, now and then pausing until it has been lapped. Every block the
// reader hands out must be intact and in order; laps must show up as
// drop-outs. Outside the pauses the writer stays at most a quarter of the
// ring ahead of the reader, as a host does, so the outcome does not depend
// on how the two threads happen to be scheduled.
TEST(AudioFeedStress, ReaderSeesIntactOrderedFramesAndDetectsLaps) {
  AudioFeed feed;
  feed.enable();
  FeedReader reader;
  reader.setup(feed, 48000.0, 2, 0.04);

  constexpr uint64_t kLead = AudioRing::capacity / 4;
  std::atomic<bool> stop{false};
  std::atomic<bool> lapping{false};      // reader paused: the writer may run ahead
  std::atomic<uint64_t> consumed{0};     // the reader's position in the ring, as it last published it
  std::thread writer([&] {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> sizes(1, 4096);
    std::vector<double> left(4096), right(4096);
    uint64_t next = 0;
    while (!stop.load(std::memory_order_relaxed)) {
      if (!lapping.load(std::memory_order_acquire) && next > consumed.load(std::memory_order_acquire) + kLead) {
        std::this_thread::yield();
        continue;
      }
      const int frames = sizes(random);
      for (int i = 0; i < frames; ++i) {
        left[static_cast<size_t>(i)] = NumberedFrames::left(next + static_cast<uint64_t>(i));
        right[static_cast<size_t>(i)] = NumberedFrames::right(next + static_cast<uint64_t>(i));
      }
      const double* inputs[] = {left.data(), right.data()};
      feed.push(inputs, 2, frames, 1.0f);
      next += static_cast<uint64_t>(frames);
    }
  });

  uint64_t delivered = 0, broken = 0, lastFrame = 0;
  bool haveLast = false;
  int dropoutsSeen = 0;
  auto check = [&](const float* samples, int stride, int channels, int frames) {
    ASSERT_EQ(channels, 2);
    uint64_t first = 0;
    if (!NumberedFrames::decode(samples[0], samples[stride], first)) return;  // silence
    for (int i = 0; i < frames; ++i) {
      uint64_t frame = 0;
      if (!NumberedFrames::decode(samples[i], samples[stride + i], frame) || frame != first + static_cast<uint64_t>(i)) ++broken;
    }
    // Across blocks the numbering continues, unless the reader was lapped.
    if (haveLast && first != lastFrame + 1 && reader.dropouts() == dropoutsSeen) ++broken;
    if (haveLast && first <= lastFrame) ++broken;
    dropoutsSeen = reader.dropouts();
    lastFrame = first + static_cast<uint64_t>(frames) - 1;
    haveLast = true;
    ++delivered;
  };
  // Lets the writer run until it has overwritten frames the reader has not
  // read yet (or the deadline passes).
  auto getLapped = [&](std::chrono::steady_clock::time_point deadline) {
    const uint64_t from = feed.ring()->written.load(std::memory_order_acquire);
    lapping.store(true, std::memory_order_release);
    while (feed.ring()->written.load(std::memory_order_acquire) < from + AudioRing::capacity + 4096 &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    lapping.store(false, std::memory_order_release);
  };

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  int round = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    reader.pull(check);
    // The read position, not the last delivered frame: after a lap the
    // reader refills from where it recovered to.
    consumed.store(feed.ring()->read, std::memory_order_release);
    // A reader with nothing to read lets the writer have the processor, as
    // a worker does between its wake-ups; on a busy machine the two may
    // share one.
    if (reader.waiting()) std::this_thread::yield();
    if (++round % 2000 == 0) getLapped(deadline);
  }
  stop = true;
  writer.join();

  EXPECT_EQ(broken, 0u);
  EXPECT_GT(delivered, 100u);
  EXPECT_GT(reader.dropouts(), 0) << "the reader was never lapped";
}

}  // namespace
}  // namespace relaycaster
