// The sample-rate converter against libsoxr (high quality) and
// libsamplerate (fastest sinc), converting 10 ms stereo blocks to 48 kHz
// as the SRT output does. Before the timings, each converter's stop band
// and pass band are measured with test tones and printed, so that the
// speeds can be read against the quality each one delivers.
#include <benchmark/benchmark.h>
#include <samplerate.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "transport/srt/Resampler.h"

namespace {

constexpr int kStride = 1920;       // planar channel stride, as the feed reader delivers
constexpr int kOutputRate = 48000;
constexpr int kMaxOutputFrames = 8192;
constexpr double kPi = std::numbers::pi;

/// One converter to 48 kHz: planar blocks in, interleaved frames out.
class Converter {
 public:
  virtual ~Converter() = default;
  /// Converts `frames` frames of planar input (stride kStride) and writes
  /// the output frames available so far to `out`; returns their count.
  virtual int process(const float* planar, int frames, float* out) = 0;
};

class OursConverter : public Converter {
 public:
  OursConverter(int inputRate, int channels) : mChannels(channels) { mResampler.init(inputRate, kOutputRate, channels); }
  int process(const float* planar, int frames, float* out) override {
    int produced = 0;
    mResampler.process(planar, kStride, frames, [&](const float* frame) {
      for (int c = 0; c < mChannels; ++c) out[produced * mChannels + c] = frame[c];
      ++produced;
    });
    return produced;
  }

 private:
  relaycaster::Resampler mResampler;
  int mChannels;
};

class SoxrConverter : public Converter {
 public:
  SoxrConverter(int inputRate, int channels) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_S, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);  // one thread: speed per core
    soxr_error_t error = nullptr;
    mSoxr = soxr_create(inputRate, kOutputRate, static_cast<unsigned>(channels), &error, &io, &quality, &runtime);
    if (error) std::fprintf(stderr, "soxr_create: %s\n", error);
  }
  ~SoxrConverter() override { soxr_delete(mSoxr); }
  int process(const float* planar, int frames, float* out) override {
    const float* planes[] = {planar, planar + kStride};
    size_t used = 0, produced = 0;
    soxr_process(mSoxr, planes, static_cast<size_t>(frames), &used, out, kMaxOutputFrames, &produced);
    return static_cast<int>(produced);
  }

 private:
  soxr_t mSoxr = nullptr;
};

class SampleRateConverter : public Converter {
 public:
  SampleRateConverter(int inputRate, int channels)
      : mChannels(channels), mRatio(double{kOutputRate} / inputRate), mInterleaved(2 * kStride) {
    int error = 0;
    mState = src_new(SRC_SINC_FASTEST, channels, &error);
    if (error) std::fprintf(stderr, "src_new: %s\n", src_strerror(error));
  }
  ~SampleRateConverter() override { src_delete(mState); }
  // libsamplerate takes interleaved frames; the interleaving is part of
  // what using it here would cost.
  int process(const float* planar, int frames, float* out) override {
    for (int i = 0; i < frames; ++i)
      for (int c = 0; c < mChannels; ++c) mInterleaved[static_cast<size_t>(i * mChannels + c)] = planar[c * kStride + i];
    SRC_DATA data{};
    data.data_in = mInterleaved.data();
    data.data_out = out;
    data.input_frames = frames;
    data.output_frames = kMaxOutputFrames;
    data.src_ratio = mRatio;
    src_process(mState, &data);
    return static_cast<int>(data.output_frames_gen);
  }

 private:
  SRC_STATE* mState = nullptr;
  int mChannels;
  double mRatio;
  std::vector<float> mInterleaved;
};

struct Kind {
  const char* name;
  std::unique_ptr<Converter> (*make)(int inputRate, int channels);
};

const Kind kKinds[] = {
    {"ours", [](int rate, int channels) -> std::unique_ptr<Converter> { return std::make_unique<OursConverter>(rate, channels); }},
    {"soxr HQ", [](int rate, int channels) -> std::unique_ptr<Converter> { return std::make_unique<SoxrConverter>(rate, channels); }},
    {"libsamplerate SINC_FASTEST",
     [](int rate, int channels) -> std::unique_ptr<Converter> { return std::make_unique<SampleRateConverter>(rate, channels); }},
};

// ---- Quality, measured with tones ----------------------------------------

// Least-squares fit of one sinusoid at `frequency` to y[begin..]: the
// power of that component and of everything else, relative to `reference`.
struct ToneFit {
  double toneDb;
  double residualDb;
  double totalDb;
};

ToneFit fitTone(const std::vector<float>& y, size_t begin, double frequency, double reference) {
  const double w = 2.0 * kPi * frequency / kOutputRate;
  double cc = 0, ss = 0, cs = 0, yc = 0, ys = 0, yy = 0;
  for (size_t m = begin; m < y.size(); ++m) {
    const double c = std::cos(w * static_cast<double>(m)), s = std::sin(w * static_cast<double>(m));
    cc += c * c, ss += s * s, cs += c * s, yc += y[m] * c, ys += y[m] * s, yy += double{y[m]} * y[m];
  }
  const double determinant = cc * ss - cs * cs;
  const double a = (yc * ss - ys * cs) / determinant, b = (ys * cc - yc * cs) / determinant;
  double residual = 0.0;
  for (size_t m = begin; m < y.size(); ++m) {
    const double e = y[m] - a * std::cos(w * static_cast<double>(m)) - b * std::sin(w * static_cast<double>(m));
    residual += e * e;
  }
  const double count = static_cast<double>(y.size() - begin);
  const auto db = [&](double power) { return 10.0 * std::log10(std::max(power / count / reference, 1e-30)); };
  return {db((a * a + b * b) / 2.0 * count), db(residual), db(yy)};
}

// A 0.15 s tone of amplitude 0.5 through a fresh mono converter, fitted
// after 50 ms of output (longer than any of the three converters' delay).
ToneFit measureTone(const Kind& kind, int inputRate, double frequency) {
  constexpr double kAmplitude = 0.5;
  const std::unique_ptr<Converter> converter = kind.make(inputRate, 1);
  std::vector<float> block(2 * kStride), out(kMaxOutputFrames * 2), y;
  const int total = inputRate * 15 / 100, blockFrames = inputRate / 100;
  for (int done = 0; done < total; done += blockFrames) {
    for (int i = 0; i < blockFrames; ++i)
      block[static_cast<size_t>(i)] = static_cast<float>(kAmplitude * std::sin(2.0 * kPi * frequency * (done + i) / inputRate));
    const int produced = converter->process(block.data(), blockFrames, out.data());
    y.insert(y.end(), out.begin(), out.begin() + produced);
  }
  return fitTone(y, kOutputRate / 20, frequency, kAmplitude * kAmplitude / 2.0);
}

// Worst leakage beyond the lower rate's Nyquist frequency: at 96 kHz the
// whole output for tones between 24 and 48 kHz; at 44.1 kHz everything but
// the tone itself (its images above 22050 Hz) for tones across the band.
double stopBandDb(const Kind& kind, int inputRate) {
  double worst = -300.0;
  if (inputRate > kOutputRate) {
    for (double f = kOutputRate / 2.0; f < inputRate / 2.0 - 10.0; f += f < kOutputRate / 2.0 + 3000.0 ? 37.0 : 211.0)
      worst = std::max(worst, measureTone(kind, inputRate, f).totalDb);
  } else {
    for (double f = 20.0; f < inputRate / 2.0 - 10.0; f += 53.0)
      worst = std::max(worst, measureTone(kind, inputRate, f).residualDb);
  }
  return worst;
}

// Largest deviation from 0 dB for tones up to `edge` x the lower rate.
double rippleDb(const Kind& kind, int inputRate, double edge) {
  const double lower = std::min(inputRate, kOutputRate);
  double worst = 0.0;
  for (double f = 20.0; f <= edge * lower; f += 0.0071 * lower)
    worst = std::max(worst, std::fabs(measureTone(kind, inputRate, f).toneDb));
  return worst;
}

void printQuality() {
  std::printf("Measured quality, tones through each converter to 48 kHz (mono, 10 ms blocks)\n");
  std::printf("%-28s %7s %16s %16s %16s %12s\n", "converter", "input", "stop band (dB)", "ripple<0.40 (dB)",
              "ripple<0.35 (dB)", "gain@0.45 (dB)");
  for (int inputRate : {44100, 96000})
    for (const Kind& kind : kKinds) {
      const double lower = std::min(inputRate, kOutputRate);
      std::printf("%-28s %7d %16.1f %16.4f %16.4f %12.2f\n", kind.name, inputRate, stopBandDb(kind, inputRate),
                  rippleDb(kind, inputRate, 0.40), rippleDb(kind, inputRate, 0.35),
                  measureTone(kind, inputRate, 0.45 * lower).toneDb);
    }
  std::printf("(stop band: worst leakage beyond the lower rate's Nyquist frequency, relative to the tone)\n\n");
  std::fflush(stdout);
}

// ---- Speed ----------------------------------------------------------------

void convertBlocks(benchmark::State& state, const Kind& kind) {
  const int inputRate = static_cast<int>(state.range(0));
  const int blockFrames = inputRate / 100;
  const std::unique_ptr<Converter> converter = kind.make(inputRate, 2);
  std::vector<float> input(2 * kStride), out(2 * kMaxOutputFrames);
  std::mt19937 generator(1);
  std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
  for (float& sample : input) sample = noise(generator);
  int64_t produced = 0;
  for (auto _ : state) {
    produced += converter->process(input.data(), blockFrames, out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(produced);  // output frames per second
  state.counters["frames"] = 480;     // output frames per block, for the side-by-side table
  state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()) * 0.01, benchmark::Counter::kIsRate);
}

void Ours(benchmark::State& state) { convertBlocks(state, kKinds[0]); }
void SoxrHQ(benchmark::State& state) { convertBlocks(state, kKinds[1]); }
void SrcSincFastest(benchmark::State& state) { convertBlocks(state, kKinds[2]); }

const bool registered = [] {
  printQuality();
  benchsupport::RatioReporter::compare("Ours", "SoxrHQ");
  benchsupport::RatioReporter::compare("Ours", "SrcSincFastest");
  return true;
}();

}  // namespace

BENCHMARK(Ours)->Arg(44100)->Arg(96000);
BENCHMARK(SoxrHQ)->Arg(44100)->Arg(96000);
BENCHMARK(SrcSincFastest)->Arg(44100)->Arg(96000);
