#include "transport/srt/Resampler.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <cmath>
#include <numbers>
#include <numeric>

#include "transport/Vectorise.h"

namespace relaycaster {
namespace {

constexpr int kBaseTaps = 64;          // taps per phase when not decimating
constexpr double kPassBandEdge = 0.45;  // of the lower rate
constexpr double kKaiserBeta = 8.6;
constexpr int kBesselMaxTerms = 63;
constexpr double kBesselTolerance = 1e-12;

// Zeroth-order modified Bessel function of the first kind, by its power
// series: terms (x/2)^2k / (k!)^2 until a term no longer matters.
double besselI0(double x) {
  double sum = 1.0;
  double term = 1.0;
  for (int k = 1; k <= kBesselMaxTerms; ++k) {
    const double factor = x / (2.0 * k);
    term *= factor * factor;
    sum += term;
    if (sum * kBesselTolerance > term) break;
  }
  return sum;
}

// Sixteen lanes of partial sums: one 512-bit register, or two or four
// narrower ones, as the instruction set of the running clone allows. Every
// tap count is a multiple of 64, so the loop has no remainder.
constexpr int kLanes = 16;
typedef float Lanes __attribute__((vector_size(kLanes * sizeof(float))));

// Vectors pass by reference: by value their calling convention would
// depend on the instruction set of each clone.
inline __attribute__((always_inline)) void loadLanes(Lanes& lanes, const float* samples) {
  std::memcpy(&lanes, samples, sizeof lanes);
}

inline __attribute__((always_inline)) float sumLanes(const Lanes& lanes) {
  typedef float Half __attribute__((vector_size(8 * sizeof(float))));
  typedef float Quarter __attribute__((vector_size(4 * sizeof(float))));
  const Half half = __builtin_shufflevector(lanes, lanes, 0, 1, 2, 3, 4, 5, 6, 7) +
                    __builtin_shufflevector(lanes, lanes, 8, 9, 10, 11, 12, 13, 14, 15);
  const Quarter quarter = __builtin_shufflevector(half, half, 0, 1, 2, 3) + __builtin_shufflevector(half, half, 4, 5, 6, 7);
  return (quarter[0] + quarter[2]) + (quarter[1] + quarter[3]);
}

// Both channels' sums at once: each step adds the upper half of the left
// and the right lanes onto their lower halves in one vector.
inline __attribute__((always_inline)) void sumPairs(const Lanes& left, const Lanes& right, float* out) {
  typedef float Half __attribute__((vector_size(8 * sizeof(float))));
  typedef float Quarter __attribute__((vector_size(4 * sizeof(float))));
  const Lanes eights = __builtin_shufflevector(left, right, 0, 1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 22, 23) +
                       __builtin_shufflevector(left, right, 8, 9, 10, 11, 12, 13, 14, 15, 24, 25, 26, 27, 28, 29, 30, 31);
  const Half fours = __builtin_shufflevector(eights, eights, 0, 1, 2, 3, 8, 9, 10, 11) +
                     __builtin_shufflevector(eights, eights, 4, 5, 6, 7, 12, 13, 14, 15);
  const Quarter twos = __builtin_shufflevector(fours, fours, 0, 1, 4, 5) + __builtin_shufflevector(fours, fours, 2, 3, 6, 7);
  out[0] = twos[0] + twos[1];
  out[1] = twos[2] + twos[3];
}

// One output frame: the dot product of a phase's taps with the newest
// `taps` history samples of each channel.
template <int kChannels>
inline __attribute__((always_inline)) void dotProduct(const float* __restrict kernel, const float* __restrict left,
                                                      const float* __restrict right, int taps, float* out) {
  Lanes sumLeft = {};
  Lanes sumRight = {};
  for (int i = 0; i < taps; i += kLanes) {
    Lanes coefficients, samples;
    loadLanes(coefficients, kernel + i);
    loadLanes(samples, left + i);
    sumLeft += coefficients * samples;
    if constexpr (kChannels == 2) {
      loadLanes(samples, right + i);
      sumRight += coefficients * samples;
    }
  }
  if constexpr (kChannels == 2) {
    sumPairs(sumLeft, sumRight, out);
  } else {
    out[0] = sumLanes(sumLeft);
    out[1] = 0.0f;
  }
}

}  // namespace

void Resampler::init(int inputRate, int outputRate, int channels) {
  const int channelCount = std::clamp(channels, 1, 2);
  if (inputRate <= 0 || outputRate <= 0) {
    reset(channelCount, 1, 1, kBaseTaps, true);
    return;
  }
  const int64_t divisor = std::gcd(int64_t{inputRate}, int64_t{outputRate});
  const int64_t up = outputRate / divisor;
  const int64_t down = inputRate / divisor;
  const int64_t taps = kBaseTaps * std::max<int64_t>(1, (down + up - 1) / up);
  if (up * taps > kMaxTableSize) {
    reset(channelCount, 1, 1, kBaseTaps, true);
    return;
  }
  reset(channelCount, static_cast<int>(up), static_cast<int>(down), static_cast<int>(taps), up == down);
  if (!mPassThrough) buildTable(inputRate, outputRate);
}

float Resampler::coefficient(int phase, int tap) const {
  if (mPassThrough || phase < 0 || phase >= mUp || tap < 0 || tap >= mTapsPerPhase) return 0.0f;
  return mKernel[static_cast<size_t>(phase) * static_cast<size_t>(mTapsPerPhase) +
                 static_cast<size_t>(mTapsPerPhase - 1 - tap)];
}

void Resampler::reset(int channels, int up, int down, int tapsPerPhase, bool passThrough) {
  mChannels = channels;
  mUp = up;
  mDown = down;
  mTapsPerPhase = tapsPerPhase;
  mPassThrough = passThrough;
  mHistoryLength = std::bit_ceil(static_cast<uint64_t>(tapsPerPhase));
  mHistoryMask = mHistoryLength - 1;
  mHistory.assign(passThrough ? 0 : static_cast<size_t>(channels) * mHistoryLength, 0.0f);
  mBridgeStride = 2 * static_cast<size_t>(tapsPerPhase);
  mBridge.assign(passThrough ? 0 : static_cast<size_t>(channels) * mBridgeStride, 0.0f);
  mInputCount = 0;
  mOutputFrame = 0;
  mOutputPhase = 0;
  mStepFrames = static_cast<uint64_t>(down / up);
  mStepPhase = down % up;
  if (passThrough) std::vector<float>().swap(mKernel);
}

// The prototype low-pass at L times the input rate, in double precision:
// a sinc with its cutoff at 0.45 times the lower rate under a Kaiser
// window, normalised so that each phase has a gain of about 1, then split
// into L phases. Row p's tap k (applied to the input k frames before the
// newest) is prototype sample k * L + p; rows are stored oldest tap first.
void Resampler::buildTable(int inputRate, int outputRate) {
  const size_t up = static_cast<size_t>(mUp);
  const size_t taps = static_cast<size_t>(mTapsPerPhase);
  const size_t length = up * taps;
  const double cutoff = kPassBandEdge * std::min(inputRate, outputRate) / (static_cast<double>(mUp) * inputRate);
  const double centre = (static_cast<double>(length) - 1.0) / 2.0;
  const double windowScale = 1.0 / besselI0(kKaiserBeta);
  constexpr double pi = std::numbers::pi;

  std::vector<double> prototype(length);
  double total = 0.0;
  for (size_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) - centre;
    const double sinc = t == 0.0 ? 2.0 * cutoff : std::sin(2.0 * pi * cutoff * t) / (pi * t);
    const double r = t / (centre + 1.0);
    const double window = besselI0(kKaiserBeta * std::sqrt(std::max(1.0 - r * r, 0.0))) * windowScale;
    prototype[i] = window * sinc;
    total += prototype[i];
  }

  const double scale = static_cast<double>(mUp) / total;
  mKernel.assign(length, 0.0f);
  for (size_t p = 0; p < up; ++p)
    for (size_t k = 0; k < taps; ++k)
      mKernel[p * taps + (taps - 1 - k)] = static_cast<float>(scale * prototype[k * up + p]);
}

// The window of output frames whose oldest tap reaches back before the
// block: the last tapsPerPhase - 1 frames from the history ring, then the
// block's first tapsPerPhase - 1 frames (fewer if the block is shorter).
void Resampler::beginBlock(const float* input, int stride, int frames) {
  const uint64_t reach = static_cast<uint64_t>(mTapsPerPhase - 1);
  const size_t fresh = static_cast<size_t>(std::min<int64_t>(frames, static_cast<int64_t>(reach)));
  for (int c = 0; c < mChannels; ++c) {
    const float* ring = mHistory.data() + static_cast<size_t>(c) * mHistoryLength;
    float* bridge = mBridge.data() + static_cast<size_t>(c) * mBridgeStride;
    // Frames before the first input frame are zero: the ring starts cleared
    // and these slots are not yet written.
    for (uint64_t k = 0; k < reach; ++k) bridge[k] = ring[(mInputCount - reach + k) & mHistoryMask];
    std::copy_n(input + static_cast<std::ptrdiff_t>(c) * stride, fresh, bridge + reach);
  }
  mBlockStart = mInputCount;
}

// Keeps the block's newest frames in the history ring for the next block.
void Resampler::endBlock(const float* input, int stride, int frames) {
  const int kept = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(frames), mHistoryLength));
  for (int c = 0; c < mChannels; ++c) {
    float* ring = mHistory.data() + static_cast<size_t>(c) * mHistoryLength;
    const float* samples = input + static_cast<std::ptrdiff_t>(c) * stride;
    for (int i = frames - kept; i < frames; ++i) ring[(mBlockStart + static_cast<uint64_t>(i)) & mHistoryMask] = samples[i];
  }
  mInputCount = mBlockStart + static_cast<uint64_t>(frames);
}

// Every output frame is one dot product over a contiguous window: straight
// from the caller's block once the window lies inside it, otherwise from
// the bridge. Nothing is written per input frame.
template <int kChannels>
inline __attribute__((always_inline)) int Resampler::convertFrames(const float* input, int stride, int frames) {
  const int taps = mTapsPerPhase;
  const uint64_t reach = static_cast<uint64_t>(taps - 1);
  const float* const kernel = mKernel.data();
  const float* const bridge = mBridge.data();
  const size_t bridgeStride = mBridgeStride;
  const uint64_t blockStart = mBlockStart;
  const uint64_t end = static_cast<uint64_t>(frames);
  const uint64_t stepFrames = mStepFrames;
  const int stepPhase = mStepPhase;
  const int up = mUp;

  uint64_t outputFrame = mOutputFrame;
  int phase = mOutputPhase;
  int produced = 0;
  // The next output frame's newest input frame, counted within the block.
  for (uint64_t newest = outputFrame - blockStart; newest < end && produced < kChunkFrames;
       newest = outputFrame - blockStart) {
    const float* left;
    const float* right = nullptr;
    if (newest >= reach) {
      left = input + (newest - reach);
      if constexpr (kChannels == 2) right = left + stride;
    } else {
      left = bridge + newest;
      if constexpr (kChannels == 2) right = left + bridgeStride;
    }
    dotProduct<kChannels>(kernel + static_cast<std::ptrdiff_t>(phase) * taps, left, right, taps,
                          mOutput.data() + 2 * produced);
    ++produced;
    outputFrame += stepFrames;
    phase += stepPhase;
    if (phase >= up) {
      phase -= up;
      ++outputFrame;
    }
  }
  mOutputFrame = outputFrame;
  mOutputPhase = phase;
  return produced;
}

RELAYCASTER_VECTOR_CLONES
int Resampler::convert(const float* input, int stride, int frames) {
  return mChannels == 2 ? convertFrames<2>(input, stride, frames) : convertFrames<1>(input, stride, frames);
}

}  // namespace relaycaster
