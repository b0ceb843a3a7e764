// The preset bar in the open editor, drawn off-screen and driven through
// the editor's event interface, against real preset files in a temporary
// data folder: what it shows, and what its presses do to the folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/Relaycaster.h"
#include "editor/HeaderSupport.h"
#include "editor/SettingsMenuControl.h"
#include "editor/Theme.h"
#include "framework/ByteChunk.h"
#include "framework/graphics/TextEntry.h"
#include "presets/PresetBarControl.h"
#include "presets/PresetStore.h"
#include "updates/UpdatePillControl.h"

namespace {

using brightwold::controls::kZoneDelete;
using brightwold::controls::kZoneMenu;
using brightwold::controls::kZoneName;
using brightwold::controls::kZoneNext;
using brightwold::controls::kZonePrevious;
using brightwold::controls::kZoneSave;
using brightwold::controls::kZoneSaveAs;
using brightwold::controls::PresetBarControl;
using editortest::Describe;
using editortest::Near;
using editortest::Over;
using framework::IColor;
using framework::IRECT;
using framework::Key;
using testsupport::FolderNames;
using testsupport::ReadTestFile;
using testsupport::WriteTestFile;

constexpr IColor kBarBackground{255, 17, 17, 17};
constexpr IColor kFill{255, 20, 20, 20};
constexpr IColor kDim{107, 250, 250, 250};
constexpr IColor kBright{255, 250, 250, 250};
constexpr IColor kHover{20, 250, 250, 250};
// Text in the dimmed colour never gets brighter than this over the faces.
constexpr int kDimRedCeiling = 125;

class PresetBarTest : public ::testing::Test {
 protected:
  PresetBarTest() : editor(std::make_unique<editortest::OpenEditor>()) {}

  relaycaster::Relaycaster& plugin() { return editor->plugin(); }
  framework::IGraphics& g() { return editor->g(); }
  /// Found afresh each time: a preset load rebuilds the editor at the next tick.
  PresetBarControl& bar() { return *editortest::FindControl<PresetBarControl>(g()); }
  IRECT zone(int z) { return bar().Layout().Zone(z); }
  void click(int z) { editor->click(zone(z).MW(), zone(z).MH()); }
  void hover(int z) { g().OnMouseMove(zone(z).MW(), zone(z).MH(), {}); }
  void draw() { editor->drawAll(); }
  std::string current() { return plugin().presets().currentName(); }
  std::filesystem::path file(const std::string& stem) { return data.presets() / (stem + ".rlcpreset"); }

  /// A preset file holding the plug-in's state with the NDI level at `level` dB.
  void writePreset(const std::string& name, double level) {
    const double before = plugin().GetParam(relaycaster::kNdiLevel)->Value();
    plugin().GetParam(relaycaster::kNdiLevel)->Set(level);
    framework::ByteChunk chunk;
    plugin().SetForPresetFile(true);
    ASSERT_TRUE(plugin().SaveStateChunk(chunk));
    plugin().SetForPresetFile(false);
    plugin().GetParam(relaycaster::kNdiLevel)->Set(before);
    std::string error;
    ASSERT_TRUE(relaycaster::WritePreset(data.presets(), name, chunk.Bytes(), error)) << error;
  }
  double level() { return plugin().GetParam(relaycaster::kNdiLevel)->Value(); }
  /// A change made in the editor between the tick that captures the
  /// baseline after a load or save and the tick that compares with it.
  void changeLevel(double value) {
    editor->tick();
    plugin().SetParamFromEditor(relaycaster::kNdiLevel, value);
    editor->tick();
  }
  /// The brightest red of the menu icon's bars.
  int menuIconInk() { return editortest::BrightestRed(*editor, zone(kZoneMenu).Padded(-2)); }
  void saveAs(const std::string& text) {
    click(kZoneSaveAs);
    ASSERT_TRUE(g().HasTextEntry());
    editortest::Type(g(), text);
    editortest::Press(g(), Key::Return);
  }
  /// The open box's caption and text, answered with Return; empty when none is open.
  std::pair<std::string, std::string> takeReport() {
    framework::MessageBoxView* box = g().GetMessageBox();
    if (box == nullptr) return {};
    std::pair<std::string, std::string> report{box->Caption(), box->Text()};
    EXPECT_EQ(box->Type(), framework::kMB_OK);
    editortest::Press(g(), Key::Return);
    return report;
  }

  editortest::DataFolder data;  // before the plug-in, which reads it when made
  std::unique_ptr<editortest::OpenEditor> editor;
};

TEST_F(PresetBarTest, StandsAtTheTopAfterTheSettingsMenuAndThePillWithTheDesignsFigures) {
  int settings = -1, pill = -1, barIndex = -1;
  for (int i = 0; i < g().NControls(); ++i) {
    if (dynamic_cast<relaycaster::SettingsMenuControl*>(g().GetControl(i))) settings = i;
    if (dynamic_cast<brightwold::controls::UpdatePillControl*>(g().GetControl(i))) pill = i;
    if (dynamic_cast<PresetBarControl*>(g().GetControl(i))) barIndex = i;
  }
  EXPECT_EQ(pill, settings + 1);
  EXPECT_EQ(barIndex, pill + 1);
  EXPECT_EQ(bar().GetRECT(), IRECT(0, 0, 880, 32));
  EXPECT_NEAR(zone(kZoneName).L, 42.75f, 0.01f);
  EXPECT_NEAR(zone(kZoneName).R, 252.75f, 0.01f);
  EXPECT_NEAR(zone(kZoneDelete).L, 429.29f, 0.01f);
  EXPECT_NEAR(zone(kZoneDelete).R, 498.92f, 0.01f);
  EXPECT_NEAR(zone(kZoneMenu).L, 837.05f, 0.01f);
  EXPECT_NEAR(zone(kZoneMenu).R, 857.53f, 0.01f);

  draw();
  EXPECT_TRUE(Near(editor->at(10, 10), kBarBackground)) << Describe(editor->at(10, 10));
  EXPECT_TRUE(Near(editor->at(600, 20), kBarBackground));
  EXPECT_TRUE(Near(editor->at(10, 31.5f), Over({26, 250, 250, 250}, kBarBackground))) << Describe(editor->at(10, 31.5f));
  EXPECT_TRUE(Near(editor->at(10, 33), relaycaster::theme::kWindowBackground));
  EXPECT_TRUE(Near(editor->at(60, 9), kFill)) << Describe(editor->at(60, 9));
  EXPECT_TRUE(Near(editor->at(320, 9), kFill));
  // Every button is labelled; the menu icon's middle bar sits on the row's centre.
  for (int z : {kZoneSave, kZoneSaveAs, kZoneDelete}) EXPECT_TRUE(editor->hasInk(zone(z).L + 8, 10, zone(z).R - 8, 22, kFill));
  EXPECT_TRUE(editor->hasInk(842, 15, 852, 17, kBarBackground));
  EXPECT_FALSE(editor->hasInk(842, 14, 852, 15, kBarBackground));  // between the bars
  EXPECT_LE(menuIconInk(), kDimRedCeiling);
}

TEST_F(PresetBarTest, WithNoPresetsTheArrowsAndMenuAreInertAndOnlySaveAsWorks) {
  draw();
  EXPECT_EQ(bar().ShownName(), "no preset");
  EXPECT_LE(editortest::BrightestRed(*editor, bar().Layout().NameTextArea()), kDimRedCeiling);
  EXPECT_TRUE(editor->hasInk(100, 10, 200, 22, kFill));
  for (int z : {kZonePrevious, kZoneNext})
    EXPECT_TRUE(Near(editor->at(zone(z).MW(), zone(z).MH()), Over(kDim, kBarBackground), 12))
        << z << " " << Describe(editor->at(zone(z).MW(), zone(z).MH()));
  EXPECT_LE(editortest::BrightestRed(*editor, zone(kZoneSave)), kDimRedCeiling);
  EXPECT_LE(editortest::BrightestRed(*editor, zone(kZoneDelete)), kDimRedCeiling);
  EXPECT_GT(editortest::BrightestRed(*editor, zone(kZoneSaveAs)), 200);

  // A hovered arrow without presets gets no highlight.
  hover(kZonePrevious);
  draw();
  EXPECT_TRUE(Near(editor->at(zone(kZonePrevious).L + 2, zone(kZonePrevious).MH()), kBarBackground));

  for (int z : {kZonePrevious, kZoneNext, kZoneName, kZoneSave, kZoneDelete}) click(z);
  EXPECT_FALSE(g().HasPopupMenu());
  EXPECT_FALSE(g().HasMessageBox());
  EXPECT_TRUE(current().empty());
  EXPECT_FALSE(std::filesystem::exists(data.presets()));
  draw();
  EXPECT_FALSE(editortest::HasWarmInk(*editor, zone(kZoneDelete)));

  saveAs("First");
  EXPECT_EQ(FolderNames(data.presets()), (std::vector<std::string>{"First.rlcpreset"}));
  EXPECT_EQ(current(), "First");
  draw();
  EXPECT_EQ(bar().ShownName(), "First");
  EXPECT_GT(editortest::BrightestRed(*editor, bar().Layout().NameTextArea()), 200);
  EXPECT_GT(editortest::BrightestRed(*editor, zone(kZoneSave)), 200);
  EXPECT_TRUE(Near(editor->at(zone(kZoneNext).MW(), zone(kZoneNext).MH()), Over(kBright, kBarBackground), 12));
}

TEST_F(PresetBarTest, SaveAsEntryIsPrefilledCutToEightyCharactersAndTrimmed) {
  writePreset("Warm", -6);
  click(kZoneNext);
  ASSERT_EQ(current(), "Warm");
  click(kZoneSaveAs);
  framework::TextEntryLayer* entry = g().GetTextEntry();
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->Model().Text(), "Warm");
  EXPECT_EQ(entry->Model().MaxChars(), 80);
  const IRECT bounds = entry->Bounds();
  EXPECT_NEAR(bounds.W(), 220.f, 0.01f);
  EXPECT_NEAR(bounds.MW(), zone(kZoneName).MW(), 0.01f);
  EXPECT_EQ(bounds.T, zone(kZoneName).T);
  EXPECT_EQ(bounds.B, zone(kZoneName).B);
  editortest::Press(g(), Key::Escape);  // cancelled: nothing saved
  EXPECT_EQ(FolderNames(data.presets()).size(), 1u);

  saveAs("   ");
  EXPECT_EQ(FolderNames(data.presets()).size(), 1u);
  saveAs("  " + std::string(100, 'x'));
  const std::string eighty = std::string(78, 'x');  // two spaces typed first count too
  EXPECT_EQ(current(), eighty);
  EXPECT_TRUE(std::filesystem::exists(file(eighty)));
}

TEST_F(PresetBarTest, SaveAsOverAnotherPresetAsksAtTheNextTickAndNoLeavesItAlone) {
  writePreset("Other", -12);
  writePreset("Warm", -6);
  click(kZonePrevious);  // from no preset back to the last: Warm
  click(kZonePrevious);
  ASSERT_EQ(current(), "Other");
  const std::optional<std::string> warmBefore = ReadTestFile(file("Warm"));
  changeLevel(3);

  saveAs("Warm");
  EXPECT_FALSE(g().HasMessageBox());  // the question waits for the idle tick
  editor->tick();
  framework::MessageBoxView* box = g().GetMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Caption(), "Save preset");
  EXPECT_EQ(box->Text(), "A preset named \"Warm\" already exists. Replace it?");
  EXPECT_EQ(box->Type(), framework::kMB_YESNO);
  ASSERT_TRUE(editortest::ClickBoxButton(g(), "No"));
  EXPECT_FALSE(g().HasMessageBox());
  EXPECT_EQ(ReadTestFile(file("Warm")), warmBefore);
  EXPECT_EQ(current(), "Other");
  draw();
  EXPECT_EQ(bar().ShownName(), "Other*");

  saveAs("Warm");
  editor->tick();
  ASSERT_TRUE(g().HasMessageBox());
  editortest::Press(g(), Key::Return);  // Yes
  EXPECT_NE(ReadTestFile(file("Warm")), warmBefore);
  EXPECT_EQ(current(), "Warm");
  EXPECT_EQ(FolderNames(data.presets()), (std::vector<std::string>{"Other.rlcpreset", "Warm.rlcpreset"}));
  draw();
  EXPECT_EQ(bar().ShownName(), "Warm");

  // The file now holds the new settings: loading Other and back brings them.
  click(kZonePrevious);
  EXPECT_DOUBLE_EQ(level(), -12);
  click(kZoneNext);
  EXPECT_DOUBLE_EQ(level(), 3);
}

TEST_F(PresetBarTest, SaveWritesTheCurrentPresetWithoutAskingAndClearsTheMark) {
  writePreset("Warm", -6);
  click(kZoneNext);
  changeLevel(-1);
  draw();
  EXPECT_EQ(bar().ShownName(), "Warm*");
  click(kZoneSave);
  EXPECT_FALSE(g().HasMessageBox());
  editor->tick();
  EXPECT_FALSE(g().HasMessageBox());
  draw();
  EXPECT_EQ(bar().ShownName(), "Warm");
  plugin().GetParam(relaycaster::kNdiLevel)->Set(0);
  click(kZoneNext);  // wraps onto itself
  EXPECT_DOUBLE_EQ(level(), -1);
}

TEST_F(PresetBarTest, TheMenuListsThePresetsChecksTheCurrentOneAndLoadsTheChoice) {
  writePreset("A", -1);
  writePreset("B", -2);
  writePreset("C", -3);
  click(kZoneNext);
  ASSERT_EQ(current(), "A");
  click(kZoneName);
  ASSERT_TRUE(g().HasPopupMenu());
  EXPECT_EQ(g().PopupMenuBounds().L, zone(kZoneName).L);
  EXPECT_EQ(g().PopupMenuBounds().T, zone(kZoneName).B);
  const std::vector<std::string>& snapshot = bar().Behaviour().MenuSnapshot();
  EXPECT_EQ(snapshot, (std::vector<std::string>{"A", "B", "C"}));
  ASSERT_TRUE(editortest::ChooseMenuItem(g(), 2));
  EXPECT_FALSE(g().HasPopupMenu());
  EXPECT_EQ(current(), "C");
  EXPECT_DOUBLE_EQ(level(), -3);
  editor->tick();  // the load rebuilds the editor
  draw();
  EXPECT_EQ(bar().ShownName(), "C");

  // A dismissed menu changes nothing.
  click(kZoneName);
  editortest::Press(g(), Key::Escape);
  EXPECT_EQ(current(), "C");
}

TEST_F(PresetBarTest, ArrowsWrapAroundAndStartAtAnEndWhenTheCurrentPresetIsGone) {
  writePreset("A", -1);
  writePreset("B", -2);
  writePreset("C", -3);
  click(kZoneNext);
  click(kZoneNext);
  click(kZoneNext);
  EXPECT_EQ(current(), "C");
  click(kZoneNext);
  EXPECT_EQ(current(), "A");
  click(kZonePrevious);
  EXPECT_EQ(current(), "C");
  EXPECT_DOUBLE_EQ(level(), -3);

  // B is removed by hand while it is current: back takes the last, next the first.
  click(kZonePrevious);
  ASSERT_EQ(current(), "B");
  std::filesystem::remove(file("B"));
  click(kZonePrevious);
  EXPECT_EQ(current(), "C");
  click(kZoneNext);  // C to A by wrapping
  std::filesystem::remove(file("A"));
  writePreset("D", -4);
  click(kZoneNext);
  EXPECT_EQ(current(), "C");  // A gone: next takes the first of C, D
}

TEST_F(PresetBarTest, DeleteArmsThenDeletesAndMovingAwayDisarms) {
  writePreset("A", -1);
  writePreset("B", -2);
  click(kZoneNext);
  ASSERT_EQ(current(), "A");
  hover(kZoneDelete);
  click(kZoneDelete);
  draw();
  EXPECT_TRUE(editortest::HasWarmInk(*editor, zone(kZoneDelete)));
  EXPECT_TRUE(std::filesystem::exists(file("A")));

  // To "Save as" and back: "Delete" again, and a click only re-arms.
  hover(kZoneSaveAs);
  draw();
  EXPECT_FALSE(editortest::HasWarmInk(*editor, zone(kZoneDelete)));
  hover(kZoneDelete);
  click(kZoneDelete);
  EXPECT_TRUE(std::filesystem::exists(file("A")));
  draw();
  EXPECT_TRUE(editortest::HasWarmInk(*editor, zone(kZoneDelete)));

  click(kZoneDelete);
  EXPECT_EQ(FolderNames(data.presets()), (std::vector<std::string>{"B.rlcpreset"}));
  EXPECT_EQ(current(), "A");  // the bar keeps the name until another preset is current
  draw();
  EXPECT_EQ(bar().ShownName(), "A");
  EXPECT_FALSE(editortest::HasWarmInk(*editor, zone(kZoneDelete)));
  EXPECT_EQ(bar().Behaviour().Names(), (std::vector<std::string>{"B"}));

  // Leaving the bar and pressing elsewhere on it disarm too.
  click(kZoneNext);
  click(kZoneDelete);
  g().OnMouseOut();
  click(kZoneDelete);
  EXPECT_TRUE(std::filesystem::exists(file("B")));
  click(kZoneName);  // opens the menu
  editortest::Press(g(), Key::Escape);
  click(kZoneDelete);
  EXPECT_TRUE(std::filesystem::exists(file("B")));
}

TEST_F(PresetBarTest, ALongNameIsCutWithAnEllipsisAndKeepsItsModifiedMark) {
  const std::string longName(80, 'W');
  writePreset(longName, -1);
  click(kZoneNext);
  draw();
  const std::string shown = bar().ShownName();
  ASSERT_GT(shown.size(), 3u);
  EXPECT_EQ(shown.substr(shown.size() - 3), "\xE2\x80\xA6");
  EXPECT_LT(shown.size(), longName.size());
  const IRECT area = bar().Layout().NameTextArea();

  changeLevel(2);
  draw();
  const std::string marked = bar().ShownName();
  ASSERT_GT(marked.size(), 4u);
  EXPECT_EQ(marked.substr(marked.size() - 4), "\xE2\x80\xA6*");
  // The "*" is inside the field: ink near the text area's right end, none past the field.
  EXPECT_TRUE(editor->hasInk(area.R - 12, 10, area.R, 22, kFill));
  EXPECT_FALSE(editor->hasInk(zone(kZoneName).R + 1, 12, zone(kZoneNext).MW() - 5, 20, kBarBackground));
}

TEST_F(PresetBarTest, ANameOfMultiByteCharactersIsCutOnlyBetweenCharacters) {
  std::string name;
  for (int i = 0; i < 40; ++i) name += "\xC3\x84\xE2\x82\xAC";  // "Ä€", 80 characters
  writePreset(name, -1);
  click(kZoneNext);
  ASSERT_EQ(current(), name);
  changeLevel(2);
  draw();
  const std::string shown = bar().ShownName();
  const std::string ending = "\xE2\x80\xA6*";
  ASSERT_GT(shown.size(), ending.size());
  EXPECT_EQ(shown.substr(shown.size() - ending.size()), ending);
  const std::string kept = shown.substr(0, shown.size() - ending.size());
  EXPECT_EQ(name.compare(0, kept.size(), kept), 0);
  EXPECT_EQ(kept.size() % 5 == 0 || kept.size() % 5 == 2, true) << kept.size();
}

TEST_F(PresetBarTest, HoverLightsTheZoneUnderTheMouse) {
  writePreset("A", -1);
  draw();
  const IColor restingField = editor->at(60, 9);
  hover(kZoneName);
  draw();
  EXPECT_TRUE(Near(editor->at(60, 9), Over(kHover, kFill))) << Describe(editor->at(60, 9));
  EXPECT_FALSE(Near(restingField, editor->at(60, 9), 4));
  hover(kZoneNext);  // with presets the arrow lights
  draw();
  EXPECT_TRUE(Near(editor->at(zone(kZoneNext).L + 2, zone(kZoneNext).MH()), Over(kHover, kBarBackground)));
  EXPECT_TRUE(Near(editor->at(60, 9), kFill));
  hover(kZoneMenu);
  draw();
  EXPECT_GT(menuIconInk(), 180);
  EXPECT_TRUE(Near(editor->at(zone(kZoneMenu).L + 2, zone(kZoneMenu).MH()), Over(kHover, kBarBackground)));
  g().OnMouseOut();
  draw();
  EXPECT_LE(menuIconInk(), kDimRedCeiling);
}

TEST_F(PresetBarTest, TheMenuButtonOpensTheSettingsMenuUnderIt) {
  click(kZoneMenu);
  ASSERT_TRUE(g().HasPopupMenu());
  EXPECT_NEAR(g().PopupMenuBounds().L, 837.05f, 0.01f);
  EXPECT_NEAR(g().PopupMenuBounds().T, 26.24f, 0.01f);
  auto* settings = editortest::FindControl<relaycaster::SettingsMenuControl>(g());
  ASSERT_EQ(settings->Menu().GetItem(10).text, "Window 2x");
  ASSERT_TRUE(editortest::ChooseMenuItem(g(), 10));
  EXPECT_EQ(g().WindowWidth(), 1760);
  EXPECT_EQ(g().WindowHeight(), 1124);
}

TEST_F(PresetBarTest, AFolderThatCannotBeWrittenIsReportedAndNothingChanges) {
  WriteTestFile(data.path() / "Relaycaster", "a file where the folder should be");
  saveAs("Blocked");
  EXPECT_EQ(takeReport(), std::make_pair(std::string("Save preset"),
                                         "Could not save the preset: could not write " + file("Blocked").string()));
  EXPECT_FALSE(g().HasMessageBox());
  EXPECT_TRUE(current().empty());
  draw();
  EXPECT_EQ(bar().ShownName(), "no preset");
}

TEST_F(PresetBarTest, LoadingSomethingThatIsNotAPresetOrADamagedStateIsReported) {
  // A preset file whose state is not this plug-in's.
  WriteTestFile(file("Foreign"), "Relaycaster preset 1\nname=Foreign\nstate=AAAAAAAAAAA=\n");
  click(kZoneNext);
  EXPECT_EQ(takeReport(), std::make_pair(std::string("Load preset"),
                                         std::string("Could not load the preset: it does not hold an Relaycaster state.")));
  EXPECT_TRUE(current().empty());
  std::filesystem::remove(file("Foreign"));

  // A state cut short after its first fields.
  writePreset("Damaged", -9);
  std::string text = *ReadTestFile(file("Damaged"));
  const size_t state = text.find("state=") + 6;
  const std::vector<uint8_t> bytes = *relaycaster::Base64Decode(text.substr(state, text.find('\n', state) - state));
  text = text.substr(0, state) + relaycaster::Base64Encode({bytes.begin(), bytes.begin() + 12}) + "\n";
  WriteTestFile(file("Damaged"), text);
  const double before = level();
  click(kZoneNext);
  EXPECT_EQ(takeReport(), std::make_pair(std::string("Load preset"),
                                         std::string("Could not load the preset: its state is damaged.")));
  EXPECT_DOUBLE_EQ(level(), before);
  EXPECT_TRUE(current().empty());

  // A file listed as a preset that is no longer one when it is loaded.
  writePreset("Changed", -3);
  const std::optional<relaycaster::Preset> listed = relaycaster::FindPresetByName(data.presets(), "Changed");
  ASSERT_TRUE(listed);
  WriteTestFile(file("Changed"), "not a preset at all");
  plugin().presets().LoadPreset(*listed);
  EXPECT_EQ(takeReport(), std::make_pair(std::string("Load preset"),
                                         std::string("Could not load the preset: not an Relaycaster preset: Changed.rlcpreset")));
}

TEST_F(PresetBarTest, ClosingTheEditorOverTheReplaceQuestionAnswersNo) {
  writePreset("Other", -12);
  writePreset("Warm", -6);
  click(kZoneNext);
  const std::optional<std::string> warmBefore = ReadTestFile(file("Warm"));
  saveAs("Warm");
  editor->tick();
  ASSERT_TRUE(g().HasMessageBox());
  plugin().CloseEditor();
  EXPECT_EQ(ReadTestFile(file("Warm")), warmBefore);
  EXPECT_EQ(current(), "Other");
  editor->tick();  // no editor: nothing is asked again
  EXPECT_EQ(ReadTestFile(file("Warm")), warmBefore);
}

}  // namespace
