// The toolkit's frames, hit testing, edit gestures and its text entry,
// menu and message-box plumbing, on a small plug-in of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/IPlugAPIBase.h"
#include "framework/graphics/IControls.h"
#include "framework/graphics/IGraphics.h"
#include "framework/graphics/IVKnobControl.h"
#include "framework/graphics/MessageBoxView.h"
#include "framework/graphics/PopupMenuView.h"
#include "framework/graphics/TextEntry.h"

namespace framework {
namespace {

enum { kGain, kSwitch, kParamCount };

/// Records the host's side of every edit as "b0", "p0", "e0".
class RecordingHost : public IHostNotifier {
 public:
  void BeginEdit(int i) override { Record('b', i); }
  void PerformEdit(int i, double) override { Record('p', i); }
  void EndEdit(int i) override { Record('e', i); }
  void Record(char kind, int i) { calls.push_back(std::string(1, kind).append(std::to_string(i))); }
  std::vector<std::string> calls;
};

class TestPlugin : public IPlugAPIBase {
 public:
  TestPlugin() : IPlugAPIBase(Config()) {
    GetParam(kGain)->InitDouble("Gain", 0.0, -60.0, 12.0, 0.1, "dB");
    GetParam(kSwitch)->InitBool("Switch", false);
    SetHostNotifier(&host);
  }
  static PluginConfig Config() {
    PluginConfig config;
    config.nParams = kParamCount;
    config.editorWidth = 200;
    config.editorHeight = 100;
    return config;
  }
  void RenderBlock(double**, double**, int) override {}
  RecordingHost host;
};

/// Counts its draws; toggles its parameter on a press.
class CountingControl : public IControl {
 public:
  CountingControl(const IRECT& r, int param = kNoParameter) : IControl(r, param) {}
  void Draw(IGraphics& g) override {
    ++draws;
    g.FillRect({255, 200, 0, 0}, GetRECT());
  }
  void OnMouseDown(float, float, const IMouseMod&) override {
    SetValue(GetValue() > 0.5 ? 0.0 : 1.0);
    SetDirty(true);
  }
  void OnTextEntryCompletion(const char* text, int) override { completions.push_back(text ? text : "<none>"); }
  void OnPopupMenuSelection(IPopupMenu* menu, int) override { chosen.push_back(menu ? menu->GetChosenItemIdx() : -1); }
  int draws = 0;
  std::vector<std::string> completions;
  std::vector<int> chosen;
};

class GraphicsTest : public ::testing::Test {
 protected:
  GraphicsTest() : g(plugin, 200, 100, 60, 1.f) {
    plugin.AttachEditor(&g);
    g.AttachPanelBackground({255, 10, 10, 10});
  }
  ~GraphicsTest() override { plugin.DetachEditor(); }

  IMouseMod Left() {
    IMouseMod mod;
    mod.L = true;
    return mod;
  }
  void Press(float x, float y) { g.OnMouseDown(x, y, Left()); }
  void Release(float x, float y) { g.OnMouseUp(x, y, Left()); }

  TestPlugin plugin;
  IGraphics g;
};

TEST_F(GraphicsTest, AFrameInWhichNothingChangedDrawsNothing) {
  auto* a = static_cast<CountingControl*>(g.AttachControl(new CountingControl({10, 10, 50, 50})));
  auto* b = static_cast<CountingControl*>(g.AttachControl(new CountingControl({100, 10, 150, 50})));
  g.OnFrame();
  EXPECT_EQ(a->draws, 1);
  EXPECT_EQ(b->draws, 1);
  const uint64_t frames = g.FramesDrawn();
  for (int i = 0; i < 10; ++i) g.OnFrame();
  EXPECT_EQ(g.FramesDrawn(), frames);
  EXPECT_EQ(a->draws, 1);

  // Only the dirty control's area is drawn, and only what lies in it.
  a->SetDirty(false);
  g.OnFrame();
  EXPECT_EQ(a->draws, 2);
  EXPECT_EQ(b->draws, 1);
  EXPECT_EQ(g.Pixels().At(20, 20), IColor(255, 200, 0, 0));
  EXPECT_EQ(g.Pixels().At(70, 20), IColor(255, 10, 10, 10));
}

TEST_F(GraphicsTest, OverlappingControlsAreRedrawnTogetherInAttachOrder) {
  auto* below = static_cast<CountingControl*>(g.AttachControl(new CountingControl({10, 10, 100, 60})));
  auto* above = static_cast<CountingControl*>(g.AttachControl(new CountingControl({50, 40, 150, 90})));
  g.OnFrame();
  below->SetDirty(false);
  g.OnFrame();
  EXPECT_EQ(above->draws, 2);  // it overlaps the redrawn area, so it is painted over again

  // A hidden control's area is repainted without it.
  above->Hide(true);
  g.OnFrame();
  EXPECT_EQ(g.Pixels().At(120, 80), IColor(255, 10, 10, 10));
}

TEST_F(GraphicsTest, ClicksHitTheTopmostControlThatTakesTheMouse) {
  auto* below = static_cast<CountingControl*>(g.AttachControl(new CountingControl({10, 10, 100, 60}, kSwitch)));
  auto* shade = static_cast<CountingControl*>(g.AttachControl(new CountingControl({0, 0, 200, 100})));
  shade->SetIgnoreMouse(true);
  Press(20, 20);
  Release(20, 20);
  EXPECT_DOUBLE_EQ(below->GetValue(), 1.0);
  EXPECT_DOUBLE_EQ(plugin.GetParam(kSwitch)->Value(), 1.0);
  below->SetDisabled(true);
  Press(20, 20);
  EXPECT_DOUBLE_EQ(plugin.GetParam(kSwitch)->Value(), 1.0);
  EXPECT_FLOAT_EQ(below->GetBlend().weight, IControl::kDisabledWeight);
}

TEST_F(GraphicsTest, APressIsOneEditGestureAndAWheelStepAnother) {
  IVStyle style;
  auto* knob = g.AttachControl(new IVKnobControl({10, 10, 70, 70}, kGain, "", style));
  plugin.host.calls.clear();
  Press(40, 40);
  IMouseMod held = Left();
  for (int i = 1; i <= 5; ++i) g.OnMouseMove(40, 40 - static_cast<float>(i) * 4, held);
  Release(40, 20);
  ASSERT_GE(plugin.host.calls.size(), 3u);
  EXPECT_EQ(plugin.host.calls.front(), "b0");
  EXPECT_EQ(plugin.host.calls.back(), "e0");
  EXPECT_EQ(std::count(plugin.host.calls.begin(), plugin.host.calls.end(), "b0"), 1);
  EXPECT_EQ(std::count(plugin.host.calls.begin(), plugin.host.calls.end(), "p0"), 5);
  // Five drags of 4 units over a 60-unit knob with gearing 4: a twelfth of the range.
  EXPECT_NEAR(knob->GetValue(), plugin.GetParam(kGain)->ToNormalized(0.0) + 20.0 / 240.0, 1e-9);

  plugin.host.calls.clear();
  g.OnMouseWheel(40, 40, IMouseMod{}, 1.f);
  EXPECT_EQ(plugin.host.calls, (std::vector<std::string>{"b0", "p0", "e0"}));

  // A double-click returns to the default, as one gesture ending at the release.
  plugin.host.calls.clear();
  g.OnMouseDblClick(40, 40, Left());
  Release(40, 40);
  EXPECT_EQ(plugin.host.calls, (std::vector<std::string>{"b0", "p0", "e0"}));
  EXPECT_DOUBLE_EQ(plugin.GetParam(kGain)->Value(), 0.0);
}

TEST_F(GraphicsTest, HostChangesReachEveryBoundControlButNeverFightADrag) {
  auto* a = g.AttachControl(new CountingControl({10, 10, 50, 50}, kGain));
  auto* b = g.AttachControl(new ICaptionControl({60, 10, 150, 30}, kGain, TextStyle{}, {0, 0, 0, 0}, true));
  g.SendParameterValue(kGain, 0.25);
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.25);
  EXPECT_DOUBLE_EQ(b->GetValue(), 0.25);
  Press(20, 20);  // the press toggles and holds `a`
  g.SendParameterValue(kGain, 0.5);
  EXPECT_DOUBLE_EQ(a->GetValue(), 1.0);  // the held control keeps what the user is doing
  EXPECT_DOUBLE_EQ(b->GetValue(), 0.5);
  Release(20, 20);
}

TEST_F(GraphicsTest, TextEntryCommitsOnReturnOrAClickElsewhereAndAbandonsOnEscape) {
  auto* owner = static_cast<CountingControl*>(g.AttachControl(new CountingControl({10, 10, 90, 30})));
  g.AttachControl(new CountingControl({100, 50, 190, 90}));
  g.SetTextEntryLength(5);
  g.CreateTextEntry(*owner, TextStyle{}, owner->GetRECT(), "old");
  ASSERT_TRUE(g.HasTextEntry());
  g.OnKeyDown({Key::Character, "new"});
  g.OnKeyDown({Key::Return});
  EXPECT_FALSE(g.HasTextEntry());
  g.CreateTextEntry(*owner, TextStyle{}, owner->GetRECT(), "x");
  g.OnKeyDown({Key::Escape});
  g.CreateTextEntry(*owner, TextStyle{}, owner->GetRECT(), "kept");
  Press(150, 70);
  Release(150, 70);
  g.CreateTextEntry(*owner, TextStyle{}, owner->GetRECT(), "gone");
  g.OnFocusLost();
  EXPECT_EQ(owner->completions, (std::vector<std::string>{"new", "<none>", "kept", "gone"}));
  EXPECT_FALSE(g.OnKeyDown({Key::Character, "a"}));  // no entry: the key stays with the host
}

TEST_F(GraphicsTest, AMenuReportsItsChoiceOrItsDismissal) {
  auto* owner = static_cast<CountingControl*>(g.AttachControl(new CountingControl({10, 10, 90, 30})));
  IPopupMenu menu;
  menu.AddItem("One");
  menu.AddItem("Two");
  g.CreatePopupMenu(*owner, menu, owner->GetRECT());
  ASSERT_TRUE(g.HasPopupMenu());
  EXPECT_FLOAT_EQ(g.PopupMenuBounds().T, 30.f);  // under its anchor
  g.OnPopupMouseDown(-50, -50);                  // outside: dismissed
  EXPECT_FALSE(g.HasPopupMenu());
  EXPECT_EQ(owner->chosen, (std::vector<int>{-1}));
}

TEST_F(GraphicsTest, MessageBoxesAnswerLaterAndClosingTheEditorDeclines) {
  std::vector<int> answers;
  g.ShowMessageBox("Replace it?", "Save preset", kMB_YESNO, [&](int a) { answers.push_back(a); });
  g.ShowMessageBox("Could not save.", "Save preset", kMB_OK, [&](int a) { answers.push_back(a); });
  EXPECT_TRUE(answers.empty());  // nothing waits: the call returned at once
  EXPECT_TRUE(g.OnKeyDown({Key::Return}));
  EXPECT_EQ(answers, (std::vector<int>{kIDYES}));
  ASSERT_TRUE(g.HasMessageBox());  // the queued report comes next
  EXPECT_EQ(g.GetMessageBox()->Caption(), "Save preset");
  {
    TestPlugin other;
    IGraphics closing(other, 200, 100, 60, 1.f);
    closing.ShowMessageBox("Replace it?", "Save preset", kMB_YESNO, [&](int a) { answers.push_back(a); });
  }
  EXPECT_EQ(answers, (std::vector<int>{kIDYES, kIDNO}));
  g.OnKeyDown({Key::Escape});  // the report still open here goes before `answers` does
  EXPECT_EQ(answers, (std::vector<int>{kIDYES, kIDNO, kIDOK}));
}

/// A window system that shows message boxes of its own: it records what
/// it was asked to show, and the test answers for the user.
class SystemBoxView : public IPlatformView {
 public:
  void Present(const PixelBuffer&, const std::vector<PixelRect>&) override {}
  bool RequestResize(int, int) override { return false; }
  void SetCursor(ECursor) override {}
  void SetKeyboardFocus(bool take) override { focusRequests.push_back(take); }
  void RequestPaste(ClipboardKind) override {}
  void SetClipboardText(ClipboardKind, const std::string&) override {}
  bool OpenURL(const std::string&) override { return false; }
  bool ShowPopup(const PixelRect&, int, int) override { return true; }
  void PresentPopup(const PixelBuffer&) override {}
  void HidePopup() override { ++popupsHidden; }
  bool ShowMessageBox(const std::string& text, const std::string&, MessageBoxType type) override {
    shown.push_back({text, type});
    return true;
  }
  std::vector<std::pair<std::string, MessageBoxType>> shown;
  std::vector<bool> focusRequests;
  int popupsHidden = 0;
};

TEST_F(GraphicsTest, TheSystemsMessageBoxesAnswerThroughTheSameCallOneAtATime) {
  SystemBoxView view;
  g.SetPlatformView(&view);
  auto* owner = static_cast<CountingControl*>(g.AttachControl(new CountingControl({10, 10, 90, 30})));
  IPopupMenu menu;
  menu.AddItem("One");
  g.CreatePopupMenu(*owner, menu, owner->GetRECT());
  std::vector<int> answers;
  g.ShowMessageBox("Replace it?", "Save preset", kMB_YESNO, [&](int a) { answers.push_back(a); });
  g.ShowMessageBox("Could not save.", "Save preset", kMB_OK, [&](int a) { answers.push_back(a); });
  // The question closed the menu and went to the system, drawing nothing
  // and taking no keyboard; the report waits for it.
  EXPECT_FALSE(g.HasPopupMenu());
  EXPECT_EQ(view.popupsHidden, 1);
  EXPECT_EQ(view.shown, (std::vector<std::pair<std::string, MessageBoxType>>{{"Replace it?", kMB_YESNO}}));
  EXPECT_TRUE(g.HasMessageBox());
  EXPECT_EQ(g.GetMessageBox(), nullptr);
  EXPECT_TRUE(answers.empty());
  EXPECT_TRUE(std::none_of(view.focusRequests.begin(), view.focusRequests.end(), [](bool take) { return take; }));

  g.OnMessageBoxAnswer(kIDYES);
  EXPECT_EQ(answers, (std::vector<int>{kIDYES}));
  ASSERT_EQ(view.shown.size(), 2u);  // the queued report comes next
  EXPECT_EQ(view.shown[1].second, kMB_OK);
  g.OnMessageBoxAnswer(2);  // IDCANCEL, a button an OK box does not have: dismissed
  EXPECT_EQ(answers, (std::vector<int>{kIDYES, kIDOK}));
  EXPECT_FALSE(g.HasMessageBox());
  g.OnMessageBoxAnswer(kIDYES);  // none open: ignored
  EXPECT_EQ(answers.size(), 2u);

  // A question still up when the editor closes is declined, as a drawn one is.
  {
    TestPlugin other;
    IGraphics closing(other, 200, 100, 60, 1.f);
    closing.SetPlatformView(&view);
    closing.ShowMessageBox("Replace it?", "Save preset", kMB_YESNO, [&](int a) { answers.push_back(a); });
    closing.OnMessageBoxAnswer(0);  // the box could not be shown (MessageBoxW failed)
    closing.ShowMessageBox("Replace it?", "Save preset", kMB_YESNO, [&](int a) { answers.push_back(a); });
    closing.SetPlatformView(nullptr);
  }
  EXPECT_EQ(answers, (std::vector<int>{kIDYES, kIDOK, kIDNO, kIDNO}));
  g.SetPlatformView(nullptr);
}

TEST_F(GraphicsTest, OnlyWebAddressesAreOpened) {
  std::vector<std::string> opened;
  g.SetURLOpener([&](const std::string& url) {
    opened.push_back(url);
    return true;
  });
  EXPECT_TRUE(g.OpenURL("https://example.invalid/x"));
  EXPECT_TRUE(g.OpenURL("HTTP://example.invalid/"));
  EXPECT_FALSE(g.OpenURL("file:///etc/passwd"));
  EXPECT_FALSE(g.OpenURL("javascript:alert(1)"));
  EXPECT_FALSE(g.OpenURL("--help"));
  EXPECT_EQ(opened.size(), 2u);
}

TEST_F(GraphicsTest, ScalesMapWindowPixelsToDesignUnits) {
  g.Resize(200, 100, 2.f, false);
  EXPECT_EQ(g.WindowWidth(), 400);
  EXPECT_EQ(g.WindowHeight(), 200);
  g.SetScreenScale(1.5f);
  EXPECT_EQ(g.WindowWidth(), 600);
  float x = 0, y = 0;
  g.WindowToDesign(300, 150, x, y);
  EXPECT_FLOAT_EQ(x, 100.f);
  EXPECT_FLOAT_EQ(y, 50.f);
  // A host window of another shape letterboxes the design, centred.
  g.OnHostResized(800, 300);
  g.WindowToDesign(400, 150, x, y);
  EXPECT_FLOAT_EQ(x, 100.f);
  EXPECT_FLOAT_EQ(y, 50.f);
  EXPECT_EQ(plugin.WindowWidth(), 600);  // the kept size followed the plug-in's own resizes
}

}  // namespace
}  // namespace framework
