#include "transport/AudioFeed.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "transport/Vectorise.h"

namespace relaycaster {
namespace {

// The magnitude of a sample as an integer that sorts like the value: for
// floats with the sign bit cleared the bit patterns are ordered as the
// numbers are. NaN counts as 0, so it never raises a meter. Integer maxima
// vectorise where float maxima (because of NaN rules) do not.
inline int32_t magnitudeBits(float value) {
  int32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  bits &= 0x7FFFFFFF;
  return bits > 0x7F800000 ? 0 : bits;
}

inline float floatFromBits(int32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Writes frames [begin, end) of one block into consecutive ring slots
// starting at `slots` and raises the running peaks. The gain of frame i is
// ((gain - lastGain) * (i + 1) / frames + lastGain), so the ramp reaches
// `gain` exactly on the block's last frame; without a ramp it is `gain`.
// Plain loops without atomics or wrap-around, so that the compiler
// vectorises them for the widest vectors the processor has.
template <bool kRamp, bool kStereo>
RELAYCASTER_VECTOR_CLONES RELAYCASTER_RING_SAMPLE_ACCESS void writeRun(
    float* __restrict slots, const double* __restrict left, const double* __restrict right, int begin, int end,
    int frames, float lastGain, float gain, std::array<int32_t, 2>& peakBits) {
  int32_t peakLeft = peakBits[0];
  int32_t peakRight = peakBits[1];
  const float delta = gain - lastGain;
  for (int i = begin; i < end; ++i) {
    const float g = kRamp ? delta * static_cast<float>(i + 1) / static_cast<float>(frames) + lastGain : gain;
    const float l = g * static_cast<float>(left[i]);
    const float r = kStereo ? g * static_cast<float>(right[i]) : 0.0f;
    slots[2 * (i - begin)] = l;
    slots[2 * (i - begin) + 1] = r;
    peakLeft = std::max(peakLeft, magnitudeBits(l));
    if (kStereo) peakRight = std::max(peakRight, magnitudeBits(r));
  }
  peakBits = {peakLeft, peakRight};
}

// Writes a whole block starting at frame `first`, split where the ring wraps.
std::array<float, 2> writeBlock(float* samples, uint64_t first, const double* const* inputs,
                                int channelCount, int frames, float lastGain, float gain) {
  std::array<int32_t, 2> peakBits{0, 0};
  const double* left = inputs[0];
  const double* right = channelCount > 1 ? inputs[1] : nullptr;
  const bool ramp = gain != lastGain;
  int done = 0;
  while (done < frames) {
    const uint64_t slot = (first + static_cast<uint64_t>(done)) & AudioRing::mask;
    const int run = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(frames - done),
                                                        AudioRing::capacity - slot));
    float* slots = samples + 2 * slot;
    if (ramp && right)
      writeRun<true, true>(slots, left, right, done, done + run, frames, lastGain, gain, peakBits);
    else if (ramp)
      writeRun<true, false>(slots, left, right, done, done + run, frames, lastGain, gain, peakBits);
    else if (right)
      writeRun<false, true>(slots, left, right, done, done + run, frames, lastGain, gain, peakBits);
    else
      writeRun<false, false>(slots, left, right, done, done + run, frames, lastGain, gain, peakBits);
    done += run;
  }
  return {floatFromBits(peakBits[0]), floatFromBits(peakBits[1])};
}

}  // namespace

void AudioFeed::push(const double* const* inputs, int channelCount, int frames, float gain) {
  if (!mEnabled.load(std::memory_order_acquire) || frames <= 0 || channelCount <= 0 || !inputs) {
    mGainPrimed = false;
    return;
  }
  AudioRing* ring = mAudioRing.load(std::memory_order_acquire);
  if (!ring) return;

  const int channels = std::min(channelCount, 2);
  if (channels != mChannels.load(std::memory_order_relaxed))
    mChannels.store(channels, std::memory_order_relaxed);

  if (!mGainPrimed) {
    mLastGain = gain;
    mGainPrimed = true;
  }

  const uint64_t w = ring->written.load(std::memory_order_relaxed);  // only this thread writes it
  reserveBeforeWriting(*ring, w + static_cast<uint64_t>(frames));
  const std::array<float, 2> peaks =
      writeBlock(ring->samples.get(), w, inputs, channels, frames, mLastGain, gain);
  // Every sample store of the block before the new count (pairs with the
  // reader's acquire load of `written`).
  ring->written.store(w + static_cast<uint64_t>(frames), std::memory_order_release);

  mLastGain = gain;
  for (int j = 0; j < channels; ++j) raisePeak(j, peaks[static_cast<size_t>(j)]);
}

void AudioFeed::raisePeak(int channel, float localPeak) {
  std::atomic<float>& peak = mPeak[static_cast<size_t>(channel)];
  float current = peak.load(std::memory_order_relaxed);
  // Relaxed: the meter is a lone value; nothing else is published with it.
  while (localPeak > current &&
         !peak.compare_exchange_weak(current, localPeak, std::memory_order_relaxed)) {
  }
}

std::pair<std::array<float, 2>, int> AudioFeed::takePeaks() {
  return {{mPeak[0].exchange(0.0f, std::memory_order_relaxed), mPeak[1].exchange(0.0f, std::memory_order_relaxed)},
          channels()};
}

void AudioFeed::enable() {
  if (!mRing) {
    mRing = std::make_unique<AudioRing>();
    mAudioRing.store(mRing.get(), std::memory_order_release);
  }
  mEnabled.store(true, std::memory_order_release);
}

void AudioFeed::disable() { mEnabled.store(false, std::memory_order_release); }

void AudioFeed::resetDropouts() {
  mDropoutCount.store(0, std::memory_order_relaxed);
  mDropoutResetRequest.store(true, std::memory_order_release);
}

}  // namespace relaycaster
