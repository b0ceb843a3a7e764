// bench_srt_sender: CPU cost of running SRT senders, 48 kHz stereo, each
// streaming to a local receiver in real time, measured with this process's
// CPU time over the window and given as % of one core; 1, 8 and 32
// instances in one process with their drop-outs; beside it ffmpeg doing the
// same job (WAV in, SMPTE 302M or AAC in MPEG-TS out over SRT), measured by
// its own CPU time (wait4). The receiver is a separate process, so
// receiving is counted on neither side.
//
// usage: bench_srt_sender [--seconds N] [--instances 1,8,32] [--codecs pcm,aac]
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/LoopbackPorts.h"
#include "support/WaitFor.h"
#include "transport/WorkerClock.h"
#include "transport/srt/SrtSender.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using relaycaster::SrtSender;
using relaycaster::SrtSettings;
using relaycaster::SrtState;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kCodecAac = 0;
constexpr int kCodecPcm = 1;

double processCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A thread's group, the CPU seconds it has used so far and how often it
// was put on a CPU (each wake-up costs, whatever the thread then does).
struct ThreadCpu {
  std::string group;
  double seconds = 0;
  uint64_t wakes = 0;
};

// CPU time of every thread of process `pid` (0: this one) by thread id,
// from the scheduler's own counts (nanoseconds, and wake-ups), grouped so
// that a row can say where its time went: the SRT workers (unnamed, they
// carry the program's name), libsrt's send and receive queues and its
// other threads, the feeder standing in for the host's audio thread, and
// ffmpeg's own threads.
std::map<std::string, ThreadCpu> cpuByThread(pid_t pid = 0) {
  std::map<std::string, ThreadCpu> byThread;
  const std::string tasks = pid == 0 ? std::string("/proc/self/task") : "/proc/" + std::to_string(pid) + "/task";
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(tasks, error)) {
    std::ifstream comm(entry.path() / "comm");
    std::ifstream schedstat(entry.path() / "schedstat");
    std::string name;
    uint64_t ns = 0, waited = 0, wakes = 0;
    if (!std::getline(comm, name) || !(schedstat >> ns >> waited >> wakes)) continue;
    if (name.rfind("SRT:SndQ", 0) == 0) name = "libsrt send";
    else if (name.rfind("SRT:RcvQ", 0) == 0) name = "libsrt receive";
    else if (name.rfind("SRT:", 0) == 0) name = "libsrt other";
    else if (name == "ffmpeg") name = "ffmpeg";
    else if (name != "feeder") name = "workers";
    byThread[entry.path().filename().string()] = {name, static_cast<double>(ns) * 1e-9, wakes};
  }
  return byThread;
}

// A child process, killed and reaped at the latest by the destructor.
class Child {
 public:
  explicit Child(std::vector<std::string> argv, bool quiet = true) {
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (quiet) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&mPid, args[0], &actions, nullptr, args.data(), environ) != 0) mPid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() {
    if (mPid > 0) {
      kill(mPid, SIGKILL);
      waitpid(mPid, nullptr, 0);
    }
  }
  bool started() const { return mPid > 0; }
  pid_t pid() const { return mPid; }
  /// Waits for the end and returns its user + system CPU seconds.
  double waitForCpu(int& status) {
    rusage usage{};
    wait4(mPid, &status, 0, &usage);
    mPid = -1;
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec * 1e-6;
  }

 private:
  pid_t mPid = -1;
};

// The host's audio thread for every instance at once: one 512-frame block
// of a stereo tone per block duration into each feed, from a table made
// beforehand, so that the harness itself costs next to nothing.
class Feeder {
 public:
  explicit Feeder(std::vector<relaycaster::AudioFeed*> feeds) : mFeeds(std::move(feeds)), mTable(48000) {
    for (size_t i = 0; i < mTable.size(); ++i)
      mTable[i] = 0.25 * std::sin(2.0 * std::numbers::pi * 440.0 * static_cast<double>(i) / kRate);
    mThread = std::thread([this] { run(); });
  }
  ~Feeder() {
    mRunning.store(false, std::memory_order_release);
    mThread.join();
  }

 private:
  void run() {
    pthread_setname_np(pthread_self(), "feeder");
    auto deadline = Clock::now();
    const auto block = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kBlock / kRate));
    size_t position = 0;
    while (mRunning.load(std::memory_order_acquire)) {
      const double* channels[2] = {mTable.data() + position, mTable.data() + position};
      for (relaycaster::AudioFeed* feed : mFeeds) feed->push(channels, 2, kBlock, 1.0f);
      position = (position + kBlock) % (mTable.size() - kBlock);  // the table is longer than a block
      deadline += block;
      std::this_thread::sleep_until(deadline);
    }
  }

  std::vector<relaycaster::AudioFeed*> mFeeds;
  std::vector<double> mTable;
  std::atomic<bool> mRunning{true};
  std::thread mThread;
};

struct Row {
  std::string who;
  std::string codec;
  int instances = 0;
  double cpuPercent = 0.0;  // of one core, all instances together
  int dropouts = -1;        // -1: not known
  bool ok = false;
  std::string note;
  std::map<std::string, double> breakdown;  // % of one core per instance, by thread group
  std::map<std::string, double> wakes;      // wake-ups per second per instance, by thread group
  double perInstance() const { return cpuPercent / instances; }
};

std::string receiverBinary() { return RELAYCASTER_BENCH_RECEIVER; }

// Per thread, so that threads of an earlier row that end inside the
// window (libsrt closes sockets late) take nothing off a group.
void addBreakdown(Row& row, const std::map<std::string, ThreadCpu>& start, const std::map<std::string, ThreadCpu>& end,
                  double wall) {
  for (const auto& [id, last] : end) {
    const auto began = start.find(id);
    const bool known = began != start.end();
    row.breakdown[last.group] += 100.0 * (last.seconds - (known ? began->second.seconds : 0.0)) / wall / row.instances;
    row.wakes[last.group] +=
        static_cast<double>(last.wakes - (known ? began->second.wakes : 0)) / wall / row.instances;
  }
}

Row measureOurs(int codec, int instances, double windowSeconds) {
  Row row{"Relaycaster", codec == kCodecPcm ? "PCM" : "AAC", instances};
  const int port = testsupport::freeUdpPort();
  Child receiver({receiverBinary(), std::to_string(port), std::to_string(windowSeconds + 30)});
  if (!receiver.started() || !testsupport::waitForUdpPort(port, 5s)) {
    row.note = "receiver did not start";
    return row;
  }

  std::vector<std::unique_ptr<SrtSender>> senders;
  std::vector<relaycaster::AudioFeed*> feeds;
  SrtSettings settings;
  settings.codec = codec;
  settings.host = "127.0.0.1";
  settings.port = port;
  for (int i = 0; i < instances; ++i) {
    senders.push_back(std::make_unique<SrtSender>());
    senders.back()->feed().setSampleRate(kRate);
    feeds.push_back(&senders.back()->feed());
  }
  {
    Feeder feeder(feeds);
    for (auto& sender : senders) sender->start(settings);
    const bool connected = testsupport::WaitFor(
        [&] {
          for (auto& sender : senders)
            if (sender->state() != SrtState::Sending) return false;
          return true;
        },
        15s);
    if (!connected) {
      row.note = "not all connected";
    } else {
      std::this_thread::sleep_for(1s);  // let every reader fill its buffer before counting
      for (auto& sender : senders) sender->feed().resetDropouts();
      const auto wallStart = Clock::now();
      const double cpuStart = processCpuSeconds();
      const auto threadsStart = cpuByThread();
      std::this_thread::sleep_for(std::chrono::duration<double>(windowSeconds));
      const double cpu = processCpuSeconds() - cpuStart;
      const auto threadsEnd = cpuByThread();
      const double wall = seconds(Clock::now() - wallStart);
      row.cpuPercent = 100.0 * cpu / wall;
      // Per thread, so that threads of an earlier row that end inside the
      // window (libsrt closes sockets late) take nothing off a group.
      addBreakdown(row, threadsStart, threadsEnd, wall);
      row.dropouts = 0;
      for (auto& sender : senders) row.dropouts += sender->feed().dropoutCount();
      row.ok = true;
      for (auto& sender : senders)
        if (sender->state() != SrtState::Sending) row.note = "a connection dropped";
    }
  }
  for (auto& sender : senders) sender->stop();
  return row;
}

// ffmpeg's CPU over a window of the same length as ours, after the same
// second of settling, from its threads' own counts.
Row measureFfmpeg(int codec, double windowSeconds, const std::string& wav) {
  Row row{"ffmpeg", codec == kCodecPcm ? "PCM" : "AAC", 1};
  const int port = testsupport::freeUdpPort();
  Child receiver({receiverBinary(), std::to_string(port), std::to_string(windowSeconds + 30)});
  if (!receiver.started() || !testsupport::waitForUdpPort(port, 5s)) {
    row.note = "receiver did not start";
    return row;
  }
  std::vector<std::string> args{"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-re",
                                "-stream_loop", "-1", "-i", wav, "-t", std::to_string(windowSeconds + 5)};
  if (codec == kCodecPcm) {
    for (const char* arg : {"-c:a", "s302m", "-strict", "-2"}) args.emplace_back(arg);
  } else {
    for (const char* arg : {"-c:a", "aac", "-b:a", "192k"}) args.emplace_back(arg);
  }
  for (const char* arg : {"-f", "mpegts"}) args.emplace_back(arg);
  args.push_back("srt://127.0.0.1:" + std::to_string(port) + "?mode=caller&latency=200000&pkt_size=1316");
  Child ffmpeg(args, false);
  if (!ffmpeg.started()) {
    row.note = "ffmpeg did not start";
    return row;
  }
  std::this_thread::sleep_for(2s);  // connected and streaming, as ours are before their window
  const auto wallStart = Clock::now();
  const auto threadsStart = cpuByThread(ffmpeg.pid());
  std::this_thread::sleep_for(std::chrono::duration<double>(windowSeconds));
  const auto threadsEnd = cpuByThread(ffmpeg.pid());
  const double wall = seconds(Clock::now() - wallStart);
  addBreakdown(row, threadsStart, threadsEnd, wall);
  for (const auto& [group, percent] : row.breakdown) row.cpuPercent += percent;
  int status = 0;
  ffmpeg.waitForCpu(status);
  row.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && threadsEnd.size() > 1;
  if (!row.ok) row.note = "ffmpeg failed";
  return row;
}

// The floor under any worker that paces itself as the SRT worker does:
// threads that only wait 2 ms on the worker clock, over and over.
Row measureBareWakes(int threads, double windowSeconds) {
  Row row{"2 ms waits", "-", threads};
  std::atomic<bool> running{true};
  std::vector<std::thread> waiters;
  for (int i = 0; i < threads; ++i)
    waiters.emplace_back([&] {
      relaycaster::WorkerClock clock;
      while (running.load(std::memory_order_acquire)) clock.wait(2.0);
    });
  std::this_thread::sleep_for(200ms);
  const auto wallStart = Clock::now();
  const double cpuStart = processCpuSeconds();
  std::this_thread::sleep_for(std::chrono::duration<double>(windowSeconds));
  row.cpuPercent = 100.0 * (processCpuSeconds() - cpuStart) / seconds(Clock::now() - wallStart);
  running.store(false, std::memory_order_release);
  for (std::thread& waiter : waiters) waiter.join();
  row.ok = true;
  row.note = "nothing but the wake-ups";
  return row;
}

std::vector<int> parseList(const std::string& text) {
  std::vector<int> values;
  std::stringstream stream(text);
  std::string item;
  while (std::getline(stream, item, ',')) values.push_back(std::atoi(item.c_str()));
  return values;
}

void printRow(const Row& row, const Row* reference) {
  std::printf("%-12s %-5s %9d %12.2f %14.3f %10s", row.who.c_str(), row.codec.c_str(), row.instances, row.cpuPercent,
              row.perInstance(), row.dropouts < 0 ? "-" : std::to_string(row.dropouts).c_str());
  if (reference && reference->ok && row.ok && reference->perInstance() > 0)
    std::printf("   %6.3fx ffmpeg", row.perInstance() / reference->perInstance());
  if (!row.note.empty()) std::printf("   (%s)", row.note.c_str());
  std::printf("\n");
  if (!row.breakdown.empty()) {
    std::printf("%32s each:", "");
    for (const auto& [name, percent] : row.breakdown) {
      const auto wakes = row.wakes.find(name);
      std::printf(" %s %.2f (%.0f/s),", name.c_str(), percent, wakes == row.wakes.end() ? 0.0 : wakes->second);
    }
    std::printf(" (%% of one core, wake-ups a second)\n");
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  double window = 10.0;
  std::vector<int> counts{1, 8, 32};
  std::vector<int> codecs{kCodecPcm, kCodecAac};
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--seconds") window = std::atof(argv[i + 1]);
    if (option == "--instances") counts = parseList(argv[i + 1]);
    if (option == "--codecs") {
      const std::string text = argv[i + 1];
      codecs.clear();
      if (text.find("pcm") != std::string::npos) codecs.push_back(kCodecPcm);
      if (text.find("aac") != std::string::npos) codecs.push_back(kCodecAac);
    }
  }
  signal(SIGPIPE, SIG_IGN);

  const std::string wav = "/tmp/bench_srt_sender_tone_" + std::to_string(getpid()) + ".wav";
  {
    Child make({"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                "sine=frequency=440:sample_rate=48000:duration=10", "-ac", "2", "-c:a", "pcm_s24le", "-y", wav});
    int status = 0;
    make.waitForCpu(status);
  }

  std::printf("SRT sender CPU, 48 kHz stereo, %.0f s of real-time streaming per row to a local receiver\n", window);
  std::printf("(%% of one core; this machine has %u cores; targets: PCM under 1 %% per instance, "
              "32 instances without drop-outs)\n\n",
              std::thread::hardware_concurrency());
  std::printf("%-12s %-5s %9s %12s %14s %10s   %s\n", "sender", "codec", "instances", "CPU % total", "CPU % each",
              "drop-outs", "per instance vs ffmpeg");
  for (int count : counts) printRow(measureBareWakes(count, std::min(window, 3.0)), nullptr);
  for (int codec : codecs) {
    const Row reference = measureFfmpeg(codec, window, wav);
    printRow(reference, nullptr);
    for (int count : counts) printRow(measureOurs(codec, count, window), &reference);
  }
  std::remove(wav.c_str());
  return 0;
}
