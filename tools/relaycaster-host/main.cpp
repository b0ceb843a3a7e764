// relaycaster-host: runs the plug-in outside a DAW, the way a host does.
#include <atomic>
#include <filesystem>
#include <optional>
#include <cstdio>
#include <string>
#include <vector>

#include "AudioSource.h"
#include "EditorSession.h"
#include "MessagePump.h"
#include "HostOptions.h"
#include "HostRunner.h"
#include "HostedPlugin.h"
#include "ProcessExit.h"
#include "StopSignals.h"
#include "Vst3Plugin.h"
#include "files/DataFolders.h"
#include "files/FileHelpers.h"
#include "presets/PresetStore.h"

namespace {

using namespace relaycaster_host;

std::atomic<bool> gStopRequested{false};  // set by the stop handler (StopSignals.h)

// The one place that chooses how the plug-in is loaded: from its VST 3
// bundle unless --direct asks for the linked-in class. `bundled` is the
// same plug-in when it came from a bundle.
std::unique_ptr<HostedPlugin> loadPlugin(const HostOptions& options, Vst3HostedPlugin*& bundled) {
  bundled = nullptr;
  if (options.direct) return makeDirectPlugin();
  std::string error;
  std::unique_ptr<Vst3HostedPlugin> plugin = makeVst3Plugin(options.bundle.value_or(defaultBundlePath()), error);
  if (!plugin) {
    std::fprintf(stderr, "relaycaster-host: %s\n", error.c_str());
    return nullptr;
  }
  bundled = plugin.get();
  return plugin;
}

bool readFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  uint8_t buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

void listParameters(const HostedPlugin& plugin) {
  std::printf("%-3s %-12s %-10s %-22s %-5s %s\n", "id", "name", "default", "range", "unit", "text at default");
  for (const ParameterInfo& p : plugin.parameters()) {
    std::string range;
    if (p.isList) {
      for (const std::string& entry : p.entries) range += (range.empty() ? "" : "|") + entry;
    } else {
      char text[64];
      std::snprintf(text, sizeof text, "%g to %g", p.min, p.max);
      range = text;
    }
    std::printf("%-3d %-12s %-10g %-22s %-5s %s\n", p.index, p.name.c_str(), p.defaultValue, range.c_str(),
                p.unit.c_str(), plugin.parameterText(p.index, p.defaultValue).c_str());
  }
}

// Applies the settings in command-line order; false after printing the
// first one that cannot be applied.
bool applySettings(HostedPlugin& plugin, const std::vector<HostSetting>& settings) {
  const std::vector<ParameterInfo> parameters = plugin.parameters();
  for (const HostSetting& setting : settings) {
    if (setting.kind == HostSetting::Kind::SrtText) {
      plugin.setSrtText(setting.field, setting.value);
      continue;
    }
    const auto resolved = resolveSetting(parameters, setting.name, setting.value);
    if (const std::string* error = std::get_if<std::string>(&resolved)) {
      std::fprintf(stderr, "relaycaster-host: %s\n", error->c_str());
      return false;
    }
    const ResolvedSetting& value = std::get<ResolvedSetting>(resolved);
    plugin.setParameterPlain(value.index, value.plainValue);
  }
  return true;
}

void listPresets() {
  const std::filesystem::path folder = relaycaster::PresetsFolder();
  const std::vector<relaycaster::Preset> presets = relaycaster::ReadAllPresets(folder);
  std::printf("%zu preset%s in %s\n", presets.size(), presets.size() == 1 ? "" : "s",
              relaycaster::PathToUtf8(folder).c_str());
  for (const relaycaster::Preset& preset : presets) std::printf("  %s\n", preset.name.c_str());
}

bool applyPreset(HostedPlugin& plugin, const std::string& name) {
  const std::filesystem::path folder = relaycaster::PresetsFolder();
  const std::optional<relaycaster::Preset> preset = relaycaster::FindPresetByName(folder, name);
  if (!preset) {
    std::fprintf(stderr, "relaycaster-host: no preset named \"%s\" in %s (see --list-presets)\n", name.c_str(),
                 relaycaster::PathToUtf8(folder).c_str());
    return false;
  }
  std::string error;
  if (!plugin.applyPreset(*preset, error)) {
    std::fprintf(stderr, "relaycaster-host: %s\n", error.c_str());
    return false;
  }
  return true;
}

bool savePreset(HostedPlugin& plugin, const std::string& name) {
  std::string error;
  if (!plugin.savePreset(name, error)) {
    std::fprintf(stderr, "relaycaster-host: %s\n", error.c_str());
    return false;
  }
  std::printf("relaycaster-host: saved the preset \"%s\" in %s\n", name.c_str(),
              relaycaster::PathToUtf8(relaycaster::PresetsFolder()).c_str());
  return true;
}

std::string describeInput(const HostOptions& options, const WavFile& wav) {
  if (const auto* tone = std::get_if<ToneInput>(&options.input)) {
    char text[96];
    std::snprintf(text, sizeof text, "a %g Hz tone at %g dBFS", tone->frequency, tone->peakDb);
    return text;
  }
  return std::get<FileInput>(options.input).path + " (" + std::to_string(wav.sampleRate) + " Hz, " +
         std::to_string(wav.channels) + " channels, looped)";
}

}  // namespace

int main(int argc, char** argv) {
  const ParsedOptions parsed = parseHostOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.options) {
    std::fprintf(stderr, "relaycaster-host: %s\n\n%s", parsed.error.c_str(), usageText().c_str());
    return 2;
  }
  const HostOptions& options = *parsed.options;
  if (options.help) {
    std::printf("%s", usageText().c_str());
    return 0;
  }

  if (options.listPresets) {
    listPresets();
    return 0;
  }

  Vst3HostedPlugin* bundled = nullptr;
  std::unique_ptr<HostedPlugin> plugin = loadPlugin(options, bundled);
  if (!plugin) return 1;
  if (options.info) {
    bundled->printInfo(stdout);
    return 0;
  }
  if (options.listParams) {
    listParameters(*plugin);
    return 0;
  }
  if (options.stateIn) {
    std::vector<uint8_t> state;
    if (!readFile(*options.stateIn, state)) {
      std::fprintf(stderr, "relaycaster-host: cannot read %s\n", options.stateIn->c_str());
      return 1;
    }
    if (!bundled->loadState(state)) {
      std::fprintf(stderr, "relaycaster-host: the plug-in refused the state in %s\n", options.stateIn->c_str());
      return 1;
    }
  }

  if (options.preset && !applyPreset(*plugin, *options.preset)) return 1;

  RunSettings run;
  run.blockFrames = options.block;
  run.seconds = options.seconds;
  run.stalls = options.stalls;
  WavFile wav;
  std::unique_ptr<AudioSource> source;
  if (const auto* file = std::get_if<FileInput>(&options.input)) {
    std::string error;
    wav = loadWavFile(file->path, error);
    if (!wav.source) {
      std::fprintf(stderr, "relaycaster-host: %s\n", error.c_str());
      return 1;
    }
    run.sampleRate = options.rate.value_or(wav.sampleRate);
    run.channels = options.channels.value_or(std::min(wav.channels, 2));
    source = std::move(wav.source);
  } else {
    const ToneInput& tone = std::get<ToneInput>(options.input);
    run.sampleRate = options.rate.value_or(48000.0);
    run.channels = options.channels.value_or(2);
    source = makeToneSource(run.sampleRate, tone.frequency, tone.peakDb);
  }

  if (!applySettings(*plugin, options.settings)) return 2;
  if (options.savePreset) return savePreset(*plugin, *options.savePreset) ? 0 : 1;
  plugin->prepare(run.sampleRate, run.blockFrames, run.channels);
  handleStopSignals(gStopRequested);

  std::printf("relaycaster-host: %g Hz, %d channel%s, %d-frame blocks, playing %s%s\n", run.sampleRate,
              run.channels, run.channels == 1 ? "" : "s", run.blockFrames, describeInput(options, wav).c_str(),
              run.seconds ? (" for " + std::to_string(static_cast<int>(*run.seconds)) + " s").c_str() : "; Ctrl-C stops");
  std::fflush(stdout);
  std::unique_ptr<MainThreadWork> editor;
  if (options.editor) {
    std::string error;
    editor = openEditorSession(*bundled, options.uiScale.value_or(0.0), error);
    if (!editor) {
      std::fprintf(stderr, "relaycaster-host: cannot show the editor: %s\n", error.c_str());
      return 1;
    }
  }
  // Without an editor the main thread still dispatches what the plug-in's
  // timers need (on Windows its idle timer is a window timer on this thread).
  std::unique_ptr<MainThreadWork> pump = editor ? nullptr : makeMessagePump();
  runHost(*plugin, *source, run, gStopRequested, stdout, editor ? editor.get() : pump.get());
  editor.reset();  // the editor closes before anything below touches the plug-in
  int status = 0;
  if (options.snapshot) {
    std::string error;
    if (bundled->renderSnapshot(*options.snapshot, static_cast<float>(options.uiScale.value_or(1.0)), error)) {
      std::printf("relaycaster-host: drew the editor into %s\n", options.snapshot->c_str());
    } else {
      std::fprintf(stderr, "relaycaster-host: cannot draw the editor: %s\n", error.c_str());
      status = 1;
    }
  }
  if (options.stateOut) {
    std::vector<uint8_t> state;
    if (!bundled->saveState(state) || !writeFile(*options.stateOut, state)) {
      std::fprintf(stderr, "relaycaster-host: cannot save the state to %s\n", options.stateOut->c_str());
      status = 1;
    }
  }
  plugin.reset();  // stops the transports' workers
  std::printf("relaycaster-host: stopped\n");
  exitHost(status);
}
