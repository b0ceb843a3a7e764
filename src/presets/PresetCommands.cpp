#include "presets/PresetCommands.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>

#include "files/FileHelpers.h"

namespace relaycaster {

namespace {

constexpr double kDesignWidth = 880.0;    // the editor's logical width at scale 1
constexpr double kScaleTolerance = 0.01;  // closer scales are left alone
constexpr double kRelativeTolerance = 0.000001;

constexpr const char* kLoadOpening = "Could not load the preset:";
constexpr const char* kSaveOpening = "Could not save the preset:";
constexpr const char* kDeleteOpening = "Could not delete the preset:";

std::string TrimSpacesAndTabs(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool BeginsWithChunkMagic(const std::vector<uint8_t>& state) {
  if (state.size() < 4) return false;
  int32_t magic = 0;
  std::memcpy(&magic, state.data(), sizeof magic);  // little-endian, as the chunk writes it
  return magic == PresetStateAccess::kChunkMagic;
}

/// Raises the state's preset-file flag for its own lifetime, so that the
/// flag comes down again even when taking or applying the state throws.
class ForPresetFile {
 public:
  explicit ForPresetFile(PresetStateAccess& state) : mState(state) { mState.SetForPresetFile(true); }
  ~ForPresetFile() { mState.SetForPresetFile(false); }
  ForPresetFile(const ForPresetFile&) = delete;
  ForPresetFile& operator=(const ForPresetFile&) = delete;

 private:
  PresetStateAccess& mState;
};

}  // namespace

PresetCommands::PresetCommands(framework::IPlugAPIBase& plugin, PresetStateAccess& state, FolderProvider presetsFolder)
    : mPlugin(plugin), mState(state), mPresetsFolder(std::move(presetsFolder)) {}

// --- bar actions ----------------------------------------------------------------------

std::vector<std::string> PresetCommands::presetNames() const {
  std::vector<std::string> names;
  for (Preset& preset : ReadAllPresets(mPresetsFolder())) names.push_back(std::move(preset.name));
  return names;
}

std::string PresetCommands::currentName() const {
  std::lock_guard lock(mMutex);
  return mCurrentName;
}

void PresetCommands::loadByName(const std::string& name) {
  guarded(kLoadCaption, kLoadOpening, [&] {
    if (const std::optional<Preset> preset = FindPresetByName(mPresetsFolder(), name)) loadPreset(*preset);
  });
}

void PresetCommands::RequestPresetSave(const std::string& untrimmedName) {
  guarded(kSaveCaption, kSaveOpening, [&] {
    // The save trims the name, so the question is about the trimmed one:
    // " Warm" replaces the preset Warm and must ask like "Warm".
    const std::string name = TrimSpacesAndTabs(untrimmedName);
    if (name != currentName()) {
      // Replacing another preset's file asks first, from the idle tick.
      const std::optional<std::filesystem::path> path = PathForName(mPresetsFolder(), name);
      if (path && FileSystemObjectExists(*path)) {
        mPendingSaveName = name;
        mPendingSave = true;
        return;
      }
    }
    savePreset(name, false);
  });
}

void PresetCommands::deleteByName(const std::string& name) {
  guarded(kDeleteCaption, kDeleteOpening, [&] {
    if (const std::optional<Preset> preset = FindPresetByName(mPresetsFolder(), name)) deletePreset(*preset);
  });
}

bool PresetCommands::modifiedMark() const {
  std::lock_guard lock(mMutex);
  return mModified || mRestoredModified;
}

// --- commands -----------------------------------------------------------------------------

void PresetCommands::SavePreset(const std::string& name, bool confirmReplace) {
  guarded(kSaveCaption, kSaveOpening, [&] { savePreset(name, confirmReplace); });
}

void PresetCommands::LoadPreset(const Preset& preset) {
  guarded(kLoadCaption, kLoadOpening, [&] { loadPreset(preset); });
}

void PresetCommands::DeletePreset(const Preset& preset) {
  guarded(kDeleteCaption, kDeleteOpening, [&] { deletePreset(preset); });
}

void PresetCommands::savePreset(const std::string& untrimmedName, bool confirmReplace) {
  const std::string name = TrimSpacesAndTabs(untrimmedName);
  if (name.empty()) return;
  if (confirmReplace) {
    const std::optional<std::filesystem::path> path = PathForName(mPresetsFolder(), name);
    if (path && FileSystemObjectExists(*path)) {
      // The question is answered later, from the editor's own events; the
      // save goes on only after a Yes (no editor: no answer, no save).
      const std::string question = "A preset named \"" + name + "\" already exists. Replace it?";
      mPlugin.ShowMessageBox(question, kSaveCaption, framework::kMB_YESNO, [this, name](int answer) {
        if (answer == framework::kIDYES) guarded(kSaveCaption, kSaveOpening, [&] { writePreset(name); });
      });
      return;
    }
  }
  writePreset(name);
}

void PresetCommands::writePreset(const std::string& name) {
  const std::filesystem::path folder = mPresetsFolder();
  // The chunk records the new name and an unmodified mark.
  Bookkeeping before;
  {
    std::lock_guard lock(mMutex);
    before = Bookkeeping{mCurrentName, mModified, mRestoredModified, mBaseline, false};
    mCurrentName = name;
    mRestoredModified = false;
    restartTrackingLocked();
  }

  std::string error;
  bool saved = false;
  try {
    framework::ByteChunk chunk;
    bool taken = false;
    {
      ForPresetFile scope(mState);
      taken = mState.SaveStateChunk(chunk);
    }
    if (taken) saved = WritePreset(folder, name, chunk.Bytes(), error);
    else error = "the state could not be taken";
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "an unknown error occurred";
  }
  if (saved) return;  // the next tick captures the new baseline

  // Back to the old name; the old mark waits in restored modified for the
  // recapture, because the old baseline is gone.
  {
    std::lock_guard lock(mMutex);
    mCurrentName = before.name;
    mRestoredModified = before.modified || before.restoredModified;
    restartTrackingLocked();
  }
  report(kSaveCaption, std::string(kSaveOpening) + " " + error);
}

void PresetCommands::loadPreset(const Preset& listed) {
  Preset preset;
  std::string error;
  if (!ReadPreset(listed.path, preset, error)) {
    report(kLoadCaption, std::string(kLoadOpening) + " " + error);
    return;
  }
  if (!BeginsWithChunkMagic(preset.state)) {
    report(kLoadCaption, std::string(kLoadOpening) + " it does not hold an Relaycaster state.");
    return;
  }
  if (!applyState(preset)) {
    report(kLoadCaption, std::string(kLoadOpening) + " its state is damaged.");
    return;
  }
  tellHostAboutEveryParameter();
  restoreEditorScale();

  std::lock_guard lock(mMutex);
  mCurrentName = preset.name;  // the file's name, not the one inside the state
  mRestoredModified = false;
  restartTrackingLocked();
}

/// Applies the state. When the chunk is rejected (or throws) after part of
/// it was applied, the parameters and the preset bookkeeping go back to
/// what they were, so a failed load changes nothing.
bool PresetCommands::applyState(const Preset& preset) {
  const std::vector<double> values = parameterValues();
  const Bookkeeping bookkeeping = takeBookkeeping();
  const framework::ByteChunk chunk(preset.state);
  int end = -1;
  try {
    ForPresetFile scope(mState);
    end = mState.LoadStateChunk(chunk, 0);
  } catch (...) {
    restoreParameterValues(values);
    putBookkeeping(bookkeeping);
    throw;
  }
  if (end >= 0) return true;
  restoreParameterValues(values);
  putBookkeeping(bookkeeping);
  return false;
}

/// One gesture for the host: begin every edit, set and perform every
/// value (which also runs the plug-in's change handling, as for an edit
/// made in the editor), end every edit; then refresh the editor's controls.
void PresetCommands::tellHostAboutEveryParameter() {
  const int count = mPlugin.NParams();
  for (int i = 0; i < count; ++i) mPlugin.BeginInformHostOfParamChange(i);
  for (int i = 0; i < count; ++i) mPlugin.SendParameterValueFromUI(i, mPlugin.GetParam(i)->GetNormalized());
  for (int i = 0; i < count; ++i) mPlugin.EndInformHostOfParamChange(i);
  mPlugin.SendAllParameterValuesToEditor();
}

void PresetCommands::restoreEditorScale() {
  const int width = mState.LoadedEditorWidth();
  if (!mPlugin.EditorIsOpen() || width <= 0) return;
  const double scale = width / kDesignWidth;
  if (std::abs(scale - mState.GetWindowScale()) > kScaleTolerance) mState.SetWindowScale(static_cast<float>(scale));
}

void PresetCommands::deletePreset(const Preset& preset) {
  std::string error;
  if (!DeletePresetFile(preset.path, error)) report(kDeleteCaption, std::string(kDeleteOpening) + " " + error);
}

// --- idle tasks ----------------------------------------------------------------------------

void PresetCommands::runPendingSave() {
  if (!mPendingSave) return;
  const std::string name = std::move(mPendingSaveName);
  mPendingSaveName.clear();
  mPendingSave = false;
  SavePreset(name, true);
}

void PresetCommands::checkModified() {
  {
    std::lock_guard lock(mMutex);
    // Taken under the mutex: a restore on a host thread between taking the
    // request and capturing would otherwise leave its own request behind,
    // and the next capture would clear the mark it just brought.
    if (mRecaptureRequested.exchange(false, std::memory_order_acquire)) {
      mBaseline = parameterValues();
      mModified = mRestoredModified;
      mRestoredModified = false;
      return;
    }
    const size_t count = static_cast<size_t>(mPlugin.NParams());
    if (mModified || mCurrentName.empty() || mBaseline.empty() || mBaseline.size() != count) return;
    const auto moved = [&](size_t i) {
      const double value = mPlugin.GetParam(static_cast<int>(i))->Value();
      return std::abs(value - mBaseline[i]) > std::max(std::abs(value), 1.0) * kRelativeTolerance;
    };
    size_t i = 0;
    while (i < count && !moved(i)) ++i;
    if (i == count) return;
    mModified = true;
  }
  if (framework::IEditor* editor = mPlugin.GetEditor()) editor->SetAllControlsDirty();
}

// --- state chunk --------------------------------------------------------------------------

void PresetCommands::restoreFromState(const std::string& name, bool modified) {
  std::lock_guard lock(mMutex);
  mCurrentName = name;
  mRestoredModified = modified;
  restartTrackingLocked();
}

// --- helpers --------------------------------------------------------------------------------

void PresetCommands::restartTrackingLocked() {
  mBaseline.clear();
  mModified = false;
  mRecaptureRequested.store(true, std::memory_order_release);
}

PresetCommands::Bookkeeping PresetCommands::takeBookkeeping() const {
  std::lock_guard lock(mMutex);
  return Bookkeeping{mCurrentName, mModified, mRestoredModified, mBaseline,
                     mRecaptureRequested.load(std::memory_order_relaxed)};  // the editor thread, as the tick that clears it
}

void PresetCommands::putBookkeeping(Bookkeeping bookkeeping) {
  std::lock_guard lock(mMutex);
  mCurrentName = std::move(bookkeeping.name);
  mModified = bookkeeping.modified;
  mRestoredModified = bookkeeping.restoredModified;
  mBaseline = std::move(bookkeeping.baseline);
  // A rejected state may already have asked for a recapture, which would
  // turn the restored values into the baseline and drop the modified mark.
  mRecaptureRequested.store(bookkeeping.recaptureRequested, std::memory_order_release);
}

std::vector<double> PresetCommands::parameterValues() const {
  std::vector<double> values;
  values.reserve(static_cast<size_t>(mPlugin.NParams()));
  for (int i = 0; i < mPlugin.NParams(); ++i) values.push_back(mPlugin.GetParam(i)->Value());
  return values;
}

/// Puts values back after a rejected state and runs the same change
/// handling a state load runs, so that the plug-in and the editor follow.
void PresetCommands::restoreParameterValues(const std::vector<double>& values) {
  const int count = std::min(mPlugin.NParams(), static_cast<int>(values.size()));
  for (int i = 0; i < count; ++i) mPlugin.GetParam(i)->Set(values[static_cast<size_t>(i)]);
  for (int i = 0; i < count; ++i) {
    mPlugin.OnParamChange(i, framework::ParamSource::PresetRecall);
    mPlugin.OnParamChangeUI(i, framework::ParamSource::PresetRecall);
  }
  mPlugin.SendAllParameterValuesToEditor();
}

template <typename Command>
void PresetCommands::guarded(const char* caption, const char* opening, Command&& command) noexcept {
  try {
    command();
  } catch (const std::exception& e) {
    report(caption, std::string(opening) + " " + e.what());
  } catch (...) {
    report(caption, std::string(opening) + " an unknown error occurred");
  }
}

void PresetCommands::report(const char* caption, const std::string& text) noexcept {
  try {
    mPlugin.ShowMessageBox(text, caption, framework::kMB_OK);  // shows nothing without an open editor
  } catch (...) {
    // Nothing more can be told; the command has already failed.
  }
}

}  // namespace relaycaster
