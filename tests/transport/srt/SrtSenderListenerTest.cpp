// The SRT sender in listener mode, called by real receivers on loopback:
// ffmpeg and srt-live-transmit, and a small libsrt caller of our own that
// can send a stream id and report refusals.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "SrtPeerSupport.h"
#include "SrtTestPeers.h"
#include "support/Subprocess.h"
#include "transport/srt/SrtSender.h"

namespace {

using namespace std::chrono_literals;
using relaycaster::SrtSender;
using relaycaster::SrtSettings;
using relaycaster::SrtState;
using srtpeer::waitUntil;
using testsupport::Subprocess;

constexpr int kPcm = 1;
constexpr double kToneHz = 440.0;
constexpr double kToneDb = -6.0;

SrtSettings listenerSettings(int port, int codec = kPcm) {
  SrtSettings settings;
  settings.mode = 1;
  settings.codec = codec;
  settings.port = port;
  return settings;
}

struct ListeningSender {
  explicit ListeningSender(const SrtSettings& settings) {
    sender.feed().setSampleRate(48000.0);
    sender.feed().setBufferSeconds(0.3);
    sender.start(settings);
  }
  bool waitFor(SrtState state, std::chrono::milliseconds limit = 5s) {
    return waitUntil([&] { return sender.state() == state; }, limit);
  }
  /// The worker has configured itself and listens (start() alone already
  /// shows Listening).
  bool listening() {
    return waitUntil([&] { return sender.configureCount() > 0 && sender.state() == SrtState::Listening; }, 5s);
  }
  SrtSender sender;
  srtpeer::TonePlayer tone{sender.feed(), 48000.0, 2, kToneHz, kToneDb};
};

void expectTone(const std::string& wav, double seconds, const SrtSender& sender) {
  SCOPED_TRACE("sender drop-outs " + std::to_string(sender.feed().dropoutCount()));
  const auto audio = srtpeer::readWav(wav);
  std::remove(wav.c_str());
  ASSERT_TRUE(audio.has_value());
  EXPECT_GE(audio->seconds(), seconds - 0.05);
  const srtpeer::ToneReport tone = srtpeer::analyseTone(*audio, kToneHz, 0.1);
  SCOPED_TRACE(tone.describe());
  EXPECT_LT(tone.leadingQuietSeconds, 0.5);
  EXPECT_NEAR(tone.frequency, kToneHz, 0.5);
  EXPECT_NEAR(tone.peakDb, kToneDb, 0.05);
  EXPECT_EQ(tone.irregularCycles, 0);
  EXPECT_EQ(tone.quietWindows, 0);
}

TEST(SrtSenderListener, AnFfmpegCallerDecodesTheStream) {
  const int port = srtpeer::freeUdpPort();
  ListeningSender listener(listenerSettings(port));
  srtpeer::StateRecorder states(listener.sender);
  ASSERT_TRUE(listener.listening());
  ASSERT_TRUE(srtpeer::waitForUdpPort(port, 5s));

  const std::string wav = srtpeer::tempPath("called-in", "wav");
  Subprocess ffmpeg(srtpeer::ffmpegCallerToWav(port, 3.0, wav), 30s);
  ASSERT_TRUE(listener.waitFor(SrtState::Sending, 10s)) << ffmpeg.stderrText();
  EXPECT_EQ(listener.sender.peer().rfind("127.0.0.1:", 0), 0u) << listener.sender.peer();
  const testsupport::ProcessResult result = ffmpeg.wait();
  ASSERT_TRUE(result.succeeded()) << result.describe();
  expectTone(wav, 3.0, listener.sender);
  // The caller hung up: back to waiting, with the same listening socket.
  EXPECT_TRUE(listener.waitFor(SrtState::Listening, 10s));
  EXPECT_EQ(listener.sender.peer(), "");
  EXPECT_TRUE(states.reaches("3 4 3")) << states.sequence();
}

TEST(SrtSenderListener, SrtLiveTransmitReceivesAStreamFfmpegCanDecode) {
  const int port = srtpeer::freeUdpPort();
  ListeningSender listener(listenerSettings(port));
  ASSERT_TRUE(listener.listening());
  ASSERT_TRUE(srtpeer::waitForUdpPort(port, 5s));

  // srt-live-transmit takes milliseconds; -t ends it after 3 seconds.
  const testsupport::ProcessResult received = Subprocess::run(
      {"srt-live-transmit", "-q", "-t:3", "srt://127.0.0.1:" + std::to_string(port) + "?latency=120", "file://con"},
      20s);
  ASSERT_TRUE(received.started);
  ASSERT_FALSE(received.timedOut);
  ASSERT_GT(received.out.size(), 100000u) << received.describe();
  EXPECT_EQ(received.out.size() % 188, 0u);
  EXPECT_EQ(static_cast<uint8_t>(received.out[0]), 0x47);

  const std::string ts = srtpeer::tempPath("received", "ts");
  const std::string wav = srtpeer::tempPath("received", "wav");
  ASSERT_TRUE(srtpeer::writeFile(ts, received.out));
  const testsupport::ProcessResult decoded = Subprocess::run(srtpeer::ffmpegFileToWav(ts, wav), 20s);
  std::remove(ts.c_str());
  ASSERT_TRUE(decoded.succeeded()) << decoded.describe();
  expectTone(wav, 2.0, listener.sender);
}

TEST(SrtSenderListener, OneReceiverAtATimeAndTheNextIsAcceptedWithoutReopening) {
  const int port = srtpeer::freeUdpPort();
  ListeningSender listener(listenerSettings(port));
  srtpeer::StateRecorder states(listener.sender);
  ASSERT_TRUE(listener.listening());
  const int configures = listener.sender.configureCount();

  srtpeer::TestSrtCaller first(port);
  ASSERT_TRUE(first.connect());
  ASSERT_TRUE(listener.waitFor(SrtState::Sending));
  EXPECT_GT(first.receiveFor(300ms), 10000u);

  srtpeer::TestSrtCaller second(port);
  EXPECT_FALSE(second.connect());
  EXPECT_EQ(listener.sender.state(), SrtState::Sending);

  first.close();
  ASSERT_TRUE(listener.waitFor(SrtState::Listening, 10s));
  ASSERT_TRUE(second.connect());
  ASSERT_TRUE(listener.waitFor(SrtState::Sending));
  EXPECT_GT(second.receiveFor(300ms), 10000u);

  // Never reconfigured or retried, so the listening socket stayed open.
  EXPECT_FALSE(states.saw(SrtState::Retrying)) << states.sequence();
  EXPECT_FALSE(states.saw(SrtState::Failed)) << states.sequence();
  EXPECT_EQ(listener.sender.configureCount(), configures);
  EXPECT_EQ(listener.sender.message(), "");
}

TEST(SrtSenderListener, ARequiredStreamIdAdmitsAnExactMatchOnly) {
  const int port = srtpeer::freeUdpPort();
  SrtSettings settings = listenerSettings(port);
  settings.streamId = "studio-A";
  ListeningSender listener(settings);
  ASSERT_TRUE(listener.listening());

  for (const char* wrong : {"", "studio-a", "STUDIO-A", "studio-A ", "studio-", "studio-AB"}) {
    srtpeer::TestSrtCaller caller(port, wrong);
    EXPECT_FALSE(caller.connect()) << "'" << wrong << "'";
  }
  EXPECT_EQ(listener.sender.state(), SrtState::Listening);

  srtpeer::TestSrtCaller right(port, "studio-A");
  ASSERT_TRUE(right.connect());
  EXPECT_TRUE(listener.waitFor(SrtState::Sending));
  EXPECT_GT(right.receiveFor(200ms), 0u);
}

TEST(SrtSenderListener, WithoutARequiredStreamIdAnyCallerIsAdmitted) {
  const int port = srtpeer::freeUdpPort();
  ListeningSender listener(listenerSettings(port));
  ASSERT_TRUE(listener.listening());
  srtpeer::TestSrtCaller caller(port, "whatever/it#says");
  ASSERT_TRUE(caller.connect());
  EXPECT_TRUE(listener.waitFor(SrtState::Sending));
}

TEST(SrtSenderListener, EncryptedCallersNeedTheSamePassphrase) {
  const int port = srtpeer::freeUdpPort();
  const std::string passphrase = "listenerpassphrase";
  SrtSettings settings = listenerSettings(port);
  settings.passphrase = passphrase;
  ListeningSender listener(settings);
  ASSERT_TRUE(listener.listening());

  srtpeer::TestSrtCaller wrong(port, "", "notthepassphrase");
  EXPECT_FALSE(wrong.connect());
  srtpeer::TestSrtCaller missing(port);
  EXPECT_FALSE(missing.connect());
  EXPECT_EQ(listener.sender.state(), SrtState::Listening);

  const std::string wav = srtpeer::tempPath("encrypted", "wav");
  Subprocess ffmpeg(srtpeer::ffmpegCallerToWav(port, 2.0, wav, passphrase), 30s);
  const testsupport::ProcessResult result = ffmpeg.wait();
  ASSERT_TRUE(result.succeeded()) << result.describe();
  expectTone(wav, 2.0, listener.sender);
}

TEST(SrtSenderListener, ATakenPortIsReportedAndRetriedEveryTwoSeconds) {
  const int port = srtpeer::freeUdpPort();
  // Someone else holds the port on every interface.
  const int blocker = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(blocker, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(static_cast<uint16_t>(port));
  ASSERT_EQ(bind(blocker, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  SrtSender sender;
  srtpeer::StateRecorder states(sender);
  sender.start(listenerSettings(port));
  ASSERT_TRUE(waitUntil([&] { return sender.state() == SrtState::Retrying; }, 3s));
  const std::string message = sender.message();
  const std::string prefix = "Cannot listen on port " + std::to_string(port) + " (";
  EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
  EXPECT_GT(message.size(), prefix.size() + 2);
  EXPECT_EQ(message.substr(message.size() - 2), ").");

  // Still failing after one retry; then the port comes free and the next
  // retry, at most two seconds later, listens.
  std::this_thread::sleep_for(2500ms);
  EXPECT_EQ(sender.state(), SrtState::Retrying);
  close(blocker);
  const auto freed = std::chrono::steady_clock::now();
  ASSERT_TRUE(waitUntil([&] { return sender.state() == SrtState::Listening; }, 4s));
  EXPECT_LT(std::chrono::steady_clock::now() - freed, 2500ms);
  EXPECT_EQ(sender.message(), "");
  // Start shows Listening at once; the failed set-up may replace it before
  // the recorder looks, so only the end of the sequence is certain.
  ASSERT_TRUE(waitUntil([&] { return states.sequence().ends_with("5 3"); }, 2s)) << states.sequence();
  EXPECT_FALSE(states.saw(SrtState::Sending));
  EXPECT_FALSE(states.saw(SrtState::Failed));
}

}  // namespace
