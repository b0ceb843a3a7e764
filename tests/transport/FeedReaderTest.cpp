#include "transport/FeedReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "support/AllocationCounter.h"
#include "transport/AudioFeed.h"

namespace relaycaster {
namespace {

// Every frame the test writer produces carries its own number n: channel 0
// holds n + 1 and channel 1 holds -(n + 1), so silence (0) is never mistaken
// for audio and each delivered block says exactly which frames it holds.
struct DeliveredBlock {
  int frames = 0;
  int channels = 0;
  bool silent = false;
  int64_t firstFrame = -1;  // -1 for silence
  uint64_t writtenAtDelivery = 0;
};

// The sink: records each block and checks that it is either all silence
// or consecutive, correctly numbered frames.
class Recorder {
 public:
  explicit Recorder(const AudioFeed& feed) : mFeed(feed) {}

  void operator()(const float* samples, int stride, int channels, int frames) {
    EXPECT_EQ(stride, FeedReader::kBlockStride);
    DeliveredBlock block;
    block.frames = frames;
    block.channels = channels;
    block.writtenAtDelivery = mFeed.ring() ? mFeed.ring()->written.load() : 0;
    block.silent = samples[0] == 0.0f;
    if (!block.silent) block.firstFrame = static_cast<int64_t>(samples[0]) - 1;
    for (int c = 0; c < channels; ++c)
      for (int i = 0; i < frames; ++i) {
        const float expected = block.silent ? 0.0f : static_cast<float>((block.firstFrame + 1 + i) * (c == 0 ? 1 : -1));
        if (samples[c * stride + i] != expected) {
          ADD_FAILURE() << "block " << blocks.size() << " channel " << c << " frame " << i << ": "
                        << samples[c * stride + i] << " instead of " << expected;
          return;
        }
      }
    blocks.push_back(block);
  }

  size_t silentBlocks() const {
    size_t count = 0;
    for (const DeliveredBlock& block : blocks) count += block.silent;
    return count;
  }
  // Index of the first block with audio (or silence) from `from` on, or
  // blocks.size().
  size_t firstAudio(size_t from = 0) const {
    while (from < blocks.size() && blocks[from].silent) ++from;
    return from;
  }
  size_t firstSilence(size_t from = 0) const {
    while (from < blocks.size() && !blocks[from].silent) ++from;
    return from;
  }
  // True when the audio blocks from `from` on follow each other without a
  // gap or a repeat.
  bool audioIsContiguous(size_t from = 0) const {
    int64_t next = -1;
    for (size_t i = from; i < blocks.size(); ++i) {
      if (blocks[i].silent) continue;
      if (next >= 0 && blocks[i].firstFrame != next) return false;
      next = blocks[i].firstFrame + blocks[i].frames;
    }
    return true;
  }

  std::vector<DeliveredBlock> blocks;

 private:
  const AudioFeed& mFeed;
};

class FeedReaderTest : public testing::Test {
 protected:
  static constexpr double kWakeUp = 0.002;

  FeedReaderTest() { feed.enable(); }

  // The audio thread: one host block of the next `frames` numbered frames.
  void write(int frames) {
    std::vector<double> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
      left[static_cast<size_t>(i)] = static_cast<double>(mNextFrame + static_cast<uint64_t>(i) + 1);
      right[static_cast<size_t>(i)] = -left[static_cast<size_t>(i)];
    }
    const double* inputs[] = {left.data(), right.data()};
    feed.push(inputs, 2, frames, 1.0f);
    mNextFrame += static_cast<uint64_t>(frames);
  }

  void setup(double rate = 48000.0, double bufferSeconds = 0.04, int channels = 2) {
    reader.setup(feed, rate, channels, bufferSeconds);
    mHostRate = rate;
  }

  // Writer and reader together for `seconds` in 2 ms wake-ups: the host
  // writes `hostBlock`-frame blocks at its rate times `hostSpeed` (while
  // `hostRunning`), the reader pumps on the synthetic clock.
  void run(double seconds, int hostBlock = 512, bool hostRunning = true, double hostSpeed = 1.0) {
    const long steps = std::lround(seconds / kWakeUp);
    for (long step = 0; step < steps; ++step) {
      ++mTicks;
      if (hostRunning) {
        mHostOwed += mHostRate * hostSpeed * kWakeUp;
        while (mHostOwed >= hostBlock) {
          write(hostBlock);
          mHostOwed -= hostBlock;
        }
      }
      reader.pump(now(), recorder);
    }
  }

  // Pulls directly, without the pacing.
  void pull(int blocks = 1) {
    for (int i = 0; i < blocks; ++i) reader.pull(recorder);
  }

  double now() const { return static_cast<double>(mTicks) * kWakeUp; }
  uint64_t written() const { return feed.ring()->written.load(); }
  uint64_t available() const { return written() - feed.ring()->read; }

  AudioFeed feed;
  FeedReader reader;
  Recorder recorder{feed};

 private:
  uint64_t mNextFrame = 0;
  long mTicks = 0;
  double mHostRate = 48000.0;
  double mHostOwed = 0.0;
};

TEST_F(FeedReaderTest, BlockIsTenMillisecondsRoundedAndClamped) {
  struct Case {
    double hostRate;
    double rate;
    int blockFrames;
  };
  for (const Case& c : {Case{48000, 48000, 480}, Case{44100, 44100, 441}, Case{22050, 22050, 221}, Case{192000, 192000, 1920},
                        Case{384000, 384000, 1920}, Case{999, 1000, 10}, Case{0, 1000, 10}, Case{-48000, 1000, 10},
                        Case{std::numeric_limits<double>::quiet_NaN(), 1000, 10}}) {
    setup(c.hostRate);
    EXPECT_EQ(reader.rate(), c.rate) << c.hostRate;
    EXPECT_EQ(reader.blockFrames(), c.blockFrames) << c.hostRate;
  }
  for (const auto& [requested, expected] : {std::pair{0, 1}, std::pair{1, 1}, std::pair{2, 2}, std::pair{5, 2}}) {
    setup(48000, 0.04, requested);
    EXPECT_EQ(reader.channels(), expected) << requested;
  }
}

TEST_F(FeedReaderTest, PacesBlocksByTheClockBelow1000HzToo) {
  // 22050 Hz: 221-frame blocks, 220.5 owed per 10 ms; the remainder carries.
  setup(22050);
  run(10.0, 256);
  EXPECT_EQ(recorder.blocks.size(), 997u);  // floor(220500 / 221)
  for (const DeliveredBlock& block : recorder.blocks) ASSERT_EQ(block.frames, 221);

  // 500 Hz is paced as 1000 Hz: 10-frame blocks, 100 a second.
  Recorder slow(feed);
  setup(500);
  for (int quarter = 0; quarter <= 6; ++quarter) reader.pump(100.0 + 0.25 * quarter, slow);
  EXPECT_EQ(slow.blocks.size(), 150u);
  for (const DeliveredBlock& block : slow.blocks) ASSERT_EQ(block.frames, 10);
}

// A worker that sleeps until its next blocks are owed wakes once per one
// or two blocks, and every block still leaves just after it is due.
TEST_F(FeedReaderTest, AWorkerSleepingUntilItsNextBlocksAreOwedWakesOncePerPassAndNeverLate) {
  for (const int blocks : {1, 2}) {
    SCOPED_TRACE(blocks);
    setup(48000);
    EXPECT_DOUBLE_EQ(workerWaitMilliseconds(reader, blocks), kMinWorkerWaitMs);  // before the first pump: go at once
    Recorder taken(feed);
    double clock = 100.0;
    int passes = 0;
    double dueAt = clock;
    while (clock < 110.0) {
      const size_t before = taken.blocks.size();
      reader.pump(clock, taken);
      ++passes;
      if (taken.blocks.size() > before) {
        // The last block of the pass was owed at most the 0.1 ms margin (or
        // the shortest wait) before; the first of them a block earlier.
        EXPECT_GE(clock - dueAt, -1e-9) << passes;
        EXPECT_LE(clock - dueAt, 0.00026) << passes;
        EXPECT_EQ(taken.blocks.size() - before, static_cast<size_t>(passes == 1 ? 0 : blocks)) << passes;
      }
      dueAt = clock + reader.secondsToNextBlock(blocks);
      const double wait = workerWaitMilliseconds(reader, blocks);
      ASSERT_GE(wait, kMinWorkerWaitMs);
      ASSERT_LE(wait, kMaxWorkerWaitMs);
      clock += wait / 1000.0;
    }
    EXPECT_NEAR(static_cast<double>(taken.blocks.size()), 1000.0, 2.0);
    EXPECT_LE(passes, 1000 / blocks + 10);  // against 5000 passes of 2 ms
  }
  // Blocks of 10 ms at the 1000 Hz floor; three of them are past the longest wait.
  setup(500);
  reader.pump(200.0, recorder);
  EXPECT_NEAR(workerWaitMilliseconds(reader), 10.1, 1e-9);
  EXPECT_NEAR(workerWaitMilliseconds(reader, 2), 20.1, 1e-9);
  EXPECT_DOUBLE_EQ(workerWaitMilliseconds(reader, 3), kMaxWorkerWaitMs);
}

TEST_F(FeedReaderTest, StartsWithSilenceUntilTargetPlusOneBlock) {
  write(3000);  // anything buffered before the set-up is dropped
  setup(48000, 0.04);
  write(2399);
  pull();
  ASSERT_EQ(recorder.blocks.size(), 1u);
  EXPECT_TRUE(recorder.blocks[0].silent);
  write(1);
  pull();
  ASSERT_EQ(recorder.blocks.size(), 2u);
  EXPECT_FALSE(recorder.blocks[1].silent);
  EXPECT_EQ(recorder.blocks[1].firstFrame, 3000);
  EXPECT_EQ(reader.dropouts(), 0);
}

TEST_F(FeedReaderTest, RunningHostIsDeliveredWithoutGapsOrRepeats) {
  setup(48000, 0.04);
  run(5.0, 512);
  const size_t first = recorder.firstAudio();
  ASSERT_LT(first, recorder.blocks.size());
  // The first audio left as soon as target plus one block had been written.
  EXPECT_GE(recorder.blocks[first].writtenAtDelivery, 2400u);
  EXPECT_LT(recorder.blocks[first - 1].writtenAtDelivery, 2400u);
  EXPECT_EQ(recorder.blocks[first].firstFrame, 0);
  EXPECT_EQ(recorder.silentBlocks(), first);  // no silence once started
  EXPECT_TRUE(recorder.audioIsContiguous());
  EXPECT_EQ(reader.dropouts(), 0);
  EXPECT_NEAR(static_cast<double>(recorder.blocks.size()), 500.0, 1.0);
  // Fill stays near the target, so the correction stays small.
  EXPECT_LE(std::fabs(reader.rateCorrection()), 0.0002);
}

// At 384 kHz a second of buffer is more than the ring holds: the reader
// keeps what the ring can safely hold and still delivers audio. At 192 kHz
// a second still fits and is kept as asked.
TEST_F(FeedReaderTest, LongestBufferAtTheHighestRatesStillDeliversAudio) {
  setup(192000, 1.0);
  EXPECT_EQ(reader.bufferSeconds(), 1.0);

  setup(384000, 1.0);
  EXPECT_LT(reader.bufferSeconds() * 384000, static_cast<double>(AudioRing::capacity));
  run(2.0, 1024);
  const size_t first = recorder.firstAudio();
  ASSERT_LT(first, recorder.blocks.size()) << "only silence";
  EXPECT_EQ(recorder.silentBlocks(), first);
  EXPECT_TRUE(recorder.audioIsContiguous());
  EXPECT_EQ(reader.dropouts(), 0);

  reader.setBuffer(0.9);  // still beyond the ring: nothing to change
  EXPECT_FALSE(reader.waiting());
}

TEST_F(FeedReaderTest, UnderrunRefillsTheTargetAndCountsAShortStall) {
  setup(48000, 0.04);
  run(1.0, 480);
  const size_t beforeStall = recorder.blocks.size();
  run(0.08, 480, false);  // the host stalls for 80 ms: 40 ms beyond the buffer
  run(1.0, 480);
  // The buffer ran dry, silence covered the gap, then the full target was
  // rebuilt before audio flowed again, continuing where it had stopped.
  const size_t resumed = recorder.firstAudio(recorder.firstSilence(beforeStall));
  ASSERT_LT(resumed, recorder.blocks.size());
  EXPECT_GE(recorder.blocks[resumed].writtenAtDelivery - static_cast<uint64_t>(recorder.blocks[resumed].firstFrame), 2400u);
  EXPECT_TRUE(recorder.audioIsContiguous());
  EXPECT_EQ(reader.dropouts(), 1);
  EXPECT_FALSE(reader.waiting());
}

TEST_F(FeedReaderTest, StallCountsOnlyUpToTargetPlusATenthOfASecond) {
  struct Case {
    double stall;
    int dropouts;
  };
  for (const Case& c : {Case{0.06, 1}, Case{0.12, 1}, Case{0.3, 0}, Case{2.0, 0}}) {
    recorder.blocks.clear();
    setup(48000, 0.04);
    run(0.5, 480);
    run(c.stall, 480, false);
    run(0.5, 480);
    EXPECT_EQ(reader.dropouts(), c.dropouts) << c.stall;
    EXPECT_TRUE(recorder.audioIsContiguous()) << c.stall;
  }
}

TEST_F(FeedReaderTest, OverrunKeepsTheNewestTargetAndCountsOneDropout) {
  setup(48000, 0.04);
  write(2400);
  pull();
  ASSERT_FALSE(recorder.blocks.back().silent);
  // The reader falls behind by more than the whole ring, twice over.
  for (int i = 0; i < 2 * 262144 / 1000 + 10; ++i) write(1000);
  pull();
  EXPECT_EQ(reader.dropouts(), 1);
  ASSERT_FALSE(recorder.blocks.back().silent);
  EXPECT_EQ(recorder.blocks.back().firstFrame, static_cast<int64_t>(written()) - 1920);
  pull(3);  // the rest of the kept target, in order
  EXPECT_TRUE(recorder.audioIsContiguous(1));
  EXPECT_EQ(static_cast<uint64_t>(recorder.blocks.back().firstFrame + 480), written());
  pull();  // then an under-run
  EXPECT_TRUE(recorder.blocks.back().silent);
  EXPECT_EQ(reader.dropouts(), 1);
}

TEST_F(FeedReaderTest, WriterAboutToOverwriteUnreadFramesIsDetectedThroughReserved) {
  setup(48000, 0.04);
  write(2400);
  pull();
  // The reader lags almost a whole ring behind; then the writer reserves a
  // 512-frame block, whose slots hold the oldest unread frames, and has not
  // finished it yet.
  for (int i = 0; i < 260; ++i) write(1000);
  write(124);
  ASSERT_EQ(available(), AudioRing::capacity - 100);
  AudioRing& ring = *feed.ring();
  const uint64_t committed = ring.written.load();
  ring.reserved.store(committed + 512);
  pull();
  EXPECT_TRUE(recorder.blocks.back().silent);  // a torn copy is never handed out
  EXPECT_EQ(reader.dropouts(), 1);
  EXPECT_EQ(ring.read, committed - 1920);  // the newest target is kept
  // The writer finishes its block; reading resumes at the kept frames.
  ring.reserved.store(committed);
  write(512);
  pull();
  EXPECT_FALSE(recorder.blocks.back().silent);
  EXPECT_EQ(recorder.blocks.back().firstFrame, static_cast<int64_t>(committed) - 1920);
  EXPECT_EQ(reader.dropouts(), 1);
}

TEST_F(FeedReaderTest, WriterMidBlockElsewhereInTheRingIsNotAnOverrun) {
  setup(48000, 0.04);
  write(2400);
  AudioRing& ring = *feed.ring();
  ring.reserved.store(ring.written.load() + 4096);  // far from the unread frames
  pull(4);
  for (size_t i = 0; i < 4; ++i) EXPECT_FALSE(recorder.blocks[i].silent) << i;
  EXPECT_TRUE(recorder.audioIsContiguous());
  EXPECT_EQ(reader.dropouts(), 0);
}

TEST_F(FeedReaderTest, RateCorrectionFollowsTheLowestFillOfTheLastTwoSeconds) {
  setup(48000, 0.04);
  // Keeps the fill after each block at `fillSeconds` for `pulls` blocks:
  // the writer tops the ring up to that plus one block before each pull.
  // Fifty 10 ms blocks make one half-second window.
  const auto hold = [&](double fillSeconds, int pulls) {
    const uint64_t wanted = static_cast<uint64_t>(std::llround(fillSeconds * 48000)) + 480;
    for (int b = 0; b < pulls; ++b) {
      if (available() < wanted) write(static_cast<int>(wanted - available()));
      pull();
    }
  };
  // Start with the target plus one block (a 40 ms fill), then hold. The
  // fill only ever rises here: the writer can top up but not take away.
  write(2400);
  pull();
  hold(0.035, 199);  // with the first block: four windows, two seconds
  EXPECT_NEAR(reader.rateCorrection(), -0.0001, 1e-12);
  // The 35 ms windows stay the minimum until four newer ones replace them.
  hold(0.045, 150);
  EXPECT_NEAR(reader.rateCorrection(), -0.0001, 1e-12);
  hold(0.045, 50);
  EXPECT_NEAR(reader.rateCorrection(), 0.0001, 1e-12);
  hold(0.09, 200);
  EXPECT_NEAR(reader.rateCorrection(), 0.001, 1e-12);
  hold(0.5, 200);
  EXPECT_NEAR(reader.rateCorrection(), 0.001, 1e-12);  // clamped, not 0.0092
  EXPECT_TRUE(recorder.audioIsContiguous());
  EXPECT_EQ(recorder.silentBlocks(), 0u);
}

TEST_F(FeedReaderTest, CorrectionSpeedsTheReaderUpByAtMostATenthOfAPercent) {
  // A host running 5 % fast fills the buffer; the reader then reads at
  // most 0.1 % faster than its clock: 1001 blocks in 10 s instead of 1000.
  setup(48000, 0.04);
  run(4.0, 480, true, 1.05);
  EXPECT_NEAR(reader.rateCorrection(), 0.001, 1e-12);
  const size_t before = recorder.blocks.size();
  run(10.0, 480, true, 1.05);
  EXPECT_NEAR(static_cast<double>(recorder.blocks.size() - before), 1001.0, 1.0);
  EXPECT_TRUE(recorder.audioIsContiguous());
  EXPECT_EQ(reader.dropouts(), 0);
}

TEST_F(FeedReaderTest, LargerBufferRefillsSmallerBufferDropsTheOldest) {
  setup(48000, 0.04);
  run(1.0, 480);
  // +30 ms: silence until 70 ms plus a block are buffered, no frame lost.
  reader.setBuffer(0.07);
  EXPECT_TRUE(reader.waiting());
  const size_t raised = recorder.blocks.size();
  run(1.0, 480);
  const size_t resumed = recorder.firstAudio(raised);
  ASSERT_GT(resumed, raised);
  EXPECT_GE(recorder.blocks[resumed].writtenAtDelivery - static_cast<uint64_t>(recorder.blocks[resumed].firstFrame),
            3360u + 480u);
  EXPECT_TRUE(recorder.audioIsContiguous());

  // -30 ms: the oldest frames go at once so that at most 40 ms remain.
  ASSERT_GT(available(), 1920u);
  reader.setBuffer(0.04);
  EXPECT_EQ(available(), 1920u);
  EXPECT_FALSE(reader.waiting());
  pull();
  EXPECT_EQ(static_cast<uint64_t>(recorder.blocks.back().firstFrame), written() - 1920);
  EXPECT_EQ(reader.dropouts(), 0);
}

TEST_F(FeedReaderTest, BufferMovesOf20msOrLessOnlyChangeTheTarget) {
  // Parameter values arrive as milliseconds / 1000, so 30 -> 50 ms is a
  // double difference of 0.020000000000000004: still a 20 ms move.
  for (const auto& [from, to] : {std::pair{0.04, 0.06}, std::pair{0.06, 0.04}, std::pair{0.03, 0.05},
                                 std::pair{0.05, 0.03}, std::pair{0.05, 0.07}, std::pair{0.3, 0.32}}) {
    SCOPED_TRACE(testing::Message() << from << " -> " << to);
    recorder.blocks.clear();
    setup(48000, from);
    run(1.0, 480);
    const uint64_t before = available();
    reader.setBuffer(to);
    EXPECT_EQ(reader.bufferSeconds(), to);
    EXPECT_FALSE(reader.waiting());
    EXPECT_EQ(available(), before);
    run(0.5, 480);
    EXPECT_EQ(recorder.silentBlocks(), recorder.firstAudio());  // no silence after the start
  }
}

TEST_F(FeedReaderTest, LongGapInWakeUpsCountsAsHalfASecond) {
  setup(48000, 0.04);
  reader.pump(10.0, recorder);
  reader.pump(15.0, recorder);  // e.g. the machine slept
  EXPECT_EQ(recorder.blocks.size(), 50u);
  reader.pump(14.0, recorder);  // a clock that steps back owes nothing
  reader.pump(14.004, recorder);
  EXPECT_EQ(recorder.blocks.size(), 50u);
  reader.pump(14.014, recorder);
  EXPECT_EQ(recorder.blocks.size(), 51u);
}

TEST_F(FeedReaderTest, ClearDropoutsStartsTheCountAgain) {
  setup(48000, 0.04);
  run(0.5, 480);
  run(0.06, 480, false);
  run(0.5, 480);
  ASSERT_EQ(reader.dropouts(), 1);
  reader.clearDropouts();
  EXPECT_EQ(reader.dropouts(), 0);
  run(0.06, 480, false);
  run(0.5, 480);
  EXPECT_EQ(reader.dropouts(), 1);
}

TEST_F(FeedReaderTest, MonoReaderHandsOutTheFirstChannel) {
  setup(48000, 0.01, 1);
  run(0.5, 480);
  ASSERT_LT(recorder.firstAudio(), recorder.blocks.size());
  for (const DeliveredBlock& block : recorder.blocks) EXPECT_EQ(block.channels, 1);
  EXPECT_TRUE(recorder.audioIsContiguous());
}

TEST_F(FeedReaderTest, WithoutASinkBlocksAreStillConsumed) {
  setup(48000, 0.04);
  write(4800);
  reader.pump(1.0, BlockSink());
  reader.pump(1.05, BlockSink());
  EXPECT_EQ(feed.ring()->read, 2400u);  // 5 blocks of 480
}

TEST_F(FeedReaderTest, ReaderOfAFeedThatNeverStartedHandsOutSilence) {
  AudioFeed idle;
  Recorder silence(idle);
  FeedReader lonely;
  lonely.setup(idle, 48000, 2, 0.04);
  lonely.pump(1.0, silence);
  lonely.pump(1.1, silence);
  EXPECT_EQ(silence.blocks.size(), 10u);
  EXPECT_EQ(silence.silentBlocks(), 10u);
}

TEST_F(FeedReaderTest, PumpNeitherAllocatesNorLocks) {
  setup(48000, 0.04);
  write(48000);
  int frames = 0;
  auto count = [&](const float*, int, int, int blockFrames) { frames += blockFrames; };
  testsupport::AllocationCounter counter;
  for (int i = 1; i <= 100; ++i) reader.pump(0.01 * i, count);
  EXPECT_EQ(counter.allocations(), 0u);
  EXPECT_EQ(counter.locks(), 0u);
  EXPECT_EQ(frames, 99 * 480);
}

}  // namespace
}  // namespace relaycaster
