// The Windows bundle under Wine, driven by the Windows relaycaster-host.exe
// exactly as the Linux bundle is driven by the Linux host: what a host sees
// of it, its saved state, SRT to and from Linux peers on 127.0.0.1, the AAC
// encoder Wine lacks, the NDI runtime beside the module, presets under
// %LOCALAPPDATA% and the update check over WinHTTP.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "WineSupport.h"
#include "support/Subprocess.h"
#include "transport/srt/SrtPeerSupport.h"
#include "transport/srt/SrtTestLibrary.h"
#include "transport/srt/SrtTestPeers.h"
#include "web/LoopbackHttpServer.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::ProcessResult;
using testsupport::Subprocess;
using winetest::windowsPath;

constexpr const char* kNoAacEncoder =
    "Windows' AAC encoder is not available on this PC (an N edition needs the Media Feature Pack).";

std::vector<uint8_t> readBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string readText(const fs::path& path) {
  const std::vector<uint8_t> bytes = readBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

ProcessResult linuxHost(std::vector<std::string> args) {
  args.insert(args.begin(), RELAYCASTER_HOST_BINARY);
  return Subprocess::run(args, 30s);
}

// The lines of --info after the module's path, which differs by system.
std::string infoWithoutModulePath(const std::string& info) {
  const size_t firstLineEnd = info.find('\n');
  EXPECT_EQ(info.rfind("module    ", 0), 0u) << info;
  return firstLineEnd == std::string::npos ? std::string() : info.substr(firstLineEnd + 1);
}

/// Waits for `text` in what a running Windows program printed.
bool printed(const Subprocess& process, const std::string& text, std::chrono::milliseconds limit) {
  return srtpeer::waitUntil(
      [&] { return winetest::withoutCarriageReturns(process.stdoutText()).find(text) != std::string::npos; }, limit);
}

std::string outputOf(const Subprocess& process) {
  return winetest::withoutCarriageReturns(process.stdoutText() + process.stderrText());
}

/// Sets an environment variable for the Windows programs a test starts and
/// puts the previous value back afterwards.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : mName(name) {
    if (const char* previous = getenv(name)) mPrevious = previous;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (mPrevious) setenv(mName, mPrevious->c_str(), 1);
    else unsetenv(mName);
  }

 private:
  const char* mName;
  std::optional<std::string> mPrevious;
};

// --- what a host sees ---------------------------------------------------------------

TEST(WineHost, InfoShowsTheSameFactoryClassBusesAndParametersAsTheLinuxBundle) {
  const ProcessResult linux = linuxHost({"--info"});
  ASSERT_TRUE(linux.succeeded()) << linux.describe();
  const ProcessResult windows = winetest::runWineHost(winetest::windowsBundle(), {"--info"}, 60s);
  ASSERT_TRUE(windows.succeeded()) << windows.describe();
  EXPECT_EQ(infoWithoutModulePath(windows.out), infoWithoutModulePath(linux.out));

  // Twelve plug-in parameters and the host bypass.
  std::istringstream lines(windows.out);
  int parameters = 0;
  for (std::string line; std::getline(lines, line);)
    if (std::regex_search(line, std::regex("^[0-9]+ +[A-Z]"))) ++parameters;
  EXPECT_EQ(parameters, 13) << windows.out;
  EXPECT_NE(windows.out.find("vendor \"Brightwold\", url \"https://brightwold.com\", email \"\", flags 0x10"),
            std::string::npos);
  EXPECT_NE(windows.out.find("\"Relaycaster\", category \"Audio Module Class\", sub-categories \"Fx|Network\""),
            std::string::npos);
  EXPECT_NE(windows.out.find("bus       audio input 0 \"Input\", 2 channels, main"), std::string::npos) << windows.out;
  EXPECT_NE(windows.out.find("bus       audio output 0 \"Output\", 2 channels, main"), std::string::npos);
  EXPECT_EQ(windows.out.find("bus       event"), std::string::npos);
}

TEST(WineHost, StateSavedByEitherBundleLoadsInTheOtherBitForBit) {
  const std::string linuxState = srtpeer::tempPath("linux-state", "bin");
  const std::string windowsState = srtpeer::tempPath("windows-state", "bin");
  const std::vector<std::string> settings{"--set", "NDI=off", "--set", "SRT port=9123", "--set", "Host bypass=on",
                                          "--srt-host", "srt://example.invalid:9001?streamid=cam%201",
                                          "--srt-passphrase", "secret phrase", "--seconds", "0.5"};
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = settings;
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  };
  ASSERT_TRUE(linuxHost(with({"--state-out", linuxState})).succeeded());
  const ProcessResult saved =
      winetest::runWineHost(winetest::windowsBundle(), with({"--state-out", windowsPath(windowsState)}), 60s);
  ASSERT_TRUE(saved.succeeded()) << saved.describe();
  const std::vector<uint8_t> state = readBytes(linuxState);
  ASSERT_GT(state.size(), 16u);
  EXPECT_EQ(readBytes(windowsState), state);

  // Each bundle loads the other's state and saves exactly the same bytes.
  const std::string fromWindows = srtpeer::tempPath("from-windows", "bin");
  const std::string fromLinux = srtpeer::tempPath("from-linux", "bin");
  ASSERT_TRUE(linuxHost({"--set", "NDI=off", "--state-in", windowsState, "--seconds", "0.5", "--state-out", fromWindows})
                  .succeeded());
  const ProcessResult reloaded = winetest::runWineHost(
      winetest::windowsBundle(),
      {"--set", "NDI=off", "--state-in", windowsPath(linuxState), "--seconds", "0.5", "--state-out", windowsPath(fromLinux)},
      60s);
  ASSERT_TRUE(reloaded.succeeded()) << reloaded.describe();
  EXPECT_EQ(readBytes(fromWindows), state);
  EXPECT_EQ(readBytes(fromLinux), state);
  for (const std::string& path : {linuxState, windowsState, fromWindows, fromLinux}) std::remove(path.c_str());
}

// The editor drawn off-screen by the Windows bundle, from the fonts and the
// logo inside the DLL (the bundle's Resources folder is taken away), looks
// as the Linux bundle draws it from its files: the same Cairo, pixman and
// FreeType sources draw both.
TEST(WineHost, TheEditorDrawsFromTheModulesOwnResourcesAsOnLinux) {
  winetest::BundleCopy copy;
  fs::remove_all(copy.bundle() / "Contents" / "Resources");
  const std::string windowsPicture = srtpeer::tempPath("windows-editor", "png");
  const std::string linuxPicture = srtpeer::tempPath("linux-editor", "png");
  const ProcessResult drawn = winetest::runWineHost(
      copy.bundle(), {"--set", "NDI=off", "--seconds", "0.5", "--snapshot", windowsPath(windowsPicture)}, 60s);
  ASSERT_TRUE(drawn.succeeded()) << drawn.describe();
  ASSERT_TRUE(linuxHost({"--set", "NDI=off", "--seconds", "0.5", "--snapshot", linuxPicture}).succeeded());

  const ProcessResult size = Subprocess::run({"identify", "-format", "%wx%h", windowsPicture}, 20s);
  EXPECT_EQ(size.out, "880x562") << size.describe();
  // ImageMagick's count of differing pixels (on stderr; exit status 1 when any differ).
  const ProcessResult compared =
      Subprocess::run({"compare", "-metric", "AE", windowsPicture, linuxPicture, "null:"}, 20s);
  ASSERT_TRUE(compared.started && !compared.timedOut && compared.exitCode >= 0 && compared.exitCode <= 1)
      << compared.describe();
  // A twentieth of the logo's area: the logo's fallback text, or another font, differs far more.
  EXPECT_LT(std::stod(compared.err), 150.0) << "differing pixels";
  std::remove(windowsPicture.c_str());
  std::remove(linuxPicture.c_str());
}

// --- SRT to and from Linux peers --------------------------------------------------------

// A one-second stereo loop of 24-bit samples reaches the receiver unchanged:
// at 48 kHz nothing is resampled, the level is 0 dB, and 24-bit values
// survive the float path exactly.
TEST(WineHost, PcmCallerReachesAnFfmpegListenerBitExact) {
  const std::string source = srtpeer::tempPath("wine-source", "wav");
  const ProcessResult made = Subprocess::run(
      {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
       "aevalsrc=0.5*sin(2*PI*997*t)|0.25*sin(2*PI*1999*t+1):s=48000:d=1", "-c:a", "pcm_s24le", "-y", source},
      20s);
  ASSERT_TRUE(made.succeeded()) << made.describe();
  const auto original = srtpeer::readWav(source);
  ASSERT_TRUE(original && original->channels == 2 && original->rate == 48000);

  const int port = srtpeer::freeUdpPort();
  const std::string decodedPath = srtpeer::tempPath("wine-decoded", "wav");
  Subprocess ffmpeg(srtpeer::ffmpegListenerToWav(port, 3.0, decodedPath), 40s);
  ASSERT_TRUE(srtpeer::waitForUdpPort(port, 5s));
  Subprocess plugin(winetest::wineHost(winetest::windowsBundle(),
                                       {"--input", windowsPath(source), "--set", "NDI=off", "--set", "SRT=on", "--set",
                                        "SRT codec=PCM", "--set", "SRT buffer=200", "--srt-host",
                                        "127.0.0.1:" + std::to_string(port), "--seconds", "12"}),
                    60s);
  const ProcessResult received = ffmpeg.wait();
  ASSERT_TRUE(received.succeeded()) << received.describe() << outputOf(plugin);
  EXPECT_TRUE(printed(plugin, "SRT: Sending to 127.0.0.1:" + std::to_string(port) + ", drop-outs 0", 2s))
      << outputOf(plugin);
  plugin.stop(5s);

  const auto decoded = srtpeer::readWav(decodedPath);
  std::remove(source.c_str());
  std::remove(decodedPath.c_str());
  ASSERT_TRUE(decoded && decoded->channels == 2 && decoded->rate == 48000);
  // Past the first half second (the level's ramp from silence), find where
  // in the loop the stream is, then compare every sample.
  const size_t loopFrames = original->samples.size() / 2;
  const size_t start = 24000;
  const size_t frames = decoded->samples.size() / 2;
  ASSERT_GT(frames, start + 48000) << "decoded only " << frames << " frames";
  auto matchesAt = [&](size_t offset, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      const size_t from = ((offset + i) % loopFrames) * 2;
      if (decoded->samples[(start + i) * 2] != original->samples[from] ||
          decoded->samples[(start + i) * 2 + 1] != original->samples[from + 1])
        return false;
    }
    return true;
  };
  size_t offset = 0;
  while (offset < loopFrames && !matchesAt(offset, 64)) ++offset;
  ASSERT_LT(offset, loopFrames) << "the decoded stream is not the source loop";
  size_t different = 0;
  for (size_t i = 0; start + i < frames; ++i) {
    const size_t from = ((offset + i) % loopFrames) * 2;
    different += decoded->samples[(start + i) * 2] != original->samples[from];
    different += decoded->samples[(start + i) * 2 + 1] != original->samples[from + 1];
  }
  EXPECT_EQ(different, 0u) << "of " << (frames - start) * 2 << " samples";
}

TEST(WineHost, ListenerIsCalledBySrtLiveTransmitWithItsPassphrase) {
  const int port = srtpeer::freeUdpPort();
  const std::string passphrase = "wine listener phrase";
  Subprocess plugin(winetest::wineHost(winetest::windowsBundle(),
                                       {"--set", "NDI=off", "--set", "SRT=on", "--set", "SRT mode=Listener", "--set",
                                        "SRT codec=PCM", "--set", "SRT port=" + std::to_string(port),
                                        "--srt-passphrase", passphrase, "--seconds", "20"}),
                    60s);
  ASSERT_TRUE(printed(plugin, "SRT: Waiting for a receiver (on port " + std::to_string(port) + ")", 15s))
      << outputOf(plugin);

  const std::string url = "srt://127.0.0.1:" + std::to_string(port) + "?latency=120&passphrase=";
  // A caller with the wrong passphrase gets nothing, and the listener waits on.
  const ProcessResult wrong =
      Subprocess::run({"srt-live-transmit", "-q", "-t:2", url + "not the phrase at all", "file://con"}, 20s);
  EXPECT_TRUE(wrong.out.empty()) << wrong.describe();

  const ProcessResult received = Subprocess::run({"srt-live-transmit", "-q", "-t:3", url + passphrase, "file://con"}, 20s);
  ASSERT_TRUE(received.started);
  ASSERT_FALSE(received.timedOut);
  ASSERT_GT(received.out.size(), 100000u) << received.describe() << outputOf(plugin);
  EXPECT_EQ(received.out.size() % 188, 0u);
  EXPECT_EQ(static_cast<uint8_t>(received.out[0]), 0x47);
  EXPECT_NE(outputOf(plugin).find("SRT: Sending to 127.0.0.1:"), std::string::npos) << outputOf(plugin);
  EXPECT_NE(outputOf(plugin).find("(it called in)"), std::string::npos);
  plugin.stop(5s);
}

TEST(WineHost, AWrongPassphraseIsRefusedByTheReceiver) {
  srtpeer::useLibSrt();
  const int port = srtpeer::freeUdpPort();
  srtpeer::TestSrtListener receiver(port, "the right passphrase");
  ASSERT_TRUE(receiver.listening());
  Subprocess plugin(winetest::wineHost(winetest::windowsBundle(),
                                       {"--set", "NDI=off", "--set", "SRT=on", "--set", "SRT codec=PCM", "--srt-host",
                                        "127.0.0.1:" + std::to_string(port), "--srt-passphrase",
                                        "a wrong passphrase", "--seconds", "20"}),
                    60s);
  const std::string refused =
      std::string("SRT: Refused by 127.0.0.1: ") + srt_rejectreason_str(SRT_REJ_BADSECRET) + ". (trying again)";
  EXPECT_TRUE(printed(plugin, refused, 15s)) << refused << "\n" << outputOf(plugin);
  EXPECT_EQ(receiver.connectionCount(), 0);
  plugin.stop(5s);
}

// Wine has no Media Foundation AAC encoder, so the SRT worker fails with
// Windows' own text and never calls.
TEST(WineHost, AacShowsThatWindowsHasNoEncoderAndSendsNothing) {
  srtpeer::useLibSrt();
  const int port = srtpeer::freeUdpPort();
  srtpeer::TestSrtListener receiver(port);
  ASSERT_TRUE(receiver.listening());
  const ProcessResult run = winetest::runWineHost(winetest::windowsBundle(),
                                                  {"--set", "NDI=off", "--set", "SRT=on", "--set", "SRT codec=AAC",
                                                   "--srt-host", "127.0.0.1:" + std::to_string(port), "--seconds", "3"},
                                                  60s);
  ASSERT_TRUE(run.succeeded()) << run.describe();
  EXPECT_NE(run.out.find(std::string("SRT: ") + kNoAacEncoder + ", drop-outs"), std::string::npos) << run.out;
  EXPECT_EQ(receiver.connectionCount(), 0);
}

// --- the NDI runtime beside the module -------------------------------------------------

TEST(WineHost, TheNdiRuntimeBesideThePlugInIsLoadedAndReceivesFrames) {
  winetest::BundleCopy copy;
  fs::copy_file(winetest::windowsNdiDouble(), copy.moduleFolder() / "Processing.NDI.Lib.x64.dll");
  const std::string log = srtpeer::tempPath("ndi-frames", "txt");
  const ScopedEnvironment frameLog("NDI_DOUBLE_FRAME_LOG", windowsPath(log));
  const ProcessResult run = winetest::runWineHost(copy.bundle(), {"--seconds", "3"}, 60s);
  ASSERT_TRUE(run.succeeded()) << run.describe();
  EXPECT_NE(run.out.find("NDI: Sending (no receivers yet), drop-outs 0"), std::string::npos) << run.out;

  std::istringstream lines(winetest::withoutCarriageReturns(readText(log)));
  std::remove(log.c_str());
  int frames = 0;
  for (std::string line; std::getline(lines, line);) {
    EXPECT_EQ(line, "Relaycaster 48000 2 480");  // source name, rate, channels, samples of 10 ms
    ++frames;
  }
  EXPECT_GT(frames, 150);  // 100 a second once the source is up
}

TEST(WineHost, WithoutTheNdiRuntimeTheMessageNamesThePathTried) {
  winetest::BundleCopy copy;
  const ProcessResult run = winetest::runWineHost(copy.bundle(), {"--seconds", "1.5"}, 60s);
  ASSERT_TRUE(run.succeeded()) << run.describe();
  EXPECT_NE(run.out.find("NDI: NDI is unavailable"), std::string::npos) << run.out;
  const std::string tried = windowsPath(copy.moduleFolder() / "Processing.NDI.Lib.x64.dll");
  const std::regex message("The NDI runtime inside Relaycaster could not be loaded \\(" +
                           std::regex_replace(tried, std::regex(R"([\\.()])"), R"(\$&)") +
                           ", error [0-9]+\\)\\. Reinstall Relaycaster\\.");
  EXPECT_TRUE(std::regex_search(run.out, message)) << tried << "\n" << run.out;
}

// --- files and the network ----------------------------------------------------------------

// The same settings make the same preset file on both systems; on Windows
// it lands in %LOCALAPPDATA%\Relaycaster\Presets with nothing left beside it.
TEST(WineHost, PresetsAreWrittenWholeUnderLocalAppData) {
  const fs::path local = winetest::WinePrefix::instance().localAppData();
  ASSERT_FALSE(local.empty());
  const fs::path folder = local / "Relaycaster" / "Presets";
  for (const char* port : {"7102", "7103"}) {  // the second save replaces the first
    const ProcessResult saved = winetest::runWineHost(
        winetest::windowsBundle(), {"--set", std::string("SRT port=") + port, "--save-preset", "Wine A"}, 60s);
    ASSERT_TRUE(saved.succeeded()) << saved.describe();
    EXPECT_NE(saved.out.find("saved the preset \"Wine A\" in C:\\users\\"), std::string::npos) << saved.out;
    EXPECT_NE(saved.out.find("\\AppData\\Local\\Relaycaster\\Presets"), std::string::npos) << saved.out;
  }
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"Wine A.rlcpreset"});

  const ProcessResult linux = linuxHost({"--set", "SRT port=7103", "--save-preset", "Wine A"});
  ASSERT_TRUE(linux.succeeded()) << linux.describe();
  const char* linuxData = getenv("XDG_DATA_HOME");
  ASSERT_NE(linuxData, nullptr);
  EXPECT_EQ(readBytes(folder / "Wine A.rlcpreset"), readBytes(fs::path(linuxData) / "Relaycaster" / "Presets" / "Wine A.rlcpreset"));

  const ProcessResult listed = winetest::runWineHost(winetest::windowsBundle(), {"--list-presets"}, 60s);
  ASSERT_TRUE(listed.succeeded()) << listed.describe();
  EXPECT_NE(listed.out.find("1 preset in C:\\users\\"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("  Wine A\n"), std::string::npos) << listed.out;
}

// The update worker looks 4 to 10 seconds after the plug-in starts; each
// run gives it 12.
ProcessResult runWithUpdateFeed(const testsupport::LoopbackHttpServer& server) {
  const ScopedEnvironment feed("BRIGHTWOLD_UPDATES_URL",
                               "http://127.0.0.1:" + std::to_string(server.port()) + "/updates.json");
  return winetest::runWineHost(winetest::windowsBundle(), {"--set", "NDI=off", "--seconds", "12"}, 60s);
}

TEST(WineHost, TheUpdateCheckFetchesOverWinHttpWithoutFollowingARedirect) {
  const fs::path local = winetest::WinePrefix::instance().localAppData();
  ASSERT_FALSE(local.empty());
  const fs::path cache = local / "Brightwold" / "Shared" / "updates.json";
  // Earlier runs in this prefix may have tried the closed default port and
  // cached that attempt, which holds every fetch back for ten minutes.
  fs::remove(cache);
  testsupport::LoopbackHttpServer server;

  testsupport::LoopbackHttpServer::Response moved;
  moved.status = 302;
  moved.body = "moved";
  moved.extraHeaders = {"Location: http://127.0.0.1:" + std::to_string(server.port()) + "/elsewhere.json"};
  server.setResponse(moved);
  ASSERT_TRUE(runWithUpdateFeed(server).succeeded());
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u) << "the redirect must not be followed";
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/updates.json");
  EXPECT_TRUE(requests[0].hasHeader("Accept: application/json"));
  EXPECT_TRUE(requests[0].hasHeader("User-Agent: Brightwold plug-in"));
  EXPECT_FALSE(requests[0].hasHeaderNamed("Cookie"));
  // The attempt is cached (so no other instance fetches for ten minutes),
  // without a feed.
  EXPECT_NE(readText(cache).find("\"feed\":\"\"}"), std::string::npos) << readText(cache);

  // With the cache gone, a good feed is fetched and kept as received.
  fs::remove(cache);
  testsupport::LoopbackHttpServer::Response feed;
  feed.body = R"({"relaycaster":{"version":"9.9.9","page":"/downloads/relaycaster"}})";
  server.setResponse(feed);
  ASSERT_TRUE(runWithUpdateFeed(server).succeeded());
  EXPECT_EQ(server.requests().size(), 2u);
  const std::string cached = readText(cache);
  EXPECT_EQ(cached.rfind("{\"version\":1,\"checked_at\":", 0), 0u) << cached;
  EXPECT_NE(cached.find(R"("feed":"{\"relaycaster\":{\"version\":\"9.9.9\",\"page\":\"/downloads/relaycaster\"}}"})"),
            std::string::npos)
      << cached;
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(cache.parent_path()))
    names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"updates.json"});  // no temporary file left
}

}  // namespace
