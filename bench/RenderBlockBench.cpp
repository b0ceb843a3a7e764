// The audio callback with both transports' feeds enabled, against a plain
// copy of the same input buffers (the memory-bandwidth floor of any
// pass-through effect).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "RatioReporter.h"
#include "core/Relaycaster.h"

namespace {

struct StereoBuffers {
  explicit StereoBuffers(int frames)
      : in(2, std::vector<double>(static_cast<size_t>(frames))), out(2, std::vector<double>(static_cast<size_t>(frames))) {
    for (int i = 0; i < frames; ++i) {
      in[0][static_cast<size_t>(i)] = 0.5 * std::sin(0.01 * i);
      in[1][static_cast<size_t>(i)] = 0.5 * std::cos(0.01 * i);
    }
    inPtr = {in[0].data(), in[1].data()};
    outPtr = {out[0].data(), out[1].data()};
  }
  std::vector<std::vector<double>> in, out;
  std::vector<double*> inPtr, outPtr;
};

void setPerFrame(benchmark::State& state, int frames) {
  state.SetItemsProcessed(state.iterations() * frames);
  state.counters["frames"] = frames;  // the side-by-side table divides by it
}

void RenderBlockBothFeeds(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  relaycaster::Relaycaster plugin;
  plugin.ndiFeed().enable();
  plugin.srtFeed().enable();
  plugin.GetParam(relaycaster::kNdiLevel)->Set(-3.0);
  plugin.GetParam(relaycaster::kSrtLevel)->Set(-6.0);
  StereoBuffers buffers(frames);
  for (auto _ : state) {
    plugin.ProcessBuffers(buffers.inPtr.data(), 2, buffers.outPtr.data(), 2, frames);
    benchmark::DoNotOptimize(buffers.out[1].data());
    benchmark::ClobberMemory();
  }
  setPerFrame(state, frames);
}

void PlainCopy(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  StereoBuffers buffers(frames);
  for (auto _ : state) {
    for (int c = 0; c < 2; ++c) std::memcpy(buffers.outPtr[static_cast<size_t>(c)], buffers.inPtr[static_cast<size_t>(c)], sizeof(double) * static_cast<size_t>(frames));
    benchmark::DoNotOptimize(buffers.out[1].data());
    benchmark::ClobberMemory();
  }
  setPerFrame(state, frames);
}

const bool registered = [] {
  benchsupport::RatioReporter::compare("RenderBlockBothFeeds", "PlainCopy");
  return true;
}();

}  // namespace

BENCHMARK(RenderBlockBothFeeds)->Arg(32)->Arg(128)->Arg(512)->Arg(2048);
BENCHMARK(PlainCopy)->Arg(32)->Arg(128)->Arg(512)->Arg(2048);
