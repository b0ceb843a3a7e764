#include "HostRunner.h"

#include <chrono>
#include <cmath>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace relaycaster_host {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kTimerPeriod = 20ms;
constexpr int kTicksPerReport = 50;          // once a second
constexpr auto kLateLimit = 500ms;            // further behind than this: skip ahead, do not burst
constexpr auto kMainPoll = 10ms;

// The audio thread: renders and processes one block, then sleeps until the
// block's deadline. Buffers are made before the thread starts.
void audioLoop(HostedPlugin& plugin, AudioSource& source, const RunSettings& settings,
               const std::atomic<bool>& running) {
  const size_t frames = static_cast<size_t>(settings.blockFrames);
  std::vector<std::vector<double>> inputs(static_cast<size_t>(settings.channels), std::vector<double>(frames));
  std::vector<std::vector<double>> outputs = inputs;
  std::vector<double*> in;
  std::vector<double*> out;
  for (auto& channel : inputs) in.push_back(channel.data());
  for (auto& channel : outputs) out.push_back(channel.data());

  const auto blockDuration = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(settings.blockFrames / settings.sampleRate));
  auto deadline = Clock::now();
  while (running.load(std::memory_order_acquire)) {
    source.render(in.data(), settings.channels, settings.blockFrames);
    plugin.process(in.data(), out.data(), settings.channels, settings.blockFrames);
    deadline += blockDuration;
    const auto now = Clock::now();
    if (now - deadline > kLateLimit) deadline = now;  // the machine stalled: carry on from here
    std::this_thread::sleep_until(deadline);
  }
}

// The user-interface thread: the idle timer, and the state once a second.
void timerLoop(HostedPlugin& plugin, const std::atomic<bool>& running, Clock::time_point start, std::FILE* out) {
  auto next = Clock::now();
  int ticks = 0;
  std::map<std::string, std::string> shownNotes;  // per transport
  while (running.load(std::memory_order_acquire)) {
    plugin.timerTick();
    if (++ticks % kTicksPerReport == 0) {
      const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      for (TransportStatus& status : plugin.status()) {
        // A note (such as why NDI cannot run) is shown when it first appears or changes.
        std::string& shown = shownNotes[status.name];
        if (status.note == shown) status.note.clear();
        else shown = status.note;
        std::fprintf(out, "%s\n", formatStatus(elapsed, status).c_str());
      }
      std::fflush(out);
    }
    next += kTimerPeriod;
    std::this_thread::sleep_until(next);
  }
}

}  // namespace

std::string formatStatus(double seconds, const TransportStatus& status) {
  char time[32];
  std::snprintf(time, sizeof time, "[%4.0f s] ", std::floor(seconds + 0.5));
  std::string line = time + status.name + ": " + status.text;
  if (!status.detail.empty()) line += " (" + status.detail + ")";
  line += ", drop-outs " + std::to_string(status.dropouts);
  if (!status.note.empty()) line += "\n         " + status.note;
  return line;
}

void runHost(HostedPlugin& plugin, AudioSource& source, const RunSettings& settings,
             const std::atomic<bool>& stopRequested, std::FILE* out, MainThreadWork* work) {
  std::atomic<bool> running{true};  // main thread clears (release); both loops load (acquire)
  const auto start = Clock::now();
  std::thread audio([&] { audioLoop(plugin, source, settings, running); });
  std::thread timer([&] { timerLoop(plugin, running, start, out); });

  const auto until = settings.seconds
                         ? start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(*settings.seconds))
                         : Clock::time_point::max();
  while (!stopRequested.load(std::memory_order_acquire) && Clock::now() < until) {
    if (!work) std::this_thread::sleep_for(kMainPoll);
    else if (!work->step(kMainPoll)) break;
  }

  running.store(false, std::memory_order_release);
  audio.join();
  timer.join();
}

}  // namespace relaycaster_host
