// relaycaster-host run as a user runs it, with ffmpeg receiving over SRT on
// loopback: its state lines, what ffmpeg decodes, and a clean exit.
#include <gtest/gtest.h>
#include <signal.h>

#include "support/Subprocess.h"
#include "transport/srt/SrtPeerSupport.h"

namespace {

using namespace std::chrono_literals;
using srtpeer::waitUntil;
using testsupport::Subprocess;

constexpr double kToneHz = 1000.0;

// --direct: these tests read the transports' state lines, which only the
// linked-in class shows (a VST 3 host sees no transport state).
std::vector<std::string> host(std::vector<std::string> args) {
  args.insert(args.begin(), "--direct");
  args.insert(args.begin(), RELAYCASTER_HOST_BINARY);
  return args;
}

bool printed(const Subprocess& process, const std::string& text, std::chrono::milliseconds limit) {
  return waitUntil([&] { return process.stdoutText().find(text) != std::string::npos; }, limit);
}

void expectDecodedTone(const std::string& wav, double seconds) {
  const auto audio = srtpeer::readWav(wav);
  std::remove(wav.c_str());
  ASSERT_TRUE(audio.has_value());
  EXPECT_GE(audio->seconds(), seconds - 0.05);
  const srtpeer::ToneReport tone = srtpeer::analyseTone(*audio, kToneHz, 0.2);
  EXPECT_NEAR(tone.frequency, kToneHz, 1.0) << tone.describe();
  EXPECT_NEAR(tone.peakDb, -12.0, 1.0) << tone.describe();
  EXPECT_EQ(tone.quietWindows, 0) << tone.describe();
}

TEST(HostEndToEnd, ListenerModeStreamsToAnFfmpegCaller) {
  const int port = srtpeer::freeUdpPort();
  const std::string portText = std::to_string(port);
  Subprocess plugin(host({"--input", "tone:1000:-12", "--set", "SRT=on", "--set", "SRT mode=Listener", "--set",
                          "SRT codec=PCM", "--set", "SRT port=" + portText, "--seconds", "10"}),
                    30s);
  ASSERT_TRUE(printed(plugin, "SRT: Waiting for a receiver (on port " + portText + ")", 5s)) << plugin.stdoutText()
                                                                                            << plugin.stderrText();

  const std::string wav = srtpeer::tempPath("host-listener", "wav");
  Subprocess ffmpeg(srtpeer::ffmpegCallerToWav(port, 2.0, wav), 20s);
  ASSERT_TRUE(printed(plugin, "SRT: Sending to 127.0.0.1:", 5s)) << plugin.stdoutText();
  EXPECT_TRUE(printed(plugin, "(it called in), drop-outs ", 1s)) << plugin.stdoutText();
  const testsupport::ProcessResult received = ffmpeg.wait();
  ASSERT_TRUE(received.succeeded()) << received.describe();
  expectDecodedTone(wav, 2.0);

  const testsupport::ProcessResult finished = plugin.wait();
  EXPECT_TRUE(finished.succeeded()) << finished.describe();
  EXPECT_NE(finished.out.find("relaycaster-host: stopped"), std::string::npos);
}

// The host field takes an srt:// URL as typed in the editor; the plug-in
// calls until the receiver appears, then sends.
TEST(HostEndToEnd, CallerModeCallsAnFfmpegListenerGivenAsAUrl) {
  const int port = srtpeer::freeUdpPort();
  const std::string address = "127.0.0.1:" + std::to_string(port);
  Subprocess plugin(host({"--input", "tone:1000:-12", "--srt-host", "srt://" + address + "?latency=150", "--set",
                          "SRT=on", "--set", "SRT codec=AAC", "--seconds", "12"}),
                    40s);
  ASSERT_TRUE(printed(plugin, "SRT: Calling " + address + ", drop-outs", 5s)) << plugin.stdoutText()
                                                                               << plugin.stderrText();

  const std::string wav = srtpeer::tempPath("host-caller", "wav");
  Subprocess ffmpeg(srtpeer::ffmpegListenerToWav(port, 2.0, wav), 20s);
  ASSERT_TRUE(printed(plugin, "SRT: Sending to " + address + ", drop-outs", 10s)) << plugin.stdoutText();
  const testsupport::ProcessResult received = ffmpeg.wait();
  ASSERT_TRUE(received.succeeded()) << received.describe();
  expectDecodedTone(wav, 2.0);
  plugin.stop(5s);
}

// A WAV file sets the host's rate and channel count and plays in a loop: a
// one-second file of exactly 1000 cycles loops without a seam, and reaches
// the receiver resampled to 48 kHz.
TEST(HostEndToEnd, AWavFileSetsTheRateAndLoops) {
  const std::string source = srtpeer::tempPath("source", "wav");
  const testsupport::ProcessResult made = Subprocess::run(
      {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
       "sine=frequency=1000:sample_rate=44100:duration=1", "-ac", "1", "-c:a", "pcm_s16le", "-y", source},
      20s);
  ASSERT_TRUE(made.succeeded()) << made.describe();

  const int port = srtpeer::freeUdpPort();
  Subprocess plugin(host({"--input", source, "--set", "SRT=on", "--set", "SRT mode=Listener", "--set",
                          "SRT codec=PCM", "--set", "SRT port=" + std::to_string(port), "--seconds", "8"}),
                    30s);
  ASSERT_TRUE(printed(plugin, "SRT: Waiting for a receiver", 5s)) << plugin.stdoutText() << plugin.stderrText();
  EXPECT_NE(plugin.stdoutText().find("44100 Hz, 1 channel, 512-frame blocks, playing " + source), std::string::npos)
      << plugin.stdoutText();

  const std::string wav = srtpeer::tempPath("looped", "wav");
  const testsupport::ProcessResult received = Subprocess::run(srtpeer::ffmpegCallerToWav(port, 2.5, wav), 20s);
  std::remove(source.c_str());
  ASSERT_TRUE(received.succeeded()) << received.describe();
  const auto audio = srtpeer::readWav(wav);
  std::remove(wav.c_str());
  ASSERT_TRUE(audio.has_value());
  EXPECT_EQ(audio->rate, 48000);
  const srtpeer::ToneReport tone = srtpeer::analyseTone(*audio, kToneHz, 0.2);
  EXPECT_NEAR(tone.frequency, kToneHz, 1.0) << tone.describe();
  EXPECT_NEAR(tone.peakDb, -18.06, 0.3) << tone.describe();  // ffmpeg's sine is 1/8 of full scale
  EXPECT_EQ(tone.irregularCycles, 0) << tone.describe();
  EXPECT_EQ(tone.quietWindows, 0) << tone.describe();
  plugin.stop(5s);
}

// --stall-audio holds the audio thread up as a busy DAW sometimes does:
// longer than the SRT buffer (40 ms) is a drop-out, even while the
// listener waits for a receiver, since its reader drains the feed all the
// same. NDI is off, so every count is SRT's.
TEST(HostEndToEnd, AStalledAudioThreadIsCountedAsADropOut) {
  const std::string port = std::to_string(srtpeer::freeUdpPort());
  Subprocess plugin(host({"--set", "NDI=off", "--set", "SRT=on", "--set", "SRT mode=Listener", "--set",
                          "SRT port=" + port, "--stall-audio", "2:90", "--stall-audio", "4:90", "--seconds", "20"}),
                    40s);
  const std::string waiting = "SRT: Waiting for a receiver (on port " + port + "), drop-outs ";
  ASSERT_TRUE(printed(plugin, waiting + "0", 5s)) << plugin.stdoutText() << plugin.stderrText();
  EXPECT_TRUE(printed(plugin, waiting + "1", 5s)) << plugin.stdoutText();
  EXPECT_TRUE(printed(plugin, waiting + "2", 5s)) << plugin.stdoutText();
  EXPECT_EQ(plugin.stdoutText().find(waiting + "3"), std::string::npos) << plugin.stdoutText();
  plugin.stop(5s);
}

TEST(HostEndToEnd, InterruptStopsCleanly) {
  Subprocess plugin(host({"--set", "SRT=on", "--set", "SRT mode=Listener", "--set",
                          "SRT port=" + std::to_string(srtpeer::freeUdpPort())}),
                    20s);
  ASSERT_TRUE(printed(plugin, "SRT: Waiting for a receiver", 5s)) << plugin.stderrText();
  ASSERT_EQ(kill(plugin.pid(), SIGINT), 0);
  const auto before = std::chrono::steady_clock::now();
  const testsupport::ProcessResult result = plugin.wait();
  EXPECT_TRUE(result.succeeded()) << result.describe();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 3s);
  EXPECT_NE(result.out.find("relaycaster-host: stopped"), std::string::npos);
}

TEST(HostEndToEnd, BadSettingsAreRefusedWithAReason) {
  const testsupport::ProcessResult unknown = Subprocess::run(host({"--set", "SRT mood=Listener"}), 10s);
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find("there is no parameter \"SRT mood\""), std::string::npos) << unknown.err;
  const testsupport::ProcessResult wav = Subprocess::run(host({"--input", "/nonexistent/take.wav"}), 10s);
  EXPECT_EQ(wav.exitCode, 1);
  EXPECT_NE(wav.err.find("Cannot read /nonexistent/take.wav"), std::string::npos) << wav.err;
  const testsupport::ProcessResult list = Subprocess::run(host({"--list-params"}), 10s);
  EXPECT_TRUE(list.succeeded());
  EXPECT_NE(list.out.find("SRT mode"), std::string::npos);
}

}  // namespace
