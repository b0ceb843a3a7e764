// What a receiver holds when the sender ends a connection on purpose
// (stopped, or reconfigured): the packets already made arrive as a last
// whole message, so the capture decodes without a cut PES at its end.
#include <gtest/gtest.h>

#include "LinkTrial.h"
#include "SrtPeerSupport.h"
#include "support/Subprocess.h"

namespace {

using namespace std::chrono_literals;
using relaycaster::SrtSender;
using relaycaster::SrtSettings;
using relaycaster::SrtState;
using srtpeer::waitUntil;
using testsupport::Subprocess;

constexpr int kPcm = 1;
constexpr double kRate = 48000.0;

SrtSettings pcmSettings(int mode, int port) {
  SrtSettings settings;
  settings.mode = mode;
  settings.codec = kPcm;
  settings.host = "127.0.0.1";
  settings.port = port;
  return settings;
}

// A sender playing the counter signal, as a host's audio thread would.
struct CountingSender {
  CountingSender() {
    sender.feed().setSampleRate(kRate);
    sender.feed().setBufferSeconds(0.1);
  }
  // Lets the stream run for `seconds` of audio after it started sending.
  void streamFor(double seconds) {
    ASSERT_TRUE(waitUntil([&] { return sender.state() == SrtState::Sending; }, 10s)) << sender.message();
    const uint64_t until = player.frames() + static_cast<uint64_t>(seconds * kRate);
    ASSERT_TRUE(waitUntil([&] { return player.frames() >= until; }, 10s));
  }
  SrtSender sender;
  srtpeer::CounterPlayer player{sender.feed()};
};

// The capture of one connection, checked to its very end.
void expectWholeToTheEnd(const testsupport::ProcessResult& receiver) {
  ASSERT_TRUE(receiver.started && !receiver.timedOut) << receiver.describe();
  ASSERT_GT(receiver.out.size(), 100000u) << receiver.describe();
  EXPECT_EQ(receiver.out.size() % 1316, 0u);  // whole messages only
  srtpeer::LinkOutcome outcome;
  srtpeer::checkCapture(receiver.out, srtpeer::tempPath("stopped", "capture"), outcome);
  EXPECT_EQ(outcome.decoderErrors, "");  // in particular no "frame has invalid header"
  EXPECT_EQ(outcome.continuity.errors, 0);
  EXPECT_TRUE(outcome.counter.bitExact()) << outcome.counter.describe();
}

TEST(SrtStreamEnd, AStoppedCallerLeavesTheReceiverAWholeStream) {
  const int port = srtpeer::freeUdpPort();
  Subprocess receiver(testsupport::srtReceiverToStdout(port, 30), 40s);
  ASSERT_TRUE(srtpeer::waitForUdpPort(port, 10s)) << receiver.stderrText();
  CountingSender source;
  source.sender.start(pcmSettings(0, port));
  source.streamFor(2.0);
  source.sender.stop();
  expectWholeToTheEnd(receiver.wait());
}

TEST(SrtStreamEnd, AReconfiguredCallerEndsTheFirstStreamWhole) {
  const int port = srtpeer::freeUdpPort();
  Subprocess receiver(testsupport::srtReceiverToStdout(port, 30), 40s);
  ASSERT_TRUE(srtpeer::waitForUdpPort(port, 10s)) << receiver.stderrText();
  CountingSender source;
  SrtSettings settings = pcmSettings(0, port);
  source.sender.start(settings);
  source.streamFor(2.0);
  settings.latencyMs = 250;  // a connection setting: the worker drops the connection and calls again
  source.sender.start(settings);
  // This receiver takes one connection only, and ends with it.
  const testsupport::ProcessResult first = receiver.wait();
  source.sender.stop();
  expectWholeToTheEnd(first);
}

TEST(SrtStreamEnd, AStoppedListenerLeavesItsCallerAWholeStream) {
  const int port = srtpeer::freeUdpPort();
  CountingSender source;
  source.sender.start(pcmSettings(1, port));
  ASSERT_TRUE(srtpeer::waitForUdpPort(port, 10s));
  Subprocess receiver({"srt-live-transmit", "-q", "-a:no", "-t:30",
                       "srt://127.0.0.1:" + std::to_string(port) + "?mode=caller&latency=20", "file://con"},
                      40s);
  source.streamFor(2.0);
  source.sender.stop();
  expectWholeToTheEnd(receiver.wait());
}

}  // namespace
