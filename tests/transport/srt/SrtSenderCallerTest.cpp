// The SRT sender in caller mode against real receivers on loopback: ffmpeg
// decoding what arrives, and small libsrt listeners of our own.
#include <gtest/gtest.h>

#include <cmath>

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

constexpr int kAac = 0;
constexpr int kPcm = 1;
constexpr double kToneHz = 1000.0;
constexpr double kToneDb = -12.0;

SrtSettings callerSettings(int port, int codec = kPcm) {
  SrtSettings settings;
  settings.mode = 0;
  settings.codec = codec;
  settings.host = "127.0.0.1";
  settings.port = port;
  return settings;
}

// A sender fed by a real-time tone, with a buffer large enough that a busy
// test machine does not starve it.
struct TonedSender {
  TonedSender() {
    sender.feed().setSampleRate(48000.0);
    sender.feed().setBufferSeconds(0.3);
  }
  SrtSender sender;
  srtpeer::TonePlayer tone{sender.feed(), 48000.0, 2, kToneHz, kToneDb};
};

bool stateIs(const SrtSender& sender, SrtState state) { return sender.state() == state; }

// Streams to an ffmpeg listener for ten seconds and checks the decoded tone
// for frequency, level and the absence of any gap.
void streamTenSecondsTo(int codec) {
  const int port = srtpeer::freeUdpPort();
  const std::string wav = srtpeer::tempPath("decoded", "wav");
  Subprocess ffmpeg(srtpeer::ffmpegListenerToWav(port, 10.6, wav), 40s);
  ASSERT_TRUE(ffmpeg.started());
  ASSERT_TRUE(srtpeer::waitForUdpPort(port, 10s)) << ffmpeg.stderrText();

  TonedSender source;
  srtpeer::StateRecorder states(source.sender);
  source.sender.start(callerSettings(port, codec));
  ASSERT_TRUE(waitUntil([&] { return stateIs(source.sender, SrtState::Sending); }, 10s)) << source.sender.message();
  EXPECT_EQ(source.sender.peer(), "127.0.0.1:" + std::to_string(port));

  const testsupport::ProcessResult result = ffmpeg.wait();
  const int dropouts = source.sender.feed().dropoutCount();
  source.sender.stop();
  ASSERT_TRUE(result.succeeded()) << result.describe();
  // Calling (set by start; a call answered at once can be over before the
  // recorder looks) led straight to Sending; the receiver hanging up at the
  // end may follow.
  const std::string sequence = states.sequence();
  EXPECT_TRUE(sequence.starts_with("0 2 4") || sequence.starts_with("0 4")) << sequence;

  const auto audio = srtpeer::readWav(wav);
  std::remove(wav.c_str());
  ASSERT_TRUE(audio.has_value());
  EXPECT_EQ(audio->rate, 48000);
  EXPECT_EQ(audio->channels, 2);
  // AAC starts with the encoder's priming, so the first fifth of a second
  // is left out; the sender's buffer was still filling when the call was
  // answered, so some silence leads.
  const srtpeer::ToneReport tone = srtpeer::analyseTone(*audio, kToneHz, 0.2);
  SCOPED_TRACE(tone.describe() + "; sender drop-outs " + std::to_string(dropouts) + "; ffmpeg said: " + result.err);
  EXPECT_LT(tone.leadingQuietSeconds, 0.5);
  EXPECT_GE(tone.seconds, 10.0);
  EXPECT_NEAR(tone.frequency, kToneHz, 0.5);
  EXPECT_NEAR(tone.peakDb, kToneDb, codec == kPcm ? 0.05 : 1.0);
  EXPECT_EQ(tone.irregularCycles, 0);
  EXPECT_EQ(tone.quietWindows, 0);
  EXPECT_LT(tone.channelDifferenceDb, codec == kPcm ? -120.0 : -40.0);
}

TEST(SrtSenderCaller, StreamsPcmToAnFfmpegListenerForTenSecondsWithoutAGap) { streamTenSecondsTo(kPcm); }

TEST(SrtSenderCaller, StreamsAacToAnFfmpegListenerForTenSecondsWithoutAGap) { streamTenSecondsTo(kAac); }

TEST(SrtSenderCaller, CallsAgainAfterTheReceiverIsKilledAndResumesWhenItReturns) {
  const int port = srtpeer::freeUdpPort();
  TonedSender source;
  {
    Subprocess first(srtpeer::ffmpegListenerToWav(port, 0, "/dev/null"), 30s);
    ASSERT_TRUE(srtpeer::waitForUdpPort(port, 10s)) << first.stderrText();
    source.sender.start(callerSettings(port));
    ASSERT_TRUE(waitUntil([&] { return stateIs(source.sender, SrtState::Sending); }, 10s)) << source.sender.message();
    first.stop(0ms);  // SIGKILL: the receiver vanishes without a word
  }
  // libsrt notices a silent peer after its idle timeout (5 s).
  ASSERT_TRUE(waitUntil([&] { return stateIs(source.sender, SrtState::Retrying); }, 10s));
  EXPECT_EQ(source.sender.message(), "The receiver went away. Calling again.");
  EXPECT_EQ(source.sender.peer(), "");

  const std::string wav = srtpeer::tempPath("resumed", "wav");
  Subprocess second(srtpeer::ffmpegListenerToWav(port, 2.0, wav), 30s);
  ASSERT_TRUE(srtpeer::waitForUdpPort(port, 10s)) << second.stderrText();
  ASSERT_TRUE(waitUntil([&] { return stateIs(source.sender, SrtState::Sending); }, 10s))
      << source.sender.message() << "\n" << second.stderrText();
  const testsupport::ProcessResult result = second.wait();
  ASSERT_TRUE(result.succeeded()) << result.describe();
  const auto audio = srtpeer::readWav(wav);
  std::remove(wav.c_str());
  ASSERT_TRUE(audio.has_value());
  const srtpeer::ToneReport tone = srtpeer::analyseTone(*audio, kToneHz, 0.1);
  EXPECT_NEAR(tone.frequency, kToneHz, 1.0) << tone.describe();
  EXPECT_EQ(tone.quietWindows, 0) << tone.describe();
  EXPECT_EQ(source.sender.workerStarts(), 1);
}

TEST(SrtSenderCaller, AnUnresolvableHostIsNotFoundAndRetried) {
  SrtSender sender;
  SrtSettings settings = callerSettings(9000);
  settings.host = "relaycaster-test.invalid";
  sender.start(settings);
  ASSERT_TRUE(waitUntil([&] { return stateIs(sender, SrtState::Retrying); }, 5s));
  EXPECT_EQ(sender.message(), "Cannot find relaycaster-test.invalid.");
  EXPECT_EQ(sender.peer(), "");
}

TEST(SrtSenderCaller, NobodyListeningGivesNoAnswerAfterTheConnectionTimeoutThenCallsAgain) {
  const int port = srtpeer::freeUdpPort();
  SrtSender sender;
  srtpeer::StateRecorder states(sender);
  const auto started = std::chrono::steady_clock::now();
  sender.start(callerSettings(port));
  ASSERT_TRUE(waitUntil([&] { return stateIs(sender, SrtState::Retrying); }, 8s));
  const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(sender.message(), "No answer from 127.0.0.1:" + std::to_string(port) + ".");
  EXPECT_GT(waited, 2.5);
  EXPECT_LT(waited, 6.0);
  // The next attempt follows two seconds later.
  ASSERT_TRUE(waitUntil([&] { return stateIs(sender, SrtState::Calling); }, 4s));
  const double retried = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_GT(retried - waited, 1.5);
  EXPECT_TRUE(states.reaches("0 2 5 2")) << states.sequence();
}

TEST(SrtSenderCaller, MatchingPassphraseStreamsToFfmpeg) {
  const int port = srtpeer::freeUdpPort();
  const std::string passphrase = "correcthorsebattery";
  const std::string wav = srtpeer::tempPath("encrypted", "wav");
  Subprocess ffmpeg(srtpeer::ffmpegListenerToWav(port, 2.0, wav, passphrase), 30s);
  ASSERT_TRUE(srtpeer::waitForUdpPort(port, 10s)) << ffmpeg.stderrText();
  TonedSender source;
  SrtSettings settings = callerSettings(port);
  settings.passphrase = passphrase;
  source.sender.start(settings);
  ASSERT_TRUE(waitUntil([&] { return stateIs(source.sender, SrtState::Sending); }, 10s)) << source.sender.message();
  const testsupport::ProcessResult result = ffmpeg.wait();
  ASSERT_TRUE(result.succeeded()) << result.describe();
  const auto audio = srtpeer::readWav(wav);
  std::remove(wav.c_str());
  ASSERT_TRUE(audio.has_value());
  EXPECT_NEAR(srtpeer::analyseTone(*audio, kToneHz, 0.1).frequency, kToneHz, 1.0);
}

// A receiver that wants a passphrase refuses a wrong one and a missing one;
// the message carries libsrt's reason.
TEST(SrtSenderCaller, AWrongOrMissingPassphraseIsRefusedByTheReceiver) {
  const int port = srtpeer::freeUdpPort();
  srtpeer::TestSrtListener receiver(port, "the right passphrase");
  ASSERT_TRUE(receiver.listening());

  for (const std::string& passphrase : {std::string("a wrong passphrase"), std::string()}) {
    SCOPED_TRACE("passphrase '" + passphrase + "'");
    SrtSender sender;
    SrtSettings settings = callerSettings(port);
    settings.passphrase = passphrase;
    sender.start(settings);
    ASSERT_TRUE(waitUntil([&] { return stateIs(sender, SrtState::Retrying); }, 8s));
    const std::string message = sender.message();
    EXPECT_EQ(message.rfind("Refused by 127.0.0.1: ", 0), 0u) << message;
    const int reason = passphrase.empty() ? SRT_REJ_UNSECURE : SRT_REJ_BADSECRET;
    EXPECT_EQ(message, std::string("Refused by 127.0.0.1: ") + srt_rejectreason_str(reason) + ".");
  }
  EXPECT_EQ(receiver.connectionCount(), 0);
}

TEST(SrtSenderCaller, PassphrasesOfTenAndSeventyNineCharactersConnect) {
  for (const size_t length : {size_t{10}, size_t{79}}) {
    SCOPED_TRACE(length);
    const std::string passphrase(length, 'k');
    const int port = srtpeer::freeUdpPort();
    srtpeer::TestSrtListener receiver(port, passphrase);
    ASSERT_TRUE(receiver.listening());
    SrtSender sender;
    SrtSettings settings = callerSettings(port);
    settings.passphrase = passphrase;
    sender.start(settings);
    EXPECT_TRUE(waitUntil([&] { return stateIs(sender, SrtState::Sending); }, 5s)) << sender.message();
  }
}

TEST(SrtSenderCaller, PassphrasesOutsideTenToSeventyNineCharactersFail) {
  for (const size_t length : {size_t{1}, size_t{9}, size_t{80}, size_t{200}}) {
    SCOPED_TRACE(length);
    SrtSender sender;
    SrtSettings settings = callerSettings(srtpeer::freeUdpPort());
    settings.passphrase = std::string(length, 'k');
    sender.start(settings);
    ASSERT_TRUE(waitUntil([&] { return stateIs(sender, SrtState::Failed); }, 2s));
    EXPECT_EQ(sender.message(), "The passphrase must be 10 to 79 characters long.");
  }
}

TEST(SrtSenderCaller, PortsOutsideTheRangeFailInBothModes) {
  for (const int mode : {0, 1}) {
    for (const int port : {0, 65536, -1}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + " port " + std::to_string(port));
      SrtSender sender;
      SrtSettings settings = callerSettings(port);
      settings.mode = mode;
      sender.start(settings);
      ASSERT_TRUE(waitUntil([&] { return stateIs(sender, SrtState::Failed); }, 2s));
      EXPECT_EQ(sender.message(), "The port must be 1 to 65535.");
    }
  }
}

// Without a host nothing is attempted, but the feed is still read: a short
// host stall is noticed as a drop-out only by a reader that keeps reading.
TEST(SrtSenderCaller, WithoutAHostItWaitsForOneAndStillDrainsTheFeed) {
  SrtSender sender;
  sender.feed().setSampleRate(48000.0);
  srtpeer::TonePlayer tone(sender.feed(), 48000.0, 2, kToneHz, kToneDb);
  SrtSettings settings = callerSettings(9000);
  settings.host.clear();
  sender.start(settings);
  ASSERT_TRUE(waitUntil([&] { return stateIs(sender, SrtState::NeedsHost); }, 2s));
  EXPECT_EQ(sender.message(), "");
  // Let the reader fill its buffer and run, then stall the host briefly.
  std::this_thread::sleep_for(300ms);
  tone.setPaused(true);
  std::this_thread::sleep_for(100ms);
  tone.setPaused(false);
  EXPECT_TRUE(waitUntil([&] { return sender.feed().dropoutCount() >= 1; }, 3s));
  EXPECT_EQ(sender.state(), SrtState::NeedsHost);
}

}  // namespace
