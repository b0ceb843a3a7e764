// The stream panel's behaviour apart from painting: typed numbers, segment
// hit zones, word wrapping, meter ballistics and texts, masks and blinking.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "editor/DrawWrapped.h"
#include "editor/ParseTypedNumber.h"
#include "editor/PillToggleControl.h"
#include "editor/stream_panel/AttributionControl.h"
#include "editor/stream_panel/DropoutsControl.h"
#include "editor/stream_panel/MeterBallistics.h"
#include "editor/stream_panel/NoteControl.h"
#include "editor/stream_panel/SegmentControl.h"
#include "editor/stream_panel/StateLineControl.h"
#include "editor/stream_panel/TextFieldControl.h"

namespace relaycaster {
namespace {

using stream_panel::MeterBallistics;

constexpr const char* kMinus = "\xE2\x88\x92";  // U+2212

TEST(ParseTypedNumber, ReadsWhatPeopleType) {
  struct Case {
    std::string text;
    double value;
  };
  for (const Case& c : std::vector<Case>{{"  " + std::string(kMinus) + "12,5 dB", -12.5},
                                         {"-12.5", -12.5},
                                         {"+3", 3.0},
                                         {"- 7", -7.0},
                                         {"4.", 4.0},
                                         {",5", 0.5},
                                         {"0.3", 0.3},
                                         {"8dB", 8.0},
                                         {"1.2.3", 1.2},
                                         {"5,x", 5.0},
                                         {"\t\n 11", 11.0},
                                         {"-0", 0.0}}) {
    const TypedNumber typed = ParseTypedNumber(c.text, -60, 12);
    EXPECT_TRUE(typed.ok) << c.text;
    EXPECT_DOUBLE_EQ(typed.value, c.value) << c.text;
  }
}

TEST(ParseTypedNumber, TextWithoutADigitReadsNothing) {
  for (const std::string text : {"", "abc", ".", ",", "-", kMinus, "- .", "inf", "-inf", "nan", "\xE2\x88", "\xFF\xFE",
                                 "one 2", "x12"}) {
    EXPECT_FALSE(ParseTypedNumber(text, -60, 12).ok) << text;
  }
}

TEST(ParseTypedNumber, ClampsToTheRangeAndSurvivesHugeInput) {
  EXPECT_DOUBLE_EQ(ParseTypedNumber("99999", 1, 65535).value, 65535);
  EXPECT_DOUBLE_EQ(ParseTypedNumber("2000", 10, 1000).value, 1000);
  EXPECT_DOUBLE_EQ(ParseTypedNumber("-100", -60, 12).value, -60);
  EXPECT_DOUBLE_EQ(ParseTypedNumber(std::string(400, '9'), 1, 65535).value, 65535);
  EXPECT_DOUBLE_EQ(ParseTypedNumber("-" + std::string(400, '9'), -60, 12).value, -60);
  const TypedNumber tiny = ParseTypedNumber("0." + std::string(400, '0') + "1", -60, 12);
  EXPECT_TRUE(tiny.ok);
  EXPECT_DOUBLE_EQ(tiny.value, 0.0);
  // A reversed range still gives a number, never a crash.
  EXPECT_TRUE(std::isfinite(ParseTypedNumber("5", 10, 0).value));
}

TEST(SegmentLayout, ModeSegmentsHaveTheirGapAndSelectByValue) {
  const stream_panel::SegmentLayout mode{{396, 230, 562, 256}, {74, 86}};
  EXPECT_EQ(mode.SegmentRect(0), (framework::IRECT{396, 230, 470, 256}));
  EXPECT_EQ(mode.SegmentRect(1), (framework::IRECT{476, 230, 562, 256}));
  EXPECT_EQ(mode.SegmentRect(2), framework::IRECT{});
  EXPECT_EQ(mode.SegmentAt(396, 230), 0);
  EXPECT_EQ(mode.SegmentAt(469.9f, 243), 0);
  EXPECT_EQ(mode.SegmentAt(470, 243), -1);  // the gap, 470..476
  EXPECT_EQ(mode.SegmentAt(475.9f, 243), -1);
  EXPECT_EQ(mode.SegmentAt(476, 243), 1);
  EXPECT_EQ(mode.SegmentAt(562, 243), -1);  // right edge exclusive
  EXPECT_EQ(mode.SegmentAt(500, 256), -1);  // bottom edge exclusive
  EXPECT_EQ(mode.SegmentAt(500, 229.9f), -1);

  EXPECT_EQ(stream_panel::SegmentLayout::SelectedIndex(0.0, 2), 0);
  EXPECT_EQ(stream_panel::SegmentLayout::SelectedIndex(0.49, 2), 0);
  EXPECT_EQ(stream_panel::SegmentLayout::SelectedIndex(0.5, 2), 1);  // halves away from zero
  EXPECT_EQ(stream_panel::SegmentLayout::SelectedIndex(1.0, 2), 1);
  EXPECT_EQ(stream_panel::SegmentLayout::SelectedIndex(0.9, 1), 0);
  EXPECT_EQ(stream_panel::SegmentLayout::SelectedIndex(std::nan(""), 3), 0);
  EXPECT_DOUBLE_EQ(stream_panel::SegmentLayout::ValueOf(1, 3), 0.5);
  EXPECT_DOUBLE_EQ(stream_panel::SegmentLayout::ValueOf(0, 1), 0.0);
}

TEST(PillToggle, LitFollowsTheValueOrItsOpposite) {
  EXPECT_TRUE(PillToggleControl::IsLit(1.0, false));
  EXPECT_FALSE(PillToggleControl::IsLit(0.0, false));
  EXPECT_TRUE(PillToggleControl::IsLit(0.0, true));  // the bypass pill: lit while active
  EXPECT_FALSE(PillToggleControl::IsLit(1.0, true));
  EXPECT_FALSE(PillToggleControl::IsLit(0.5, false));
  EXPECT_EQ(PillToggleControl::DotRect({746, 47, 852, 77}, 5), (framework::IRECT{755, 59.5f, 760, 64.5f}));
}

/// Every character 5 units wide, so lines can be reasoned about exactly.
float FiveEach(const std::string& text) { return 5.f * static_cast<float>(text.size()); }

TEST(WrapWords, BreaksBetweenWordsOnlyAndKeepsDoubleSpaces) {
  EXPECT_EQ(WrapWords("aa bb cc", 25, FiveEach), (std::vector<std::string>{"aa bb", "cc"}));
  EXPECT_EQ(WrapWords("aa bb cc", 40, FiveEach), (std::vector<std::string>{"aa bb cc"}));
  // A word wider than the line stands alone at full length.
  EXPECT_EQ(WrapWords("a " + std::string(60, 'w') + " b", 216, FiveEach),
            (std::vector<std::string>{"a", std::string(60, 'w'), "b"}));
  EXPECT_EQ(WrapWords(std::string(60, 'w'), 216, FiveEach), (std::vector<std::string>{std::string(60, 'w')}));
  EXPECT_EQ(WrapWords("aa  bb", 100, FiveEach), (std::vector<std::string>{"aa  bb"}));
  EXPECT_TRUE(WrapWords("", 100, FiveEach).empty());
  EXPECT_EQ(WrapWords("x", 0, FiveEach), (std::vector<std::string>{"x"}));
  EXPECT_FLOAT_EQ(WrappedLineHeight(framework::TextStyle{"Roboto-Regular", 11.f}), 15.95f);
}

constexpr int64_t kSecond = 1'000'000'000;
constexpr int64_t kFrame = kSecond / 60;

TEST(MeterBallistics, JumpsUpFallsAtTwentyDbPerSecondAndHoldsThePeak) {
  MeterBallistics meter;
  meter.lastUpdate = 0;
  EXPECT_TRUE(meter.update(-6.f, kFrame));
  EXPECT_FLOAT_EQ(meter.level, -6.f);
  EXPECT_FLOAT_EQ(meter.peak, -6.f);
  EXPECT_FALSE(meter.update(-6.f, 2 * kFrame));  // steady: nothing moves

  int64_t now = 2 * kFrame;
  for (int i = 0; i < 30; ++i) meter.update(-60.f, now += kFrame);  // half a second of silence
  EXPECT_NEAR(meter.level, -16.f, 1e-3);
  EXPECT_FLOAT_EQ(meter.peak, -6.f);  // still held
  for (int i = 0; i < 72; ++i) meter.update(-60.f, now += kFrame);  // 1.7 s in all
  EXPECT_NEAR(meter.level, -40.f, 1e-3);
  EXPECT_FLOAT_EQ(meter.peak, meter.level);  // the hold ran out: the peak falls with the bar
  for (int i = 0; i < 120; ++i) meter.update(-60.f, now += kFrame);
  EXPECT_FLOAT_EQ(meter.level, -60.f);
  EXPECT_FLOAT_EQ(meter.peak, -60.f);
  EXPECT_FALSE(meter.update(-60.f, now += kFrame));  // at rest on the floor
}

TEST(MeterBallistics, ANewPeakRestartsTheHoldAndTimeStepsAreBounded) {
  MeterBallistics meter;
  meter.update(-10.f, kSecond);
  meter.update(-60.f, kSecond + kSecond);   // 1 s later
  meter.update(-10.f, kSecond + kSecond);   // reaching the peak again restarts its hold
  EXPECT_FLOAT_EQ(meter.hold, MeterBallistics::kHoldSeconds);
  // A stalled editor (10 s without a frame) falls by at most one second's worth.
  meter.update(-60.f, 12 * kSecond);
  EXPECT_FLOAT_EQ(meter.level, -30.f);
  // A clock that goes backwards moves nothing down.
  const float level = meter.level;
  meter.update(-60.f, 0);
  EXPECT_FLOAT_EQ(meter.level, level);
}

TEST(MeterTexts, ReadoutScaleAndLevels) {
  EXPECT_NEAR(stream_panel::PeakToDb(0.5f), -6.0206f, 1e-4);
  EXPECT_FLOAT_EQ(stream_panel::PeakToDb(0.000001f), -60.f);
  EXPECT_FLOAT_EQ(stream_panel::PeakToDb(0.f), -60.f);
  EXPECT_FLOAT_EQ(stream_panel::PeakToDb(std::nanf("")), -60.f);
  EXPECT_FLOAT_EQ(stream_panel::PeakToDb(0.0000001f), -60.f);
  EXPECT_NEAR(stream_panel::PeakToDb(1.2f), 1.5836f, 1e-3);

  EXPECT_NEAR(stream_panel::MeterLevelY(stream_panel::PeakToDb(0.5f), 384, 474), 393.03f, 0.01f);
  EXPECT_FLOAT_EQ(stream_panel::MeterLevelY(3.f, 384, 474), 384.f);  // above full scale: the top
  EXPECT_FLOAT_EQ(stream_panel::MeterLevelY(-80.f, 384, 474), 474.f);
  EXPECT_FLOAT_EQ(stream_panel::MeterLevelY(-48.f, 384, 474), 456.f);

  EXPECT_EQ(stream_panel::MeterReadoutText(stream_panel::PeakToDb(0.5f)), std::string(kMinus) + "6.0");
  EXPECT_EQ(stream_panel::MeterReadoutText(-0.04f), "0.0");
  EXPECT_EQ(stream_panel::MeterReadoutText(-0.05f), "0.0");
  EXPECT_EQ(stream_panel::MeterReadoutText(-0.06f), std::string(kMinus) + "0.1");
  EXPECT_EQ(stream_panel::MeterReadoutText(-59.5f), "-inf");
  EXPECT_EQ(stream_panel::MeterReadoutText(-59.6f), "-inf");
  EXPECT_EQ(stream_panel::MeterReadoutText(-59.4f), std::string(kMinus) + "59.4");
  EXPECT_EQ(stream_panel::MeterReadoutText(stream_panel::PeakToDb(1.2f)), "1.6");
  EXPECT_EQ(stream_panel::MeterReadoutText(std::nanf("")), "-inf");
  EXPECT_EQ(stream_panel::MeterScaleLabel(0), "0");
  EXPECT_EQ(stream_panel::MeterScaleLabel(-48), std::string(kMinus) + "48");
}

TEST(NoteTexts, ListeningAndPcmAtEachKindOfRate) {
  EXPECT_EQ(stream_panel::listeningNote(), "Every interface, one receiver at a time");
  EXPECT_EQ(stream_panel::pcmNote(44100), "PCM, 24-bit, resampled from 44.1 kHz to 48 kHz. About 2.3 Mbit/s.");
  EXPECT_EQ(stream_panel::pcmNote(96000), "PCM, 24-bit, resampled from 96 kHz to 48 kHz. About 2.3 Mbit/s.");
  EXPECT_EQ(stream_panel::pcmNote(48000), "PCM, 24-bit, 48 kHz. About 2.3 Mbit/s.");
  EXPECT_EQ(stream_panel::pcmNote(352800), "PCM, 24-bit, resampled from 352.8 kHz to 48 kHz. About 2.3 Mbit/s.");
  // An absurd rate still gives a bounded text.
  EXPECT_LT(stream_panel::pcmNote(1e300).size(), 80u);
}

TEST(TextField, MaskShowsOneBulletPerByte) {
  const std::string bullet = "\xE2\x80\xA2";
  auto bullets = [&](size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += bullet;
    return s;
  };
  using stream_panel::TextFieldControl;
  EXPECT_EQ(TextFieldControl::DisplayedText("abcdefghijkl", true, false), bullets(12));
  EXPECT_EQ(TextFieldControl::DisplayedText("abcdefghijk\xC3\xA9", true, false), bullets(13));
  EXPECT_EQ(TextFieldControl::DisplayedText("abcdefghijkl", true, true), "abcdefghijkl");
  EXPECT_EQ(TextFieldControl::DisplayedText("host", false, false), "host");
  EXPECT_EQ(TextFieldControl::DisplayedText("", true, false), "");
}

TEST(StateLine, BlinksInTheFirstHalfOfEverySecondAndColoursByKind) {
  using stream_panel::StateLineControl;
  EXPECT_TRUE(StateLineControl::BlinkOn(0));
  EXPECT_TRUE(StateLineControl::BlinkOn(499));
  EXPECT_FALSE(StateLineControl::BlinkOn(500));
  EXPECT_FALSE(StateLineControl::BlinkOn(999));
  EXPECT_TRUE(StateLineControl::BlinkOn(123'000));
  EXPECT_FALSE(StateLineControl::BlinkOn(-1));  // 999 ms into the second before
  const StateLineControl::Colours colours{{255, 1, 1, 1}, {255, 2, 2, 2}, {255, 3, 3, 3}, {255, 4, 4, 4}};
  EXPECT_EQ(StateLineControl::DotColour(stream_panel::Good, false, colours), colours.accent);
  EXPECT_EQ(StateLineControl::DotColour(stream_panel::Fault, true, colours), colours.fault);
  EXPECT_EQ(StateLineControl::DotColour(stream_panel::Busy, true, colours), colours.busy);
  EXPECT_EQ(StateLineControl::DotColour(stream_panel::Busy, false, colours), colours.idle);
  EXPECT_EQ(StateLineControl::DotColour(stream_panel::Neutral, true, colours), colours.idle);
  EXPECT_EQ(StateLineControl::DotColour(42, true, colours), colours.idle);
}

TEST(HitZones, ResetButtonAndAttributionLink) {
  const framework::IRECT button = stream_panel::DropoutsControl::ResetButtonRect({28, 176, 366, 196});
  EXPECT_EQ(button, (framework::IRECT{156, 176, 202, 196}));
  EXPECT_TRUE(button.Contains(156, 176));
  EXPECT_FALSE(button.Contains(202, 186));
  EXPECT_FALSE(button.Contains(180, 196));

  const auto layout = stream_panel::AttributionLayout::For({230, 527, 650, 543}, 200, 40);
  EXPECT_FLOAT_EQ(layout.noticeLeft, 440 - 122);
  EXPECT_EQ(layout.linkRect, (framework::IRECT{522, 527, 562, 543}));
}

}  // namespace
}  // namespace relaycaster
