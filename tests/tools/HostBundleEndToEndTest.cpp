// relaycaster-host loading the built Relaycaster.vst3, as by default: the
// plug-in streams over SRT from its own idle timer, reports itself, and
// keeps its settings across a saved state.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "SrtTextsInState.h"
#include "support/Subprocess.h"
#include "transport/srt/SrtPeerSupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Subprocess;

// NDI off: once started, the NDI runtime record stays allocated when the
// module is unloaded at the end of a run, which the leak checker of a
// sanitizer build reports. These tests are about the bundle, SRT and state.
std::vector<std::string> host(std::vector<std::string> args) {
  args.insert(args.begin(), {RELAYCASTER_HOST_BINARY, "--set", "NDI=off"});
  return args;
}

std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(HostBundleEndToEnd, TheBundleStreamsToAnFfmpegCallerWithoutAnyHostTimer) {
  const int port = srtpeer::freeUdpPort();
  Subprocess plugin(host({"--input", "tone:1000:-12", "--set", "SRT=on", "--set", "SRT mode=Listener", "--set",
                          "SRT codec=PCM", "--set", "SRT port=" + std::to_string(port), "--seconds", "10"}),
                    30s);
  // The plug-in's own idle thread starts the listener; the host reads the
  // state lines through the plug-in's status report.
  ASSERT_TRUE(srtpeer::waitForUdpPort(port, 5s)) << plugin.stdoutText() << plugin.stderrText();
  const std::string waiting = "SRT: Waiting for a receiver (on port " + std::to_string(port) + ")";
  EXPECT_TRUE(srtpeer::waitUntil([&] { return plugin.stdoutText().find(waiting) != std::string::npos; }, 5s))
      << plugin.stdoutText();

  const std::string wav = srtpeer::tempPath("bundle-listener", "wav");
  const testsupport::ProcessResult received = Subprocess::run(srtpeer::ffmpegCallerToWav(port, 2.0, wav), 20s);
  ASSERT_TRUE(received.succeeded()) << received.describe();
  const auto audio = srtpeer::readWav(wav);
  std::remove(wav.c_str());
  ASSERT_TRUE(audio.has_value());
  const srtpeer::ToneReport tone = srtpeer::analyseTone(*audio, 1000.0, 0.2);
  EXPECT_NEAR(tone.frequency, 1000.0, 1.0) << tone.describe();
  EXPECT_NEAR(tone.peakDb, -12.0, 1.0) << tone.describe();
  EXPECT_EQ(tone.quietWindows, 0) << tone.describe();
  const std::string sending = "SRT: Sending to 127.0.0.1:";
  EXPECT_NE(plugin.stdoutText().find(sending), std::string::npos) << plugin.stdoutText();
  EXPECT_NE(plugin.stdoutText().find("(it called in)"), std::string::npos) << plugin.stdoutText();
  plugin.stop(5s);
}

TEST(HostBundleEndToEnd, InfoDescribesTheFactoryClassAndParameters) {
  const testsupport::ProcessResult info = Subprocess::run(host({"--info"}), 20s);
  ASSERT_TRUE(info.succeeded()) << info.describe();
  for (const char* expected :
       {"vendor \"Brightwold\", url \"https://brightwold.com\", email \"\", flags 0x10",
        "F2AEE70D00DE4F4E42776C6442775263 \"Relaycaster\", category \"Audio Module Class\", sub-categories \"Fx|Network\"",
        "version \"0.4.2\", sdk \"VST 3.8.1\"", "NDI buffer   smp   0      0x1", "40 ms \u00B7 1920",
        "65536  Host bypass        1      0x10009"})
    EXPECT_NE(info.out.find(expected), std::string::npos) << expected << "\n" << info.out;
}

TEST(HostBundleEndToEnd, SavedStateCarriesSettingsTextsAndTheHostBypass) {
  const std::string first = srtpeer::tempPath("state-first", "bin");
  const std::string second = srtpeer::tempPath("state-second", "bin");
  const testsupport::ProcessResult saved = Subprocess::run(
      host({"--set", "SRT port=9123", "--set", "Host bypass=on", "--srt-host", "srt://example.invalid:9001?streamid=cam%201",
            "--srt-passphrase", "secret phrase", "--seconds", "0.5", "--state-out", first}),
      20s);
  ASSERT_TRUE(saved.succeeded()) << saved.describe();
  // Loading it and saving again, with nothing changed, gives the same bytes.
  const testsupport::ProcessResult reloaded =
      Subprocess::run(host({"--state-in", first, "--seconds", "0.5", "--state-out", second}), 20s);
  ASSERT_TRUE(reloaded.succeeded()) << reloaded.describe();
  const std::vector<uint8_t> state = readBytes(first);
  EXPECT_EQ(readBytes(second), state);
  std::remove(first.c_str());
  std::remove(second.c_str());

  const auto texts = relaycaster_host::readSrtTexts(state);
  ASSERT_TRUE(texts.has_value());
  EXPECT_EQ(texts->host, "example.invalid");
  EXPECT_EQ(texts->streamId, "cam 1");
  EXPECT_EQ(texts->passphrase, "secret phrase");
  ASSERT_GE(state.size(), 4u);
  EXPECT_EQ(state[state.size() - 4], 1);  // the host bypass after the plug-in's chunk

  const testsupport::ProcessResult missing = Subprocess::run(host({"--state-in", "/nonexistent/state.bin"}), 10s);
  EXPECT_EQ(missing.exitCode, 1);
  const testsupport::ProcessResult noBundle = Subprocess::run(host({"--bundle", "/nonexistent/X.vst3"}), 10s);
  EXPECT_EQ(noBundle.exitCode, 1);
  EXPECT_NE(noBundle.err.find("could not load /nonexistent/X.vst3/Contents/"), std::string::npos) << noBundle.err;
}

}  // namespace
