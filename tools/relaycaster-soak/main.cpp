// relaycaster-soak: many instances of the plug-in, loaded from the VST 3
// bundle as a DAW loads them (one module, one instance per track), each
// streaming over SRT to a local receiver for minutes on end, with one audio
// thread processing every instance in turn the way a DAW's does. Once per
// report period (a minute by default) it prints the drop-outs, the CPU per
// instance, resident memory, open descriptors and the machine's load; the
// receiver, a process of its own, prints what arrived.
//
// usage: relaycaster-soak [--instances N] [--minutes M] [--codec pcm|aac]
//                         [--report-seconds S] [--ndi on|off] [--bundle PATH]
//                         [--audio-priority realtime|normal]
//
// The audio thread runs at real-time priority (SCHED_FIFO) by default, as
// DAWs run theirs, so that a busy machine delays the plug-in's workers,
// not the host's audio; "late" and "worst" show how the audio thread kept
// its deadlines, so a drop-out can be told from a host that stalled.
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "HostOptions.h"
#include "ProcessUsage.h"
#include "SoakReceiver.h"
#include "Vst3Plugin.h"
#include "support/LoopbackPorts.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using relaycaster_host::HostedPlugin;
using relaycaster_host::TransportStatus;
using relaycaster_soak::ThreadUse;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kChannels = 2;
constexpr auto kConnectLimit = 60s;

std::atomic<bool> gStop{false};  // the signal handler sets it; lock-free, so safe there
static_assert(std::atomic<bool>::is_always_lock_free);
void requestStop(int) { gStop.store(true, std::memory_order_release); }

struct Options {
  int instances = 16;
  double minutes = 10.0;
  std::string codec = "PCM";
  double reportSeconds = 60.0;
  bool ndi = false;
  bool realtimeAudio = true;
  std::string bundle = relaycaster_host::defaultBundlePath();
};

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (option == "--instances") options.instances = std::max(1, std::atoi(value.c_str()));
    else if (option == "--minutes") options.minutes = std::atof(value.c_str());
    else if (option == "--codec") options.codec = value == "aac" ? "AAC" : "PCM";
    else if (option == "--report-seconds") options.reportSeconds = std::max(1.0, std::atof(value.c_str()));
    else if (option == "--ndi") options.ndi = value == "on";
    else if (option == "--bundle") options.bundle = value;
    else if (option == "--audio-priority") options.realtimeAudio = value != "normal";
    else return false;
  }
  return options.minutes > 0;
}

double processCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// The receiver: this program again, in its receiver mode.
pid_t startReceiver(int port, double seconds, double reportSeconds) {
  std::vector<std::string> argv{"/proc/self/exe", "--receiver", std::to_string(port), std::to_string(seconds),
                                std::to_string(reportSeconds)};
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  return pid;
}

bool apply(HostedPlugin& plugin, const std::string& name, const std::string& value) {
  const auto resolved = relaycaster_host::resolveSetting(plugin.parameters(), name, value);
  if (const std::string* error = std::get_if<std::string>(&resolved)) {
    std::fprintf(stderr, "relaycaster-soak: %s\n", error->c_str());
    return false;
  }
  const auto& setting = std::get<relaycaster_host::ResolvedSetting>(resolved);
  plugin.setParameterPlain(setting.index, setting.plainValue);
  return true;
}

// The DAW's audio thread: every instance processes one block per block
// duration, in turn. A pass that ends after the next block's deadline is
// counted as late (the host would have missed its own deadline).
class AudioThread {
 public:
  AudioThread(std::vector<std::unique_ptr<relaycaster_host::Vst3HostedPlugin>>& plugins, bool realtime)
      : mPlugins(plugins), mRealtime(realtime), mThread([this] { run(); }) {}
  ~AudioThread() {
    mRunning.store(false, std::memory_order_release);
    mThread.join();
  }
  long lateBlocks() const { return mLate.load(std::memory_order_relaxed); }
  /// The latest a pass ended after its deadline since the last call, in ms.
  double takeWorstLateMs() { return mWorstLateUs.exchange(0, std::memory_order_relaxed) / 1000.0; }
  bool realtime() const { return mGotRealtime.load(std::memory_order_relaxed); }

 private:
  void run() {
    pthread_setname_np(pthread_self(), "soak-audio");
    if (mRealtime) {
      sched_param priority{};
      priority.sched_priority = sched_get_priority_min(SCHED_FIFO) + 10;
      mGotRealtime.store(pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority) == 0, std::memory_order_relaxed);
    }
    std::vector<double> table(static_cast<size_t>(kRate));
    for (size_t i = 0; i < table.size(); ++i)
      table[i] = 0.25 * std::sin(2.0 * std::numbers::pi * 440.0 * static_cast<double>(i) / kRate);
    std::vector<std::vector<double>> outputs(mPlugins.size() * kChannels, std::vector<double>(kBlock));
    const auto block = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kBlock / kRate));
    size_t position = 0;
    auto deadline = Clock::now();
    while (mRunning.load(std::memory_order_acquire)) {
      double* inputs[kChannels] = {table.data() + position, table.data() + position};
      for (size_t p = 0; p < mPlugins.size(); ++p) {
        double* out[kChannels] = {outputs[p * kChannels].data(), outputs[p * kChannels + 1].data()};
        mPlugins[p]->process(inputs, out, kChannels, kBlock);
      }
      position = (position + kBlock) % (table.size() - kBlock);
      deadline += block;
      const auto now = Clock::now();
      if (now > deadline) {
        mLate.fetch_add(1, std::memory_order_relaxed);
        const long lateUs = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(now - deadline).count());
        long worst = mWorstLateUs.load(std::memory_order_relaxed);
        while (lateUs > worst && !mWorstLateUs.compare_exchange_weak(worst, lateUs, std::memory_order_relaxed)) {
        }
      }
      if (now - deadline > 500ms) deadline = now;  // the machine stalled: carry on from here
      std::this_thread::sleep_until(deadline);
    }
  }

  std::vector<std::unique_ptr<relaycaster_host::Vst3HostedPlugin>>& mPlugins;
  std::atomic<bool> mRunning{true};  // main clears (release); the audio thread loads (acquire)
  bool mRealtime;
  std::atomic<long> mLate{0};           // relaxed: lone counters read for reports
  std::atomic<long> mWorstLateUs{0};
  std::atomic<bool> mGotRealtime{false};
  std::thread mThread;
};

const TransportStatus* srtStatus(const std::vector<TransportStatus>& all) {
  for (const TransportStatus& status : all)
    if (status.name == "SRT") return &status;
  return nullptr;
}

struct Snapshot {
  Clock::time_point wall;
  double cpu = 0.0;
  std::map<int, ThreadUse> threads;
  long late = 0;
  double worstLateMs = 0.0;
  int dropouts = 0;
};

Snapshot takeSnapshot(const std::vector<std::unique_ptr<relaycaster_host::Vst3HostedPlugin>>& plugins,
                      AudioThread& audio, int& sending) {
  Snapshot snapshot;
  snapshot.wall = Clock::now();
  snapshot.cpu = processCpuSeconds();
  snapshot.threads = relaycaster_soak::threadUse();
  snapshot.late = audio.lateBlocks();
  snapshot.worstLateMs = audio.takeWorstLateMs();
  sending = 0;
  for (const auto& plugin : plugins) {
    const auto all = plugin->status();
    if (const TransportStatus* srt = srtStatus(all)) {
      snapshot.dropouts += srt->dropouts;
      if (srt->text.rfind("Sending", 0) == 0) ++sending;
    }
  }
  return snapshot;
}

void printHeader() {
  std::printf("%6s %7s %10s %5s %6s %7s %6s  %-44s %8s %5s %7s %5s\n", "period", "sending", "drop-outs", "late",
              "worst", "CPU %", "each", "each by thread (plug-in / send / recv / audio)", "RSS MiB", "fds", "threads",
              "load");
}

void printPeriod(int period, int sending, const Snapshot& from, const Snapshot& to, int instances) {
  const double wall = std::chrono::duration<double>(to.wall - from.wall).count();
  const double cpu = 100.0 * (to.cpu - from.cpu) / wall;
  std::map<std::string, double> groups;  // % of one core per instance
  for (const auto& [id, end] : to.threads) {
    const auto began = from.threads.find(id);
    const uint64_t before = began == from.threads.end() ? 0 : began->second.cpuNs;
    groups[end.group] += 100.0 * static_cast<double>(end.cpuNs - before) * 1e-9 / wall / instances;
  }
  char breakdown[64];
  std::snprintf(breakdown, sizeof breakdown, "%.2f / %.2f / %.2f / %.2f", groups["plug-in"], groups["libsrt send"],
                groups["libsrt receive"], groups["audio"]);
  char dropouts[32];
  std::snprintf(dropouts, sizeof dropouts, "%d/%d", to.dropouts - from.dropouts, to.dropouts);
  std::printf("%6d %7d %10s %5ld %4.0fms %7.2f %6.2f  %-44s %8.1f %5d %7zu %5.2f\n", period, sending, dropouts,
              to.late - from.late, to.worstLateMs, cpu, cpu / instances, breakdown, relaycaster_soak::residentKib() / 1024.0,
              relaycaster_soak::openDescriptors(), to.threads.size(), relaycaster_soak::loadAverage());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--receiver")
    return relaycaster_soak::runReceiver(std::atoi(argv[2]), std::atof(argv[3]), std::atof(argv[4]));
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: relaycaster-soak [--instances N] [--minutes M] [--codec pcm|aac] "
                         "[--report-seconds S] [--ndi on|off] [--bundle PATH]\n");
    return 2;
  }
  signal(SIGINT, requestStop);
  signal(SIGTERM, requestStop);
  signal(SIGPIPE, SIG_IGN);

  const int port = testsupport::freeUdpPort();
  const double runSeconds = options.minutes * 60.0;
  const pid_t receiver = startReceiver(port, runSeconds + 120.0, options.reportSeconds);
  if (receiver < 0 || !testsupport::waitForUdpPort(port, 10s)) {
    std::fprintf(stderr, "relaycaster-soak: the receiver did not start\n");
    return 1;
  }

  std::string error;
  std::shared_ptr<vst3host::Vst3Module> module = vst3host::Vst3Module::Load(options.bundle, error);
  std::vector<std::unique_ptr<relaycaster_host::Vst3HostedPlugin>> plugins;
  for (int i = 0; module && i < options.instances; ++i) {
    auto plugin = relaycaster_host::makeVst3Plugin(module, error);
    if (!plugin) break;
    const bool set = apply(*plugin, "NDI", options.ndi ? "on" : "off") && apply(*plugin, "SRT mode", "Caller") &&
                     apply(*plugin, "SRT codec", options.codec) && apply(*plugin, "SRT", "on");
    if (!set) return 2;
    plugin->setSrtText(0, "127.0.0.1:" + std::to_string(port));
    plugin->prepare(kRate, kBlock, kChannels);
    plugins.push_back(std::move(plugin));
  }
  if (static_cast<int>(plugins.size()) != options.instances) {
    std::fprintf(stderr, "relaycaster-soak: %s\n", error.c_str());
    kill(receiver, SIGKILL);
    waitpid(receiver, nullptr, 0);
    return 1;
  }

  std::printf("relaycaster-soak: %d instances from %s, SRT %s caller to 127.0.0.1:%d, NDI %s, %g min, "
              "48 kHz stereo, %d-frame blocks, on %u cores\n",
              options.instances, options.bundle.c_str(), options.codec.c_str(), port, options.ndi ? "on" : "off",
              options.minutes, kBlock, std::thread::hardware_concurrency());
  std::printf("(drop-outs: new in the period / since the start; late: audio passes that missed their deadline, worst:\n"
              " by how much at most; CPU: %% of one core for the whole process, then per instance; load: the machine's\n"
              " 1-minute load)\n");
  {
    AudioThread audio(plugins, options.realtimeAudio);
    int sending = 0;
    const Clock::time_point connectBy = Clock::now() + kConnectLimit;
    while (!gStop.load(std::memory_order_acquire) && Clock::now() < connectBy) {
      takeSnapshot(plugins, audio, sending);
      if (sending == options.instances) break;
      std::this_thread::sleep_for(100ms);
    }
    std::printf("%d of %d instances sending; the audio thread runs at %s priority\n", sending, options.instances,
                audio.realtime() ? "real-time (SCHED_FIFO)" : "normal");
    printHeader();
    Snapshot last = takeSnapshot(plugins, audio, sending);
    const Clock::time_point end = last.wall + std::chrono::duration_cast<Clock::duration>(
                                                  std::chrono::duration<double>(runSeconds));
    const auto every = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.reportSeconds));
    int period = 0;
    while (!gStop.load(std::memory_order_acquire) && last.wall < end) {
      const Clock::time_point next = std::min(last.wall + every, end);
      while (!gStop.load(std::memory_order_acquire) && Clock::now() < next) std::this_thread::sleep_for(100ms);
      Snapshot now = takeSnapshot(plugins, audio, sending);
      printPeriod(++period, sending, last, now, options.instances);
      last = std::move(now);
    }
  }
  plugins.clear();  // deactivates, stops the workers, releases the instances
  module.reset();
  kill(receiver, SIGKILL);
  waitpid(receiver, nullptr, 0);
  return 0;
}
