#include "transport/srt/Resampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "support/AllocationCounter.h"

namespace relaycaster {
namespace {

constexpr int kStride = 1920;
constexpr int kOutputRate = 48000;
constexpr double kPi = std::numbers::pi;

using Channels = std::vector<std::vector<float>>;

// Feeds `input` (one vector per channel) through the resampler in blocks of
// `blockFrames` and collects the output, one vector per channel.
Channels run(Resampler& resampler, const Channels& input, int blockFrames) {
  const size_t channels = static_cast<size_t>(resampler.channels());
  std::vector<float> block(2 * kStride);
  Channels output(channels);
  const size_t frames = input[0].size();
  for (size_t done = 0; done < frames;) {
    const size_t n = std::min(static_cast<size_t>(blockFrames), frames - done);
    for (size_t c = 0; c < input.size() && c < 2; ++c)
      std::copy_n(input[c].begin() + static_cast<std::ptrdiff_t>(done), n, block.begin() + static_cast<std::ptrdiff_t>(c * kStride));
    resampler.process(block.data(), kStride, static_cast<int>(n), [&](const float* frame) {
      for (size_t c = 0; c < channels; ++c) output[c].push_back(frame[c]);
    });
    done += n;
  }
  return output;
}

std::vector<float> sine(double frequency, int rate, size_t frames, double amplitude) {
  std::vector<float> samples(frames);
  for (size_t i = 0; i < frames; ++i)
    samples[i] = static_cast<float>(amplitude * std::sin(2.0 * kPi * frequency * static_cast<double>(i) / rate));
  return samples;
}

std::vector<float> noise(size_t frames, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
  std::vector<float> samples(frames);
  for (float& sample : samples) sample = uniform(generator);
  return samples;
}

double decibels(double powerRatio) { return 10.0 * std::log10(std::max(powerRatio, 1e-30)); }

// Least-squares fit of a cos(wm) + b sin(wm) to y[begin..]: the output's
// component at one frequency, and the power of everything else.
struct ToneFit {
  double cosine = 0.0;
  double sine = 0.0;
  double residualPower = 0.0;
  double totalPower = 0.0;
  double amplitude() const { return std::hypot(cosine, sine); }
};

ToneFit fitTone(const std::vector<float>& y, size_t begin, double frequency, int rate) {
  const double w = 2.0 * kPi * frequency / rate;
  double cc = 0, ss = 0, cs = 0, yc = 0, ys = 0, yy = 0;
  for (size_t m = begin; m < y.size(); ++m) {
    const double c = std::cos(w * static_cast<double>(m)), s = std::sin(w * static_cast<double>(m));
    cc += c * c, ss += s * s, cs += c * s, yc += y[m] * c, ys += y[m] * s, yy += double{y[m]} * y[m];
  }
  ToneFit fit;
  const double determinant = cc * ss - cs * cs;
  fit.cosine = (yc * ss - ys * cs) / determinant;
  fit.sine = (ys * cc - yc * cs) / determinant;
  double residual = 0.0;
  for (size_t m = begin; m < y.size(); ++m) {
    const double e = y[m] - fit.cosine * std::cos(w * static_cast<double>(m)) - fit.sine * std::sin(w * static_cast<double>(m));
    residual += e * e;
  }
  const double count = static_cast<double>(y.size() - begin);
  fit.residualPower = residual / count;
  fit.totalPower = yy / count;
  return fit;
}

// One tone of amplitude 0.5 through a fresh converter to 48 kHz, measured
// after the filter has settled. Powers are relative to the input tone's.
struct ToneResponse {
  double gainDb;      // of the output component at the tone's frequency
  double residualDb;  // everything else: images and aliases
  double totalDb;     // everything
  ToneFit fit;
};

ToneResponse measureTone(int inputRate, double frequency) {
  constexpr double kAmplitude = 0.5;
  Resampler resampler;
  resampler.init(inputRate, kOutputRate, 1);
  const Channels output = run(resampler, {sine(frequency, inputRate, static_cast<size_t>(inputRate / 10), kAmplitude)}, inputRate / 100);
  const size_t settled = static_cast<size_t>(2 * resampler.tapsPerPhase() * kOutputRate / inputRate + 8);
  const ToneFit fit = fitTone(output[0], settled, frequency, kOutputRate);
  const double inputPower = kAmplitude * kAmplitude / 2.0;
  return {20.0 * std::log10(fit.amplitude() / kAmplitude), decibels(fit.residualPower / inputPower),
          decibels(fit.totalPower / inputPower), fit};
}

// Frequencies from `from` to `to`: finely near `from`, where the filter's
// strongest side lobes lie, and coarser beyond.
std::vector<double> sweep(double from, double to, double fineStep, double fineSpan, double coarseStep) {
  std::vector<double> frequencies;
  for (double f = from; f < to; f += f < from + fineSpan ? fineStep : coarseStep) frequencies.push_back(f);
  return frequencies;
}

TEST(ResamplerTable, ShapeForTheUsualHostRates) {
  struct Shape {
    int inputRate, up, down, taps, history;
  };
  for (const Shape& shape : {Shape{44100, 160, 147, 64, 64}, Shape{96000, 1, 2, 128, 128}, Shape{192000, 1, 4, 256, 256},
                             Shape{88200, 80, 147, 128, 128}, Shape{22050, 320, 147, 64, 64}, Shape{8000, 6, 1, 64, 64},
                             Shape{768000, 1, 16, 1024, 1024}, Shape{176400, 40, 147, 256, 256}}) {
    SCOPED_TRACE(shape.inputRate);
    Resampler resampler;
    resampler.init(shape.inputRate, kOutputRate, 2);
    EXPECT_EQ(resampler.up(), shape.up);
    EXPECT_EQ(resampler.down(), shape.down);
    EXPECT_EQ(resampler.tapsPerPhase(), shape.taps);
    EXPECT_EQ(resampler.historyLength(), shape.history);
    EXPECT_FALSE(resampler.passThrough());
    // Every phase is a low-pass of its own with a gain close to 1.
    for (int phase = 0; phase < resampler.up(); ++phase) {
      double gain = 0.0;
      for (int tap = 0; tap < resampler.tapsPerPhase(); ++tap) gain += resampler.coefficient(phase, tap);
      EXPECT_NEAR(gain, 1.0, 2e-5) << "phase " << phase;
    }
  }
}

TEST(ResamplerQuality, PassBandIsFlatUpTo40PercentOfTheLowerRateAndHalvedAt45) {
  for (int inputRate : {44100, 96000}) {
    SCOPED_TRACE(inputRate);
    const double lower = std::min(inputRate, kOutputRate);
    double ripple = 0.0;
    for (double f = 20.0; f <= 0.40 * lower; f += 0.0071 * lower)
      ripple = std::max(ripple, std::fabs(measureTone(inputRate, f).gainDb));
    EXPECT_LT(ripple, 0.001);
    // The cutoff at 0.45 x the lower rate is the sinc's half-amplitude point.
    EXPECT_NEAR(measureTone(inputRate, 0.45 * lower).gainDb, -6.02, 0.1);
  }
}

TEST(ResamplerQuality, DownsamplingRemovesEverythingAbove24kHz) {
  // 96 kHz input: tones between the output's Nyquist and the input's.
  double worstDb = -300.0;
  for (double f : sweep(24000.0, 47990.0, 37.0, 3000.0, 211.0)) worstDb = std::max(worstDb, measureTone(96000, f).totalDb);
  EXPECT_LT(worstDb, -86.0);
  EXPECT_GT(worstDb, -120.0);  // the sweep did find the side lobes
}

TEST(ResamplerQuality, UpsamplingLeavesNoImagesAbove22050Hz) {
  // 44.1 kHz input: a tone at f has its first image at 44100 - f, so tones
  // up to 22040 Hz place images from 22060 Hz upwards; together with the
  // higher images folded back by the decimation they are everything left
  // once the tone itself is taken out of the output.
  double worstDb = -300.0;
  for (double f : sweep(20.0, 22040.0, 53.0, 0.0, 53.0)) worstDb = std::max(worstDb, measureTone(44100, f).residualDb);
  EXPECT_LT(worstDb, -86.0);
}

TEST(ResamplerQuality, DelayIsHalfTheFilterLength) {
  for (int inputRate : {44100, 88200, 96000}) {
    SCOPED_TRACE(inputRate);
    Resampler shape;
    shape.init(inputRate, kOutputRate, 1);
    const double length = static_cast<double>(shape.up()) * shape.tapsPerPhase();
    const double expectedDelay = (length - 1.0) / (2.0 * shape.up());  // input frames
    const double frequency = 1000.0;
    const ToneFit fit = measureTone(inputRate, frequency).fit;
    // y = sin(w m - phi): fitted as a cos + b sin with a = -sin(phi), b = cos(phi).
    double phase = std::atan2(-fit.cosine, fit.sine);
    if (phase < 0.0) phase += 2.0 * kPi;
    const double delay = phase / (2.0 * kPi * frequency) * inputRate;
    EXPECT_NEAR(delay, expectedDelay, 0.01);
  }
}

TEST(ResamplerBlocks, TenMillisecondBlocksGiveExactly480Frames) {
  for (int inputRate : {44100, 88200, 96000, 192000}) {
    SCOPED_TRACE(inputRate);
    Resampler resampler;
    resampler.init(inputRate, kOutputRate, 2);
    const int blockFrames = inputRate / 100;
    const std::vector<float> block = noise(2 * kStride, 7);
    long total = 0;
    for (int b = 0; b < 1000; ++b) {  // ten seconds
      int count = 0;
      resampler.process(block.data(), kStride, blockFrames, [&](const float*) { ++count; });
      ASSERT_EQ(count, 480) << "block " << b;
      total += count;
      if (b == 99) {
        EXPECT_EQ(total, 48000);  // one second
      }
    }
  }
}

TEST(ResamplerBlocks, BlockSizeDoesNotChangeTheOutput) {
  // 8 kHz makes 6 outputs per input frame, so large blocks run past the
  // converter's internal chunk of output frames.
  for (int inputRate : {44100, 192000, 8000, 22050}) {
    SCOPED_TRACE(inputRate);
    const Channels input = {noise(9000, 1), noise(9000, 2)};
    Resampler reference;
    reference.init(inputRate, kOutputRate, 2);
    const Channels expected = run(reference, input, 1);
    // On average n input frames give n x L / M output frames.
    EXPECT_EQ(expected[0].size(), (9000 * reference.up() + reference.down() - 1) / reference.down());
    for (int blockFrames : {7, 441, 1000, 1920}) {
      Resampler resampler;
      resampler.init(inputRate, kOutputRate, 2);
      const Channels output = run(resampler, input, blockFrames);
      ASSERT_EQ(output[0].size(), expected[0].size()) << blockFrames;
      EXPECT_EQ(0, std::memcmp(output[0].data(), expected[0].data(), expected[0].size() * sizeof(float))) << blockFrames;
      EXPECT_EQ(0, std::memcmp(output[1].data(), expected[1].data(), expected[1].size() * sizeof(float))) << blockFrames;
    }
  }
}

TEST(ResamplerBlocks, OutputIsTheDirectPolyphaseSum) {
  // Output frame m sits at m x M / L input frames: the newest input frame
  // n = floor(m M / L), phase p = m M mod L, and y = sum_k c[p][k] x[n - k].
  for (int inputRate : {44100, 88200, 96000, 192000, 8000}) {
    SCOPED_TRACE(inputRate);
    Resampler resampler;
    resampler.init(inputRate, kOutputRate, 1);
    const std::vector<float> input = noise(3000, 3);
    const Channels output = run(resampler, {input}, 441);
    const uint64_t up = static_cast<uint64_t>(resampler.up()), down = static_cast<uint64_t>(resampler.down());
    double worst = 0.0;
    for (size_t m = 0; m < output[0].size(); ++m) {
      const uint64_t position = m * down;
      const int64_t newest = static_cast<int64_t>(position / up);
      const int phase = static_cast<int>(position % up);
      double sum = 0.0;
      for (int k = 0; k < resampler.tapsPerPhase() && newest - k >= 0; ++k)
        sum += double{resampler.coefficient(phase, k)} * input[static_cast<size_t>(newest - k)];
      worst = std::max(worst, std::fabs(sum - output[0][m]));
    }
    EXPECT_LT(worst, 2e-6);
  }
}

TEST(ResamplerSignal, ConstantOneSettlesToOne) {
  for (int inputRate : {44100, 88200, 96000, 192000, 22050, 8000}) {
    SCOPED_TRACE(inputRate);
    Resampler resampler;
    resampler.init(inputRate, kOutputRate, 2);
    const size_t frames = static_cast<size_t>(inputRate / 2);
    const Channels output = run(resampler, {std::vector<float>(frames, 1.0f), std::vector<float>(frames, 1.0f)}, inputRate / 100);
    // Settled once the newest tapsPerPhase input frames are all 1.
    const size_t settled = static_cast<size_t>(std::ceil(resampler.tapsPerPhase() * double{kOutputRate} / inputRate)) + 1;
    for (size_t m = settled; m < output[0].size(); ++m) {
      ASSERT_NEAR(output[0][m], 1.0f, 2e-5f) << m;
      ASSERT_EQ(output[1][m], output[0][m]) << m;
    }
  }
}

TEST(ResamplerSignal, FirstOutputsFadeInFromSilence) {
  // A full-scale step at the very first frame: the converter starts from
  // an empty history, so the output rises smoothly instead of jumping.
  for (int inputRate : {44100, 96000, 22050}) {
    SCOPED_TRACE(inputRate);
    Resampler resampler;
    resampler.init(inputRate, kOutputRate, 1);
    const Channels output = run(resampler, {std::vector<float>(static_cast<size_t>(inputRate / 10), 1.0f)}, inputRate / 100);
    EXPECT_LT(std::fabs(output[0][0]), 1e-4f);
    const size_t quarterFilter = static_cast<size_t>(resampler.tapsPerPhase() / 4 * kOutputRate / inputRate);
    for (size_t m = 0; m < quarterFilter; ++m) ASSERT_LT(std::fabs(output[0][m]), 0.01f) << m;
    // The step's ringing stays that of a band-limited step (about 9 %).
    EXPECT_LT(*std::max_element(output[0].begin(), output[0].end()), 1.13f);
  }
}

TEST(ResamplerPassThrough, EqualRatesAreBitExactWithoutDelay) {
  for (int rate : {48000, 44100}) {
    SCOPED_TRACE(rate);
    Resampler resampler;
    resampler.init(rate, rate, 2);
    EXPECT_TRUE(resampler.passThrough());
    EXPECT_EQ(resampler.up(), 1);
    EXPECT_EQ(resampler.down(), 1);
    const Channels input = {noise(5000, 4), noise(5000, 5)};
    const Channels output = run(resampler, input, 480);
    ASSERT_EQ(output[0].size(), input[0].size());
    EXPECT_EQ(0, std::memcmp(output[0].data(), input[0].data(), input[0].size() * sizeof(float)));
    EXPECT_EQ(0, std::memcmp(output[1].data(), input[1].data(), input[1].size() * sizeof(float)));
  }
  // A new converter passes two channels through until it is set up.
  Resampler fresh;
  EXPECT_TRUE(fresh.passThrough());
  EXPECT_EQ(fresh.channels(), 2);
}

TEST(ResamplerGuard, UnusableRatesFallBackToPassThrough) {
  struct Rates {
    int input, output;
  };
  for (const Rates& rates : {Rates{0, 48000}, Rates{-44100, 48000}, Rates{44100, 0}, Rates{44100, -48000},
                             Rates{INT_MIN, 48000}, Rates{INT_MAX, 48000}, Rates{96001, 48000}}) {
    SCOPED_TRACE(testing::Message() << rates.input << " -> " << rates.output);
    Resampler resampler;
    resampler.init(44100, kOutputRate, 2);  // a working set-up is replaced
    resampler.init(rates.input, rates.output, 2);
    EXPECT_TRUE(resampler.passThrough());
    EXPECT_EQ(resampler.up(), 1);
    EXPECT_EQ(resampler.down(), 1);
    const Channels input = {noise(1000, 6), noise(1000, 7)};
    const Channels output = run(resampler, input, 441);
    EXPECT_EQ(output, input);
  }
  // An unusual rate whose table still fits is converted.
  Resampler odd;
  odd.init(44101, kOutputRate, 1);
  EXPECT_FALSE(odd.passThrough());
  EXPECT_EQ(odd.up(), 48000);
  EXPECT_EQ(odd.down(), 44101);
  EXPECT_EQ(run(odd, {noise(44101, 8)}, 1000)[0].size(), 48000u);
}

TEST(ResamplerChannels, StereoChannelsAreIndependentAndMatchMono) {
  const std::vector<float> left = sine(997.0, 44100, 8000, 0.7);
  const std::vector<float> right = noise(8000, 9);
  Resampler stereo;
  stereo.init(44100, kOutputRate, 2);
  const Channels both = run(stereo, {left, right}, 441);
  for (const auto& [channel, samples] : {std::pair{0, left}, std::pair{1, right}}) {
    Resampler mono;
    mono.init(44100, kOutputRate, 1);
    const Channels single = run(mono, {samples}, 441);
    EXPECT_EQ(single[0], both[static_cast<size_t>(channel)]) << channel;
  }
  // Nothing leaks from one channel into the other.
  Resampler quietRight;
  quietRight.init(96000, kOutputRate, 2);
  const Channels output = run(quietRight, {noise(4000, 10), std::vector<float>(4000, 0.0f)}, 960);
  EXPECT_TRUE(std::all_of(output[1].begin(), output[1].end(), [](float s) { return s == 0.0f; }));
}

TEST(ResamplerChannels, ChannelCountIsClampedAndMonoReadsOneChannel) {
  for (const auto& [requested, expected] : {std::pair{0, 1}, std::pair{-3, 1}, std::pair{1, 1}, std::pair{2, 2}, std::pair{3, 2}}) {
    Resampler resampler;
    resampler.init(44100, kOutputRate, requested);
    EXPECT_EQ(resampler.channels(), expected) << requested;
  }
  // A mono block needs only its first channel's plane (the sanitizer
  // builds would catch a read of a second one).
  for (int inputRate : {44100, 48000}) {
    Resampler mono;
    mono.init(inputRate, kOutputRate, 1);
    std::vector<float> plane(441, 0.25f);
    int frames = 0;
    mono.process(plane.data(), kStride, 441, [&](const float*) { ++frames; });
    EXPECT_GT(frames, 0);
  }
}

TEST(ResamplerRealTime, ProcessNeitherAllocatesNorLocks) {
  for (int inputRate : {44100, 96000, 8000, 48000}) {
    SCOPED_TRACE(inputRate);
    Resampler resampler;
    resampler.init(inputRate, kOutputRate, 2);
    const std::vector<float> block = noise(2 * kStride, 11);
    float sum = 0.0f;
    testsupport::AllocationCounter counter;
    for (int b = 0; b < 50; ++b)
      resampler.process(block.data(), kStride, std::min(kStride, inputRate / 100), [&](const float* frame) { sum += frame[0]; });
    EXPECT_EQ(counter.allocations(), 0u);
    EXPECT_EQ(counter.locks(), 0u);
    EXPECT_TRUE(std::isfinite(sum));
  }
}

}  // namespace
}  // namespace relaycaster
