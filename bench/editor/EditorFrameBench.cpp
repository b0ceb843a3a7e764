// One editor frame drawn whole at 1x and 2x, against a plain fill of a
// surface of the same size (the memory-bandwidth floor of any full
// repaint); and a frame in which nothing changed, which must draw nothing.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "RatioReporter.h"
#include "core/Relaycaster.h"
#include "framework/graphics/IGraphics.h"
#include "framework/graphics/Resources.h"

namespace {

framework::IGraphics* OpenAt(relaycaster::Relaycaster& plugin, float scale) {
  plugin.setEditorResources(framework::ResourceFolderLoader(RELAYCASTER_BENCH_RESOURCES));
  framework::IGraphics* g = plugin.OpenEditor();
  g->Resize(880, 562, scale, false);
  plugin.OnTimer();  // title and footer as a running editor shows them
  return g;
}

void FullFrame(benchmark::State& state) {
  relaycaster::Relaycaster plugin;
  framework::IGraphics* g = OpenAt(plugin, static_cast<float>(state.range(0)));
  for (auto _ : state) {
    g->DrawAll();
    benchmark::DoNotOptimize(g->Pixels().data);
  }
  state.counters["pixels"] = static_cast<double>(g->WindowWidth()) * g->WindowHeight();
  plugin.CloseEditor();
}

void PlainFill(benchmark::State& state) {
  const auto scale = static_cast<size_t>(state.range(0));
  std::vector<uint32_t> surface(880 * scale * 562 * scale);
  uint32_t colour = 0xFF0A0A0A;
  for (auto _ : state) {
    std::fill(surface.begin(), surface.end(), colour++);
    benchmark::DoNotOptimize(surface.data());
    benchmark::ClobberMemory();
  }
  state.counters["pixels"] = static_cast<double>(surface.size());
}

void UnchangedFrame(benchmark::State& state) {
  relaycaster::Relaycaster plugin;
  framework::IGraphics* g = OpenAt(plugin, static_cast<float>(state.range(0)));
  g->OnFrame();  // the first frame draws everything
  const uint64_t drawnBefore = g->ControlsDrawn();
  const uint64_t framesBefore = g->FramesDrawn();
  for (auto _ : state) g->OnFrame();
  state.counters["controls_drawn"] = static_cast<double>(g->ControlsDrawn() - drawnBefore);
  state.counters["frames_drawn"] = static_cast<double>(g->FramesDrawn() - framesBefore);
  plugin.CloseEditor();
}

const bool registered = [] {
  benchsupport::RatioReporter::compare("FullFrame", "PlainFill");
  return true;
}();

}  // namespace

BENCHMARK(FullFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainFill)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(UnchangedFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
