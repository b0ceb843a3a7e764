// The whole SRT output per 10 ms block, in multiples of real time:
// - PCM (302M) at 48 kHz and from 44.1 kHz (resampled) against a plain
//   copy of the same input and output bytes, the floor of any packer;
// - AAC at 48 kHz against the AAC encoder alone on the same audio, to show
//   what resampling, ADTS and muxing add to the encoder's cost.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "transport/FeedReader.h"
#include "transport/srt/AacEncoder.h"
#include "transport/srt/SrtOutput.h"

namespace {

constexpr int kStride = relaycaster::FeedReader::kBlockStride;
constexpr int kBlocksPerIteration = 100;  // one second of audio

class NullSink : public relaycaster::MessageSink {
 public:
  void sendMessage(const uint8_t* data, int size) override {
    benchmark::DoNotOptimize(data);
    bytes += static_cast<size_t>(size);
  }
  size_t bytes = 0;
};

// One second of a stereo tone with a little noise, in 10 ms planar blocks.
std::vector<std::vector<float>> makeBlocks(int rate) {
  const int frames = rate / 100;
  std::vector<std::vector<float>> blocks(kBlocksPerIteration, std::vector<float>(2 * kStride));
  uint32_t noise = 1;
  for (int b = 0; b < kBlocksPerIteration; ++b)
    for (int i = 0; i < frames; ++i)
      for (int c = 0; c < 2; ++c) {
        noise = noise * 1664525u + 1013904223u;
        const double n = static_cast<double>(b * frames + i);
        blocks[static_cast<size_t>(b)][static_cast<size_t>(c * kStride + i)] =
            static_cast<float>(0.5 * std::sin(2.0 * M_PI * 997.0 * n / rate + c) + 1e-3 * (noise >> 8) / 16777216.0);
      }
  return blocks;
}

void reportRealTime(benchmark::State& state, int rate) {
  state.counters["frames"] = static_cast<double>(rate);  // frames per iteration
  // Seconds of audio handled per second of processing.
  state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void runOutput(benchmark::State& state, int codec) {
  const int rate = static_cast<int>(state.range(0));
  relaycaster::SrtSettings settings;
  settings.codec = codec;
  relaycaster::SrtOutput output;
  std::string error;
  if (!output.configure(settings, rate, 2, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  const auto blocks = makeBlocks(rate);
  NullSink sink;
  for (auto _ : state)
    for (const auto& block : blocks) output.consumeBlock(block.data(), kStride, rate / 100, sink);
  state.SetBytesProcessed(static_cast<int64_t>(sink.bytes));
  reportRealTime(state, rate);
}

void SrtOutputPcm(benchmark::State& state) { runOutput(state, relaycaster::SrtOutput::kCodecPcm); }
void SrtOutputAac(benchmark::State& state) { runOutput(state, relaycaster::SrtOutput::kCodecAac); }

// Reads the same input once and writes as many bytes as the PCM output
// sends (302M at 48 kHz: 19 packets of 188 bytes per 10 ms, plus a third
// of the three table packets): the floor of any packer.
void CopyFloor(benchmark::State& state) {
  const int rate = static_cast<int>(state.range(0));
  const auto blocks = makeBlocks(rate);
  const size_t inBytes = sizeof(float) * static_cast<size_t>(rate / 100);
  const size_t outBytes = 19 * 188 + 3 * 188 / 10;
  std::vector<uint8_t> staging(std::max(2 * inBytes, outBytes));
  std::vector<uint8_t> out(outBytes);
  for (auto _ : state)
    for (const auto& block : blocks) {
      std::memcpy(staging.data(), block.data(), inBytes);
      std::memcpy(staging.data() + inBytes, block.data() + kStride, inBytes);
      std::memcpy(out.data(), staging.data(), outBytes);
      benchmark::DoNotOptimize(out.data());
      benchmark::ClobberMemory();
    }
  reportRealTime(state, rate);
}

void AacEncoderAlone(benchmark::State& state) {
  const int rate = static_cast<int>(state.range(0));
  std::string error;
  auto encoder = relaycaster::srt::createAacEncoder(rate, 2, 192, error);
  if (!encoder) {
    state.SkipWithError(error.c_str());
    return;
  }
  const auto blocks = makeBlocks(rate);
  const int frames = rate / 100;
  std::vector<float> interleaved(static_cast<size_t>(2 * frames));
  size_t bytes = 0;
  auto sink = [&bytes](const uint8_t*, int size) { bytes += static_cast<size_t>(size); };
  for (auto _ : state)
    for (const auto& block : blocks) {
      for (int i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c)
          interleaved[static_cast<size_t>(2 * i + c)] = block[static_cast<size_t>(c * kStride + i)];
      encoder->encode(interleaved.data(), frames, sink);
    }
  benchmark::DoNotOptimize(bytes);
  reportRealTime(state, rate);
}

const bool registered = [] {
  benchsupport::RatioReporter::compare("SrtOutputPcm", "CopyFloor");
  benchsupport::RatioReporter::compare("SrtOutputAac", "AacEncoderAlone");
  return true;
}();

}  // namespace

BENCHMARK(SrtOutputPcm)->Arg(48000)->Arg(44100)->Unit(benchmark::kMicrosecond);
BENCHMARK(CopyFloor)->Arg(48000)->Arg(44100)->Unit(benchmark::kMicrosecond);
BENCHMARK(SrtOutputAac)->Arg(48000)->Unit(benchmark::kMicrosecond);
BENCHMARK(AacEncoderAlone)->Arg(48000)->Unit(benchmark::kMicrosecond);
