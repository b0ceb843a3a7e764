// The Windows bundle's editor under Wine, in relaycaster-host.exe's own
// window on the prefix's X server, looked at and used as a user would:
// its size at both scales, its colours against the Linux bundle's, the SRT
// pill, the host field calling a Linux ffmpeg, the corner grip, and fifty
// openings that leave nothing behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <sstream>

#include "WineSupport.h"
#include "support/Subprocess.h"
#include "tools/EditorWindowDriver.h"
#include "transport/srt/SrtPeerSupport.h"

namespace {

using namespace std::chrono_literals;
using editortest::EditorWindowDriver;
using editortest::Rgb;
using testsupport::ProcessResult;
using testsupport::ScreenPicture;
using testsupport::Subprocess;

constexpr Rgb kWindowBackground{10, 10, 10};
constexpr Rgb kPanel{20, 20, 20};
constexpr Rgb kAccent{21, 232, 121};
constexpr Rgb kEntryFill{30, 30, 30};
constexpr int kTolerance = 6;  // two builds of the same drawing code may round a little apart

// Window pixels at scale 1, where design units and pixels agree.
constexpr int kSrtPillX = 804, kSrtPillY = 120;        // the SRT pill [756, 108, 852, 132]
constexpr int kSrtPillDotX = 767, kSrtPillDotY = 119;  // its dot
constexpr int kHostFieldX = 504, kHostFieldY = 299;    // the host field [396, 286, 612, 312]
constexpr int kHostEntryX = 400, kHostEntryY = 289;    // inside it, clear of the text

/// A point of the design in a flat stretch of one colour.
struct Probe {
  const char* what;
  int x;
  int y;
};

// With NDI and SRT off: the shades lie over both columns.
constexpr Probe kProbes[] = {
    {"window background", 5, 40},
    {"stream panel", 20, 100},
    {"preset name box", 100, 16},
    {"bypass pill's lit dot", 757, 62},
    {"bypass pill's fill", 830, 55},
    {"SRT pill's idle dot", kSrtPillDotX, kSrtPillDotY},
    {"NDI pill's idle dot", 279, 119},
    {"selected CALLER segment, shaded", 410, 236},
    {"host field, shaded", 500, 299},
    {"column divider", 380, 300},
    {"NDI meter track, shaded", 346, 430},
    {"bitrate knob's face, shaded", 640, 430},
    {"corner grip", 875, 557},
};

/// Where a probe falls at draw scale `scale`: inside the design unit.
int AtScale(int design, int scale) { return design * scale + scale / 2; }

bool IsAccent(const Rgb& c) { return c[1] > 150 && c[1] - c[0] > 80; }

std::string Describe(const Rgb& c) {
  char text[48];
  std::snprintf(text, sizeof text, "(%d, %d, %d)", c[0], c[1], c[2]);
  return text;
}

/// Every probe of `picture` within the tolerance of `reference`, both at `scale`.
void ExpectProbesMatch(const ScreenPicture& picture, const ScreenPicture& reference, int scale) {
  for (const Probe& probe : kProbes) {
    const Rgb seen = picture.at(AtScale(probe.x, scale), AtScale(probe.y, scale));
    const Rgb expected = reference.at(AtScale(probe.x, scale), AtScale(probe.y, scale));
    EXPECT_TRUE(editortest::Near(seen, expected, kTolerance))
        << probe.what << " at (" << probe.x << ", " << probe.y << ") × " << scale << ": " << Describe(seen)
        << ", on Linux " << Describe(expected);
  }
}

/// The palette itself where the design gives it.
void ExpectPalette(const ScreenPicture& picture, int scale) {
  auto at = [&](int x, int y) { return picture.at(AtScale(x, scale), AtScale(y, scale)); };
  EXPECT_EQ(at(5, 40), kWindowBackground);
  EXPECT_EQ(at(20, 100), kPanel);
  EXPECT_TRUE(editortest::Near(at(757, 62), kAccent, 2)) << Describe(at(757, 62));
}

ProcessResult LinuxSnapshot(const std::string& path, int scale) {
  return Subprocess::run({RELAYCASTER_HOST_BINARY, "--set", "NDI=off", "--seconds", "0.5", "--snapshot", path,
                          "--ui-scale", std::to_string(scale)},
                         30s);
}

// --- the off-screen picture ------------------------------------------------------

// At twice the scale, where every design unit is four pixels, the Windows
// bundle draws each probe as the Linux bundle does (the picture at 1x is
// compared whole in WineHost).
TEST(WineEditorSnapshot, AtTwiceTheScaleEveryProbeIsAsOnLinux) {
  const std::string windowsPicture = srtpeer::tempPath("windows-editor-2x", "png");
  const std::string linuxPicture = srtpeer::tempPath("linux-editor-2x", "png");
  const ProcessResult drawn = winetest::runWineHost(
      winetest::windowsBundle(),
      {"--set", "NDI=off", "--seconds", "0.5", "--snapshot", winetest::windowsPath(windowsPicture), "--ui-scale", "2"},
      60s);
  ASSERT_TRUE(drawn.succeeded()) << drawn.describe();
  ASSERT_TRUE(LinuxSnapshot(linuxPicture, 2).succeeded());
  const ScreenPicture windows = testsupport::ReadPicture(windowsPicture);
  const ScreenPicture linux = testsupport::ReadPicture(linuxPicture);
  std::remove(windowsPicture.c_str());
  std::remove(linuxPicture.c_str());
  ASSERT_EQ(windows.width, 1760);
  ASSERT_EQ(windows.height, 1124);
  ASSERT_EQ(linux.width, 1760);
  ExpectPalette(windows, 2);
  ExpectProbesMatch(windows, linux, 2);
}

// --- the window ----------------------------------------------------------------------

class WineEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::XvfbServer* display = winetest::WinePrefix::instance().display();
    if (!display || !Subprocess::available("xdotool") || !Subprocess::available("import"))
      GTEST_SKIP() << "Xvfb, xdotool or ImageMagick's import is not installed";
    driver = std::make_unique<EditorWindowDriver>(*display);
  }

  /// relaycaster-host.exe --editor with NDI off and `args`, on the bundle.
  void startEditor(std::vector<std::string> args) {
    args.insert(args.begin(), {"--editor", "--set", "NDI=off"});
    std::vector<std::string> command = winetest::wineHost(winetest::windowsBundle(), std::move(args));
    const std::string wine = command.front();
    command.erase(command.begin());
    ASSERT_TRUE(driver->startHost(wine, std::move(command), {}, 90s)) << output();
  }

  std::string output() {
    return winetest::withoutCarriageReturns(driver->host().stdoutText() + driver->host().stderrText());
  }

  /// Closes the window as a window manager's close button does and
  /// expects the host to stop as after Ctrl-C.
  void closeAndExpectCleanStop() {
    const ProcessResult finished = driver->closeAndWait();
    EXPECT_TRUE(finished.succeeded()) << finished.describe();
    EXPECT_NE(finished.out.find("the editor window was closed"), std::string::npos) << finished.out;
    EXPECT_NE(finished.out.find("relaycaster-host: stopped"), std::string::npos) << finished.out;
  }

  std::unique_ptr<EditorWindowDriver> driver;
};

// The window's client area is the view's size; the X window Wine makes for
// it is exactly that area, as Wine leaves the frame to a window manager.
TEST_F(WineEditor, TheClientAreaIsTheDesignSizeAndTwiceThatAtScaleTwo) {
  const std::string linuxPicture = srtpeer::tempPath("linux-editor-1x", "png");
  ASSERT_TRUE(LinuxSnapshot(linuxPicture, 1).succeeded());
  const ScreenPicture linux = testsupport::ReadPicture(linuxPicture);
  std::remove(linuxPicture.c_str());

  ASSERT_NO_FATAL_FAILURE(startEditor({}));
  EXPECT_TRUE(driver->sizeBecomes(880, 562)) << driver->geometry().width << "x" << driver->geometry().height;
  ASSERT_TRUE(driver->showsAt(20, 100, kPanel)) << output();
  ExpectPalette(driver->capture(), 1);
  ExpectProbesMatch(driver->capture(), linux, 1);
  closeAndExpectCleanStop();

  ASSERT_NO_FATAL_FAILURE(startEditor({"--ui-scale", "2"}));
  EXPECT_TRUE(driver->sizeBecomes(1760, 1124)) << driver->geometry().width << "x" << driver->geometry().height;
  EXPECT_TRUE(driver->showsAt(AtScale(20, 2), AtScale(100, 2), kPanel)) << output();
  ExpectPalette(driver->capture(), 2);
  closeAndExpectCleanStop();
}

void ExpectDecodedTone(const std::string& wav) {
  const auto audio = srtpeer::readWav(wav);
  std::remove(wav.c_str());
  ASSERT_TRUE(audio.has_value());
  EXPECT_GE(audio->seconds(), 1.95);
  const srtpeer::ToneReport tone = srtpeer::analyseTone(*audio, 1000.0, 0.2);
  EXPECT_NEAR(tone.frequency, 1000.0, 1.0) << tone.describe();
  EXPECT_NEAR(tone.peakDb, -12.0, 1.0) << tone.describe();
}

// SRT is off until the pill is clicked; then the plug-in asks for a host,
// and the one typed into the field and committed with Return is called.
TEST_F(WineEditor, ThePillSwitchesSrtOnAndAHostTypedIntoTheFieldIsCalled) {
  const int port = srtpeer::freeUdpPort();
  const std::string wav = srtpeer::tempPath("wine-editor-caller", "wav");
  Subprocess ffmpeg(srtpeer::ffmpegListenerToWav(port, 2.0, wav), 60s);
  ASSERT_TRUE(srtpeer::waitForUdpPort(port, 10s)) << ffmpeg.stderrText();

  ASSERT_NO_FATAL_FAILURE(startEditor({"--input", "tone:1000:-12", "--set", "SRT codec=PCM"}));
  ASSERT_TRUE(driver->sizeBecomes(880, 562));
  ASSERT_TRUE(driver->printed("SRT: Off, drop-outs 0", 15s)) << output();
  // A pill click toggles, so it is repeated only while the pill stays unlit.
  ASSERT_TRUE(driver->clickUntil(kSrtPillX, kSrtPillY,
                                 [&] { return IsAccent(driver->capture().at(kSrtPillDotX, kSrtPillDotY)); }))
      << output();
  const size_t afterPill = driver->host().stdoutText().size();
  EXPECT_TRUE(driver->printed("SRT: Type the receiver's host to call", 5s, afterPill)) << output();

  ASSERT_TRUE(driver->clickUntil(kHostFieldX, kHostFieldY,
                                 [&] { return driver->capture().at(kHostEntryX, kHostEntryY) == kEntryFill; }))
      << output();
  const std::string address = "127.0.0.1:" + std::to_string(port);
  ASSERT_TRUE(driver->type(address));
  ASSERT_TRUE(driver->key("Return"));
  EXPECT_TRUE(driver->printed("SRT: Sending to " + address, 20s, afterPill)) << output();
  const ProcessResult received = ffmpeg.wait();
  ASSERT_TRUE(received.succeeded()) << received.describe() << output();
  ExpectDecodedTone(wav);
  closeAndExpectCleanStop();
}

// The plug-in asks its frame for each new size while the grip is dragged;
// the host's window follows, and a double-click goes back to 1x.
TEST_F(WineEditor, TheCornerGripAndOutsideResizesSizeTheWindow) {
  ASSERT_NO_FATAL_FAILURE(startEditor({}));
  ASSERT_TRUE(driver->sizeBecomes(880, 562));
  ASSERT_TRUE(driver->showsAt(20, 100, kPanel)) << output();
  const std::string& id = driver->window();
  // 220 pixels right and 5 down from the grip's centre: scale 1.25.
  ASSERT_TRUE(driver->xdotool({"mousemove", "--window", id, "872", "554", "mousedown", "1"}));
  for (int step = 1; step <= 10; ++step)
    ASSERT_TRUE(driver->xdotool(
        {"mousemove", "--window", id, std::to_string(872 + 22 * step), std::to_string(554 + step / 2)}));
  ASSERT_TRUE(driver->xdotool({"mouseup", "1"}));
  EXPECT_TRUE(driver->sizeBecomes(1100, 703)) << driver->geometry().width << "x" << driver->geometry().height << "\n"
                                              << output();
  EXPECT_TRUE(driver->showsAt(25, 125, kPanel));  // drawn at the new scale: the panel starts at 14 × 1.25

  ASSERT_TRUE(
      driver->xdotool({"mousemove", "--window", id, "1090", "692", "click", "--repeat", "2", "--delay", "60", "1"}));
  EXPECT_TRUE(driver->sizeBecomes(880, 562));

  // A size given from outside, as a window manager's resize gives it: the
  // view keeps the design's aspect, and the window takes the view's size.
  ASSERT_TRUE(driver->xdotool({"windowsize", id, "1000", "1000"}));
  EXPECT_TRUE(driver->sizeBecomes(1000, 639)) << driver->geometry().width << "x" << driver->geometry().height;
  // The panel drawn out to (860, 500) × 1000 / 880; the shade over it rounds a unit apart at this scale.
  EXPECT_TRUE(driver->showsWithin([](const ScreenPicture& p) { return editortest::Near(p.at(977, 568), kPanel, 2); }))
      << Describe(driver->capture().at(977, 568));
  closeAndExpectCleanStop();
}

/// One row of the cycles' table: before, after the first, after the last;
/// -1 where the count is "n/a".
struct CensusRow {
  long before = -1;
  long afterFirst = -1;
  long afterLast = -1;
};

std::map<std::string, CensusRow> CensusRows(const std::string& out) {
  std::map<std::string, CensusRow> rows;
  const std::regex row(R"(^  (\S.*?) +(n/a|\d+) +(n/a|\d+) +(n/a|\d+)$)");
  auto number = [](const std::string& text) { return text == "n/a" ? -1L : std::stol(text); };
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_match(line, match, row))
      rows[match[1]] = {number(match[2]), number(match[3]), number(match[4])};
  }
  return rows;
}

// Fifty openings and closings: no window of any kind, no timer and no GDI
// object outlives its editor. Wine's GetGuiResources answers nothing, so
// the GDI objects come from the process's GDI handle table.
TEST_F(WineEditor, FiftyEditorCyclesLeaveNoWindowTimerOrGdiObjectBehind) {
  const ProcessResult run =
      winetest::runWineHost(winetest::windowsBundle(), {"--set", "NDI=off", "--editor-cycles", "50"}, 120s);
  ASSERT_TRUE(run.succeeded()) << run.describe() << "\n" << run.out;
  const size_t table = run.out.find("relaycaster-host: 50 editor cycles");
  ASSERT_NE(table, std::string::npos) << run.out;
  std::printf("%s", run.out.substr(table).c_str());  // the counts, for the record
  EXPECT_NE(run.out.find("relaycaster-host: the editor cycles left nothing behind"), std::string::npos) << run.out;
  const std::map<std::string, CensusRow> rows = CensusRows(run.out);
  for (const char* what :
       {"windows of this thread", "message-only windows of this thread", "timers firing on this thread"}) {
    ASSERT_TRUE(rows.count(what)) << what << "\n" << run.out;
    EXPECT_EQ(rows.at(what).afterLast, rows.at(what).before) << what;
    EXPECT_GE(rows.at(what).before, 0) << what;
  }
  EXPECT_GE(rows.at("timers firing on this thread").before, 1) << "the plug-in's idle timer";
  // Counted one way or the other, and the same after the last cycle as after the first.
  const bool gdiCounted = rows.count("GDI objects") && rows.at("GDI objects").afterLast > 0;
  const std::string gdi = gdiCounted ? "GDI objects" : "GDI handle table entries";
  ASSERT_TRUE(rows.count(gdi)) << run.out;
  EXPECT_GT(rows.at(gdi).afterFirst, 0) << gdi;
  EXPECT_EQ(rows.at(gdi).afterLast, rows.at(gdi).afterFirst) << gdi;
}

}  // namespace
