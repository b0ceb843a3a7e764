// The processor an open editor costs while nothing changes in it:
// relaycaster-host with --editor on a private X server, measured over 10 s
// from /proc (the host process and the X server both), beside the same
// host with no editor. Goal: the editor adds under 1 % of one core.
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "RatioReporter.h"
#include "support/Subprocess.h"
#include "support/WaitFor.h"
#include "support/XvfbServer.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Subprocess;
using testsupport::XvfbServer;

constexpr auto kSettle = 2s;    // the first frames, font loading, the first status line
constexpr auto kMeasure = 10s;

/// User plus system time of a process so far, in seconds.
double CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  // Fields after the command name (which may hold spaces) start at ") ".
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return 0.0;
  std::istringstream fields(line.substr(close + 2));
  std::string skip;
  for (int field = 3; field < 14; ++field) fields >> skip;  // state .. cmajflt
  long long user = 0, system = 0;
  fields >> user >> system;
  return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void MeasureHost(benchmark::State& state, bool editor) {
  XvfbServer server;
  if (!server.started()) {
    state.SkipWithError("Xvfb did not start");
    return;
  }
  std::vector<std::string> args{RELAYCASTER_HOST_BINARY, "--seconds", "60"};
  if (editor) args.push_back("--editor");
  Subprocess host(server.onDisplay(args), 90s);
  const bool running = testsupport::WaitFor(
      [&] { return host.stdoutText().find("SRT:") != std::string::npos || !host.running(); }, 20s);
  if (!running || !host.running()) {
    state.SkipWithError(("the host did not run: " + host.stderrText()).c_str());
    return;
  }
  std::this_thread::sleep_for(kSettle);
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

void HostWithIdleEditor(benchmark::State& state) { MeasureHost(state, true); }
void HostWithoutEditor(benchmark::State& state) { MeasureHost(state, false); }

BENCHMARK(HostWithIdleEditor)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(HostWithoutEditor)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
