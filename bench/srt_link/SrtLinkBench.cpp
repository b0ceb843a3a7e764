// bench_srt_link: what arrives through a bad link, our SRT sender beside
// ffmpeg doing the same job in the same run. Each row streams 48 kHz
// stereo 24-bit PCM (a counter signal whose every sample says where it
// belongs) as SMPTE 302M in MPEG-TS through a lossy relay on loopback
// (loss each way, 20 +- 10 ms delay each way, so datagrams reorder) to
// srt-live-transmit, and checks the capture: continuity errors, ffmpeg's
// decoding, and the longest stretch that decodes to exactly the samples
// sent.
//
// usage: bench_srt_link [--seconds N] [--repeat N] [--rows all|start] [--senders both|ours|ffmpeg]
//   --rows start: the start-of-stream row (10 % at the default latency),
//   where libsrt's round-trip estimate still has its start value
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "LinkTrial.h"

namespace {

struct Row {
  double loss;
  int burst;
  int latencyMs;
  const char* promise;
};

const std::vector<Row> kTable = {
    {0.01, 1, 200, "bit-exact, 0 CC errors"},
    {0.05, 1, 300, "bit-exact, 0 CC errors"},
    {0.10, 1, 500, "bit-exact, 0 CC errors"},
    {0.10, 20, 500, "report"},
};

const std::vector<Row> kStartRows = {
    {0.10, 1, 200, "report (start of stream)"},
};

std::string rowName(const Row& row) {
  char text[96];
  std::snprintf(text, sizeof text, "%4.0f %%%s, %d ms", row.loss * 100, row.burst > 1 ? " x20" : "    ", row.latencyMs);
  return text;
}

void printOutcome(const char* who, const srtpeer::LinkOutcome& outcome, double seconds) {
  const testsupport::CounterReport& counter = outcome.counter;
  const double received = (counter.frames - counter.leading) / 48000.0;
  std::printf("  %-11s %8d %9.2f s %8.2f s %7d %9s", who, outcome.continuity.errors, counter.longestRun / 48000.0,
              received, counter.breaks, outcome.decoderErrors.empty() ? "clean" : "errors");
  if (counter.bitExact() && received > 0.9 * seconds && outcome.continuity.errors == 0)
    std::printf("  bit-exact");
  if (!counter.breakFrames.empty()) {
    std::printf("  breaks at");
    for (size_t i = 0; i < counter.breakFrames.size() && i < 6; ++i)
      std::printf(" %.0f ms", counter.breakFrames[i] / 48.0);
  }
  if (outcome.sender.packetsSent > 0)
    std::printf("  [libsrt: sent %lld, retransmitted %lld, dropped %lld, RTT %.0f ms; lead-in %d ms]",
                static_cast<long long>(outcome.sender.packetsSent), static_cast<long long>(outcome.sender.retransmitted),
                static_cast<long long>(outcome.sender.dropped), outcome.sender.roundTripMs, outcome.sender.leadInMs);
  std::printf("  [link lost %ld/%ld fwd, %ld/%ld back]", outcome.forward.dropped, outcome.forward.received,
              outcome.backward.dropped, outcome.backward.received);
  if (!outcome.problem.empty()) std::printf("  PROBLEM: %s", outcome.problem.c_str());
  std::printf("\n");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 10.0;
  int repeat = 1;
  std::vector<Row> rows = kTable;
  std::string senders = "both";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--seconds") seconds = std::atof(argv[i + 1]);
    if (option == "--repeat") repeat = std::max(1, std::atoi(argv[i + 1]));
    if (option == "--rows") rows = std::string(argv[i + 1]) == "start" ? kStartRows : kTable;
    if (option == "--senders") senders = argv[i + 1];
  }
  const std::string scratch = "/tmp";
  const std::string wav = scratch + "/bench_srt_link_counter_" + std::to_string(getpid()) + ".wav";
  if (!testsupport::writeCounterWav(wav, static_cast<uint64_t>((seconds + 5.0) * 48000.0))) {
    std::fprintf(stderr, "bench_srt_link: cannot write %s\n", wav.c_str());
    return 1;
  }
  std::printf("SRT through a lossy link: %.0f s of 48 kHz stereo PCM per run, loss each way, 20 +- 10 ms each way\n",
              seconds);
  std::printf("(CC errors: continuity errors in the capture; exact run: longest stretch decoding to exactly the\n"
              " samples sent; received: from the first sample to the end; breaks: places where the samples jump)\n\n");
  std::printf("  %-11s %8s %11s %10s %7s %9s\n", "sender", "CC errs", "exact run", "received", "breaks", "decoder");
  uint64_t seed = 1000;
  for (const Row& row : rows) {
    for (int run = 0; run < repeat; ++run) {
      std::printf("%s  (%s)%s\n", rowName(row).c_str(), row.promise,
                  repeat > 1 ? (", run " + std::to_string(run + 1)).c_str() : "");
      srtpeer::LinkTrial trial;
      trial.eachWay.lossRate = row.loss;
      trial.eachWay.burstLength = row.burst;
      trial.eachWay.delayMs = 20.0;
      trial.eachWay.jitterMs = 10.0;
      trial.latencyMs = row.latencyMs;
      trial.seconds = seconds;
      trial.seed = ++seed;
      trial.scratchFolder = scratch;
      if (senders != "ffmpeg") printOutcome("Relaycaster", srtpeer::streamOursThroughLink(trial), seconds);
      if (senders != "ours") printOutcome("ffmpeg", srtpeer::streamFfmpegThroughLink(trial, wav), seconds);
    }
  }
  std::remove(wav.c_str());
  return 0;
}
