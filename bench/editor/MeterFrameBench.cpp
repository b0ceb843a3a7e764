// One editor frame while audio flows into both feeds and both meters move
// (the frame redraws only the dirty rectangles: two meters, and a state
// line twice a second), against a full frame of the same editor, at 1x and 2x.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "RatioReporter.h"
#include "core/Relaycaster.h"
#include "framework/graphics/IGraphics.h"
#include "framework/graphics/Resources.h"

namespace {

constexpr int kFramesPerVideoFrame = 800;  // 1/60 s at 48 kHz
constexpr int64_t kFrameNanos = 1'000'000'000 / 60;

/// An editor with both transports switched on (no shades) and both feeds taking audio.
class MovingEditor {
 public:
  explicit MovingEditor(float scale) : left(kFramesPerVideoFrame), right(kFramesPerVideoFrame), out(2 * kFramesPerVideoFrame) {
    plugin.setEditorResources(framework::ResourceFolderLoader(RELAYCASTER_BENCH_RESOURCES));
    plugin.GetParam(relaycaster::kSrtOn)->Set(1.0);
    plugin.ndiFeed().enable();
    plugin.srtFeed().enable();
    g = plugin.OpenEditor();
    g->SetClock([this] { return now; });
    g->Resize(880, 562, scale, false);
    g->DrawAll();
  }
  ~MovingEditor() { plugin.CloseEditor(); }

  /// One video frame of audio whose peak swings between about -4 and -16 dB,
  /// so every frame moves both bars.
  void PushAudio() {
    const double peak = 0.4 + 0.25 * std::sin(0.7 * static_cast<double>(++frame));
    for (int i = 0; i < kFramesPerVideoFrame; ++i) {
      left[static_cast<size_t>(i)] = peak * std::sin(0.05 * i);
      right[static_cast<size_t>(i)] = 0.8 * peak * std::cos(0.05 * i);
    }
    double* in[] = {left.data(), right.data()};
    double* outs[] = {out.data(), out.data() + kFramesPerVideoFrame};
    plugin.ProcessBuffers(in, 2, outs, 2, kFramesPerVideoFrame);
    now += kFrameNanos;
  }

  relaycaster::Relaycaster plugin;
  framework::IGraphics* g = nullptr;
  int64_t now = 1'000'000'000;
  int64_t frame = 0;
  std::vector<double> left, right, out;
};

void MovingMeters(benchmark::State& state) {
  MovingEditor editor(static_cast<float>(state.range(0)));
  const uint64_t controlsBefore = editor.g->ControlsDrawn();
  const uint64_t framesBefore = editor.g->FramesDrawn();
  for (auto _ : state) {
    state.PauseTiming();
    editor.PushAudio();
    state.ResumeTiming();
    editor.g->OnFrame();
    benchmark::DoNotOptimize(editor.g->Pixels().data);
  }
  const double frames = static_cast<double>(editor.g->FramesDrawn() - framesBefore);
  state.counters["controls_per_frame"] =
      frames > 0 ? static_cast<double>(editor.g->ControlsDrawn() - controlsBefore) / frames : 0.0;
  state.counters["drawn_fraction"] = frames / static_cast<double>(state.iterations());
}

void FullFrame(benchmark::State& state) {
  MovingEditor editor(static_cast<float>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    editor.PushAudio();
    state.ResumeTiming();
    editor.g->DrawAll();
    benchmark::DoNotOptimize(editor.g->Pixels().data);
  }
  state.counters["controls_per_frame"] = static_cast<double>(editor.g->NControls());
}

const bool registered = [] {
  benchsupport::RatioReporter::compare("MovingMeters", "FullFrame");
  return true;
}();

}  // namespace

BENCHMARK(MovingMeters)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(FullFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
