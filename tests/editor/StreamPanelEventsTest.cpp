// The stream panel driven through the toolkit's event interface, as the
// window would drive it: every click, drag, wheel turn and typed value
// reaches the parameter as one edit gesture the host sees; mode and codec
// changes rebuild the panel on the next tick, never under an open entry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/PanelSupport.h"
#include "editor/RingKnobControl.h"
#include "editor/stream_panel/AttributionControl.h"
#include "editor/stream_panel/DropoutsControl.h"
#include "editor/stream_panel/NoteControl.h"
#include "editor/stream_panel/TextFieldControl.h"
#include "editor/typed_value/TypedCaptionControl.h"
#include "framework/IParam.h"
#include "framework/graphics/PopupMenuView.h"
#include "framework/graphics/TextEntry.h"

namespace relaycaster {
namespace {

using paneltest::Gesture;
using paneltest::Left;
using paneltest::PanelEditor;
using paneltest::Right;
using paneltest::Type;
using Calls = std::vector<std::string>;

void Quiet(Relaycaster& plugin) { plugin.GetParam(kNdiOn)->Set(0.0); }  // ticks start no worker

TEST(PanelClicks, PillsToggleTheirSwitchesWithAnyButton) {
  PanelEditor editor(Quiet);
  editor.click(800, 62);
  EXPECT_EQ(editor.param(kBypass), 1.0);
  editor.click(800, 62, Right());
  EXPECT_EQ(editor.param(kBypass), 0.0);
  editor.click(316, 120);
  EXPECT_EQ(editor.param(kNdiOn), 1.0);
  editor.click(804, 120, Right());
  EXPECT_EQ(editor.param(kSrtOn), 1.0);
  Calls expected;
  for (int p : {kBypass, kBypass, kNdiOn, kSrtOn})
    for (const std::string& call : Gesture(p)) expected.push_back(call);
  EXPECT_EQ(editor.host().calls, expected);
}

TEST(PanelClicks, TheModeSegmentHasAGapAndOnlyANewChoiceIsAnEdit) {
  PanelEditor editor(Quiet);
  editor.click(470, 243);  // the gap
  editor.click(420, 243);  // "CALLER", already chosen
  editor.click(500, 243, Right());
  EXPECT_EQ(editor.param(kSrtMode), kSrtModeCaller);
  EXPECT_TRUE(editor.host().calls.empty());
  editor.click(476, 243);
  EXPECT_EQ(editor.param(kSrtMode), kSrtModeListener);
  EXPECT_EQ(editor.host().calls, Gesture(kSrtMode));
  editor.tick();  // the layout follows the new mode
  EXPECT_NE(editor.findAt<stream_panel::NoteControl>({396, 291, 612, 322}), nullptr);
  editor.click(720, 243);
  EXPECT_EQ(editor.param(kSrtCodec), kSrtCodecPcm);
}

TEST(PanelKnobs, ADragIsOneGestureAndTheCaptionFollows) {
  PanelEditor editor([](Relaycaster& p) {
    Quiet(p);
    p.GetParam(kNdiLevel)->Set(-60);
  });
  framework::IGraphics& g = editor.g();
  g.OnMouseDown(70, 424, Left());
  g.OnMouseMove(70, 364, Left());  // 60 units up: a quarter of the range with gearing 4
  g.OnMouseMove(70, 354, Left());
  g.OnMouseUp(70, 354, Left());
  EXPECT_NEAR(editor.param(kNdiLevel), -60 + 72 * (70.0 / 240.0), 1e-9);
  EXPECT_EQ(editor.host().calls, (Calls{"b2", "p2", "p2", "e2"}));
  auto* caption = editor.find<typed_value::TypedCaptionControl>();
  ASSERT_NE(caption, nullptr);
  EXPECT_DOUBLE_EQ(caption->GetValue(), editor.plugin().GetParam(kNdiLevel)->GetNormalized());
}

TEST(PanelKnobs, WheelStepsAndDoubleClickResetsEachAsOneGesture) {
  PanelEditor editor([](Relaycaster& p) {
    Quiet(p);
    p.GetParam(kSrtBuffer)->Set(10);
  });
  editor.g().OnMouseWheel(534, 424, {}, 1.f);
  EXPECT_NEAR(editor.plugin().GetParam(kSrtBuffer)->GetNormalized(), 0.01, 1e-9);
  EXPECT_EQ(editor.host().calls, Gesture(kSrtBuffer));
  editor.host().calls.clear();
  editor.g().OnMouseDblClick(534, 424, Left());
  editor.g().OnMouseUp(534, 424, Left());
  EXPECT_DOUBLE_EQ(editor.param(kSrtBuffer), 40.0);
  EXPECT_EQ(editor.host().calls, Gesture(kSrtBuffer));
}

TEST(PanelCaptions, TypedValuesAreReadLenientlyAndSentAsOneGesture) {
  PanelEditor editor(Quiet);
  framework::IGraphics& g = editor.g();
  editor.click(70, 487);
  ASSERT_TRUE(g.HasTextEntry());
  EXPECT_EQ(g.GetTextEntry()->Model().Text(), "0.0");  // the value without its unit
  EXPECT_EQ(g.GetTextEntry()->Bounds(), (framework::IRECT{18, 478, 122, 496}));
  Type(g, "  \xE2\x88\x92" "12,5 dB");
  EXPECT_DOUBLE_EQ(editor.param(kNdiLevel), -12.5);
  EXPECT_EQ(editor.host().calls, Gesture(kNdiLevel));
  auto* knob = editor.find<RingKnobControl>();
  ASSERT_NE(knob, nullptr);
  EXPECT_DOUBLE_EQ(knob->GetValue(), editor.plugin().GetParam(kNdiLevel)->GetNormalized());

  editor.host().calls.clear();
  for (const char* garbage : {"abc", ".", "-inf"}) {
    editor.click(70, 487);
    Type(g, garbage);
    EXPECT_DOUBLE_EQ(editor.param(kNdiLevel), -12.5) << garbage;
  }
  editor.click(70, 487);
  g.OnKeyDown({framework::Key::Escape});  // abandoned
  EXPECT_TRUE(editor.host().calls.empty());

  editor.click(170, 487);
  Type(g, "2000");
  EXPECT_DOUBLE_EQ(editor.param(kNdiBuffer), 1000);
  EXPECT_EQ(editor.host().calls, Gesture(kNdiBuffer));
}

TEST(PanelCaptions, ARightClickOnATypedCaptionDoesNothingButTheBitrateCaptionOffersItsEntries) {
  PanelEditor editor(Quiet);
  framework::IGraphics& g = editor.g();
  editor.click(70, 487, Right());
  editor.click(534, 487, Right());
  EXPECT_FALSE(g.HasTextEntry());
  EXPECT_FALSE(g.HasPopupMenu());

  editor.click(630, 487, Right());
  ASSERT_TRUE(g.HasPopupMenu());
  g.OnKeyDown({framework::Key::Escape});
  editor.click(630, 487);
  ASSERT_TRUE(g.HasPopupMenu());
  // Choose "128", the third entry, where the menu shows it.
  const framework::PopupMenuView* menu = g.GetPopupMenu();
  float y = -1;
  for (float probe = 0; probe < menu->Height() && y < 0; probe += 0.25f)
    if (menu->ItemAt(8, probe) == 2) y = probe;
  ASSERT_GE(y, 0);
  g.OnPopupMouseMove(8, y);
  g.OnPopupMouseUp(8, y);
  EXPECT_EQ(editor.param(kSrtBitrate), 2);
  EXPECT_EQ(editor.host().calls, Gesture(kSrtBitrate));
}

TEST(PanelFields, NumbersAreParsedClampedAndSetAsOneGesture) {
  PanelEditor editor(Quiet);
  framework::IGraphics& g = editor.g();
  editor.click(666, 299);
  ASSERT_TRUE(g.HasTextEntry());
  EXPECT_EQ(g.GetTextEntry()->Model().Text(), "9000");
  Type(g, "99999");
  EXPECT_EQ(editor.param(kSrtPort), 65535);
  EXPECT_EQ(editor.host().calls, Gesture(kSrtPort));
  editor.frame();
  EXPECT_EQ(editor.findAt<stream_panel::TextFieldControl>({624, 286, 708, 312})->ShownText(), "65535");

  editor.host().calls.clear();
  editor.click(666, 299);
  Type(g, "port");
  EXPECT_EQ(editor.param(kSrtPort), 65535);
  editor.click(786, 299);
  Type(g, "350 ms");
  EXPECT_NEAR(editor.param(kSrtLatency), 350, 1e-6);
  EXPECT_EQ(editor.host().calls, Gesture(kSrtLatency));
}

TEST(PanelFields, EntriesTakeNoMoreThanTheirFieldsAllow) {
  PanelEditor editor(Quiet);
  framework::IGraphics& g = editor.g();
  editor.click(666, 299);
  Type(g, "1234567890", false);
  EXPECT_EQ(g.GetTextEntry()->Model().Text(), "12345678");
  g.OnKeyDown({framework::Key::Escape});
  editor.click(700, 351);  // the passphrase: 79 characters
  Type(g, std::string(100, 'k'), false);
  EXPECT_EQ(g.GetTextEntry()->Model().Text(), std::string(79, 'k'));
  g.OnKeyDown({framework::Key::Escape});
  editor.click(500, 351);  // the stream id: 255
  Type(g, std::string(300, 's'), false);
  EXPECT_EQ(g.GetTextEntry()->Model().Text(), std::string(255, 's'));
  g.OnKeyDown({framework::Key::Escape});
  editor.click(70, 487);  // a value caption: 16
  Type(g, std::string(20, '1'), false);
  EXPECT_EQ(g.GetTextEntry()->Model().Text(), std::string(16, '1'));
  g.OnKeyDown({framework::Key::Escape});
  EXPECT_TRUE(editor.host().calls.empty());
}

TEST(PanelFields, TextsGoToTheirSettingsAndAHostWithAPortSetsThePort) {
  PanelEditor editor([](Relaycaster& p) {
    Quiet(p);
    p.SetSrtText(kSrtPassphraseField, "correct horse");
  });
  framework::IGraphics& g = editor.g();
  editor.click(500, 299);
  Type(g, "127.0.0.1:9100");
  EXPECT_EQ(editor.plugin().GetSrtText(kSrtHostField), "127.0.0.1");
  EXPECT_EQ(editor.param(kSrtPort), 9100);
  EXPECT_EQ(editor.host().calls, Gesture(kSrtPort));
  editor.frame();
  EXPECT_EQ(editor.findAt<stream_panel::TextFieldControl>({396, 286, 612, 312})->ShownText(), "127.0.0.1");

  editor.click(500, 351);
  Type(g, "live/a");
  EXPECT_EQ(editor.plugin().GetSrtText(kSrtStreamIdField), "live/a");

  editor.click(700, 351);  // the masked field edits the clear text
  ASSERT_TRUE(g.HasTextEntry());
  EXPECT_EQ(g.GetTextEntry()->Model().Text(), "correct horse");
  g.OnKeyDown({framework::Key::Escape});
  EXPECT_EQ(editor.plugin().GetSrtText(kSrtPassphraseField), "correct horse");
  // A click elsewhere while an entry is open commits it.
  editor.click(500, 351);
  Type(g, "live/b", false);
  editor.click(200, 80);
  EXPECT_FALSE(g.HasTextEntry());
  EXPECT_EQ(editor.plugin().GetSrtText(kSrtStreamIdField), "live/b");
}

TEST(PanelButtons, ShowHoldsTheClearPassphraseAndResetZeroesOnlyFromItsButton) {
  PanelEditor editor(Quiet);
  framework::IGraphics& g = editor.g();
  g.OnMouseDown(827, 351, Right());
  EXPECT_FALSE(editor.plugin().revealPassphrase());
  g.OnMouseUp(827, 351, Right());
  g.OnMouseDown(827, 351, Left());
  EXPECT_TRUE(editor.plugin().revealPassphrase());
  g.OnMouseUp(827, 351, Left());
  EXPECT_FALSE(editor.plugin().revealPassphrase());
  g.OnMouseDown(827, 351, Left());
  g.Rebuild();  // a press still held when its button goes away lets go
  EXPECT_FALSE(editor.plugin().revealPassphrase());

  AudioFeed& feed = editor.plugin().srtFeed();
  feed.publishDropouts(3);
  editor.frame();
  editor.click(410, 186);  // "DROPOUTS"
  editor.click(480, 186);  // the number
  EXPECT_EQ(feed.dropoutCount(), 3);
  editor.click(547, 186);
  EXPECT_EQ(feed.dropoutCount(), 0);
  EXPECT_TRUE(feed.takeDropoutResetRequest());
  editor.frame();
  EXPECT_EQ(editor.findAt<stream_panel::DropoutsControl>({396, 176, 852, 196})->ShownCount(), 0u);
  EXPECT_TRUE(editor.host().calls.empty());
}

TEST(PanelButtons, OnlyTheLinkOfTheAttributionOpensTheVendorSite) {
  PanelEditor editor(Quiet);
  std::vector<std::string> opened;
  editor.g().SetURLOpener([&](const std::string& url) {
    opened.push_back(url);
    return true;
  });
  editor.drawAll();
  const framework::IRECT link = editor.find<stream_panel::AttributionControl>()->LinkRect();
  editor.click(link.L - 30, 535);
  EXPECT_TRUE(opened.empty());
  editor.click(link.MW(), 535, Right());
  EXPECT_TRUE(opened.empty());
  editor.click(link.MW(), 535);
  EXPECT_EQ(opened, std::vector<std::string>{"https://ndi.video/"});
}

// --- rebuilds ---------------------------------------------------------------------------------

framework::IRECT HostRect() { return {396, 286, 612, 312}; }

TEST(PanelRebuild, AModeOrCodecChangeFromTheHostRebuildsOnTheNextTick) {
  PanelEditor editor([](Relaycaster& p) {
    Quiet(p);
    p.SetSrtText(kSrtHostField, "recv.example");
  });
  editor.plugin().SetParameterValueFromHost(kSrtMode, 1.0);
  EXPECT_NE(editor.findAt<stream_panel::TextFieldControl>(HostRect()), nullptr) << "not before the tick";
  editor.tick();
  EXPECT_EQ(editor.findAt<stream_panel::TextFieldControl>(HostRect()), nullptr);
  EXPECT_NE(editor.findAt<stream_panel::NoteControl>({396, 291, 612, 322}), nullptr);

  editor.plugin().SetParameterValueFromHost(kSrtMode, 0.0);
  editor.tick();
  auto* host = editor.findAt<stream_panel::TextFieldControl>(HostRect());
  ASSERT_NE(host, nullptr);
  editor.frame();
  EXPECT_EQ(host->ShownText(), "recv.example");

  editor.plugin().SetParameterValueFromHost(kSrtCodec, 1.0);
  editor.tick();
  EXPECT_NE(editor.findAt<stream_panel::NoteControl>({592, 400, 712, 462}), nullptr);
  EXPECT_EQ(editor.findAt<RingKnobControl>({600, 394, 660, 454}), nullptr);
  editor.plugin().SetParameterValueFromHost(kSrtCodec, 0.0);
  editor.tick();
  EXPECT_NE(editor.findAt<RingKnobControl>({600, 394, 660, 454}), nullptr);
}

TEST(PanelRebuild, NeverWhileAFieldIsBeingEdited) {
  PanelEditor editor(Quiet);
  framework::IGraphics& g = editor.g();
  editor.click(666, 299);  // the port field's entry opens
  ASSERT_TRUE(g.HasTextEntry());
  const framework::IControl* before = editor.findAt<stream_panel::TextFieldControl>(HostRect());
  editor.plugin().SetParameterValueFromHost(kSrtMode, 1.0);
  editor.tick();
  editor.tick();
  EXPECT_TRUE(g.HasTextEntry());
  EXPECT_EQ(editor.findAt<stream_panel::TextFieldControl>(HostRect()), before);
  Type(g, "9200");
  EXPECT_EQ(editor.param(kSrtPort), 9200);
  editor.tick();
  EXPECT_EQ(editor.findAt<stream_panel::TextFieldControl>(HostRect()), nullptr);
  EXPECT_NE(editor.findAt<stream_panel::NoteControl>({396, 291, 612, 322}), nullptr);
}

}  // namespace
}  // namespace relaycaster
