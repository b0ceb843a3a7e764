#include "LinkTrial.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "support/LoopbackPorts.h"
#include "support/Subprocess.h"
#include "support/WaitFor.h"

namespace srtpeer {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::Subprocess;

constexpr double kRate = 48000.0;
constexpr int kPcm = 1;
constexpr auto kPeerStart = 10s;
constexpr auto kConnectLimit = 15s;
constexpr double kLinkSlackSeconds = 40.0;  // the link outlives the stream, the linger and the receiver's end

std::string scratchStem(const LinkTrial& trial, const char* who) {
  static std::atomic<int> counter{0};
  return trial.scratchFolder + "/link-" + std::to_string(getpid()) + "-" + who + "-" +
         std::to_string(counter.fetch_add(1));
}

std::chrono::milliseconds millisecondsOf(double seconds) {
  return std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0));
}

// The receiver and the link in front of it, started in that order.
struct FarEnd {
  explicit FarEnd(const LinkTrial& trial)
      : port(testsupport::freeUdpPort()),
        receiver(testsupport::srtReceiverToStdout(port, static_cast<int>(trial.seconds + kLinkSlackSeconds)),
                 millisecondsOf(trial.seconds + kLinkSlackSeconds)) {
    if (!receiver.started() || !testsupport::waitForUdpPort(port, kPeerStart)) return;
    testsupport::LinkImpairment impairment = trial.eachWay;
    impairment.spareSrtHandshakes = true;  // the receiver stops listening once it accepts
    link = std::make_unique<testsupport::LossyLink>(port, impairment, impairment, trial.seed,
                                                    millisecondsOf(trial.seconds + kLinkSlackSeconds));
  }
  bool ready() const { return link && link->ready(); }

  // Waits for the receiver to see the sender leave, then takes the capture.
  std::string finish(LinkOutcome& outcome) {
    const testsupport::ProcessResult result = receiver.wait();
    link->stop();
    outcome.forward = link->forwardCounts();
    outcome.backward = link->backwardCounts();
    if (!result.succeeded() && outcome.problem.empty()) outcome.problem = "the receiver " + result.describe();
    return result.out;
  }

  int port;
  Subprocess receiver;
  std::unique_ptr<testsupport::LossyLink> link;
};

}  // namespace

// --- counter player -------------------------------------------------------------------

CounterPlayer::CounterPlayer(relaycaster::AudioFeed& feed, int blockFrames)
    : mFeed(feed), mBlockFrames(blockFrames), mThread([this] { play(); }) {}

CounterPlayer::~CounterPlayer() {
  mRunning.store(false, std::memory_order_release);
  mThread.join();
}

void CounterPlayer::play() {
  std::vector<double> left(static_cast<size_t>(mBlockFrames));
  std::vector<double> right(static_cast<size_t>(mBlockFrames));
  const double* inputs[2] = {left.data(), right.data()};
  const auto block = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(mBlockFrames / kRate));
  uint64_t frame = 0;
  auto deadline = Clock::now();
  while (mRunning.load(std::memory_order_acquire)) {
    testsupport::fillCounter(frame, mBlockFrames, left.data(), right.data());
    mFeed.push(inputs, 2, mBlockFrames, 1.0f);
    frame += static_cast<uint64_t>(mBlockFrames);
    mFrames.store(frame, std::memory_order_relaxed);
    deadline += block;
    std::this_thread::sleep_until(deadline);
  }
}

// --- trials ---------------------------------------------------------------------------

std::string LinkOutcome::describe() const {
  std::ostringstream text;
  if (!problem.empty()) text << "PROBLEM: " << problem << "; ";
  text << "continuity errors " << continuity.errors << " in " << continuity.packets << " packets ("
       << continuity.nullPackets << " null, " << continuity.lostSync << " out of sync); " << counter.describe()
       << "; sender: sent " << sender.packetsSent << ", retransmitted " << sender.retransmitted << ", reported lost "
       << sender.reportedLost << ", dropped " << sender.dropped << ", RTT " << sender.roundTripMs << " ms, lead-in "
       << sender.leadInMs << " ms; link forward: " << forward.received << " in, " << forward.dropped << " lost, " << forward.duplicated
       << " doubled, " << forward.reordered << " reordered; backward: " << backward.received << " in, "
       << backward.dropped << " lost; connected after " << connectSeconds << " s";
  if (!decoderErrors.empty()) text << "; ffmpeg said: " << decoderErrors.substr(0, 600);
  return text.str();
}

void checkCapture(const std::string& bytes, const std::string& stem, LinkOutcome& outcome) {
  outcome.continuity = testsupport::checkContinuity(bytes);
  const std::string tsPath = stem + ".ts";
  {
    std::ofstream file(tsPath, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  const testsupport::DecodedStream decoded = testsupport::decodePcmStream(tsPath, stem + ".raw", 60s);
  std::remove(tsPath.c_str());
  if (!decoded.decoded && outcome.problem.empty()) outcome.problem = "ffmpeg could not decode the capture";
  outcome.decoderErrors = decoded.errors;
  outcome.counter = testsupport::checkCounter(decoded.samples);
}

LinkOutcome streamOursThroughLink(const LinkTrial& trial) {
  LinkOutcome outcome;
  FarEnd far(trial);
  if (!far.ready()) {
    outcome.problem = "the receiver or the link did not start: " + far.receiver.stderrText();
    return outcome;
  }
  relaycaster::SrtSender sender;
  sender.feed().setSampleRate(kRate);
  sender.feed().setBufferSeconds(0.1);
  {
    CounterPlayer player(sender.feed());
    relaycaster::SrtSettings settings;
    settings.mode = 0;
    settings.codec = kPcm;
    settings.host = "127.0.0.1";
    settings.port = far.link->frontPort();
    settings.latencyMs = trial.latencyMs;
    const auto started = Clock::now();
    sender.start(settings);
    const bool sending =
        testsupport::WaitFor([&] { return sender.state() == relaycaster::SrtState::Sending; }, kConnectLimit);
    outcome.connectSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (sending) {
      const uint64_t until = player.frames() + static_cast<uint64_t>(trial.seconds * kRate);
      testsupport::WaitFor([&] { return player.frames() >= until; }, millisecondsOf(trial.seconds + 10.0));
    } else {
      outcome.problem = "never connected: " + sender.message();
    }
    sender.stop();  // ends the stream on purpose: the last message is completed and lingers
  }
  outcome.sender = sender.linkStatistics();
  const std::string capture = far.finish(outcome);
  checkCapture(capture, scratchStem(trial, "ours"), outcome);
  return outcome;
}

LinkOutcome streamFfmpegThroughLink(const LinkTrial& trial, const std::string& counterWav) {
  LinkOutcome outcome;
  FarEnd far(trial);
  if (!far.ready()) {
    outcome.problem = "the receiver or the link did not start: " + far.receiver.stderrText();
    return outcome;
  }
  // ffmpeg's srt:// latency is in microseconds.
  const std::string url = "srt://127.0.0.1:" + std::to_string(far.link->frontPort()) +
                          "?mode=caller&latency=" + std::to_string(trial.latencyMs * 1000) + "&pkt_size=1316";
  const testsupport::ProcessResult sent =
      Subprocess::run({"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-re", "-i", counterWav, "-t",
                       std::to_string(trial.seconds), "-c:a", "s302m", "-strict", "-2", "-f", "mpegts", url},
                      millisecondsOf(trial.seconds + kLinkSlackSeconds));
  if (!sent.succeeded()) outcome.problem = "the ffmpeg sender " + sent.describe();
  const std::string capture = far.finish(outcome);
  checkCapture(capture, scratchStem(trial, "ffmpeg"), outcome);
  return outcome;
}

}  // namespace srtpeer
