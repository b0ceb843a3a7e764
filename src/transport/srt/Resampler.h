#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace relaycaster {

/// Rational polyphase sample-rate converter (up by L, down by M) with a
/// Kaiser-windowed sinc filter, for up to two channels. Keeps its history
/// across blocks; passes samples through untouched when the rates are equal.
///
/// Threads: one owner (the SRT worker). Allocates only in init().
class Resampler {
 public:
  /// Largest polyphase table (L x taps per phase) init() builds. For a
  /// 48 kHz output every integer input rate up to 96000 Hz fits, whatever
  /// its ratio, and so do all the usual rates up to 768000 Hz. Larger
  /// tables would take hundreds of megabytes to build.
  static constexpr int64_t kMaxTableSize = int64_t{1} << 23;

  /// Builds the filter for inputRate -> outputRate and clears the history.
  /// The channel count is clamped to 1..2. A rate of 0 or less on either
  /// side, or a ratio whose table would exceed kMaxTableSize, is refused:
  /// the converter then passes samples through unchanged (up() == down() == 1).
  void init(int inputRate, int outputRate, int channels);

  /// Converts a planar block (channel c's frame i at input[c * stride + i])
  /// and calls emit(const float* frame) once per output frame, with one
  /// float per channel, in order. The block must not change until process()
  /// returns. Never allocates.
  template <typename Emit>
  void process(const float* input, int stride, int frames, Emit&& emit);

  int channels() const { return mChannels; }
  int up() const { return mUp; }
  int down() const { return mDown; }
  int tapsPerPhase() const { return mTapsPerPhase; }
  int historyLength() const { return static_cast<int>(mHistoryLength); }
  bool passThrough() const { return mPassThrough; }
  /// Tap `tap` (0 = applied to the newest input frame) of phase `phase`.
  float coefficient(int phase, int tap) const;

 private:
  // Output frames converted per round before they are handed to emit.
  static constexpr int kChunkFrames = 256;

  void reset(int channels, int up, int down, int tapsPerPhase, bool passThrough);
  void buildTable(int inputRate, int outputRate);
  // A block's conversion: beginBlock, then convert until it returns fewer
  // than kChunkFrames, then endBlock. The input must stay unchanged
  // throughout.
  void beginBlock(const float* input, int stride, int frames);
  // Writes the next output frames due within the block into mOutput (two
  // floats per frame), at most kChunkFrames. Returns how many.
  int convert(const float* input, int stride, int frames);
  template <int kChannels>
  int convertFrames(const float* input, int stride, int frames);
  void endBlock(const float* input, int stride, int frames);

  int mChannels = 2;
  int mUp = 1;
  int mDown = 1;
  int mTapsPerPhase = 64;
  bool mPassThrough = true;

  // Row p holds phase p's taps in time order, oldest input first, so that
  // each output frame is one contiguous dot product with the input.
  std::vector<float> mKernel;

  // Per channel a ring of the H most recent input frames (channel c at
  // c * H; frame f in slot f & mask). Carries the history across blocks.
  std::vector<float> mHistory;
  uint64_t mHistoryLength = 64;  // H, a power of two not below mTapsPerPhase
  uint64_t mHistoryMask = 63;

  // Per channel the tapsPerPhase - 1 frames before the current block and
  // the block's first ones, contiguous: the windows that straddle the
  // block's start. Channel c at c * mBridgeStride.
  std::vector<float> mBridge;
  std::size_t mBridgeStride = 128;

  uint64_t mInputCount = 0;  // input frames taken so far
  uint64_t mBlockStart = 0;  // index of the current block's first frame
  // Position of the next output frame in input frames: its newest input
  // frame mOutputFrame plus mOutputPhase / L. Advances by M / L per frame.
  uint64_t mOutputFrame = 0;
  int mOutputPhase = 0;
  uint64_t mStepFrames = 0;  // M / L
  int mStepPhase = 0;        // M % L

  std::array<float, 2 * kChunkFrames> mOutput{};
};

template <typename Emit>
void Resampler::process(const float* input, int stride, int frames, Emit&& emit) {
  if (input == nullptr || frames <= 0) return;
  if (mPassThrough) {
    float frame[2];
    for (int i = 0; i < frames; ++i) {
      for (int c = 0; c < mChannels; ++c) frame[c] = input[c * stride + i];
      emit(static_cast<const float*>(frame));
    }
    return;
  }
  beginBlock(input, stride, frames);
  int produced;
  do {
    produced = convert(input, stride, frames);
    for (int i = 0; i < produced; ++i) emit(static_cast<const float*>(mOutput.data() + 2 * i));
  } while (produced == kChunkFrames);
  endBlock(input, stride, frames);
}

}  // namespace relaycaster
