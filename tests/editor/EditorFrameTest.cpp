// The editor's frame drawn off-screen: palette, fonts, logo and scaling,
// the corner grip and the settings menu.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "core/Relaycaster.h"
#include "editor/CornerScaleControl.h"
#include "editor/EditorLayout.h"
#include "editor/EditorSupport.h"
#include "editor/SettingsMenuControl.h"
#include "editor/Theme.h"
#include "files/TempFolder.h"
#include "framework/graphics/PopupMenuView.h"
#include "framework/graphics/Resources.h"

namespace {

using editortest::Describe;
using editortest::Near;
using editortest::OpenEditor;
using framework::IColor;
using framework::IMouseMod;
using framework::Key;
using relaycaster::SettingsMenuControl;

/// `over` at its alpha on an opaque background, as the screen shows it.
IColor Over(const IColor& over, const IColor& background) {
  auto mix = [&](int a, int b) {
    return static_cast<int>(std::lround(b + (a - b) * over.A / 255.0));
  };
  return {255, mix(over.R, background.R), mix(over.G, background.G), mix(over.B, background.B)};
}

constexpr IColor kWindow = relaycaster::theme::kWindowBackground;
constexpr IColor kPanel = relaycaster::theme::kPanelFill;

IMouseMod Left() {
  IMouseMod mod;
  mod.L = true;
  return mod;
}

template <class T>
T* Find(framework::IGraphics& g) {
  for (int i = 0; i < g.NControls(); ++i)
    if (auto* control = dynamic_cast<T*>(g.GetControl(i))) return control;
  return nullptr;
}

class FrameAtScale : public ::testing::TestWithParam<float> {};

TEST_P(FrameAtScale, PaletteTextAndGripStandWhereTheLayoutPutsThem) {
  const float scale = GetParam();
  OpenEditor editor;
  editor.g().Resize(880, 562, scale, false);
  EXPECT_EQ(editor.g().WindowWidth(), static_cast<int>(std::lround(880 * scale)));
  editor.tick();  // the footer
  editor.drawAll();
  EXPECT_TRUE(Near(editor.at(5, 40), kWindow)) << Describe(editor.at(5, 40));  // below the preset bar
  EXPECT_TRUE(Near(editor.at(870, 520), kWindow));
  EXPECT_TRUE(Near(editor.at(300, 100), kPanel)) << Describe(editor.at(300, 100));
  EXPECT_TRUE(Near(editor.at(862, 504), kPanel));
  // The one-unit divider covers a whole pixel from scale 1 up; below, part of one.
  if (scale >= 1.f)
    EXPECT_TRUE(Near(editor.at(380.5f, 300), Over(relaycaster::theme::kDivider, kPanel))) << Describe(editor.at(380.5f, 300));
  else
    EXPECT_GT(editor.at(380.5f, 300).R, kPanel.R + 4);

  // Title and section titles where they stand, nothing beside them.
  EXPECT_TRUE(editor.hasInk(28, 48, 200, 82, kWindow));
  EXPECT_FALSE(editor.hasInk(420, 40, 560, 90, kWindow));
  EXPECT_TRUE(editor.hasInk(28, 110, 80, 134, kPanel));
  EXPECT_TRUE(editor.hasInk(396, 110, 430, 134, kPanel));
  EXPECT_TRUE(editor.hasInk(700, 527, 852, 543, kWindow));  // the footer's right end

  // The grip: the lower-right half of its square, brighter under the mouse.
  EXPECT_TRUE(Near(editor.at(876.5f, 558.5f), Over(relaycaster::theme::kRingTrack, kWindow)))
      << Describe(editor.at(876.5f, 558.5f));
  EXPECT_TRUE(Near(editor.at(867.5f, 549.5f), kWindow));
  editor.g().OnMouseMove(875, 557, IMouseMod{});
  editor.g().OnFrame();
  EXPECT_TRUE(Near(editor.at(876.5f, 558.5f), Over(relaycaster::theme::kGripHover, kWindow)));
  EXPECT_EQ(editor.g().GetMouseCursor(), framework::ECursor::SizeNWSE);
  editor.g().OnMouseMove(600, 300, IMouseMod{});
  editor.g().OnFrame();
  EXPECT_TRUE(Near(editor.at(876.5f, 558.5f), Over(relaycaster::theme::kRingTrack, kWindow)));
  EXPECT_EQ(editor.g().GetMouseCursor(), framework::ECursor::Arrow);
}

INSTANTIATE_TEST_SUITE_P(Scales, FrameAtScale, ::testing::Values(0.75f, 1.f, 1.5f, 2.f));

TEST(EditorFrame, TheLogoSpansItsWidthAndAMissingOneGivesTheFallbackText) {
  {
    OpenEditor editor;
    editor.drawAll();
    EXPECT_TRUE(editor.hasInk(28, 524, 34, 546, kWindow));
    EXPECT_TRUE(editor.hasInk(130, 524, 136.5f, 546, kWindow));
    EXPECT_FALSE(editor.hasInk(137.5f, 520, 225, 550, kWindow));
  }
  testsupport::TempFolder folder;
  for (const char* font : {"Roboto-Regular.ttf", "RobotoCondensed-Bold.ttf"})
    std::filesystem::copy_file(std::filesystem::path(RELAYCASTER_TEST_RESOURCES) / font, folder.path() / font);
  std::ofstream(folder.path() / "relaycaster-lockup.svg") << "<svg><unterminated";
  for (bool broken : {false, true}) {
    if (!broken) std::filesystem::remove(folder.path() / "relaycaster-lockup.svg");
    OpenEditor editor(1.f, framework::ResourceFolderLoader(folder.path()));
    editor.drawAll();
    EXPECT_TRUE(editor.hasInk(28, 526, 120, 544, kWindow)) << "broken: " << broken;
  }
}

TEST(EditorFrame, AFontMissingFromTheBundleStillDrawsText) {
  testsupport::TempFolder folder;
  std::filesystem::copy_file(std::filesystem::path(RELAYCASTER_TEST_RESOURCES) / "Roboto-Regular.ttf",
                             folder.path() / "Roboto-Regular.ttf");
  OpenEditor editor(1.f, framework::ResourceFolderLoader(folder.path()));
  editor.drawAll();
  EXPECT_TRUE(editor.hasInk(28, 48, 200, 82, kWindow));  // the condensed title, in the other face
}

TEST(EditorScale, WindowScaleSizesAndTheInitialScale) {
  OpenEditor editor;
  relaycaster::Relaycaster& plugin = editor.plugin();
  struct Case {
    float scale;
    int width, height;
    float drawScale;
  };
  for (const Case& c : {Case{2.f, 1760, 1124, 2.f}, Case{1.5f, 1320, 843, 1.5f}, Case{0.75f, 660, 422, 0.75f},
                        Case{1.f, 880, 562, 1.f}}) {
    plugin.SetWindowScale(c.scale);
    EXPECT_EQ(editor.g().WindowWidth(), c.width) << c.scale;
    EXPECT_EQ(editor.g().WindowHeight(), c.height) << c.scale;
    EXPECT_NEAR(editor.g().GetDrawScale(), c.drawScale, 1e-4) << c.scale;
    EXPECT_NEAR(plugin.GetWindowScale(), c.scale, 0.002) << c.scale;
  }
  EXPECT_FLOAT_EQ(relaycaster::InitialEditorScale(1320, 843, 1.5f), 1.f);
  EXPECT_FLOAT_EQ(relaycaster::InitialEditorScale(1320, 843, 1.f), 1.5f);
  EXPECT_FLOAT_EQ(relaycaster::InitialEditorScale(0, 0, 1.f), 1.f);

  // A host resize draws the design at the scale the size gives.
  plugin.HostWindowResized(1320, 843);
  EXPECT_FLOAT_EQ(editor.g().GetDrawScale(), 1.5f);
  EXPECT_EQ(plugin.WindowWidth(), 1320);
}

TEST(EditorScale, AHostResizeOfAThousandthOrLessKeepsTheDrawScale) {
  OpenEditor editor(2.f);  // on a 2x screen one pixel is 0.00057 of the scale
  editor.plugin().HostWindowResized(2640, 1686);
  EXPECT_FLOAT_EQ(editor.g().GetDrawScale(), 1.5f);
  editor.plugin().HostWindowResized(2641, 1687);
  EXPECT_FLOAT_EQ(editor.g().GetDrawScale(), 1.5f);
  editor.plugin().HostWindowResized(2643, 1688);
  EXPECT_NEAR(editor.g().GetDrawScale(), 1.5017f, 1e-3);
}

TEST(EditorScale, AnEditorReopensAtTheZoomItWasClosedAt) {
  relaycaster::Relaycaster plugin;
  plugin.setEditorResources(editortest::BundleResources());
  ASSERT_NE(plugin.OpenEditor(), nullptr);
  plugin.SetWindowScale(1.5f);
  plugin.CloseEditor();
  framework::IGraphics* g = plugin.OpenEditor();
  ASSERT_NE(g, nullptr);
  EXPECT_FLOAT_EQ(g->GetDrawScale(), 1.5f);
  EXPECT_EQ(g->WindowWidth(), 1320);
  plugin.CloseEditor();
}

class GripTest : public ::testing::Test {
 protected:
  void Drag(float dx, float dy) {
    framework::IGraphics& g = editor.g();
    // The window reports the mouse in design units at the scale of the moment.
    const float s = g.GetTotalScale();
    g.OnMouseMove((mPixelX + dx) / s, (mPixelY + dy) / s, Left());
    mPixelX += dx;
    mPixelY += dy;
  }
  void Press() {
    framework::IGraphics& g = editor.g();
    mPixelX = 872 * g.GetTotalScale();
    mPixelY = 554 * g.GetTotalScale();
    g.OnMouseDown(872, 554, Left());
  }
  void Release() { editor.g().OnMouseUp(mPixelX / editor.g().GetTotalScale(), mPixelY / editor.g().GetTotalScale(), Left()); }

  OpenEditor editor;
  float mPixelX = 0, mPixelY = 0;
};

TEST_F(GripTest, DragsScaleTheEditorWithinItsBounds) {
  Press();
  Drag(220, 0);
  EXPECT_FLOAT_EQ(editor.g().GetDrawScale(), 1.25f);
  EXPECT_EQ(editor.g().WindowWidth(), 1100);
  Drag(2000, 0);
  EXPECT_FLOAT_EQ(editor.g().GetDrawScale(), 2.f);
  Drag(-3000, -3000);
  EXPECT_FLOAT_EQ(editor.g().GetDrawScale(), 0.75f);
  Release();

  editor.g().OnMouseDblClick(872, 554, Left());
  Release();
  EXPECT_FLOAT_EQ(editor.g().GetDrawScale(), 1.f);
  EXPECT_EQ(editor.g().WindowWidth(), 880);
  EXPECT_EQ(editor.g().WindowHeight(), 562);

  // The larger delta counts: 30 left and 5 down enlarges by 5 pixels.
  Press();
  Drag(-30, 5);
  EXPECT_FLOAT_EQ(editor.g().GetDrawScale(), 885.f / 880.f);
  Release();
}

class SettingsMenuTest : public ::testing::Test {
 protected:
  SettingsMenuTest() {
    menu = Find<SettingsMenuControl>(editor.g());
    editor.g().SetURLOpener([this](const std::string& url) {
      opened.push_back(url);
      return true;
    });
  }
  /// Opens the menu and chooses the item at `index` with the keyboard.
  void Choose(int index) {
    menu->Open({837, 5, 857, 26});
    ASSERT_TRUE(editor.g().HasPopupMenu());
    for (int i = 0; i <= index; ++i) {
      editor.g().OnKeyDown({Key::Down});
      if (editor.g().GetPopupMenu()->Highlighted() == index) break;
    }
    ASSERT_EQ(editor.g().GetPopupMenu()->Highlighted(), index);
    editor.g().OnKeyDown({Key::Return});
  }
  std::vector<int> Checked() {
    menu->Open({837, 5, 857, 26});
    editor.g().OnKeyDown({Key::Escape});
    std::vector<int> checked;
    for (int i = 0; i < menu->Menu().NItems(); ++i)
      if (menu->Menu().GetItem(i).checked) checked.push_back(i);
    return checked;
  }

  OpenEditor editor;
  SettingsMenuControl* menu = nullptr;
  std::vector<std::string> opened;
};

TEST_F(SettingsMenuTest, ListsItsItemsWithTheirStates) {
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->IsHidden());
  EXPECT_TRUE(menu->GetIgnoreMouse());
  menu->Open({837, 5, 857, 26});
  const framework::IPopupMenu& items = menu->Menu();
  ASSERT_GE(items.NItems(), 15);
  EXPECT_EQ(items.GetItem(0).text, "Green");
  EXPECT_EQ(items.GetItem(5).text, "DAW color");
  EXPECT_TRUE(items.GetItem(6).separator);
  EXPECT_EQ(items.GetItem(7).text, "Window 0.75x");
  EXPECT_EQ(items.GetItem(10).text, "Window 2x");
  const int last = items.NItems() - 1;
  EXPECT_EQ(items.GetItem(last - 2).text, "Relaycaster 0.4.2");
  EXPECT_FALSE(items.GetItem(last - 2).enabled);
  EXPECT_EQ(items.GetItem(last - 1).text, "NDI\xC2\xAE is a registered trademark of Vizrt NDI AB.");
  EXPECT_FALSE(items.GetItem(last - 1).enabled);
  EXPECT_TRUE(items.GetItem(last).enabled);
  editor.g().OnKeyDown({Key::Escape});
  EXPECT_FALSE(editor.g().HasPopupMenu());
  EXPECT_EQ(Checked(), (std::vector<int>{5, 8, 12}));  // "DAW color", "Window 1x", "Check for updates"
}

TEST_F(SettingsMenuTest, AColourChoiceRebuildsWithinOneTickAndTheSameChoiceDoesNot) {
  editor.tick();
  framework::IControl* before = editor.g().GetControl(0);
  Choose(5);  // "DAW color", already chosen
  editor.tick();
  EXPECT_EQ(editor.g().GetControl(0), before);
  Choose(3);  // "Blue"
  EXPECT_EQ(editor.plugin().accentColourIndex(), 3);
  editor.tick();
  EXPECT_NE(editor.g().GetControl(0), before);  // a new layout
  menu = Find<SettingsMenuControl>(editor.g());
  EXPECT_EQ(Checked().front(), 3);
}

TEST_F(SettingsMenuTest, WindowItemsScaleTheEditorAndCarryTheCheckMarkWhenTheyFit) {
  Choose(10);  // "Window 2x"
  EXPECT_EQ(editor.g().WindowWidth(), 1760);
  EXPECT_EQ(editor.g().WindowHeight(), 1124);
  editor.plugin().SetWindowScale(1.5f);
  EXPECT_EQ(Checked().at(1), 9);
  editor.g().Resize(880, 562, 1.25f, true);  // where a grip drag may leave it
  for (int i : Checked()) EXPECT_TRUE(i < 7 || i > 10) << i;
}

TEST_F(SettingsMenuTest, TheLinkOpensTheVendorSiteAndTheNoticesCannotBeChosen) {
  menu->Open({837, 5, 857, 26});
  const int link = menu->Menu().NItems() - 1;
  editor.g().OnKeyDown({Key::Escape});
  Choose(link);
  EXPECT_EQ(opened, (std::vector<std::string>{relaycaster::theme::kNdiVendorUrl}));
  menu->Open({837, 5, 857, 26});
  EXPECT_FALSE(menu->Menu().IsChoosable(link - 1));
  EXPECT_FALSE(menu->Menu().IsChoosable(link - 2));
  editor.g().OnKeyDown({Key::Escape});
}

}  // namespace
