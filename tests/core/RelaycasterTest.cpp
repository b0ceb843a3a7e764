#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include "core/Relaycaster.h"
#include "support/AllocationCounter.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace relaycaster {
namespace {

// Channel buffers for one block, filled with a distinct ramp per channel.
struct Block {
  Block(int channels, int frames, double base) : data(static_cast<size_t>(channels), std::vector<double>(static_cast<size_t>(frames))) {
    for (int c = 0; c < channels; ++c)
      for (int i = 0; i < frames; ++i) data[c][i] = base + 0.01 * c + 0.0001 * i;
    for (auto& channel : data) pointers.push_back(channel.data());
  }
  double** ptr() { return pointers.empty() ? nullptr : pointers.data(); }
  std::vector<std::vector<double>> data;
  std::vector<double*> pointers;
};

float ringSample(AudioFeed& feed, uint64_t frame, int channel) {
  return feed.ring()->samples[(frame & AudioRing::mask) * 2 + static_cast<uint64_t>(channel)];
}

TEST(RenderBlock, PassesAudioThroughInEveryChannelLayout) {
  struct Layout { int in, out; };
  for (Layout layout : {Layout{1, 1}, Layout{2, 2}, Layout{1, 2}, Layout{2, 1}, Layout{2, 4}, Layout{0, 2}}) {
    Relaycaster plugin;
    plugin.ndiFeed().enable();
    Block in(layout.in, 64, 0.25);
    Block out(layout.out, 64, 9.0);
    plugin.ProcessBuffers(in.ptr(), layout.in, out.ptr(), layout.out, 64);
    for (int c = 0; c < layout.out; ++c) {
      for (int i = 0; i < 64; ++i) {
        double expected = 0.0;
        if (layout.in > 0) expected = c < layout.in ? in.data[c][i] : in.data[0][i];
        ASSERT_EQ(out.data[c][i], expected) << layout.in << "-" << layout.out << " channel " << c;
      }
    }
  }
}

TEST(RenderBlock, InPlaceBuffersStayUntouchedAndStillFeed) {
  Relaycaster plugin;
  plugin.srtFeed().enable();
  Block io(2, 32, 0.5);
  const auto original = io.data;
  plugin.ProcessBuffers(io.ptr(), 2, io.ptr(), 2, 32);
  EXPECT_EQ(io.data, original);
  EXPECT_EQ(plugin.srtFeed().ring()->written.load(), 32u);
  EXPECT_FLOAT_EQ(ringSample(plugin.srtFeed(), 31, 1), static_cast<float>(original[1][31]));
}

TEST(RenderBlock, EachFeedGetsItsOwnLevel) {
  Relaycaster plugin;
  plugin.ndiFeed().enable();
  plugin.srtFeed().enable();
  plugin.GetParam(kSrtLevel)->Set(-60.0);
  plugin.GetParam(kNdiLevel)->Set(-6.0);
  Block in(2, 16, 0.5);
  Block out(2, 16, 0.0);
  plugin.ProcessBuffers(in.ptr(), 2, out.ptr(), 2, 16);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(ringSample(plugin.srtFeed(), static_cast<uint64_t>(i), 0), 0.0f);
    EXPECT_FLOAT_EQ(ringSample(plugin.ndiFeed(), static_cast<uint64_t>(i), 0),
                    levelToGain(-6.0) * static_cast<float>(in.data[0][i]));
  }
  EXPECT_EQ(out.data, in.data);
}

TEST(RenderBlock, OfflineBounceAndHostBypassSendNothing) {
  Relaycaster plugin;
  plugin.ndiFeed().enable();
  plugin.srtFeed().enable();
  Block in(2, 32, 0.1);
  Block out(2, 32, 0.0);
  plugin.SetRenderingOffline(true);
  plugin.ProcessBuffers(in.ptr(), 2, out.ptr(), 2, 32);
  EXPECT_EQ(out.data, in.data);
  plugin.SetRenderingOffline(false);
  plugin.SetHostBypassed(true);
  Block out2(2, 32, 0.0);
  plugin.ProcessBuffers(in.ptr(), 2, out2.ptr(), 2, 32);
  EXPECT_EQ(out2.data, in.data);
  EXPECT_EQ(plugin.ndiFeed().ring()->written.load(), 0u);
  EXPECT_EQ(plugin.srtFeed().ring()->written.load(), 0u);
}

TEST(RenderBlock, LevelChangeRampsWithinTheNextBlock) {
  Relaycaster plugin;
  plugin.ndiFeed().enable();
  Block ones(1, 4, 1.0);
  for (auto& v : ones.data[0]) v = 1.0;
  Block out(1, 4, 0.0);
  plugin.GetParam(kNdiLevel)->Set(-60.0);
  plugin.ProcessBuffers(ones.ptr(), 1, out.ptr(), 1, 4);
  plugin.GetParam(kNdiLevel)->Set(0.0);
  plugin.ProcessBuffers(ones.ptr(), 1, out.ptr(), 1, 4);
  const float expected[] = {0, 0, 0, 0, 0.25f, 0.5f, 0.75f, 1.0f};
  for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(ringSample(plugin.ndiFeed(), static_cast<uint64_t>(i), 0), expected[i]);
}

TEST(RenderBlock, ZeroInputsSilenceOutputsAndRestartTheRamp) {
  Relaycaster plugin;
  plugin.ndiFeed().enable();
  Block in(1, 8, 1.0);
  Block out(2, 8, 5.0);
  plugin.ProcessBuffers(in.ptr(), 1, out.ptr(), 1, 8);  // primes the ramp at 0 dB
  plugin.ProcessBuffers(nullptr, 0, out.ptr(), 2, 8);
  for (auto& channel : out.data)
    for (double v : channel) EXPECT_EQ(v, 0.0);
  EXPECT_EQ(plugin.ndiFeed().ring()->written.load(), 8u);
  // The next block with input starts at its target gain instead of ramping
  // down from 0 dB.
  plugin.GetParam(kNdiLevel)->Set(-6.0);
  plugin.ProcessBuffers(in.ptr(), 1, out.ptr(), 1, 8);
  EXPECT_FLOAT_EQ(ringSample(plugin.ndiFeed(), 8, 0), levelToGain(-6.0) * 1.0f);
}

TEST(RenderBlock, RestoresTheFloatingPointControlState) {
#if defined(__SSE__)
  Relaycaster plugin;
  const unsigned before = _mm_getcsr();
  Block in(2, 8, 0.1), out(2, 8, 0.0);
  plugin.ProcessBuffers(in.ptr(), 2, out.ptr(), 2, 8);
  EXPECT_EQ(_mm_getcsr(), before);
#else
  GTEST_SKIP() << "no MXCSR on this processor";
#endif
}

TEST(RenderBlock, AllocatesNothingAndTakesNoLock) {
  Relaycaster plugin;
  plugin.ndiFeed().enable();
  plugin.srtFeed().enable();
  Block in(2, 2048, 0.1), out(2, 2048, 0.0);
  plugin.ProcessBuffers(in.ptr(), 2, out.ptr(), 2, 2048);  // warm up
  testsupport::AllocationCounter counter;
  for (int frames : {1, 32, 128, 512, 2048}) {
    plugin.GetParam(kNdiLevel)->Set(-0.1 * frames / 100.0);
    plugin.ProcessBuffers(in.ptr(), 2, out.ptr(), 2, frames);
    plugin.ProcessBuffers(in.ptr(), 1, out.ptr(), 1, frames);
  }
  EXPECT_EQ(counter.allocations(), 0u);
  EXPECT_EQ(counter.locks(), 0u);
}

TEST(AllocationCounter, SeesAllocationsAndLocks) {
  testsupport::AllocationCounter counter;
  auto p = std::make_unique<int>(1);
  std::mutex m;
  { std::lock_guard lock(m); }
  EXPECT_EQ(counter.allocations(), 1u);
  EXPECT_EQ(counter.locks(), 1u);
}

}  // namespace
}  // namespace relaycaster
