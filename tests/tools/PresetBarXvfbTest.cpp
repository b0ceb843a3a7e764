// The header of the bundle's editor in relaycaster-host --editor on a
// private X server, used with the mouse and keyboard: "Save as" into a
// temporary presets folder, the replace question answered No and Yes, and
// the settings menu's "Window 2x".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "EditorWindowDriver.h"
#include "files/DataFolders.h"
#include "framework/graphics/MessageBoxView.h"
#include "framework/graphics/PopupMenuView.h"
#include "presets/PresetStore.h"
#include "support/WaitFor.h"

namespace {

using namespace std::chrono_literals;
using editortest::EditorWindowDriver;
using editortest::Near;
using editortest::Rgb;
using testsupport::ScreenPicture;
using testsupport::Subprocess;
using testsupport::WaitFor;

// Window pixels at scale 1, where design units and pixels agree.
constexpr int kSaveAsX = 391, kSaveAsY = 16;  // "Save as" [356.38, 5.76, 426.01, 26.24]
constexpr int kMenuX = 847, kMenuY = 16;      // the menu button [837.05, 5.76, 857.53, 26.24]
// The "Save as" entry opens over the name field, 220 wide around its centre
// (147.75); this point is inside it and above the text.
constexpr int kEntryX = 60, kEntryY = 9;
constexpr Rgb kEntryFill{30, 30, 30};
constexpr Rgb kWindowBackground{10, 10, 10};
constexpr Rgb kPanel{20, 20, 20};
constexpr Rgb kDialogFill{28, 28, 28};
constexpr Rgb kButtonFace{44, 44, 44};
constexpr Rgb kButtonHovered{62, 62, 62};

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

/// The design-unit centre of "Window 2x" in the settings menu: six accent
/// colours, a separator, then the window sizes 0.75x, 1x, 1.5x and 2x.
int Window2xRowCentre() {
  using framework::PopupMenuView;
  return static_cast<int>(PopupMenuView::kVerticalPadding + 9 * PopupMenuView::kItemHeight +
                          PopupMenuView::kSeparatorHeight + PopupMenuView::kItemHeight / 2);
}

class PresetBarXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!EditorWindowDriver::toolsAvailable()) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick's import is not installed";
    char pattern[] = "/tmp/relaycaster-presetbar-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dataHome = pattern;
    presets = dataHome / "Relaycaster" / "Presets";
    driver = std::make_unique<EditorWindowDriver>();
    ASSERT_TRUE(driver->started());
  }

  void TearDown() override {
    driver.reset();
    std::error_code ignored;
    if (!dataHome.empty()) std::filesystem::remove_all(dataHome, ignored);
  }

  std::vector<std::string> environment() const { return {"XDG_DATA_HOME=" + dataHome.string()}; }

  void startEditor(std::vector<std::string> args) {
    args.insert(args.begin(), "--editor");
    ASSERT_TRUE(driver->startHost(RELAYCASTER_HOST_BINARY, std::move(args), environment()))
        << driver->host().stderrText();
    ASSERT_TRUE(driver->sizeBecomes(880, 562));
  }

  /// Opens "Save as", types the name and presses Return.
  void saveAs(const std::string& name) {
    ASSERT_TRUE(driver->clickUntil(kSaveAsX, kSaveAsY, [&] { return driver->capture().at(kEntryX, kEntryY) == kEntryFill; }));
    ASSERT_TRUE(driver->type(name));
    ASSERT_TRUE(driver->key("Return"));
  }

  /// The message box: the dialog's fill in its caption row and the rest of
  /// the window dimmed behind it.
  bool questionShown(const ScreenPicture& p) {
    return Near(p.at(600, 236), kDialogFill, 2) && p.at(5, 40)[0] < kWindowBackground[0];
  }

  /// Answers the question with "Yes" or "No", clicking the button as found
  /// on the screen: the buttons sit in a row at the dialog's bottom right,
  /// "No" at its right padding and "Yes" a gap before it. The column looked
  /// down is 10 units into the button, left of its centred label.
  void answer(bool yes) {
    using framework::MessageBoxView;
    const int dialogRight = 440 + static_cast<int>(MessageBoxView::kWidth / 2);
    const int noLeft = dialogRight - static_cast<int>(MessageBoxView::kPadding + MessageBoxView::kButtonWidth);
    const int left = yes ? noLeft - static_cast<int>(MessageBoxView::kButtonGap + MessageBoxView::kButtonWidth) : noLeft;
    const int x = left + 10;
    // The longest run of the face colour down that column is the button
    // (the edges of the text's glyphs have the same grey here and there).
    const ScreenPicture picture = driver->capture();
    int bestTop = -1, bestLength = 0;
    for (int y = 0, runTop = -1; y <= picture.height; ++y) {
      const Rgb c = picture.at(x, y);
      const bool face = Near(c, kButtonFace, 2) || Near(c, kButtonHovered, 2);
      if (face && runTop < 0) runTop = y;
      if (!face && runTop >= 0) {
        if (y - runTop > bestLength) bestTop = runTop, bestLength = y - runTop;
        runTop = -1;
      }
    }
    ASSERT_GE(bestLength, 10) << "no button face at x " << x;
    ASSERT_TRUE(driver->clickAt(x, bestTop + bestLength / 2));
  }

  std::unique_ptr<EditorWindowDriver> driver;
  std::filesystem::path dataHome;
  std::filesystem::path presets;
};

TEST_F(PresetBarXvfb, SaveAsWritesTheNamedPresetIntoThePresetsFolder) {
  startEditor({"--set", "SRT port=9321"});
  saveAs("Evening News");
  const std::filesystem::path file = presets / "Evening News.rlcpreset";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(file); }, 10s)) << driver->host().stderrText();
  const std::optional<relaycaster::Preset> preset = relaycaster::FindPresetByName(presets, "Evening News");
  ASSERT_TRUE(preset.has_value());
  EXPECT_EQ(preset->name, "Evening News");
  EXPECT_TRUE(driver->closeAndWait().succeeded());
}

TEST_F(PresetBarXvfb, SaveAsOverAnExistingNameAsksAndNoLeavesTheFileAsItWas) {
  // A preset made by the host with other settings than the editor's.
  const testsupport::ProcessResult made = Subprocess::run(
      {"env", environment().front(), RELAYCASTER_HOST_BINARY, "--set", "SRT port=9100", "--save-preset", "Morning"}, 30s);
  ASSERT_TRUE(made.succeeded()) << made.describe();
  const std::filesystem::path file = presets / "Morning.rlcpreset";
  const std::string before = ReadBytes(file);
  ASSERT_FALSE(before.empty());

  startEditor({"--set", "SRT port=9200"});
  saveAs("Morning");
  ASSERT_TRUE(driver->showsWithin([&](const ScreenPicture& p) { return questionShown(p); })) << "no question";
  answer(false);
  ASSERT_TRUE(driver->showsAt(5, 40, kWindowBackground)) << "the question stayed";
  // A state line printed after the answer: the idle loop has run since.
  const size_t afterAnswer = driver->host().stdoutText().size();
  ASSERT_TRUE(driver->printed("SRT:", 5s, afterAnswer));
  EXPECT_EQ(ReadBytes(file), before);

  // The same question answered Yes replaces it with the editor's settings.
  saveAs("Morning");
  ASSERT_TRUE(driver->showsWithin([&](const ScreenPicture& p) { return questionShown(p); })) << "no question";
  answer(true);
  EXPECT_TRUE(WaitFor([&] { return ReadBytes(file) != before; }, 10s));
  EXPECT_TRUE(driver->closeAndWait().succeeded());
}

TEST_F(PresetBarXvfb, TheMenuButtonOpensTheSettingsMenuAndWindow2xDoublesTheWindow) {
  startEditor({});
  ASSERT_TRUE(driver->clickUntil(kMenuX, kMenuY, [&] { return !driver->otherMappedWindows().empty(); }));
  const std::string menu = driver->otherMappedWindows().front();
  ASSERT_TRUE(driver->clickAt(60, Window2xRowCentre(), menu));
  EXPECT_TRUE(driver->sizeBecomes(1760, 1124)) << driver->geometry().width << "x" << driver->geometry().height;
  EXPECT_TRUE(WaitFor([&] { return driver->otherMappedWindows().empty(); }, 5s)) << "the menu stayed open";
  EXPECT_TRUE(driver->showsAt(40, 200, kPanel));  // drawn at 2x: the panel starts at 28
  EXPECT_TRUE(driver->showsAt(10, 80, kWindowBackground));
  EXPECT_TRUE(driver->closeAndWait().succeeded());
}

}  // namespace
