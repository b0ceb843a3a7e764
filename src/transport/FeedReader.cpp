#include "transport/FeedReader.h"

#include <algorithm>
#include <cmath>

namespace relaycaster {
namespace {

constexpr double kWindowLength = 0.5;     // seconds per fill-minimum window
constexpr double kMaxStep = 0.5;          // longest gap in wake-ups that is made up for
constexpr double kCorrectionGain = 0.02;  // rate correction per second of fill error
constexpr double kBufferJump = 0.02;      // target moves larger than this refill or trim
// Targets are milliseconds / 1000, which binary doubles do not hold
// exactly: 0.05 - 0.03 comes out as 0.020000000000000004. Moves within this
// much of kBufferJump count as kBufferJump.
constexpr double kBufferJumpTolerance = 1e-9;
constexpr double kStallGrace = 0.1;       // a host stall this much beyond the target is a stop, not a drop-out

// Copies `frames` frames starting at absolute frame `first` from the
// interleaved ring into the planar block.
RELAYCASTER_RING_SAMPLE_ACCESS
void copyFromRing(const float* samples, uint64_t first, int frames, int channels, float* block) {
  for (int i = 0; i < frames; ++i) {
    const float* frame = samples + ((first + static_cast<uint64_t>(i)) & AudioRing::mask) * 2;
    for (int c = 0; c < channels; ++c) block[c * FeedReader::kBlockStride + i] = frame[c];
  }
}

}  // namespace

void FeedReader::setup(AudioFeed& feed, double hostRate, int channels, double bufferSeconds) {
  mRing = feed.ring();
  mRate = std::isfinite(hostRate) ? std::max(1000.0, hostRate) : 1000.0;
  mChannels = std::clamp(channels, 1, 2);
  mBlockFrames = static_cast<int>(std::clamp<long long>(std::llround(mRate / 100.0), 1, kBlockStride));
  mBufferSeconds = withinRing(bufferSeconds);
  mClockStarted = false;
  mFramesOwed = 0.0;
  mWaiting = true;
  mStarved = false;
  mStallSeconds = 0.0;
  mRateCorrection = 0.0;
  resetWindow();
  mDropouts = 0;
  mLastWritten = 0;
  if (mRing) {
    mLastWritten = mRing->written.load(std::memory_order_acquire);
    mRing->read = mLastWritten;
  }
}

void FeedReader::setBuffer(double bufferSeconds) {
  bufferSeconds = withinRing(bufferSeconds);
  if (bufferSeconds == mBufferSeconds) return;
  const double previous = mBufferSeconds;
  mBufferSeconds = bufferSeconds;
  if (std::fabs(bufferSeconds - previous) <= kBufferJump + kBufferJumpTolerance) return;
  if (bufferSeconds > previous) {
    mWaiting = true;
  } else if (mRing) {
    const uint64_t written = mRing->written.load(std::memory_order_acquire);
    const uint64_t keep = targetFrames();
    if (written - mRing->read > keep) mRing->read = written - keep;
  }
  resetWindow();
}

void FeedReader::pump(double now, BlockSink sink) {
  if (!mClockStarted) {
    mClockStarted = true;
    mLastTime = now;
  }
  const double dt = std::clamp(now - mLastTime, 0.0, kMaxStep);
  mLastTime = now;
  mFramesOwed += mRate * dt * (1.0 + mRateCorrection);
  while (mFramesOwed >= mBlockFrames) {
    mFramesOwed -= mBlockFrames;
    pull(sink);
  }
}

double FeedReader::secondsToNextBlock(int blocks) const {
  if (!mClockStarted) return 0.0;
  const double frames = static_cast<double>(std::max(1, blocks)) * mBlockFrames - mFramesOwed;
  return std::max(0.0, frames / (mRate * (1.0 + mRateCorrection)));
}

double workerWaitMilliseconds(const FeedReader& reader, int blocks) {
  constexpr double kPastDueMs = 0.1;  // about 5 frames at 48 kHz: the block is surely owed by then
  return std::clamp(reader.secondsToNextBlock(blocks) * 1000.0 + kPastDueMs, kMinWorkerWaitMs, kMaxWorkerWaitMs);
}

void FeedReader::pull(BlockSink sink) {
  if (!mRing) {
    deliverSilence(sink);
    return;
  }
  const double blockSeconds = mBlockFrames / mRate;
  const uint64_t written = mRing->written.load(std::memory_order_acquire);

  // A host that resumes after a short stall we had to cover with silence
  // is a drop-out; one that stopped for longer (a stopped transport) is not.
  if (written == mLastWritten) {
    mStallSeconds += blockSeconds;
  } else {
    if (mStarved && mStallSeconds <= mBufferSeconds + kStallGrace) ++mDropouts;
    mStarved = false;
    mStallSeconds = 0.0;
  }
  mLastWritten = written;

  if (written - mRing->read > AudioRing::capacity) recoverFromOverrun(written);

  const uint64_t available = written - mRing->read;
  if (mWaiting && available >= targetFrames() + static_cast<uint64_t>(mBlockFrames)) {
    mWaiting = false;
    resetWindow();
  }
  if (mWaiting) {
    deliverSilence(sink);
    return;
  }
  if (available < static_cast<uint64_t>(mBlockFrames)) {
    mWaiting = true;
    mStarved = true;
    deliverSilence(sink);
    return;
  }
  if (!copyBlock()) {
    recoverFromOverrun(mRing->written.load(std::memory_order_acquire));
    deliverSilence(sink);
    return;
  }
  mRing->read += static_cast<uint64_t>(mBlockFrames);
  if (sink) sink(mBlock.data(), kBlockStride, mChannels, mBlockFrames);
  trackFill(available);
}

// Copies the next block into mBlock. False when the writer may have started
// overwriting those frames before or during the copy.
bool FeedReader::copyBlock() {
  const uint64_t read = mRing->read;
  if (mRing->reserved.load(std::memory_order_acquire) - read > AudioRing::capacity) return false;
  copyFromRing(mRing->samples.get(), read, mBlockFrames, mChannels, mBlock.data());
  return reservedAfterCopy(*mRing) - read <= AudioRing::capacity;
}

// The writer lapped the reader: keep the newest target's worth of audio.
// `written` is the count the caller based its decision on, so that the
// fill it computes afterwards stays consistent with the new read position.
void FeedReader::recoverFromOverrun(uint64_t written) {
  const uint64_t keep = targetFrames();
  if (written >= keep && written - keep > mRing->read) mRing->read = written - keep;
  ++mDropouts;
}

void FeedReader::deliverSilence(BlockSink sink) {
  for (int c = 0; c < mChannels; ++c)
    std::fill_n(mBlock.begin() + c * kBlockStride, mBlockFrames, 0.0f);
  if (sink) sink(mBlock.data(), kBlockStride, mChannels, mBlockFrames);
}

// Follows the lowest fill of each half-second window; the smallest of the
// last four decides the rate correction.
void FeedReader::trackFill(uint64_t available) {
  const double fill = static_cast<double>(available - static_cast<uint64_t>(mBlockFrames)) / mRate;
  mWindowMin = mWindowMin < 0.0 ? fill : std::min(mWindowMin, fill);
  mWindowSeconds += mBlockFrames / mRate;
  if (mWindowSeconds < kWindowLength) return;

  mWindowMinima[static_cast<size_t>(mWindowSlot)] = mWindowMin;
  mWindowSlot = (mWindowSlot + 1) % static_cast<int>(mWindowMinima.size());
  mWindowMin = -1.0;
  mWindowSeconds = 0.0;

  double lowest = -1.0;
  for (double minimum : mWindowMinima)
    if (minimum >= 0.0 && (lowest < 0.0 || minimum < lowest)) lowest = minimum;
  if (lowest < 0.0) return;
  mRateCorrection = std::clamp((lowest - mBufferSeconds) * kCorrectionGain, -kMaxRateCorrection, kMaxRateCorrection);
}

void FeedReader::resetWindow() {
  mWindowMinima.fill(-1.0);
  mWindowSlot = 0;
  mWindowMin = -1.0;
  mWindowSeconds = 0.0;
}

// A target the ring cannot hold would keep the reader refilling for ever.
double FeedReader::withinRing(double bufferSeconds) const {
  return std::min(bufferSeconds, static_cast<double>(kMaxTargetFrames) / mRate);
}

uint64_t FeedReader::targetFrames() const {
  const long long frames = std::llround(mBufferSeconds * mRate);
  return frames > 0 ? static_cast<uint64_t>(frames) : 0;
}

}  // namespace relaycaster
