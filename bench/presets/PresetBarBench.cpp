// The preset bar over a folder of 1000 presets: a click on the next arrow
// (which lists the folder, finds the preset and loads it), the same with
// the tick and frame that show the result, and a click that opens the
// preset menu (listing, filling and measuring 1000 items), each against
// one bare listing of the same folder, the floor of all three.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "RatioReporter.h"
#include "core/Relaycaster.h"
#include "files/DataFolders.h"
#include "framework/ByteChunk.h"
#include "framework/graphics/IGraphics.h"
#include "framework/graphics/Resources.h"
#include "presets/PresetBarControl.h"
#include "presets/PresetStore.h"

namespace {

constexpr int kPresetCount = 1000;

/// A data folder of its own holding kPresetCount presets, made once for
/// the whole run and removed at its end.
class PresetFolder {
 public:
  PresetFolder() {
    char pattern[] = "/tmp/relaycaster-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    mFolder = pattern;
    setenv("XDG_DATA_HOME", pattern, 1);
    // No update traffic from the plug-in's worker while measuring.
    const std::filesystem::path shared = relaycaster::SharedDataFolder();
    std::filesystem::create_directories(shared);
    if (std::FILE* marker = std::fopen((shared / "updates-off").c_str(), "w")) std::fclose(marker);
    setenv("BRIGHTWOLD_UPDATES_URL", "http://127.0.0.1:9/updates.json", 1);

    relaycaster::Relaycaster plugin;
    framework::ByteChunk chunk;
    plugin.SetForPresetFile(true);
    plugin.SaveStateChunk(chunk);
    plugin.SetForPresetFile(false);
    for (int i = 0; i < kPresetCount; ++i) {
      std::string error;
      char name[32];
      std::snprintf(name, sizeof name, "Preset %04d", i);
      if (!relaycaster::WritePreset(relaycaster::PresetsFolder(), name, chunk.Bytes(), error)) std::abort();
    }
  }
  ~PresetFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(mFolder, ignored);
  }

 private:
  std::filesystem::path mFolder;
};

void EnsurePresetFolder() { static PresetFolder folder; }

/// A plug-in with its editor open on the preset folder.
class PresetFolderEditor {
 public:
  PresetFolderEditor() {
    EnsurePresetFolder();
    plugin = std::make_unique<relaycaster::Relaycaster>();
    plugin->setEditorResources(framework::ResourceFolderLoader(RELAYCASTER_BENCH_RESOURCES));
    g = plugin->OpenEditor();
    g->DrawAll();
    findBar();
  }
  ~PresetFolderEditor() { plugin->CloseEditor(); }

  void click(int zone) {
    const framework::IRECT r = bar->Layout().Zone(zone);
    framework::IMouseMod mod;
    mod.L = true;
    g->OnMouseDown(r.MW(), r.MH(), mod);
    g->OnMouseUp(r.MW(), r.MH(), mod);
  }
  /// The next idle tick (which rebuilds the editor after a load) and frame.
  void tickAndDraw() {
    plugin->OnTimer();
    g->OnFrame();
    findBar();
  }

  std::unique_ptr<relaycaster::Relaycaster> plugin;
  framework::IGraphics* g = nullptr;
  brightwold::controls::PresetBarControl* bar = nullptr;

 private:
  void findBar() {
    for (int i = 0; i < g->NControls(); ++i)
      if (auto* found = dynamic_cast<brightwold::controls::PresetBarControl*>(g->GetControl(i))) bar = found;
  }
};

void StepToNextPreset(benchmark::State& state) {
  PresetFolderEditor editor;
  for (auto _ : state) editor.click(brightwold::controls::kZoneNext);
  state.counters["presets"] = kPresetCount;
}

/// What the user waits for: the step, the tick that rebuilds the editor
/// for the loaded state, and the frame that shows it.
void StepAndShow(benchmark::State& state) {
  PresetFolderEditor editor;
  for (auto _ : state) {
    editor.click(brightwold::controls::kZoneNext);
    editor.tickAndDraw();
  }
}

void OpenPresetMenu(benchmark::State& state) {
  PresetFolderEditor editor;
  for (auto _ : state) {
    editor.click(brightwold::controls::kZoneName);
    if (!editor.g->HasPopupMenu()) state.SkipWithError("the menu did not open");
    editor.g->OnKeyDown({framework::Key::Escape});
  }
  state.counters["items"] = static_cast<double>(editor.bar->Behaviour().MenuSnapshot().size());
}

void ListPresetFolder(benchmark::State& state) {
  EnsurePresetFolder();
  const std::filesystem::path folder = relaycaster::PresetsFolder();
  for (auto _ : state) benchmark::DoNotOptimize(relaycaster::ReadAllPresets(folder));
}

const bool registered = [] {
  benchsupport::RatioReporter::compare("StepToNextPreset", "ListPresetFolder");
  benchsupport::RatioReporter::compare("StepAndShow", "ListPresetFolder");
  benchsupport::RatioReporter::compare("OpenPresetMenu", "ListPresetFolder");
  return true;
}();

}  // namespace

BENCHMARK(StepToNextPreset)->Unit(benchmark::kMillisecond);
BENCHMARK(StepAndShow)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenPresetMenu)->Unit(benchmark::kMillisecond);
BENCHMARK(ListPresetFolder)->Unit(benchmark::kMillisecond);
