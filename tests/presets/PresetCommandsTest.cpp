#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "files/TempFolder.h"
#include "framework/IPlugAPIBase.h"
#include "presets/PresetCommands.h"

namespace relaycaster {
namespace {

using framework::ByteChunk;
using testsupport::FolderNames;
using testsupport::ReadTestFile;
using testsupport::TempFolder;
using testsupport::WriteTestFile;

enum { kGain, kOn, kPort, kParamCount };

/// An editor stand-in that records what the commands ask of it and
/// answers questions as the test says.
class RecordingEditor : public framework::IEditor {
 public:
  struct Box {
    std::string text;
    std::string caption;
    framework::MessageBoxType type;
  };
  bool SetControlText(int, const std::string&) override { return false; }
  bool HasTextEntry() const override { return false; }
  void Rebuild() override {}
  void SetAllControlsDirty() override { ++dirtyCalls; }
  void SendParameterValue(int paramIdx, double) override { sentParameters.push_back(paramIdx); }
  float DrawScale() const override { return scale; }
  float ScreenScale() const override { return 1.0f; }
  void SetDrawScale(float newScale) override {
    scale = newScale;
    ++scaleChanges;
  }
  void ShowMessageBox(const std::string& text, const std::string& caption, framework::MessageBoxType type,
                      std::function<void(int)> reply) override {
    boxes.push_back({text, caption, type});
    reply(type == framework::kMB_YESNO ? answer : framework::kIDOK);  // as if the user answered at once
  }

  std::vector<Box> boxes;
  int answer = framework::kIDYES;
  int dirtyCalls = 0;
  std::vector<int> sentParameters;
  float scale = 1.0f;
  int scaleChanges = 0;
};

/// Records the host's side of parameter edits as "b0", "p0", "e0", ...
class RecordingHost : public framework::IHostNotifier {
 public:
  void BeginEdit(int i) override { calls.push_back("b" + std::to_string(i)); }
  void PerformEdit(int i, double) override { calls.push_back("p" + std::to_string(i)); }
  void EndEdit(int i) override { calls.push_back("e" + std::to_string(i)); }
  std::vector<std::string> calls;
};

framework::PluginConfig TestConfig() {
  framework::PluginConfig config;
  config.nParams = kParamCount;
  return config;
}

/// A plug-in with three parameters, a passphrase and a state chunk shaped
/// like the real one: magic, editor width, preset name and mark,
/// parameters, and the passphrase only when the chunk is not for a preset.
class TestPlugin : public framework::IPlugAPIBase, public PresetStateAccess {
 public:
  explicit TestPlugin(std::filesystem::path folder)
      : IPlugAPIBase(TestConfig()), presetsFolder(std::move(folder)) {
    GetParam(kGain)->InitDouble("Gain", 0.0, -60.0, 12.0, 0.1);
    GetParam(kOn)->InitBool("On", false);
    GetParam(kPort)->InitInt("Port", 9000, 1, 65535);
  }

  bool SaveStateChunk(ByteChunk& chunk) override {
    if (failTakingState) return false;
    if (throwWhileTaking) throw std::runtime_error("the disk is on fire");
    chunk.PutInt32(kChunkMagic);
    chunk.PutInt32(editorWidth);
    chunk.PutString(commands.currentName());
    chunk.PutInt32(commands.modifiedMark() ? 1 : 0);
    for (int i = 0; i < NParams(); ++i) chunk.PutDouble(GetParam(i)->Value());
    chunk.PutString(forPresetFile ? "" : passphrase);
    return true;
  }

  int LoadStateChunk(const ByteChunk& chunk, int pos) override {
    if (throwWhileApplying) throw std::runtime_error("bad state");
    int32_t magic = 0, width = 0, modified = 0;
    std::string name, storedPassphrase;
    pos = chunk.GetInt32(magic, pos);
    pos = chunk.GetInt32(width, pos);
    pos = chunk.GetString(name, pos);
    pos = chunk.GetInt32(modified, pos);
    if (pos < 0 || magic != kChunkMagic) return -1;
    loadedWidth = width;
    for (int i = 0; i < NParams(); ++i) {
      double value = 0.0;
      pos = chunk.GetDouble(value, pos);
      if (pos < 0) return -1;  // values read so far stay applied, like the real chunk
      GetParam(i)->Set(value);
    }
    // Like the real chunk: the preset name is restored once every value was
    // read, before the trailing texts, which may still be cut.
    commands.restoreFromState(name, modified != 0);
    pos = chunk.GetString(storedPassphrase, pos);
    if (pos < 0) return -1;
    if (!forPresetFile) passphrase = storedPassphrase;
    return pos;
  }

  void SetForPresetFile(bool raised) override {
    forPresetFile = raised;
    presetFileFlags.push_back(raised);
  }
  int LoadedEditorWidth() const override { return loadedWidth; }
  // The zoom is the stand-in editor's scale.
  float GetWindowScale() const override { return GetEditor() ? GetEditor()->DrawScale() : 1.f; }
  void SetWindowScale(float scale) override {
    if (GetEditor()) GetEditor()->SetDrawScale(scale);
  }
  void RenderBlock(double**, double**, int) override {}
  void OnParamChangeUI(int paramIdx, framework::ParamSource) override { uiChanges.push_back(paramIdx); }

  std::filesystem::path presetsFolder;
  PresetCommands commands{*this, *this, [this] { return presetsFolder; }};
  std::string passphrase = "secret";
  bool forPresetFile = false;
  std::vector<bool> presetFileFlags;
  int editorWidth = 880;
  int loadedWidth = 0;
  bool failTakingState = false;
  bool throwWhileTaking = false;
  bool throwWhileApplying = false;
  std::vector<int> uiChanges;
};

class PresetCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin.SetHostNotifier(&host);
    plugin.AttachEditor(&editor);
  }
  PresetCommands& commands() { return plugin.commands; }
  void set(int param, double value) { plugin.GetParam(param)->Set(value); }
  double value(int param) { return plugin.GetParam(param)->Value(); }
  /// Saves the current settings as a preset and lets an idle tick capture.
  void saveAs(const std::string& name) {
    commands().RequestPresetSave(name);
    idleTick();
  }
  /// Saves two presets with different settings, "Other" then "Warm" (the
  /// current one); returns Other's file.
  std::filesystem::path saveOtherThenWarm() {
    set(kGain, -1.0);
    saveAs("Other");
    set(kGain, -2.0);
    saveAs("Warm");
    return folder / "Presets" / "Other.rlcpreset";
  }
  void idleTick() {
    commands().runPendingSave();
    commands().checkModified();
  }
  std::vector<std::string> boxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : editor.boxes) texts.push_back(box.text);
    return texts;
  }

  TempFolder folder;
  TestPlugin plugin{folder / "Presets"};
  RecordingEditor editor;
  RecordingHost host;
};

TEST_F(PresetCommandsTest, SaveMakesTheCurrentPresetAndChangesMarkItModified) {
  set(kGain, -6.0);
  saveAs("Warm");
  EXPECT_EQ(commands().currentName(), "Warm");
  EXPECT_FALSE(commands().modifiedMark());
  EXPECT_TRUE(std::filesystem::exists(folder / "Presets" / "Warm.rlcpreset"));
  EXPECT_EQ(commands().presetNames(), std::vector<std::string>{"Warm"});
  EXPECT_EQ(plugin.presetFileFlags, (std::vector<bool>{true, false}));

  set(kGain, -6.0000001);  // within the tolerance
  idleTick();
  EXPECT_FALSE(commands().modifiedMark());
  set(kGain, -5.0);
  idleTick();
  EXPECT_TRUE(commands().modifiedMark());
  EXPECT_EQ(editor.dirtyCalls, 1);
  set(kGain, -6.0);  // back to the baseline: the mark stays
  idleTick();
  EXPECT_TRUE(commands().modifiedMark());

  commands().RequestPresetSave("Warm");  // "Save": never asks
  EXPECT_FALSE(commands().modifiedMark());
  idleTick();
  EXPECT_FALSE(commands().modifiedMark());
  EXPECT_TRUE(editor.boxes.empty());
  EXPECT_EQ(FolderNames(folder / "Presets"), std::vector<std::string>{"Warm.rlcpreset"});
}

TEST_F(PresetCommandsTest, APresetNeverCarriesThePassphraseAndLoadingKeepsTheUsersOwn) {
  saveAs("Warm");
  const std::string text = *ReadTestFile(folder / "Presets" / "Warm.rlcpreset");
  Preset preset;
  std::string error;
  ASSERT_TRUE(ReadPreset(folder / "Presets" / "Warm.rlcpreset", preset, error));
  EXPECT_EQ(std::string(preset.state.begin(), preset.state.end()).find("secret"), std::string::npos);

  ByteChunk project;  // a host project, by contrast, keeps it
  plugin.SaveStateChunk(project);
  EXPECT_NE(std::string(project.Bytes().begin(), project.Bytes().end()).find("secret"), std::string::npos);

  plugin.passphrase = "mine";
  commands().loadByName("Warm");
  EXPECT_EQ(plugin.passphrase, "mine");
  EXPECT_TRUE(editor.boxes.empty());
}

TEST_F(PresetCommandsTest, LoadAppliesTheStateAsOneHostGesture) {
  set(kGain, -12.0);
  set(kOn, 1.0);
  set(kPort, 7000.0);
  saveAs("Warm");
  set(kGain, 3.0);
  set(kOn, 0.0);
  set(kPort, 1234.0);
  saveAs("Cold");
  host.calls.clear();
  editor.sentParameters.clear();
  plugin.uiChanges.clear();

  commands().loadByName("Warm");
  EXPECT_DOUBLE_EQ(value(kGain), -12.0);
  EXPECT_EQ(value(kOn), 1.0);
  EXPECT_EQ(value(kPort), 7000.0);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"b0", "b1", "b2", "p0", "p1", "p2", "e0", "e1", "e2"}));
  EXPECT_EQ(plugin.uiChanges, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(editor.sentParameters, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(commands().currentName(), "Warm");
  EXPECT_FALSE(commands().modifiedMark());
  EXPECT_TRUE(editor.boxes.empty());

  commands().loadByName("Nowhere");  // not found: nothing happens
  EXPECT_EQ(commands().currentName(), "Warm");
  EXPECT_TRUE(editor.boxes.empty());
}

TEST_F(PresetCommandsTest, TheNameComesFromTheFileNotFromTheState) {
  saveAs("Inner");
  std::filesystem::rename(folder / "Presets" / "Inner.rlcpreset", folder / "Presets" / "Renamed.rlcpreset");
  std::string text = *ReadTestFile(folder / "Presets" / "Renamed.rlcpreset");
  text.replace(text.find("name=Inner"), 10, "name=Outer");
  WriteTestFile(folder / "Presets" / "Renamed.rlcpreset", text);
  commands().loadByName("Outer");
  EXPECT_EQ(commands().currentName(), "Outer");
}

TEST_F(PresetCommandsTest, LoadingRestoresTheEditorScaleFromTheStoredWidth) {
  plugin.editorWidth = 1320;
  saveAs("Big");
  commands().loadByName("Big");
  EXPECT_FLOAT_EQ(editor.scale, 1.5f);
  EXPECT_EQ(editor.scaleChanges, 1);
  commands().loadByName("Big");  // already there
  EXPECT_EQ(editor.scaleChanges, 1);
  editor.scale = 1.495f;  // within 0.01
  commands().loadByName("Big");
  EXPECT_EQ(editor.scaleChanges, 1);
  plugin.editorWidth = 0;
  saveAs("None");
  commands().loadByName("None");
  EXPECT_EQ(editor.scaleChanges, 1);
}

TEST_F(PresetCommandsTest, FailedLoadsReportAndChangeNothing) {
  set(kGain, -3.0);
  saveAs("Warm");
  set(kGain, -9.0);
  const auto presets = folder / "Presets";
  // Not a preset: the file changed after listing.
  Preset listed = *FindPresetByName(presets, "Warm");
  WriteTestFile(listed.path, "garbage");
  commands().LoadPreset(listed);
  // Wrong magic, then a cut state.
  WriteTestFile(presets / "Alien.rlcpreset", "Relaycaster preset 1\nname=Alien\nstate=AAAAAAAA\n");
  commands().loadByName("Alien");
  ByteChunk cut;
  plugin.SaveStateChunk(cut);
  std::vector<uint8_t> bytes = cut.Bytes();
  bytes.resize(bytes.size() - 12);  // inside the parameter values
  WriteTestFile(presets / "Cut.rlcpreset", "Relaycaster preset 1\nname=Cut\nstate=" + Base64Encode(bytes) + "\n");
  set(kGain, 0.0);
  commands().loadByName("Cut");

  EXPECT_EQ(boxTexts(), (std::vector<std::string>{
                            "Could not load the preset: not an Relaycaster preset: Warm.rlcpreset",
                            "Could not load the preset: it does not hold an Relaycaster state.",
                            "Could not load the preset: its state is damaged."}));
  for (const auto& box : editor.boxes) {
    EXPECT_EQ(box.caption, "Load preset");
    EXPECT_EQ(box.type, framework::kMB_OK);
  }
  EXPECT_EQ(value(kGain), 0.0);  // the cut state had set -9 before failing
  EXPECT_EQ(commands().currentName(), "Warm");
  EXPECT_EQ(plugin.presetFileFlags.back(), false);
}

TEST_F(PresetCommandsTest, AFailedLoadKeepsTheModifiedMark) {
  set(kGain, -3.0);
  saveAs("Warm");
  set(kGain, -9.0);
  idleTick();
  ASSERT_TRUE(commands().modifiedMark());
  // Cut inside the trailing text: the name was already restored when it failed.
  ByteChunk cut;
  plugin.SaveStateChunk(cut);
  std::vector<uint8_t> bytes = cut.Bytes();
  bytes.resize(bytes.size() - 3);
  WriteTestFile(folder / "Presets" / "Cut.rlcpreset",
                "Relaycaster preset 1\nname=Cut\nstate=" + Base64Encode(bytes) + "\n");
  commands().loadByName("Cut");
  idleTick();
  idleTick();

  EXPECT_EQ(boxTexts(), std::vector<std::string>{"Could not load the preset: its state is damaged."});
  EXPECT_EQ(commands().currentName(), "Warm");
  EXPECT_TRUE(commands().modifiedMark());
  EXPECT_EQ(value(kGain), -9.0);
}

TEST_F(PresetCommandsTest, SaveAsOverAnotherPresetAsksFromTheIdleTick) {
  const auto otherFile = saveOtherThenWarm();
  const auto before = ReadTestFile(otherFile);

  editor.answer = framework::kIDNO;
  commands().RequestPresetSave("Other");
  EXPECT_TRUE(editor.boxes.empty());  // not yet: the idle tick asks
  idleTick();
  ASSERT_EQ(editor.boxes.size(), 1u);
  EXPECT_EQ(editor.boxes[0].text, "A preset named \"Other\" already exists. Replace it?");
  EXPECT_EQ(editor.boxes[0].caption, "Save preset");
  EXPECT_EQ(editor.boxes[0].type, framework::kMB_YESNO);
  EXPECT_EQ(ReadTestFile(otherFile), before);
  EXPECT_EQ(commands().currentName(), "Warm");
  idleTick();
  EXPECT_EQ(editor.boxes.size(), 1u);  // asked once only

  editor.answer = framework::kIDYES;
  commands().RequestPresetSave("Other");
  idleTick();
  EXPECT_EQ(editor.boxes.size(), 2u);
  EXPECT_NE(ReadTestFile(otherFile), before);
  EXPECT_EQ(commands().currentName(), "Other");
  EXPECT_EQ(FolderNames(folder / "Presets"), (std::vector<std::string>{"Other.rlcpreset", "Warm.rlcpreset"}));
}

TEST_F(PresetCommandsTest, SaveAsWithSpacesAroundAnotherPresetsNameStillAsks) {
  const auto otherFile = saveOtherThenWarm();
  const auto before = ReadTestFile(otherFile);

  editor.answer = framework::kIDNO;
  commands().RequestPresetSave(" Other\t");
  idleTick();
  ASSERT_EQ(editor.boxes.size(), 1u);
  EXPECT_EQ(editor.boxes[0].text, "A preset named \"Other\" already exists. Replace it?");
  EXPECT_EQ(ReadTestFile(otherFile), before);
  EXPECT_EQ(commands().currentName(), "Warm");

  // Its own name with spaces around is still "Save": no question.
  commands().RequestPresetSave("Warm ");
  idleTick();
  EXPECT_EQ(editor.boxes.size(), 1u);
  EXPECT_EQ(FolderNames(folder / "Presets"), (std::vector<std::string>{"Other.rlcpreset", "Warm.rlcpreset"}));
}

TEST_F(PresetCommandsTest, WithoutAnEditorNothingIsReplacedAndNothingIsShown) {
  saveAs("Other");
  saveAs("Warm");
  const auto before = ReadTestFile(folder / "Presets" / "Other.rlcpreset");
  plugin.DetachEditor();
  set(kGain, 5.0);
  commands().RequestPresetSave("Other");
  idleTick();
  EXPECT_EQ(ReadTestFile(folder / "Presets" / "Other.rlcpreset"), before);
  EXPECT_EQ(commands().currentName(), "Warm");
  plugin.failTakingState = true;
  commands().RequestPresetSave("Warm");  // fails silently without an editor
  EXPECT_EQ(commands().currentName(), "Warm");
  EXPECT_TRUE(editor.boxes.empty());
}

TEST_F(PresetCommandsTest, BlankNamesDoNothingAndNamesAreTrimmed) {
  commands().RequestPresetSave(" \t  ");
  idleTick();
  EXPECT_FALSE(std::filesystem::exists(folder / "Presets"));
  EXPECT_TRUE(commands().currentName().empty());
  commands().SavePreset("  Warm\t", false);
  EXPECT_EQ(commands().currentName(), "Warm");
  EXPECT_EQ(commands().presetNames(), std::vector<std::string>{"Warm"});
  EXPECT_TRUE(editor.boxes.empty());
}

TEST_F(PresetCommandsTest, FailedSavesRestoreTheNameAndTheMark) {
  saveAs("Warm");
  set(kGain, 4.0);
  idleTick();
  ASSERT_TRUE(commands().modifiedMark());

  plugin.presetsFolder = folder / "blocked";
  WriteTestFile(folder / "blocked", "a file where the folder should be");
  commands().RequestPresetSave("New");
  plugin.failTakingState = true;
  commands().RequestPresetSave("New");
  plugin.failTakingState = false;
  plugin.throwWhileTaking = true;
  commands().RequestPresetSave("New");

  EXPECT_EQ(boxTexts(), (std::vector<std::string>{
                            "Could not save the preset: could not write " + (folder / "blocked" / "New.rlcpreset").string(),
                            "Could not save the preset: the state could not be taken",
                            "Could not save the preset: the disk is on fire"}));
  for (const auto& box : editor.boxes) EXPECT_EQ(box.caption, "Save preset");
  EXPECT_EQ(commands().currentName(), "Warm");
  EXPECT_TRUE(commands().modifiedMark());
  idleTick();  // the recapture keeps the mark
  EXPECT_TRUE(commands().modifiedMark());
  EXPECT_EQ(plugin.presetFileFlags.back(), false);
}

TEST_F(PresetCommandsTest, ExceptionsWhileApplyingAreReportedAndUndone) {
  set(kGain, -3.0);
  saveAs("Warm");
  set(kGain, -9.0);
  plugin.throwWhileApplying = true;
  commands().loadByName("Warm");
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"Could not load the preset: bad state"});
  EXPECT_EQ(value(kGain), -9.0);
  EXPECT_EQ(plugin.presetFileFlags.back(), false);
}

TEST_F(PresetCommandsTest, DeleteRemovesTheFileAndKeepsTheName) {
  saveAs("Warm");
  const Preset warm = *FindPresetByName(folder / "Presets", "Warm");
  commands().deleteByName("Warm");
  EXPECT_FALSE(std::filesystem::exists(warm.path));
  EXPECT_EQ(commands().currentName(), "Warm");
  commands().deleteByName("Warm");  // no longer listed: nothing happens
  EXPECT_TRUE(editor.boxes.empty());
  commands().DeletePreset(warm);
  ASSERT_EQ(editor.boxes.size(), 1u);
  EXPECT_EQ(editor.boxes[0].text, "Could not delete the preset: could not delete Warm.rlcpreset");
  EXPECT_EQ(editor.boxes[0].caption, "Delete preset");
  EXPECT_EQ(editor.boxes[0].type, framework::kMB_OK);
}

TEST_F(PresetCommandsTest, ARestoredProjectCarriesItsModifiedMark) {
  commands().restoreFromState("Warm", true);
  EXPECT_EQ(commands().currentName(), "Warm");
  EXPECT_TRUE(commands().modifiedMark());
  idleTick();  // recapture: modified comes from the restored flag
  EXPECT_TRUE(commands().modifiedMark());
  set(kGain, 1.0);
  idleTick();
  EXPECT_TRUE(commands().modifiedMark());

  commands().restoreFromState("Cold", false);
  idleTick();
  EXPECT_FALSE(commands().modifiedMark());
  set(kGain, 2.0);
  idleTick();
  EXPECT_TRUE(commands().modifiedMark());
}

TEST_F(PresetCommandsTest, NoPresetMeansNoModifiedMark) {
  idleTick();
  set(kGain, 7.0);
  idleTick();
  EXPECT_FALSE(commands().modifiedMark());
  EXPECT_EQ(editor.dirtyCalls, 0);
}

// The host may save or restore state on its own thread while the editor's
// thread runs the idle tasks.
TEST(PresetCommandsThreads, StateCallsFromAHostThreadWhileTheIdleTickRuns) {
  TempFolder folder;
  TestPlugin plugin(folder / "Presets");
  std::atomic<bool> done{false};
  std::thread hostThread([&] {
    for (int i = 0; i < 2000; ++i) {
      ByteChunk chunk;
      plugin.SaveStateChunk(chunk);
      plugin.commands.restoreFromState(i % 2 ? "Warm" : "Cold", i % 3 == 0);
    }
    done.store(true, std::memory_order_release);
  });
  int ticks = 0;
  do {  // at least one tick even when the host thread finishes first
    plugin.GetParam(kGain)->Set(ticks % 10);
    plugin.commands.checkModified();
    ++ticks;
  } while (!done.load(std::memory_order_acquire));
  hostThread.join();
  const std::string name = plugin.commands.currentName();
  EXPECT_TRUE(name == "Warm" || name == "Cold");
  EXPECT_GT(ticks, 0);
}

TEST(PresetCommandsThreads, ARestoreDuringTheBaselineCaptureKeepsItsModifiedMark) {
  TempFolder folder;
  TestPlugin plugin(folder / "Presets");
  plugin.commands.restoreFromState("Warm", true);
  std::atomic<bool> done{false};
  std::thread hostThread([&] {
    // Restores in quick pairs with a pause after each, so that ticks run
    // both while a restore lands and after it.
    for (int i = 0; i < 5000; ++i) {
      plugin.commands.restoreFromState("Warm", true);
      plugin.commands.restoreFromState("Warm", true);
      const auto pauseEnd = std::chrono::steady_clock::now() + std::chrono::microseconds(20);
      while (std::chrono::steady_clock::now() < pauseEnd) {
      }
    }
    done.store(true, std::memory_order_release);
  });
  // Every restore carries the mark, so no tick may ever clear it.
  int cleared = 0;
  do {
    plugin.commands.checkModified();
    if (!plugin.commands.modifiedMark()) ++cleared;
  } while (!done.load(std::memory_order_acquire));
  hostThread.join();
  plugin.commands.checkModified();
  plugin.commands.checkModified();
  EXPECT_EQ(cleared, 0);
  EXPECT_TRUE(plugin.commands.modifiedMark());
}

}  // namespace
}  // namespace relaycaster
