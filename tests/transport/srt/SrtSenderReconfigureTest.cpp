// Settings changes reach the running SRT worker without a restart, and
// stop() always joins it promptly.
#include <gtest/gtest.h>

#include "SrtPeerSupport.h"
#include "SrtTestPeers.h"
#include "transport/srt/SrtSender.h"

namespace {

using namespace std::chrono_literals;
using relaycaster::SrtSender;
using relaycaster::SrtSettings;
using relaycaster::SrtState;
using srtpeer::TestSrtListener;
using srtpeer::waitUntil;

constexpr int kAac = 0;
constexpr int kPcm = 1;
constexpr int kPrivateStreamType = 0x06;  // the PMT's type for SMPTE 302M
constexpr int kAdtsStreamType = 0x0F;

// A sender streaming a tone to our own receivers, with helpers that apply a
// change and wait for the worker to act on it.
class SrtSenderReconfigure : public ::testing::Test {
 protected:
  SrtSenderReconfigure() {
    sender.feed().setSampleRate(48000.0);
    settings.mode = 0;
    settings.codec = kPcm;
    settings.host = "127.0.0.1";
    settings.port = firstPort;
  }
  ~SrtSenderReconfigure() override { sender.stop(); }

  // Applies the current settings and waits until the worker has taken them
  // and `receiver` has seen connection number `connection` carry its
  // stream (its tables, after the connection's lead-in of null packets).
  void applyAndExpectConnection(TestSrtListener& receiver, int connection) {
    sender.start(settings);
    ASSERT_TRUE(waitUntil([&] { return sender.appliedGeneration() == sender.requestedGeneration(); }, 2s));
    ASSERT_TRUE(waitUntil(
        [&] {
          const auto all = receiver.connections();
          return static_cast<int>(all.size()) >= connection && all[size_t(connection) - 1].pmtStreamType >= 0;
        },
        8s))
        << sender.message();
    ASSERT_TRUE(waitUntil([&] { return sender.state() == SrtState::Sending; }, 2s)) << sender.message();
    EXPECT_EQ(sender.workerStarts(), 1);
    EXPECT_EQ(receiver.connectionCount(), connection);
  }

  TestSrtListener::Connection latest(const TestSrtListener& receiver) { return receiver.connections().back(); }

  const int firstPort = srtpeer::freeUdpPort();
  SrtSender sender;
  srtpeer::TonePlayer tone{sender.feed(), 48000.0, 2, 1000.0, -12.0};
  SrtSettings settings;
};

TEST_F(SrtSenderReconfigure, EachConnectionSettingReconnectsTheRunningWorker) {
  TestSrtListener first(firstPort);
  ASSERT_TRUE(first.listening());
  applyAndExpectConnection(first, 1);
  EXPECT_EQ(latest(first).pmtStreamType, kPrivateStreamType);
  EXPECT_EQ(latest(first).streamId, "");
  int configures = sender.configureCount();

  settings.streamId = "#!::r=studio/live,m=publish";
  applyAndExpectConnection(first, 2);
  EXPECT_EQ(latest(first).streamId, settings.streamId);
  EXPECT_EQ(sender.configureCount(), ++configures);

  settings.latencyMs = 345;
  applyAndExpectConnection(first, 3);
  EXPECT_EQ(latest(first).latencyMs, 345);
  EXPECT_EQ(sender.configureCount(), ++configures);

  settings.codec = kAac;
  applyAndExpectConnection(first, 4);
  EXPECT_EQ(latest(first).pmtStreamType, kAdtsStreamType);
  EXPECT_EQ(sender.configureCount(), ++configures);

  first.setPassphrase("a new passphrase");
  settings.passphrase = "a new passphrase";
  applyAndExpectConnection(first, 5);
  EXPECT_EQ(sender.configureCount(), ++configures);

  // The same port on two loopback addresses: only the host tells them apart.
  const int secondPort = srtpeer::freeUdpPort();
  TestSrtListener second(secondPort, "a new passphrase");
  TestSrtListener third(secondPort, "a new passphrase", 20, "127.0.0.2");
  ASSERT_TRUE(second.listening());
  ASSERT_TRUE(third.listening());
  settings.port = secondPort;
  applyAndExpectConnection(second, 1);
  EXPECT_EQ(sender.peer(), "127.0.0.1:" + std::to_string(secondPort));
  EXPECT_EQ(sender.configureCount(), ++configures);

  settings.host = "127.0.0.2";
  applyAndExpectConnection(third, 1);
  EXPECT_EQ(sender.peer(), "127.0.0.2:" + std::to_string(secondPort));
  EXPECT_EQ(sender.configureCount(), ++configures);
  EXPECT_EQ(first.connectionCount(), 5);
  EXPECT_EQ(second.connectionCount(), 1);
}

TEST_F(SrtSenderReconfigure, ServiceNameAndBufferChangesKeepTheConnection) {
  TestSrtListener receiver(firstPort);
  ASSERT_TRUE(receiver.listening());
  applyAndExpectConnection(receiver, 1);
  const int configures = sender.configureCount();
  const uint64_t generation = sender.requestedGeneration();

  settings.serviceName = "Another track";
  sender.start(settings);
  EXPECT_EQ(sender.requestedGeneration(), generation);
  sender.feed().setBufferSeconds(0.3);
  sender.start(settings);

  // Give a reconnection every chance to happen, while data keeps flowing.
  const size_t before = receiver.currentBytes();
  ASSERT_TRUE(waitUntil([&] { return receiver.currentBytes() > before + 50000; }, 5s));
  EXPECT_EQ(receiver.connectionCount(), 1);
  EXPECT_EQ(sender.configureCount(), configures);
  EXPECT_EQ(sender.state(), SrtState::Sending);
}

TEST_F(SrtSenderReconfigure, SwitchingModesReconfiguresTheSameWorker) {
  TestSrtListener receiver(firstPort);
  ASSERT_TRUE(receiver.listening());
  applyAndExpectConnection(receiver, 1);

  const int listenPort = srtpeer::freeUdpPort();
  settings.mode = 1;
  settings.port = listenPort;
  sender.start(settings);
  ASSERT_TRUE(waitUntil([&] { return sender.state() == SrtState::Listening; }, 3s));
  srtpeer::TestSrtCaller caller(listenPort);
  ASSERT_TRUE(caller.connect());
  EXPECT_GT(caller.receiveFor(200ms), 0u);
  EXPECT_EQ(sender.workerStarts(), 1);
  EXPECT_TRUE(waitUntil([&] { return latest(receiver).ended; }, 8s));
}

// stop() must never wait for the network: in every state it joins within a
// few of the worker's 2 ms wake-ups (asserted generously for busy machines).
TEST(SrtSenderStop, JoinsPromptlyInEveryState) {
  const int listenPort = srtpeer::freeUdpPort();
  const int silentPort = srtpeer::freeUdpPort();
  const int receiverPort = srtpeer::freeUdpPort();
  TestSrtListener receiver(receiverPort);
  ASSERT_TRUE(receiver.listening());

  struct Case {
    const char* name;
    SrtSettings settings;
    SrtState state;
  };
  SrtSettings calling;
  calling.host = "127.0.0.1";
  calling.port = silentPort;  // nobody answers: stopped mid-connection
  SrtSettings listening;
  listening.mode = 1;
  listening.port = listenPort;
  SrtSettings sending = calling;
  sending.port = receiverPort;
  SrtSettings needsHost;

  for (const Case& c : {Case{"calling", calling, SrtState::Calling}, Case{"listening", listening, SrtState::Listening},
                        Case{"sending", sending, SrtState::Sending}, Case{"needs host", needsHost, SrtState::NeedsHost}}) {
    SCOPED_TRACE(c.name);
    SrtSender sender;
    srtpeer::TonePlayer tone(sender.feed(), 48000.0, 2, 1000.0, -12.0);
    sender.start(c.settings);
    ASSERT_TRUE(waitUntil([&] { return sender.state() == c.state && sender.configureCount() > 0; }, 5s));
    std::this_thread::sleep_for(50ms);  // let the worker get into its stride
    const auto before = std::chrono::steady_clock::now();
    sender.stop();
    const auto took = std::chrono::steady_clock::now() - before;
    EXPECT_LT(took, 250ms) << std::chrono::duration<double, std::milli>(took).count() << " ms";
    EXPECT_FALSE(sender.running());
    EXPECT_EQ(sender.state(), SrtState::Off);
    EXPECT_EQ(sender.peer(), "");
    EXPECT_FALSE(sender.feed().isEnabled());
    sender.stop();  // idempotent
  }
}

TEST(SrtSenderStop, StopKeepsTheLastMessageAndStartRunsAFreshWorker) {
  SrtSender sender;
  SrtSettings settings;
  settings.host = "relaycaster-stop.invalid";
  sender.start(settings);
  ASSERT_TRUE(waitUntil([&] { return sender.state() == SrtState::Retrying; }, 5s));
  sender.stop();
  EXPECT_EQ(sender.state(), SrtState::Off);
  EXPECT_EQ(sender.message(), "Cannot find relaycaster-stop.invalid.");

  settings.host.clear();
  sender.start(settings);
  ASSERT_TRUE(waitUntil([&] { return sender.state() == SrtState::NeedsHost; }, 2s));
  EXPECT_EQ(sender.message(), "");
  EXPECT_EQ(sender.workerStarts(), 2);
}

}  // namespace
