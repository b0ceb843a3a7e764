// The stream panel of the bundle's editor in relaycaster-host --editor on a
// private X server, used as a user would with the mouse and keyboard:
// switching SRT on, listener and caller modes against ffmpeg, the meters,
// and resetting a drop-out count. The host's printed state lines show what
// the plug-in did; screenshots show what the editor drew.
#include <gtest/gtest.h>

#include <cmath>

#include "EditorWindowDriver.h"
#include "support/WaitFor.h"
#include "support/WavWriter.h"
#include "transport/srt/SrtPeerSupport.h"

namespace {

using namespace std::chrono_literals;
using editortest::EditorWindowDriver;
using editortest::Rgb;
using testsupport::ScreenPicture;
using testsupport::Subprocess;

constexpr double kToneHz = 1000.0;

// Window pixels at scale 1, where design units and pixels agree.
constexpr int kSrtPillX = 804, kSrtPillY = 120;        // the SRT pill [756, 108, 852, 132]
constexpr int kSrtPillDotX = 767, kSrtPillDotY = 119;  // its dot, 9 units in from the left edge
constexpr int kListenerX = 519, kListenerY = 243;      // "LISTENER" in the mode segment [396, 230, 562, 256]
constexpr int kHostFieldX = 504, kHostFieldY = 299;    // the host field [396, 286, 612, 312]
constexpr int kHostEntryX = 400, kHostEntryY = 289;    // inside it, clear of the text
constexpr int kResetX = 547, kResetY = 186;            // SRT's "Reset" [524, 176, 570, 196]
constexpr Rgb kEntryFill{30, 30, 30};
// The two columns of each meter's bars, just above their bottom edge (474).
constexpr std::array<std::array<int, 2>, 4> kMeterFloor{{{346, 472}, {359, 472}, {832, 472}, {845, 472}}};

bool IsAccent(const Rgb& c) { return c[1] > 150 && c[1] - c[0] > 80; }
bool IsWarning(const Rgb& c) { return c[0] > 200 && c[1] > 110 && c[1] < 200 && c[2] < 110; }
bool IsWhite(const Rgb& c) { return c[0] > 200 && c[1] > 200 && c[2] > 200; }
// The meter's empty track: a dim neutral grey.
bool IsTrack(const Rgb& c) {
  return std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]}) < 8 && c[1] > 24 && c[1] < 60;
}

/// The brightest pixel (largest R + G + B) of a window rectangle.
Rgb Brightest(const ScreenPicture& picture, int left, int top, int right, int bottom) {
  Rgb best{-1, -1, -1};
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const Rgb c = picture.at(x, y);
      if (c[0] + c[1] + c[2] > best[0] + best[1] + best[2]) best = c;
    }
  return best;
}

/// The ink of SRT's drop-out count, [472, 176, 520, 196].
Rgb SrtCountInk(const ScreenPicture& picture) { return Brightest(picture, 472, 176, 520, 196); }

bool AllMeterBars(const ScreenPicture& picture, bool (*test)(const Rgb&)) {
  for (const auto& [x, y] : kMeterFloor)
    if (!test(picture.at(x, y))) return false;
  return true;
}

void ExpectDecodedTone(const std::string& wav) {
  const auto audio = srtpeer::readWav(wav);
  std::remove(wav.c_str());
  ASSERT_TRUE(audio.has_value());
  EXPECT_GE(audio->seconds(), 1.95);
  const srtpeer::ToneReport tone = srtpeer::analyseTone(*audio, kToneHz, 0.2);
  EXPECT_NEAR(tone.frequency, kToneHz, 1.0) << tone.describe();
  EXPECT_NEAR(tone.peakDb, -12.0, 1.0) << tone.describe();
  EXPECT_EQ(tone.quietWindows, 0) << tone.describe();
}

class StreamPanelXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!EditorWindowDriver::toolsAvailable() || !Subprocess::available("ffmpeg"))
      GTEST_SKIP() << "Xvfb, xdotool, ImageMagick's import or ffmpeg is not installed";
    driver = std::make_unique<EditorWindowDriver>();
    ASSERT_TRUE(driver->started());
  }

  void startEditor(std::vector<std::string> args) {
    args.insert(args.begin(), "--editor");
    ASSERT_TRUE(driver->startHost(RELAYCASTER_HOST_BINARY, std::move(args))) << driver->host().stderrText();
    ASSERT_TRUE(driver->sizeBecomes(880, 562));
  }

  /// The host's output so far, for failure messages.
  std::string output() { return driver->host().stdoutText() + driver->host().stderrText(); }

  void closeAndExpectCleanStop() {
    const testsupport::ProcessResult finished = driver->closeAndWait();
    EXPECT_TRUE(finished.succeeded()) << finished.describe();
    EXPECT_NE(finished.out.find("relaycaster-host: stopped"), std::string::npos) << finished.out;
  }

  std::unique_ptr<EditorWindowDriver> driver;
};

TEST_F(StreamPanelXvfb, ThePillSwitchesSrtOnAndListenerModeTakesAnFfmpegCaller) {
  const int port = srtpeer::freeUdpPort();
  startEditor({"--input", "tone:1000:-12", "--set", "SRT port=" + std::to_string(port)});
  ASSERT_TRUE(driver->printed("SRT: Off, drop-outs 0", 10s)) << output();

  // A pill click toggles, so it is repeated only while the pill stays unlit.
  ASSERT_TRUE(driver->clickUntil(kSrtPillX, kSrtPillY,
                                 [&] { return IsAccent(driver->capture().at(kSrtPillDotX, kSrtPillDotY)); }));
  const size_t afterPill = driver->host().stdoutText().size();
  EXPECT_TRUE(driver->printed("SRT: Type the receiver's host to call", 5s, afterPill)) << output();

  const std::string waiting = "SRT: Waiting for a receiver (on port " + std::to_string(port) + ")";
  ASSERT_TRUE(driver->clickUntil(kListenerX, kListenerY, [&] { return driver->printed(waiting, 0ms, afterPill); }, 5,
                                 3s))
      << output();

  const std::string wav = srtpeer::tempPath("editor-listener", "wav");
  const testsupport::ProcessResult received = Subprocess::run(srtpeer::ffmpegCallerToWav(port, 2.0, wav), 30s);
  ASSERT_TRUE(received.succeeded()) << received.describe();
  ExpectDecodedTone(wav);
  EXPECT_TRUE(driver->printed("SRT: Sending to 127.0.0.1:", 0ms, afterPill)) << output();
  EXPECT_TRUE(driver->printed("(it called in)", 0ms, afterPill)) << output();
  closeAndExpectCleanStop();
}

TEST_F(StreamPanelXvfb, AHostTypedIntoTheFieldIsCalledWhenReturnIsPressed) {
  const int port = srtpeer::freeUdpPort();
  const std::string wav = srtpeer::tempPath("editor-caller", "wav");
  Subprocess ffmpeg(srtpeer::ffmpegListenerToWav(port, 2.0, wav), 40s);
  ASSERT_TRUE(srtpeer::waitForUdpPort(port, 10s)) << ffmpeg.stderrText();

  startEditor({"--input", "tone:1000:-12", "--set", "SRT=on"});
  ASSERT_TRUE(driver->printed("SRT: Type the receiver's host to call", 10s)) << output();
  ASSERT_TRUE(
      driver->clickUntil(kHostFieldX, kHostFieldY, [&] { return driver->capture().at(kHostEntryX, kHostEntryY) == kEntryFill; }));
  const std::string address = "127.0.0.1:" + std::to_string(port);
  ASSERT_TRUE(driver->type(address));
  ASSERT_TRUE(driver->key("Return"));

  EXPECT_TRUE(driver->printed("SRT: Sending to " + address, 15s)) << output();
  const testsupport::ProcessResult received = ffmpeg.wait();
  ASSERT_TRUE(received.succeeded()) << received.describe();
  ExpectDecodedTone(wav);
  closeAndExpectCleanStop();
}

// Both transports' meters, from a looped file of 2.5 s of tone and 5.5 s
// of silence: lit while the tone plays, back on the empty track once the
// silence has let them fall (20 dB/s after a 1.5 s hold), lit again when
// the loop comes round.
TEST_F(StreamPanelXvfb, TheMetersMoveWhileAudioFlowsAndFallToTheFloorAfterItStops) {
  const std::string source = srtpeer::tempPath("tone-then-silence", "wav");
  ASSERT_TRUE(testsupport::WriteWav16(source, 48000, 2, 8.0, [](double t) {
    return t < 2.5 ? std::pow(10.0, -12.0 / 20.0) * std::sin(2 * M_PI * kToneHz * t) : 0.0;
  }));
  startEditor({"--input", source, "--set", "SRT=on", "--set", "SRT mode=Listener", "--set",
               "SRT port=" + std::to_string(srtpeer::freeUdpPort())});
  EXPECT_TRUE(driver->showsWithin([](const ScreenPicture& p) { return AllMeterBars(p, IsAccent); }, 15s))
      << "the meters never showed the tone";
  EXPECT_TRUE(driver->showsWithin([](const ScreenPicture& p) { return AllMeterBars(p, IsTrack); }, 15s))
      << "the meters never fell to the floor";
  EXPECT_TRUE(driver->showsWithin([](const ScreenPicture& p) { return AllMeterBars(p, IsAccent); }, 15s))
      << "the meters did not follow the tone when it came back";
  closeAndExpectCleanStop();
  std::remove(source.c_str());
}

// A 90 ms stall of the host's audio thread outlasts SRT's 40 ms buffer: one
// drop-out, drawn in the warning colour, until "Reset" puts it back to 0.
// The listener waits for nobody: its reader drains the feed all the same.
TEST_F(StreamPanelXvfb, ResetZeroesTheDropOutCount) {
  const std::string port = std::to_string(srtpeer::freeUdpPort());
  startEditor({"--set", "SRT=on", "--set", "SRT mode=Listener", "--set", "SRT port=" + port, "--stall-audio", "3:90"});
  const std::string waiting = "SRT: Waiting for a receiver (on port " + port + "), drop-outs ";
  ASSERT_TRUE(driver->showsWithin([](const ScreenPicture& p) { return IsWarning(SrtCountInk(p)); }, 20s))
      << output();
  // One or more: on a busy machine a late audio block may add its own.
  EXPECT_TRUE(testsupport::WaitFor(
      [&] {
        const std::string out = driver->host().stdoutText();
        for (size_t at = out.find(waiting); at != std::string::npos; at = out.find(waiting, at + 1))
          if (at + waiting.size() < out.size() && out[at + waiting.size()] != '0') return true;
        return false;
      },
      5s))
      << output();

  ASSERT_TRUE(driver->clickUntil(kResetX, kResetY, [&] { return IsWhite(SrtCountInk(driver->capture())); }));
  const size_t afterReset = driver->host().stdoutText().size();
  EXPECT_TRUE(driver->printed(waiting + "0", 5s, afterReset)) << output();
  closeAndExpectCleanStop();
}

}  // namespace
