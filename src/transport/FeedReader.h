#pragma once

#include <array>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "transport/AudioFeed.h"

namespace relaycaster {

/// Where the reader hands each block: planar floats (channel c's frame i at
/// samples[c * stride + i]), the stride (always kBlockStride), the channel
/// count and the frame count. A non-owning reference to any callable, so
/// that handing a sink to pump() never allocates.
class BlockSink {
 public:
  BlockSink() = default;
  template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, BlockSink>>>
  BlockSink(F& callable)  // NOLINT: implicit on purpose, like a function reference
      : mObject(&callable), mCall([](void* object, const float* samples, int stride, int channels, int frames) {
          (*static_cast<F*>(object))(samples, stride, channels, frames);
        }) {}

  explicit operator bool() const { return mCall != nullptr; }
  void operator()(const float* samples, int stride, int channels, int frames) const {
    mCall(mObject, samples, stride, channels, frames);
  }

 private:
  void* mObject = nullptr;
  void (*mCall)(void*, const float*, int, int, int) = nullptr;
};

/// Drains one AudioFeed in fixed 10 ms blocks at the pace of the worker's
/// own steady clock. Keeps about `bufferSeconds` of audio in hand, hands out
/// silence while refilling or starved, counts drop-outs, and corrects its
/// speed by at most +/-0.1 % so that the buffer neither drains nor fills.
///
/// Threads: lives on one worker thread. Only the ring's counters and samples
/// are shared with the audio thread (see AudioRing).
class FeedReader {
 public:
  static constexpr int kBlockStride = 1920;  // 10 ms at 192 kHz
  static constexpr double kMaxRateCorrection = 0.001;
  /// The most audio the reader keeps in hand: three quarters of the ring,
  /// leaving the writer a quarter (170 ms even at 384 kHz) to run ahead
  /// before it laps the reader. Every buffer setting fits up to 196 kHz;
  /// above that the longest are shortened to this.
  static constexpr uint64_t kMaxTargetFrames = AudioRing::capacity / 4 * 3;

  /// (Re)starts reading `feed` at `hostRate` (at least 1000 Hz) with
  /// `channels` (clamped to 1..2). Everything already buffered is dropped and
  /// the reader waits until the target plus one block is buffered.
  void setup(AudioFeed& feed, double hostRate, int channels, double bufferSeconds);
  /// A new target fill (at most kMaxTargetFrames' worth). Moves of more than
  /// 20 ms refill (larger) or drop the oldest audio (smaller); smaller moves
  /// only change the correction target.
  void setBuffer(double bufferSeconds);
  void clearDropouts() { mDropouts = 0; }

  /// Pacing: `now` is seconds on a steady clock. Pulls every block owed
  /// since the previous call (at most 0.5 s worth).
  void pump(double now, BlockSink sink);
  /// Takes one block from the ring (or silence) and hands it to the sink.
  void pull(BlockSink sink);

  /// Seconds from the last pump() until `blocks` more blocks are owed (0
  /// before the first pump). A worker that sleeps this long wakes when
  /// there is work, instead of polling.
  double secondsToNextBlock(int blocks = 1) const;

  int dropouts() const { return mDropouts; }
  int blockFrames() const { return mBlockFrames; }
  int channels() const { return mChannels; }
  double rate() const { return mRate; }
  /// The target in force: the one asked for, shortened to what the ring holds.
  double bufferSeconds() const { return mBufferSeconds; }
  double rateCorrection() const { return mRateCorrection; }
  bool waiting() const { return mWaiting; }

 private:
  void resetWindow();
  void recoverFromOverrun(uint64_t written);
  void deliverSilence(BlockSink sink);
  void trackFill(uint64_t available);
  bool copyBlock();
  double withinRing(double bufferSeconds) const;
  uint64_t targetFrames() const;

  AudioRing* mRing = nullptr;
  double mRate = 48000.0;
  int mChannels = 2;
  int mBlockFrames = 480;
  double mBufferSeconds = 0.04;
  bool mClockStarted = false;
  double mLastTime = 0.0;
  double mFramesOwed = 0.0;
  double mRateCorrection = 0.0;
  bool mWaiting = true;
  bool mStarved = false;
  uint64_t mLastWritten = 0;
  double mStallSeconds = 0.0;
  std::array<double, 4> mWindowMinima{-1.0, -1.0, -1.0, -1.0};
  int mWindowSlot = 0;
  double mWindowMin = -1.0;
  double mWindowSeconds = 0.0;
  std::array<float, 2 * kBlockStride> mBlock{};
  int mDropouts = 0;
};

/// How long a worker that drains `reader` sleeps after a pass: until a
/// little after its next `blocks` blocks are owed (so that the pass finds
/// them owed), but at least kMinWorkerWaitMs, so a worker never spins, and
/// at most kMaxWorkerWaitMs, so that settings, connections and a stop are
/// noticed promptly.
constexpr double kMinWorkerWaitMs = 0.25;
constexpr double kMaxWorkerWaitMs = 25.0;
double workerWaitMilliseconds(const FeedReader& reader, int blocks = 1);

}  // namespace relaycaster
