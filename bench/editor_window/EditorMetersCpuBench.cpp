// The processor an open editor costs while both meters move: the host
// plays a looped file of a tone whose level sweeps up and down between -40
// and -6 dBFS, with NDI and SRT both on (SRT as a listener that nobody
// calls: the meters show the feeds' peaks whether or not anyone receives).
// relaycaster-host with --editor at 1x and at 2x on a private X server,
// measured over 10 s from /proc (the host process and the X server both),
// beside the same host with no editor. Goals: the host and X server
// together under 3 % of one core at 1x and 6 % at 2x.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

#include "ProcessCpu.h"
#include "RatioReporter.h"
#include "support/LoopbackPorts.h"
#include "support/Subprocess.h"
#include "support/WaitFor.h"
#include "support/WavWriter.h"
#include "support/XvfbServer.h"

namespace {

using namespace std::chrono_literals;
using benchsupport::CpuSeconds;
using testsupport::Subprocess;
using testsupport::XvfbServer;

constexpr auto kSettle = 2s;  // the first frames, font loading, the first status line
constexpr auto kMeasure = 10s;
constexpr double kLoopSeconds = 8.0;

// A 1 kHz tone whose level runs up and down a triangle between -40 and -6
// dBFS every two seconds: faster than the meters fall, so they move on
// every frame. Four whole periods, so the loop has no seam.
double SweptTone(double t) {
  const double phase = std::fmod(t, 2.0) / 2.0;
  const double triangle = phase < 0.5 ? 2.0 * phase : 2.0 - 2.0 * phase;
  const double db = -40.0 + 34.0 * triangle;
  return std::pow(10.0, db / 20.0) * std::sin(2.0 * M_PI * 1000.0 * t);
}

const std::string& SweptToneFile() {
  static const std::string path = [] {
    const std::string file = "/tmp/relaycaster-bench-swept-" + std::to_string(getpid()) + ".wav";
    return testsupport::WriteWav16(file, 48000, 2, kLoopSeconds, SweptTone) ? file : std::string();
  }();
  return path;
}

struct FileRemover {
  ~FileRemover() {
    if (!SweptToneFile().empty()) std::remove(SweptToneFile().c_str());
  }
};

// The meter bars of both columns, in window pixels at `scale`, differ
// between two pictures a few frames apart.
bool MetersMove(const XvfbServer& server, const std::string& window, int scale) {
  const testsupport::ScreenPicture first = testsupport::CaptureWindow(server, window);
  std::this_thread::sleep_for(200ms);
  const testsupport::ScreenPicture second = testsupport::CaptureWindow(server, window);
  if (!first.valid() || !second.valid()) return false;
  auto columnsDiffer = [&](int left) {
    for (int y = 384 * scale; y < 474 * scale; ++y)
      for (int x = left * scale; x < (left + 23) * scale; ++x)
        if (first.at(x, y) != second.at(x, y)) return true;
    return false;
  };
  return columnsDiffer(341) && columnsDiffer(827);
}

void MeasureHost(benchmark::State& state, int scale) {
  static const FileRemover remover;
  if (SweptToneFile().empty()) {
    state.SkipWithError("cannot write the tone file");
    return;
  }
  XvfbServer server;
  if (!server.started()) {
    state.SkipWithError("Xvfb did not start");
    return;
  }
  std::vector<std::string> args{RELAYCASTER_HOST_BINARY, "--seconds", "60", "--input", SweptToneFile(), "--set",
                                "SRT=on", "--set", "SRT mode=Listener", "--set",
                                "SRT port=" + std::to_string(testsupport::freeUdpPort())};
  if (scale > 0) args.insert(args.end(), {"--editor", "--ui-scale", std::to_string(scale)});
  Subprocess host(server.onDisplay(args), 90s);
  const bool running = testsupport::WaitFor(
      [&] { return host.stdoutText().find("SRT: Waiting") != std::string::npos || !host.running(); }, 20s);
  if (!running || !host.running()) {
    state.SkipWithError(("the host did not run: " + host.stderrText()).c_str());
    return;
  }
  std::this_thread::sleep_for(kSettle);
  if (scale > 0) {
    const testsupport::ProcessResult found = server.run({"xdotool", "search", "--name", "^Relaycaster"});
    const std::string window = found.out.substr(0, found.out.find('\n'));
    if (window.empty() || !MetersMove(server, window, scale)) {
      state.SkipWithError("the meters do not move in the editor window");
      return;
    }
  }
  for (auto _ : state) {
    const double hostBefore = CpuSeconds(host.pid());
    const double serverBefore = CpuSeconds(server.pid());
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(kMeasure);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double hostPercent = 100.0 * (CpuSeconds(host.pid()) - hostBefore) / elapsed;
    const double serverPercent = 100.0 * (CpuSeconds(server.pid()) - serverBefore) / elapsed;
    state.counters["host_%"] = hostPercent;
    state.counters["xserver_%"] = serverPercent;
    state.counters["total_%"] = hostPercent + serverPercent;
    state.SetIterationTime(elapsed);
  }
  host.stop();
}

void MovingMetersInTheEditorAt1x(benchmark::State& state) { MeasureHost(state, 1); }
void MovingMetersInTheEditorAt2x(benchmark::State& state) { MeasureHost(state, 2); }
void SameHostWithoutEditor(benchmark::State& state) { MeasureHost(state, 0); }

BENCHMARK(MovingMetersInTheEditorAt1x)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(MovingMetersInTheEditorAt2x)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(SameHostWithoutEditor)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
