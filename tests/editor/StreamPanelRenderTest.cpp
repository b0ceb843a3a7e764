// The stream panel drawn off-screen, checked by probing pixels at design
// coordinates: pills, segments, fields, knobs, state lines, drop-outs, the
// feed name, notes, the attribution and the meters.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "editor/PanelSupport.h"
#include "framework/graphics/CairoBackend.h"
#include "editor/PillToggleControl.h"
#include "editor/RingKnobControl.h"
#include "editor/Theme.h"
#include "editor/stream_panel/AttributionControl.h"
#include "editor/stream_panel/FeedMeterControl.h"
#include "editor/stream_panel/FeedNameControl.h"
#include "editor/stream_panel/NoteControl.h"
#include "editor/stream_panel/StateLineControl.h"
#include "editor/stream_panel/TextFieldControl.h"
#include "editor/typed_value/TypedCaptionControl.h"

namespace relaycaster {
namespace {

using framework::IColor;
using framework::IRECT;
using paneltest::Brightest;
using paneltest::Describe;
using paneltest::HasInk;
using paneltest::InkBounds;
using paneltest::Left;
using paneltest::Near;
using paneltest::Over;
using paneltest::PanelEditor;
using paneltest::Stage;

constexpr IColor kWindow = theme::kWindowBackground;
constexpr IColor kPanel = theme::kPanelFill;
constexpr IColor kAccent{255, 21, 232, 121};  // "DAW color" without a track colour

void SrtOn(Relaycaster& plugin) { plugin.GetParam(kSrtOn)->Set(1.0); }

// --- pills ------------------------------------------------------------------------

class PillAtScale : public ::testing::TestWithParam<float> {};

TEST_P(PillAtScale, BypassPillLightsWhileActiveAndNamesTheState) {
  PanelEditor editor({}, GetParam());
  const IColor fill = Over(theme::kPanelFill, kWindow);
  auto textInk = [&] { return InkBounds(editor.g(), {761, 50, 842, 74}, fill); };
  auto expectText = [&](const char* text) {
    const float width = editor.g().MeasureTextWidth(theme::BypassPill(), text);
    const IRECT ink = textInk();
    EXPECT_NEAR(ink.L, 801.5f - 0.5f * width, 1.5f) << text;
    EXPECT_NEAR(ink.R, 801.5f + 0.5f * width, 1.5f) << text;
  };
  editor.drawAll();
  EXPECT_TRUE(Near(editor.at(757.5f, 62), kAccent)) << Describe(editor.at(757.5f, 62));
  EXPECT_TRUE(Near(editor.at(799, 47.2f), Over(theme::kLit, fill))) << Describe(editor.at(799, 47.2f));
  expectText("ACTIVE");

  editor.click(800, 62);
  EXPECT_EQ(editor.param(kBypass), 1.0);
  editor.frame();
  EXPECT_TRUE(Near(editor.at(757.5f, 62), Over(theme::kIdle, fill))) << Describe(editor.at(757.5f, 62));
  EXPECT_TRUE(Near(editor.at(799, 47.2f), Over(theme::kIdle, fill)));
  expectText("BYPASSED");

  editor.click(800, 62);
  editor.frame();
  EXPECT_TRUE(Near(editor.at(757.5f, 62), kAccent));
  expectText("ACTIVE");
}

INSTANTIATE_TEST_SUITE_P(Scales, PillAtScale, ::testing::Values(1.f, 2.f));

TEST(TransportPills, LitWhileSendingAndTheBypassShadeDimsThemToo) {
  PanelEditor editor;
  editor.drawAll();
  // NDI is on by default: accent dot at 268 + 0.6 × 12 = 275.2, 5 across.
  EXPECT_TRUE(Near(editor.at(277.7f, 120), kAccent)) << Describe(editor.at(277.7f, 120));
  EXPECT_TRUE(Near(editor.at(765.7f, 120), Over(theme::kIdle, kPanel))) << Describe(editor.at(765.7f, 120));
  // The SRT column's shade leaves its title and pill undimmed...
  EXPECT_TRUE(Near(editor.at(830, 108.3f), Over(theme::kIdle, kPanel)));
  EXPECT_TRUE(Near(editor.at(590, 380), Over(theme::kShade, kPanel)));
  // ...the bypass shade covers everything, pills included.
  editor.click(800, 62);
  editor.frame();
  EXPECT_TRUE(Near(editor.at(590, 380), Over(theme::kShade, kPanel))) << "the column shade gives way to the bypass shade";
  EXPECT_TRUE(Near(editor.at(765.7f, 120), Over(theme::kShade, Over(theme::kIdle, kPanel))));
  EXPECT_TRUE(Near(editor.at(100, 370), Over(theme::kShade, kPanel)));
}

// --- segments ------------------------------------------------------------------------

class SegmentsAtScale : public ::testing::TestWithParam<float> {};

TEST_P(SegmentsAtScale, ModeGapAndCodecLooks) {
  PanelEditor editor([](Relaycaster& p) {
    SrtOn(p);
    p.GetParam(kSrtCodec)->Set(kSrtCodecPcm);
  }, GetParam());
  editor.drawAll();
  // "CALLER" selected, filled; nothing in the gap 470..476; "LISTENER" outlined.
  EXPECT_TRUE(Near(editor.at(400, 243), Over(kAccent.WithAlpha(56), kPanel))) << Describe(editor.at(400, 243));
  EXPECT_TRUE(Near(editor.at(469.6f, 243), kAccent, 12)) << Describe(editor.at(469.6f, 243));
  for (float x : {470.2f, 473.f, 475.8f}) EXPECT_TRUE(Near(editor.at(x, 243), kPanel)) << x;
  EXPECT_TRUE(Near(editor.at(476.4f, 243), Over(theme::kIdle, kPanel))) << Describe(editor.at(476.4f, 243));
  EXPECT_TRUE(Near(editor.at(480, 243), kPanel));

  // PCM chosen: "AAC" dim outline and dim label, "PCM" filled with its label white.
  EXPECT_TRUE(Near(editor.at(630, 243), kPanel)) << Describe(editor.at(630, 243));
  EXPECT_TRUE(Near(editor.at(624.4f, 243), Over(theme::kIdle, kPanel)));
  EXPECT_TRUE(Near(editor.at(708, 243), Over(kAccent.WithAlpha(56), kPanel)));
  EXPECT_TRUE(Near(editor.at(777.6f, 243), kAccent, 12));
  const IColor aac = Brightest(editor.g(), {640, 234, 682, 252});
  EXPECT_NEAR(aac.R, Over(theme::kLit, kPanel).R, 12) << Describe(aac);
  EXPECT_NEAR(aac.G, aac.R, 3);
  EXPECT_GE(Brightest(editor.g(), {720, 234, 762, 252}).R, 230);
}

INSTANTIATE_TEST_SUITE_P(Scales, SegmentsAtScale, ::testing::Values(1.f, 2.f));

// --- text fields -----------------------------------------------------------------------

constexpr IColor kField = theme::kFieldFill;

TEST(PassphraseField, BulletsPerByteAndClearTextWhileShowIsHeld) {
  PanelEditor editor(
      [](Relaycaster& p) {
        SrtOn(p);
        p.SetSrtText(kSrtPassphraseField, "abcdefghijkl");
      },
      2.f);
  const IRECT text{632, 341, 788, 361};
  editor.drawAll();
  EXPECT_EQ(paneltest::InkRuns(editor.g(), text, kField), 12);
  const IRECT ascenders{633, 345, 700, 348};  // letters reach up here, bullets do not
  EXPECT_FALSE(editor.hasInk(ascenders, kField));

  editor.g().OnMouseDown(827, 351, Left());  // hold "Show"
  EXPECT_TRUE(editor.plugin().revealPassphrase());
  editor.frame();
  EXPECT_TRUE(editor.hasInk(ascenders, kField));
  EXPECT_TRUE(Near(editor.at(806, 351), Over(theme::kButtonPressed, kPanel))) << Describe(editor.at(806, 351));
  editor.g().OnMouseUp(827, 351, Left());
  EXPECT_FALSE(editor.plugin().revealPassphrase());
  editor.frame();
  EXPECT_FALSE(editor.hasInk(ascenders, kField));
  EXPECT_TRUE(Near(editor.at(806, 351), kPanel));

  // A two-byte character shows one bullet more than there are characters.
  editor.plugin().SetSrtText(kSrtPassphraseField, "abcdefghijk\xC3\xA9");
  editor.frame();
  EXPECT_EQ(paneltest::InkRuns(editor.g(), text, kField), 13);
}

TEST(TextFields, LongValuesStopAtTheirFields) {
  PanelEditor editor([](Relaycaster& p) {
    SrtOn(p);
    p.SetSrtText(kSrtHostField, std::string(200, 'w') + ".example");
    p.SetSrtText(kSrtPassphraseField, std::string(79, 'x'));
  });
  editor.drawAll();
  EXPECT_TRUE(editor.hasInk({405, 290, 603, 308}, kField));
  EXPECT_FALSE(editor.hasInk({603.5f, 290, 610.5f, 308}, kField)) << "nothing past the host's text area";
  EXPECT_TRUE(Near(editor.at(618, 299), kPanel)) << "the gap before the port field";
  EXPECT_TRUE(editor.hasInk({633, 341, 787, 361}, kField));
  EXPECT_FALSE(editor.hasInk({787.5f, 341, 795, 361}, kField));
  EXPECT_TRUE(Near(editor.at(800, 351), kPanel)) << "the gap before \"Show\"";
}

TEST(LatencyField, TypedValueOnTheLeftAndTheDimUnitAtTheRightEdge) {
  PanelEditor editor([](Relaycaster& p) {
    SrtOn(p);
    p.GetParam(kSrtLatency)->Set(500);
  });
  editor.click(786, 299);
  paneltest::Type(editor.g(), "200");
  EXPECT_NEAR(editor.param(kSrtLatency), 200, 1e-6);
  editor.g().OnMouseMove(500, 450, {});  // off the field
  editor.frame();
  const IRECT value = InkBounds(editor.g(), {729, 289, 800, 309}, kField);
  EXPECT_NEAR(value.L, 729, 1.5f);
  EXPECT_NEAR(value.R, 729 + editor.g().MeasureTextWidth(theme::FieldText(), "200"), 1.5f);
  const IRECT unit = InkBounds(editor.g(), {800, 289, 850, 309}, kField);
  EXPECT_NEAR(unit.R, 843, 1.5f);
  EXPECT_NEAR(unit.L, 843 - editor.g().MeasureTextWidth(theme::FieldText(), "ms"), 1.5f);
  EXPECT_NEAR(Brightest(editor.g(), {800, 289, 844, 309}).R, Over(theme::kLit, kField).R, 12);
  EXPECT_NEAR(Brightest(editor.g(), {729, 289, 800, 309}).R, Over(theme::OffWhite(219), kField).R, 12);
}

TEST(HostField, BorderLightsUnderTheMouse) {
  PanelEditor editor(SrtOn);
  editor.drawAll();
  EXPECT_TRUE(Near(editor.at(500, 286.3f), Over(theme::kIdle, kField))) << Describe(editor.at(500, 286.3f));
  editor.g().OnMouseMove(500, 299, {});
  editor.frame();
  EXPECT_TRUE(Near(editor.at(500, 286.3f), Over(theme::kLit, kField))) << Describe(editor.at(500, 286.3f));
  editor.g().OnMouseMove(500, 450, {});
  editor.frame();
  EXPECT_TRUE(Near(editor.at(500, 286.3f), Over(theme::kIdle, kField)));
}

// --- knobs ---------------------------------------------------------------------------------

class KnobAtScale : public ::testing::TestWithParam<float> {};

TEST_P(KnobAtScale, DimRingAtTheBottomOfTheRangeAndAccentAllRoundAtTheTop) {
  PanelEditor editor([](Relaycaster& p) { p.GetParam(kNdiLevel)->Set(-60); }, GetParam());
  // Centre (70, 424), ring radius 26.6, 2 thick; open at the bottom.
  const std::array<std::array<float, 2>, 4> ring{{{70, 397.4f}, {96.6f, 424}, {43.4f, 424}, {47, 437.3f}}};
  editor.drawAll();
  const IColor track = Over(theme::kRingTrack, kPanel);
  for (const auto& p : ring) EXPECT_TRUE(Near(editor.at(p[0], p[1]), track, 4)) << p[0] << "," << p[1] << " " << Describe(editor.at(p[0], p[1]));
  EXPECT_TRUE(Near(editor.at(70, 450.6f), kPanel)) << "the ring is open at the bottom";
  EXPECT_TRUE(Near(editor.at(80, 430), theme::kKnobFace)) << Describe(editor.at(80, 430));

  editor.plugin().SetParameterValueFromHost(kNdiLevel, 1.0);
  editor.frame();
  for (const auto& p : ring) EXPECT_TRUE(Near(editor.at(p[0], p[1]), kAccent, 4)) << p[0] << "," << p[1] << " " << Describe(editor.at(p[0], p[1]));
  EXPECT_TRUE(Near(editor.at(70, 450.6f), kPanel));
}

INSTANTIATE_TEST_SUITE_P(Scales, KnobAtScale, ::testing::Values(1.f, 2.f));

// --- state lines ---------------------------------------------------------------------------

TEST(StateLines, ABusyDotBlinksWithTheClockAndANeutralLineNeverRedraws) {
  PanelEditor editor;  // no tick: the NDI worker has not started, its line is "Starting"
  editor.setNow(100'000'000);
  editor.drawAll();
  const IColor idle = Over(theme::kIdle, kPanel);
  EXPECT_TRUE(Near(editor.at(32, 154), theme::kWarning)) << Describe(editor.at(32, 154));
  editor.frame(0.3);  // 0.4 s: still the first half
  EXPECT_TRUE(Near(editor.at(32, 154), theme::kWarning));
  editor.frame(0.2);  // 0.6 s
  EXPECT_TRUE(Near(editor.at(32, 154), idle)) << Describe(editor.at(32, 154));
  editor.frame(0.5);  // 1.1 s
  EXPECT_TRUE(Near(editor.at(32, 154), theme::kWarning));
  // The SRT line is "Off": its dot stays idle, and with NDI off too nothing redraws at all.
  EXPECT_TRUE(Near(editor.at(400, 154), Over(theme::kShade, idle))) << Describe(editor.at(400, 154));
  editor.plugin().GetParam(kNdiOn)->Set(0.0);
  editor.frame();
  const uint64_t frames = editor.g().FramesDrawn();
  for (int i = 0; i < 180; ++i) editor.frame();  // three seconds
  EXPECT_EQ(editor.g().FramesDrawn(), frames);
}

struct LineStage {
  explicit LineStage(float scale = 1.f) : stage(scale) {
    line = stage.attach(new stream_panel::StateLineControl(
        {28, 144, 366, 164}, theme::StateMain(), theme::StateDetail(),
        {kAccent, theme::kIdle, theme::kWarning, theme::kError}, [this] { return shown; }));
  }
  Stage stage;
  stream_panel::StateLine shown;
  stream_panel::StateLineControl* line = nullptr;
};

TEST(StateLines, AGoodLineWearsAHaloAndItsDetailFollowsTheMeasuredText) {
  LineStage s(2.f);
  s.shown = {stream_panel::Good, "Sending", "no receivers yet"};
  s.stage.frame();
  EXPECT_TRUE(Near(s.stage.at(32, 154), kAccent));
  EXPECT_TRUE(Near(s.stage.at(25.6f, 154), Over(kAccent.WithAlpha(63), kPanel))) << Describe(s.stage.at(25.6f, 154));
  EXPECT_TRUE(Near(s.stage.at(37.5f, 154), Over(kAccent.WithAlpha(63), kPanel)));

  const float textEnd = 45 + s.stage.g().MeasureTextWidth(theme::StateMain(), "Sending");
  const IRECT main = InkBounds(s.stage.g(), {40, 145, textEnd + 2, 163}, kPanel);
  EXPECT_NEAR(main.L, 45, 1.5f);
  const IRECT detail = InkBounds(s.stage.g(), {textEnd + 0.5f, 145, 366, 163}, kPanel);
  EXPECT_GE(detail.L, textEnd + 6);  // "· " starts 6 units after "Sending"
  EXPECT_LE(detail.L, textEnd + 6 + 3);
  EXPECT_GE(Brightest(s.stage.g(), main).R, 235);
  EXPECT_NEAR(Brightest(s.stage.g(), detail).R, Over(theme::kLit, kPanel).R, 12);

  // The halo's left rim lies outside the rectangle; it goes with the halo.
  s.shown = {stream_panel::Neutral, "Off", ""};
  s.stage.frame();
  EXPECT_TRUE(Near(s.stage.at(25.6f, 154), kPanel)) << Describe(s.stage.at(25.6f, 154));
  EXPECT_TRUE(Near(s.stage.at(32, 154), Over(theme::kIdle, kPanel)));
}

TEST(StateLines, AFaultLineColoursItsDotAndTextButNotItsDetail) {
  LineStage s;
  s.shown = {stream_panel::Fault, "Could not listen on port 9000.", "trying again"};
  s.stage.frame();
  EXPECT_TRUE(Near(s.stage.at(32, 154), theme::kError)) << Describe(s.stage.at(32, 154));
  const float textEnd = 45 + s.stage.g().MeasureTextWidth(theme::StateMain(), s.shown.text);
  const IColor main = Brightest(s.stage.g(), {45, 145, textEnd, 163});
  EXPECT_GE(main.R, 230) << Describe(main);
  EXPECT_LE(main.G, 110) << Describe(main);
  const IColor detail = Brightest(s.stage.g(), {textEnd + 6, 145, 366, 163});
  EXPECT_NEAR(detail.G, detail.R, 3) << Describe(detail);
}

TEST(StateLines, ALongMessageEndsAtTheControlsRightEdge) {
  LineStage s;
  s.shown = {stream_panel::Fault, "Could not resolve " + std::string(80, 'h') + ".example: no such host.", "trying again"};
  s.stage.frame();
  EXPECT_TRUE(HasInk(s.stage.g(), {300, 146, 366, 162}, kPanel));
  EXPECT_FALSE(HasInk(s.stage.g(), {366.5f, 140, 420, 168}, kPanel));
}

// --- drop-outs ----------------------------------------------------------------------------------

TEST(Dropouts, WhiteAtZeroWarningAboveAndResetLightsOnlyInsideTheButton) {
  PanelEditor editor;
  editor.drawAll();
  const IColor zero = Brightest(editor.g(), {104, 177, 152, 195});
  EXPECT_GE(zero.R, 235);
  EXPECT_NEAR(zero.G, zero.R, 3);
  editor.plugin().ndiFeed().publishDropouts(3);
  editor.frame();
  const IColor three = Brightest(editor.g(), {104, 177, 152, 195});
  EXPECT_TRUE(Near(three, theme::kWarning, 12)) << Describe(three);

  const IColor hover = Over(theme::kButtonHover, kPanel);
  editor.g().OnMouseMove(250, 186, {});  // over the control, not the button
  editor.frame();
  EXPECT_TRUE(Near(editor.at(158.5f, 186), kPanel)) << Describe(editor.at(158.5f, 186));
  editor.g().OnMouseMove(179, 186, {});
  editor.frame();
  EXPECT_TRUE(Near(editor.at(158.5f, 186), hover)) << Describe(editor.at(158.5f, 186));
  editor.g().OnMouseMove(201.9f, 186, {});
  editor.frame();
  EXPECT_TRUE(Near(editor.at(158.5f, 186), hover));
  editor.g().OnMouseMove(202, 186, {});  // the right edge is outside
  editor.frame();
  EXPECT_TRUE(Near(editor.at(158.5f, 186), kPanel));
  editor.g().OnMouseMove(600, 450, {});
  editor.frame();
  EXPECT_TRUE(Near(editor.at(158.5f, 186), kPanel));
}

// --- feed name, notes, attribution ---------------------------------------------------------------

struct NameStage {
  NameStage() {
    stage.attach(new stream_panel::FeedNameControl({28, 214, 366, 332}, theme::FieldLabel(), theme::FieldText(),
                                                   theme::Note(), [this] { return shown; },
                                                   {theme::kFieldFill, theme::kDivider, theme::kWarning,
                                                    theme::kError}));
  }
  /// The top of the ink in a band of the control, below the box.
  float InkTop(float from, float to) { return InkBounds(stage.g(), {28, from, 366, to}, kPanel).T; }
  Stage stage{2.f};
  stream_panel::FeedName shown;
};

TEST(FeedName, ExplanationSixUnitsUnderTheBoxAndTheWarningFourUnderIt) {
  NameStage s;
  s.shown = {"Kick (Relaycaster)", "Receivers see this name.", "Another Relaycaster here uses this name too.", false};
  s.stage.frame();
  EXPECT_TRUE(HasInk(s.stage.g(), {40, 232, 200, 254}, theme::kFieldFill)) << "the name in its box";
  const float line = theme::Note().size * 1.45f;
  const float explanation = s.InkTop(257, 262 + line);
  const float warning = s.InkTop(262 + line, 332);
  EXPECT_NEAR(warning - explanation, line + 4, 1.0f);
  const IColor warningInk = Brightest(s.stage.g(), {28, 262 + line, 366, 332});
  EXPECT_TRUE(Near(warningInk, theme::kWarning, 20)) << Describe(warningInk);
  const IColor explanationInk = Brightest(s.stage.g(), {28, 257, 366, 262 + line});
  EXPECT_NEAR(explanationInk.R, Over(theme::kLit, kPanel).R, 12) << Describe(explanationInk);

  // Without an explanation the warning starts 10 units under the box.
  s.shown.explanation.clear();
  s.stage.frame();
  EXPECT_NEAR(s.InkTop(257, 332) - explanation, 4, 1.0f);

  // An NDI error is drawn in the error colour.
  s.shown = {"Kick", "NDI could not start.", "", true};
  s.stage.frame();
  EXPECT_TRUE(Near(Brightest(s.stage.g(), {28, 257, 366, 280}), theme::kError, 20));
}

TEST(Note, AWordWiderThanTheNoteStandsAloneAtFullLength) {
  Stage stage;
  const std::string word = "Supercalifragilisticexpialidocious-and-then-some-more";
  stage.attach(new stream_panel::NoteControl({396, 291, 612, 322}, theme::Note(), [&] { return "A " + word + " b"; }));
  stage.frame();
  const float line = theme::Note().size * 1.45f;
  const IRECT first = InkBounds(stage.g(), {390, 291, 700, 291 + line}, kPanel);
  const IRECT second = InkBounds(stage.g(), {390, 291 + line, 700, 291 + 2 * line}, kPanel);
  const IRECT third = InkBounds(stage.g(), {390, 291 + 2 * line, 700, 291 + 3 * line}, kPanel);
  const float wordWidth = stage.g().MeasureTextWidth(theme::Note(), word);
  ASSERT_GT(wordWidth, 216);
  EXPECT_LT(first.R, 396 + 12);  // "A" alone
  EXPECT_NEAR(second.R, 396 + wordWidth, 1.5f);  // past the right edge, unbroken
  EXPECT_LT(third.R, 396 + 12);  // "b"
}

TEST(Notes, PcmAndListeningNotesTakeTheirPlaces) {
  PanelEditor pcm([](Relaycaster& p) {
    SrtOn(p);
    p.GetParam(kSrtCodec)->Set(kSrtCodecPcm);
    p.SetSampleRate(44100);
  });
  pcm.drawAll();
  auto* note = pcm.findAt<stream_panel::NoteControl>({592, 400, 712, 462});
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->ShownText(), stream_panel::pcmNote(44100));
  EXPECT_TRUE(pcm.hasInk({592, 400, 712, 462}, kPanel));
  int bitrateControls = 0;
  pcm.g().ForControlWithParam(kSrtBitrate, [&](framework::IControl&) { ++bitrateControls; });
  EXPECT_EQ(bitrateControls, 0);
  EXPECT_FALSE(pcm.hasInk({582, 462, 678, 478}, kPanel)) << "no BITRATE label " << Describe(Brightest(pcm.g(), {582, 462, 678, 478})) << InkBounds(pcm.g(), {582, 462, 678, 478}, kPanel).L << "," << InkBounds(pcm.g(), {582, 462, 678, 478}, kPanel).T;

  PanelEditor listener([](Relaycaster& p) {
    SrtOn(p);
    p.GetParam(kSrtMode)->Set(kSrtModeListener);
  });
  listener.drawAll();
  auto* listening = listener.findAt<stream_panel::NoteControl>({396, 291, 612, 322});
  ASSERT_NE(listening, nullptr);
  EXPECT_EQ(listening->ShownText(), "Every interface, one receiver at a time");
  EXPECT_EQ(listener.findAt<stream_panel::TextFieldControl>({396, 286, 612, 312}), nullptr);
  EXPECT_TRUE(listener.hasInk({396, 270, 500, 284}, kPanel)) << "LISTENING ON";
  EXPECT_FALSE(listener.hasInk({400, 310.6f, 600, 311.9f}, kPanel)) << "no field border";
}

TEST(Attribution, CentredWithAnUnderlinedLinkThatLightsUnderTheMouse) {
  PanelEditor editor({}, 2.f);
  editor.drawAll();
  const float notice = editor.g().MeasureTextWidth(theme::Attribution(), theme::kNdiTrademarkNotice);
  const float link = editor.g().MeasureTextWidth(theme::AttributionLink(), theme::kNdiVendorDomain);
  const float left = 440 - 0.5f * (notice + 4 + link);
  // The footer's own text lies right of x 650 at this length; probe the attribution's span only.
  const IRECT ink = InkBounds(editor.g(), {230, 527, 650, 543}, kWindow);
  EXPECT_NEAR(ink.L, left, 1.5f);
  EXPECT_NEAR(ink.R, left + notice + 4 + link, 1.0f);
  auto* attribution = editor.find<stream_panel::AttributionControl>();
  ASSERT_NE(attribution, nullptr);
  const IRECT linkRect = attribution->LinkRect();
  EXPECT_NEAR(linkRect.L, left + notice + 4, 1e-3);
  const float underline = 535 + 0.5f * theme::AttributionLink().size;
  const float mid = linkRect.MW();
  EXPECT_TRUE(Near(editor.at(mid, underline - 0.2f), Over(theme::AttributionLink().fg, kWindow)))
      << Describe(editor.at(mid, underline - 0.2f));
  editor.g().OnMouseMove(left + 20, 535, {});  // over the notice
  editor.frame();
  EXPECT_TRUE(Near(editor.at(mid, underline - 0.2f), theme::kText)) << Describe(editor.at(mid, underline - 0.2f));
  editor.g().OnMouseMove(440, 450, {});
  editor.frame();
  EXPECT_TRUE(Near(editor.at(mid, underline - 0.2f), Over(theme::AttributionLink().fg, kWindow)));
}

// --- meters ---------------------------------------------------------------------------------------

/// Pushes one 10 ms block of a steady peak into both feeds.
void Push(Relaycaster& plugin, int channels, float left, float right = 0.f) {
  std::vector<double> l(480, left), r(480, right), outL(480), outR(480);
  double* in[] = {l.data(), r.data()};
  double* out[] = {outL.data(), outR.data()};
  plugin.ProcessBuffers(in, channels, out, channels, 480);
}

class Meters : public ::testing::Test {
 protected:
  Meters()
      : editor(
            [](Relaycaster& p) {
              SrtOn(p);
              p.ndiFeed().enable();
              p.srtFeed().enable();
            },
            2.f) {
    editor.drawAll();
  }
  /// Frames at 60 per second for `seconds`, with audio when `channels` > 0.
  void Run(double seconds, int channels = 0, float left = 0.f, float right = 0.f) {
    for (int i = 0; i < static_cast<int>(seconds * 60 + 0.5); ++i) {
      if (channels > 0) Push(editor.plugin(), channels, left, right);
      editor.frame();
    }
  }
  IColor bar() const { return Over(kAccent.WithAlpha(229), kPanel); }
  IColor track() const { return Over(theme::kDivider, kPanel); }
  stream_panel::FeedMeterControl* meter(int n) { return editor.find<stream_panel::FeedMeterControl>(n); }

  PanelEditor editor;
};

TEST_F(Meters, ASteadyHalfPeakStandsSixDbDownAndFallsAtTwentyDbPerSecond) {
  Run(0.5, 2, 0.5f, 0.5f);
  for (float x : {346.f, 359.f, 832.f, 845.f}) {  // both columns of both meters
    EXPECT_TRUE(Near(editor.at(x, 392.2f), track())) << x << " " << Describe(editor.at(x, 392.2f));
    EXPECT_TRUE(Near(editor.at(x, 393.2f), theme::kText)) << x << " peak line " << Describe(editor.at(x, 393.2f));
    EXPECT_TRUE(Near(editor.at(x, 394.2f), bar())) << x << " " << Describe(editor.at(x, 394.2f));
    EXPECT_TRUE(Near(editor.at(x, 470), bar())) << x;
  }
  EXPECT_EQ(stream_panel::MeterReadoutText(meter(0)->Combined().peak), "\xE2\x88\x92" "6.0");
  EXPECT_TRUE(editor.hasInk(stream_panel::FeedMeterControl::ReadoutRect({341, 384, 364, 474}), kPanel));
  EXPECT_TRUE(editor.hasInk({311, 378, 335, 390}, kPanel)) << "the 0 mark";
  EXPECT_TRUE(editor.hasInk({311, 450, 335, 462}, kPanel)) << "the -48 mark";

  Run(0.5);  // silence: the bars fall 10 dB, the peak lines hold
  EXPECT_TRUE(Near(editor.at(346, 407.4f), track())) << Describe(editor.at(346, 407.4f));
  EXPECT_TRUE(Near(editor.at(346, 408.8f), bar())) << Describe(editor.at(346, 408.8f));
  EXPECT_TRUE(Near(editor.at(346, 393.2f), theme::kText));
  Run(1.2);  // 1.7 s: the hold is over, the peak line rides on the bar at -40 dB
  EXPECT_TRUE(Near(editor.at(346, 393.2f), track()));
  EXPECT_NEAR(meter(0)->Combined().peak, -40.f, 0.2f);
  EXPECT_TRUE(Near(editor.at(346, 444.2f), theme::kText)) << Describe(editor.at(346, 444.2f));
  Run(1.5);
  EXPECT_EQ(stream_panel::MeterReadoutText(meter(0)->Combined().peak), "-inf");
  EXPECT_TRUE(Near(editor.at(346, 473.5f), track()));
  // At rest on the floor the meters ask for no more drawing.
  for (int i = 0; i < 60; ++i) {
    Run(1.0 / 60);
    EXPECT_FALSE(meter(0)->IsDirty());
    EXPECT_FALSE(meter(1)->IsDirty());
  }
}

TEST_F(Meters, MonoShowsTheLeftChannelInBothColumns) {
  Run(0.2, 2, 0.5f, 0.1f);  // stereo first: the right column stands 20 dB down
  EXPECT_TRUE(Near(editor.at(359, 394.2f), track()));
  EXPECT_TRUE(Near(editor.at(359, 415), bar()));
  Run(0.2, 1, 0.5f);
  EXPECT_EQ(meter(0)->ChannelsShown(), 1);
  EXPECT_TRUE(Near(editor.at(359, 394.2f), bar())) << Describe(editor.at(359, 394.2f));
  EXPECT_FLOAT_EQ(meter(0)->Combined().peak, meter(0)->Left().peak);
}

TEST_F(Meters, PeaksAboveFullScaleStopAtTheTopAndReadPositive) {
  Run(0.2, 2, 1.2f, 1.2f);
  EXPECT_TRUE(Near(editor.at(346, 385), bar()));
  EXPECT_TRUE(Near(editor.at(346, 384.2f), theme::kText));
  EXPECT_TRUE(Near(editor.at(346, 383.2f), kPanel)) << "nothing above the bar";
  EXPECT_EQ(stream_panel::MeterReadoutText(meter(1)->Combined().peak), "1.6");
}

// --- captions -------------------------------------------------------------------------------------

TEST(Captions, TheLevelCaptionLightsUpUnderTheMouse) {
  PanelEditor editor;
  editor.drawAll();
  const IRECT text{30, 481, 110, 493};
  EXPECT_NEAR(Brightest(editor.g(), text).R, Over(theme::kLit, kPanel).R, 12);
  editor.g().OnMouseMove(70, 487, {});
  editor.frame();
  EXPECT_GE(Brightest(editor.g(), text).R, 235);
  editor.g().OnMouseMove(70, 300, {});
  editor.frame();
  EXPECT_NEAR(Brightest(editor.g(), text).R, Over(theme::kLit, kPanel).R, 12);
}

}  // namespace
}  // namespace relaycaster

namespace relaycaster {
namespace {

/// Pictures of the panel in its main states, for a person to look at: in
/// the folder RELAYCASTER_PANEL_PICTURES names, else the test's temporary folder.
TEST(PanelPictures, AreWrittenForReview) {
  const char* folder = std::getenv("RELAYCASTER_PANEL_PICTURES");
  const std::string base = folder ? folder : ::testing::TempDir();
  {
    PanelEditor editor(
        [](Relaycaster& p) {
          SrtOn(p);
          p.SetSrtText(kSrtHostField, "192.168.1.40");
          p.SetSrtText(kSrtPassphraseField, "abcdefghijkl");
          p.ndiFeed().enable();
          p.srtFeed().enable();
          p.GetParam(kNdiLevel)->Set(-12.5);
          p.GetParam(kSrtBuffer)->Set(120);
        },
        2.f);
    editor.plugin().ndiFeed().publishDropouts(3);
    for (int i = 0; i < 30; ++i) {
      Push(editor.plugin(), 2, 0.5f, 0.25f);
      editor.frame();
    }
    editor.g().OnMouseMove(70, 487, {});
    editor.frame();
    editor.drawAll();
    EXPECT_TRUE(framework::WritePng(editor.g().Pixels(), base + "/panel-caller-aac.png"));
  }
  {
    PanelEditor editor(
        [](Relaycaster& p) {
          SrtOn(p);
          p.GetParam(kSrtMode)->Set(kSrtModeListener);
          p.GetParam(kSrtCodec)->Set(kSrtCodecPcm);
          p.SetSampleRate(44100);
        },
        1.f);
    editor.drawAll();
    EXPECT_TRUE(framework::WritePng(editor.g().Pixels(), base + "/panel-listener-pcm.png"));
  }
  {
    PanelEditor editor([](Relaycaster& p) { p.GetParam(kBypass)->Set(1.0); });
    editor.click(666, 299);  // an entry open under the bypass shade
    paneltest::Type(editor.g(), "90", false);
    editor.g().OnMouseMove(179, 186, {});
    editor.frame();
    EXPECT_TRUE(framework::WritePng(editor.g().Pixels(), base + "/panel-bypassed-entry.png"));
  }
}

}  // namespace
}  // namespace relaycaster
