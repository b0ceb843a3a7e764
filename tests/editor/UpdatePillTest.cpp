// The update pill in the open editor, fed from an update cache written
// into a temporary shared data folder (no network): when it shows, where,
// what it moves, how it reacts to the mouse, and the settings menu's switch.
#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "core/Relaycaster.h"
#include "editor/HeaderSupport.h"
#include "editor/SettingsMenuControl.h"
#include "editor/Theme.h"
#include "framework/graphics/IControls.h"
#include "updates/UpdateCheck.h"
#include "updates/UpdatePillControl.h"
#include "web/Json.h"

namespace {

using brightwold::controls::UpdatePillControl;
using editortest::Describe;
using editortest::Near;
using framework::ECursor;
using framework::IColor;
using framework::IRECT;
using testsupport::WriteTestFile;

constexpr IColor kFace{255, 252, 120, 92};
constexpr IColor kHoveredFace{255, 253, 146, 124};
constexpr IRECT kPillBounds{576, 47, 736, 77};

std::string Feed(const std::string& version) {
  return R"({"relaycaster":{"version":")" + version + R"(","page":"/downloads/relaycaster"}})";
}

/// A cache that has just been refreshed, so no instance fetches.
void WriteCache(const std::filesystem::path& shared, const std::string& feed) {
  WriteTestFile(shared / brightwold::updates::kCacheName,
                "{\"version\":1,\"checked_at\":" + std::to_string(std::time(nullptr)) +
                    ",\"feed\":" + relaycaster::JsonQuote(feed) + "}\n");
}

class UpdatePillTest : public ::testing::Test {
 protected:
  /// Opens an editor after the cache holds `feed` (none when empty).
  std::unique_ptr<editortest::OpenEditor> open(const std::string& feed) {
    if (!feed.empty()) WriteCache(data.shared(), feed);
    auto editor = std::make_unique<editortest::OpenEditor>();
    editor->g().SetURLOpener([this](const std::string& url) {
      opened.push_back(url);
      return true;
    });
    editor->drawAll();
    return editor;
  }
  static UpdatePillControl& pill(editortest::OpenEditor& editor) {
    return *editortest::FindControl<UpdatePillControl>(editor.g());
  }
  static IRECT title(editortest::OpenEditor& editor) {
    return editor.g().GetControlWithTag(relaycaster::kTagTitle)->GetRECT();
  }
  /// Chooses "Check for updates" in the settings menu, as the menu button opens it.
  static void switchChecks(editortest::OpenEditor& editor) {
    auto* menu = editortest::FindControl<relaycaster::SettingsMenuControl>(editor.g());
    menu->Open({837, 5, 857, 26});
    ASSERT_EQ(menu->Menu().GetItem(12).text, "Check for updates");
    ASSERT_TRUE(editortest::ChooseMenuItem(editor.g(), 12));
  }
  static bool checkMarkShown(editortest::OpenEditor& editor) {
    auto* menu = editortest::FindControl<relaycaster::SettingsMenuControl>(editor.g());
    menu->Open({837, 5, 857, 26});
    const bool checked = menu->Menu().GetItem(12).checked;
    EXPECT_TRUE(menu->Menu().GetItem(13).separator);
    editortest::Press(editor.g(), framework::Key::Escape);
    return checked;
  }

  editortest::DataFolder data;
  std::vector<std::string> opened;
};

TEST_F(UpdatePillTest, WithoutACacheThePillIsHiddenAndTheTitleKeepsItsWidth) {
  auto editor = open("");
  EXPECT_TRUE(pill(*editor).VisibleRect().Empty());
  EXPECT_EQ(pill(*editor).GetRECT(), kPillBounds);
  EXPECT_EQ(title(*editor), IRECT(28, 48, 716, 82));
  EXPECT_FALSE(editor->hasInk(600, 47, 736, 77, relaycaster::theme::kWindowBackground));
  EXPECT_FALSE(pill(*editor).IsHit(700, 62));
  editor->click(700, 62);
  EXPECT_TRUE(opened.empty());
}

TEST_F(UpdatePillTest, ANewerVersionInTheCacheShowsRightAlignedAndTheTitleMakesRoom) {
  auto editor = open(Feed("0.5.0"));
  UpdatePillControl& shown = pill(*editor);
  EXPECT_EQ(shown.Label(), "0.5.0 AVAILABLE");
  const IRECT visible = shown.VisibleRect();
  const float label = editor->g().MeasureTextWidth(
      relaycaster::theme::Style(relaycaster::theme::kRegular, 11, 255, framework::EAlign::Center), "0.5.0 AVAILABLE");
  EXPECT_FLOAT_EQ(visible.R, 736.f);
  EXPECT_NEAR(visible.L, 736.f - (20.f + label), 0.01f);
  EXPECT_EQ(visible.T, 47.f);
  EXPECT_EQ(visible.B, 77.f);
  EXPECT_FLOAT_EQ(title(*editor).R, visible.L - 10.f);

  // The face fills the pill less a tenth at top and bottom; the label is dark on it.
  editor->drawAll();
  EXPECT_TRUE(Near(editor->at(visible.L + 6, 62), kFace)) << Describe(editor->at(visible.L + 6, 62));
  EXPECT_TRUE(Near(editor->at(visible.L + 6, 48), relaycaster::theme::kWindowBackground));
  EXPECT_TRUE(Near(editor->at(visible.L - 3, 62), relaycaster::theme::kWindowBackground));
  EXPECT_TRUE(editor->hasInk(visible.L + 10, 55, visible.R - 10, 69, kFace));

  // Hand over it, arrow again outside; the hovered face is lighter.
  framework::IGraphics& g = editor->g();
  g.OnMouseMove(visible.MW(), 62, {});
  EXPECT_TRUE(shown.Hovered());
  EXPECT_EQ(g.GetMouseCursor(), ECursor::Hand);
  g.OnFrame();
  EXPECT_TRUE(Near(editor->at(visible.L + 6, 62), kHoveredFace)) << Describe(editor->at(visible.L + 6, 62));
  g.OnMouseMove(visible.L - 5, 62, {});  // inside the bounds, outside the pill
  EXPECT_FALSE(shown.Hovered());
  EXPECT_EQ(g.GetMouseCursor(), ECursor::Arrow);
  g.OnFrame();
  EXPECT_TRUE(Near(editor->at(visible.L + 6, 62), kFace));

  // Only the pill takes clicks, and a click opens the download page.
  editor->click(visible.L - 5, 62);
  EXPECT_TRUE(opened.empty());
  editor->click(visible.MW(), 62);
  EXPECT_EQ(opened, (std::vector<std::string>{"https://brightwold.com/downloads/relaycaster"}));
}

TEST_F(UpdatePillTest, ALabelWiderThanTheBoundsFillsThemAndTheTitleEndsAt566) {
  // The longest version the feed may name nearly fills the pill at size 11;
  // a larger text style makes the label wider than the bounds.
  auto editor = open(Feed("1234.5678.9012"));
  EXPECT_GT(pill(*editor).VisibleRect().L, 576.f);
  pill(*editor).SetTextStyle(relaycaster::theme::Style(relaycaster::theme::kRegular, 13, 255, framework::EAlign::Center));
  EXPECT_EQ(pill(*editor).VisibleRect(), kPillBounds);
  EXPECT_FLOAT_EQ(title(*editor).R, 566.f);
  editor->drawAll();
  // The face starts at the bounds' left edge (the label, centred, may run past it).
  EXPECT_TRUE(Near(editor->at(590.5f, 51.5f), kFace)) << Describe(editor->at(590.5f, 51.5f));
  EXPECT_TRUE(Near(editor->at(575.5f, 51.5f), relaycaster::theme::kWindowBackground));
  EXPECT_TRUE(Near(editor->at(656, 50), kFace)) << Describe(editor->at(656, 50));
}

TEST_F(UpdatePillTest, AnOlderOrEqualVersionShowsNothing) {
  for (const char* version : {"0.4.2", "00.4.2", "0.4.1", "1.0"}) {
    auto editor = open(Feed(version));
    EXPECT_TRUE(pill(*editor).VisibleRect().Empty()) << version;
    EXPECT_FLOAT_EQ(title(*editor).R, 716.f) << version;
  }
}

TEST_F(UpdatePillTest, SwitchingChecksOffInOneInstanceHidesThePillInEvery) {
  auto first = open(Feed("0.5.0"));
  auto second = open(Feed("0.5.0"));
  ASSERT_FALSE(pill(*first).VisibleRect().Empty());
  ASSERT_FALSE(pill(*second).VisibleRect().Empty());
  EXPECT_TRUE(checkMarkShown(*first));

  switchChecks(*first);
  EXPECT_TRUE(std::filesystem::exists(data.shared() / brightwold::updates::kMarkerName));
  first->g().OnFrame();
  EXPECT_TRUE(pill(*first).VisibleRect().Empty());
  EXPECT_FLOAT_EQ(title(*first).R, 716.f);
  EXPECT_FALSE(first->hasInk(600, 47, 736, 77, relaycaster::theme::kWindowBackground));
  EXPECT_FALSE(checkMarkShown(*first));

  // The other instance sees the marker at its next refresh (its worker's next run).
  second->plugin().updateCheck().Refresh();
  second->g().OnFrame();
  EXPECT_TRUE(pill(*second).VisibleRect().Empty());
  EXPECT_FLOAT_EQ(title(*second).R, 716.f);
  EXPECT_FALSE(checkMarkShown(*second));

  // Back on from the other one: the cached feed shows again, without a fetch.
  switchChecks(*second);
  EXPECT_FALSE(std::filesystem::exists(data.shared() / brightwold::updates::kMarkerName));
  second->g().OnFrame();
  EXPECT_FALSE(pill(*second).VisibleRect().Empty());
  EXPECT_LT(title(*second).R, 716.f);
}

TEST_F(UpdatePillTest, ARebuildOrAResizeKeepsThePillAndTheTitleInStep) {
  auto editor = open(Feed("0.5.0"));
  const IRECT visible = pill(*editor).VisibleRect();
  editor->g().Resize(880, 562, 1.5f, false);
  EXPECT_EQ(pill(*editor).VisibleRect(), visible);
  editor->g().Rebuild();
  editor->g().OnFrame();
  EXPECT_EQ(pill(*editor).VisibleRect(), visible);
  EXPECT_FLOAT_EQ(title(*editor).R, visible.L - 10.f);
}

}  // namespace
