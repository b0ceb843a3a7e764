// The cost of the VST 3 binding around the audio callback: a process call
// through IPlugVST3 with 32-bit host buffers (widened and narrowed in
// scratch) and with 64-bit ones, against the plug-in's own ProcessBuffers
// on 64-bit buffers, the same work without any binding.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "RatioReporter.h"
#include "core/Relaycaster.h"
#include "framework/vst3/IPlugVST3.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

template <class Sample>
struct StereoBuffers {
  explicit StereoBuffers(int frames)
      : in(2, std::vector<Sample>(static_cast<size_t>(frames))), out(2, std::vector<Sample>(static_cast<size_t>(frames))) {
    for (int i = 0; i < frames; ++i) {
      in[0][static_cast<size_t>(i)] = static_cast<Sample>(0.5 * std::sin(0.01 * i));
      in[1][static_cast<size_t>(i)] = static_cast<Sample>(0.5 * std::cos(0.01 * i));
    }
    inPtr = {in[0].data(), in[1].data()};
    outPtr = {out[0].data(), out[1].data()};
  }
  std::vector<std::vector<Sample>> in, out;
  std::vector<Sample*> inPtr, outPtr;
};

void setPerFrame(benchmark::State& state, int frames) {
  state.SetItemsProcessed(state.iterations() * frames);
  state.counters["frames"] = frames;
}

/// The effect behind the binding, set up for processing but not
/// initialised, so no idle timer runs and no transport starts.
struct BoundEffect {
  explicit BoundEffect(int maxFrames, int32 sampleSize) : effect(new framework::IPlugVST3(std::make_unique<relaycaster::Relaycaster>())) {
    ProcessSetup setup{kRealtime, sampleSize, maxFrames, 48000.0};
    effect->setupProcessing(setup);
    effect->setProcessing(true);
  }
  ~BoundEffect() { effect->release(); }
  framework::IPlugVST3* effect;
};

template <class Sample>
void ProcessThroughBinding(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  constexpr int32 sampleSize = sizeof(Sample) == 8 ? kSample64 : kSample32;
  BoundEffect bound(frames, sampleSize);
  StereoBuffers<Sample> buffers(frames);
  AudioBusBuffers in{}, out{};
  in.numChannels = out.numChannels = 2;
  if constexpr (sizeof(Sample) == 8) {
    in.channelBuffers64 = buffers.inPtr.data();
    out.channelBuffers64 = buffers.outPtr.data();
  } else {
    in.channelBuffers32 = buffers.inPtr.data();
    out.channelBuffers32 = buffers.outPtr.data();
  }
  ProcessData data;
  data.symbolicSampleSize = sampleSize;
  data.numSamples = frames;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &in;
  data.outputs = &out;
  for (auto _ : state) {
    bound.effect->process(data);
    benchmark::DoNotOptimize(buffers.out[1].data());
    benchmark::ClobberMemory();
  }
  setPerFrame(state, frames);
}

void Vst3Process32(benchmark::State& state) { ProcessThroughBinding<float>(state); }
void Vst3Process64(benchmark::State& state) { ProcessThroughBinding<double>(state); }

void DirectProcess(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  relaycaster::Relaycaster plugin;
  StereoBuffers<double> buffers(frames);
  for (auto _ : state) {
    plugin.ProcessBuffers(buffers.inPtr.data(), 2, buffers.outPtr.data(), 2, frames);
    benchmark::DoNotOptimize(buffers.out[1].data());
    benchmark::ClobberMemory();
  }
  setPerFrame(state, frames);
}

const bool registered = [] {
  benchsupport::RatioReporter::compare("Vst3Process64", "DirectProcess");
  benchsupport::RatioReporter::compare("Vst3Process32", "DirectProcess");
  return true;
}();

}  // namespace

BENCHMARK(Vst3Process32)->Arg(32)->Arg(128)->Arg(512)->Arg(2048);
BENCHMARK(Vst3Process64)->Arg(32)->Arg(128)->Arg(512)->Arg(2048);
BENCHMARK(DirectProcess)->Arg(32)->Arg(128)->Arg(512)->Arg(2048);
