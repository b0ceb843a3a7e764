#pragma once

#include <cstdint>
#include <vector>

#include "transport/FeedReader.h"

namespace relaycaster {

/// Rational polyphase sample-rate converter (up by L, down by M) with a
/// Kaiser-windowed sinc filter, for up to two channels. Keeps its history
/// across blocks; passes samples through untouched when the rates are equal.
///
/// Threads: one owner (the SRT worker). Allocates only in init().
class Resampler {
 public:
  /// Builds the filter for inputRate -> outputRate and clears the history.
  /// The channel count is clamped to 1..2. A rate of 0 or less on either
  /// side is refused: the converter then passes samples through.
  void init(int inputRate, int outputRate, int channels);

  /// Converts a planar block (channel c's frame i at input[c * stride + i])
  /// and calls emit(const float* frame) once per output frame, with one
  /// float per channel, in order.
  template <typename Emit>
  void process(const float* input, int stride, int frames, Emit&& emit);

  int channels() const { return mChannels; }
  int up() const { return mUp; }
  int down() const { return mDown; }
  int tapsPerPhase() const { return mTapsPerPhase; }
  bool passThrough() const { return mPassThrough; }
  const std::vector<float>& coefficients() const { return mCoefficients; }

 private:
  void pushFrame(const float* frame);
  void computeFrame(uint64_t phase, float* out) const;

  int mChannels = 2;
  int mUp = 1;
  int mDown = 1;
  int mTapsPerPhase = 64;
  bool mPassThrough = true;
  std::vector<float> mCoefficients;  // mUp rows of mTapsPerPhase taps
  std::vector<float> mHistory;       // per channel, mHistoryLength samples
  uint64_t mHistoryMask = 63;
  uint64_t mInputCount = 0;
  uint64_t mPhaseAccumulator = 0;
};

template <typename Emit>
void Resampler::process(const float* input, int stride, int frames, Emit&& emit) {
  float frame[2];
  float out[2];
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < mChannels; ++c) frame[c] = input[c * stride + i];
    if (mPassThrough) {
      emit(static_cast<const float*>(frame));
      continue;
    }
    pushFrame(frame);
    while (mPhaseAccumulator < (mInputCount + 1) * static_cast<uint64_t>(mUp)) {
      computeFrame(mPhaseAccumulator % static_cast<uint64_t>(mUp), out);
      emit(static_cast<const float*>(out));
      mPhaseAccumulator += static_cast<uint64_t>(mDown);
    }
    ++mInputCount;
  }
}

}  // namespace relaycaster
