#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "framework/ByteChunk.h"
#include "framework/IPlugAPIBase.h"
#include "presets/PresetStore.h"

namespace relaycaster {

/// What the preset commands need of the plug-in's state chunk. The plug-in
/// implements it; tests use a small stand-in.
class PresetStateAccess {
 public:
  /// The first four bytes of every state chunk ('BWR1', bytes 31 52 57 42).
  static constexpr int32_t kChunkMagic = 0x42575231;

  virtual ~PresetStateAccess() = default;
  /// Appends the whole state; false when it could not be taken.
  virtual bool SaveStateChunk(framework::ByteChunk& chunk) = 0;
  /// Applies a state from `start`; the position after it, or -1.
  virtual int LoadStateChunk(const framework::ByteChunk& chunk, int start) = 0;
  /// Raised only while a preset's state is taken or applied: the chunk then
  /// carries no SRT passphrase, and loading keeps the user's.
  virtual void SetForPresetFile(bool forPresetFile) = 0;
  /// The editor width the last loaded chunk carried; 0 or less for none.
  virtual int LoadedEditorWidth() const = 0;
  /// The open editor's zoom, and a change of it that resizes its window.
  virtual float GetWindowScale() const = 0;
  virtual void SetWindowScale(float scale) = 0;
};

/// The preset commands behind the preset bar (load, save, delete, with
/// their questions and failure reports) and the plug-in's idea of the
/// current preset: its name and whether the settings changed since it was
/// loaded or saved. The plug-in owns one and binds the bar's actions to it.
///
/// Threads: commands, bar actions and idle tasks run on the editor's
/// thread. currentName(), modifiedMark() and restoreFromState() may also be
/// called by the state chunk on whichever thread the host saves or restores
/// state. mMutex (the plug-in's preset mutex) guards the current name and
/// the modified bookkeeping; it is never held while calling the plug-in.
class PresetCommands {
 public:
  using FolderProvider = std::function<std::filesystem::path()>;

  /// `presetsFolder` is asked afresh for every operation (PresetsFolder()
  /// in the plug-in, a temporary folder in tests).
  PresetCommands(framework::IPlugAPIBase& plugin, PresetStateAccess& state, FolderProvider presetsFolder);
  PresetCommands(const PresetCommands&) = delete;
  PresetCommands& operator=(const PresetCommands&) = delete;

  // --- the preset bar's actions (editor thread unless noted) -------------------
  /// 1: the names of every readable preset, in name order.
  std::vector<std::string> presetNames() const;
  /// 2: the current preset's name, empty for none (any thread).
  std::string currentName() const;
  /// 3: loads the first preset of that name; nothing when there is none.
  void loadByName(const std::string& name);
  /// 4: saves under `name`. Saving under the current name, or a name no
  /// file holds yet, happens at once; replacing another existing preset
  /// waits for the idle tick, which asks first.
  void RequestPresetSave(const std::string& name);
  /// 5: deletes the first preset of that name; nothing when there is none.
  void deleteByName(const std::string& name);
  /// 6: the "*" after the name: changed since the last load or save (any thread).
  bool modifiedMark() const;

  // --- commands (editor thread) ------------------------------------------------
  /// Takes the state and writes it as the preset `name` (spaces and tabs
  /// trimmed). With `confirmReplace`, an existing file is replaced only
  /// after a Yes to the question; without an open editor nothing happens.
  void SavePreset(const std::string& name, bool confirmReplace);
  /// Reads the preset's file again and applies its state as one host edit
  /// gesture. A failure leaves the settings and the current preset as they were.
  void LoadPreset(const Preset& preset);
  /// Deletes the preset's file; the current name stays.
  void DeletePreset(const Preset& preset);

  // --- idle tasks, in this order, every tick (editor thread) --------------------
  /// Runs a save that RequestPresetSave left for confirmation.
  void runPendingSave();
  /// Captures the baseline when asked to, else marks the preset modified
  /// once a parameter moved away from it.
  void checkModified();

  // --- the state chunk (any thread) ----------------------------------------------
  /// A restored project state: its preset name and modified flag. Empties
  /// the baseline, clears modified and asks the next tick to recapture,
  /// which re-applies the modified flag.
  void restoreFromState(const std::string& name, bool modified);

  /// Message-box captions.
  static constexpr const char* kLoadCaption = "Load preset";
  static constexpr const char* kSaveCaption = "Save preset";
  static constexpr const char* kDeleteCaption = "Delete preset";

 private:
  /// The bookkeeping a failed command restores.
  struct Bookkeeping {
    std::string name;
    bool modified = false;
    bool restoredModified = false;
    std::vector<double> baseline;
    bool recaptureRequested = false;
  };

  void savePreset(const std::string& name, bool confirmReplace);
  /// Takes the state and writes it as the preset `name` (already trimmed).
  void writePreset(const std::string& name);
  void loadPreset(const Preset& preset);
  bool applyState(const Preset& preset);
  void tellHostAboutEveryParameter();
  void restoreEditorScale();
  void deletePreset(const Preset& preset);

  /// Empties the baseline, clears modified and asks for a recapture; the
  /// caller holds mMutex.
  void restartTrackingLocked();
  Bookkeeping takeBookkeeping() const;
  void putBookkeeping(Bookkeeping bookkeeping);
  std::vector<double> parameterValues() const;
  void restoreParameterValues(const std::vector<double>& values);

  /// Runs a command; any exception is shown as "<opening> <its text>".
  template <typename Command>
  void guarded(const char* caption, const char* opening, Command&& command) noexcept;
  void report(const char* caption, const std::string& text) noexcept;

  framework::IPlugAPIBase& mPlugin;
  PresetStateAccess& mState;
  const FolderProvider mPresetsFolder;

  mutable std::mutex mMutex;
  std::string mCurrentName;        // guarded by mMutex
  bool mModified = false;          // guarded by mMutex
  bool mRestoredModified = false;  // guarded by mMutex
  std::vector<double> mBaseline;   // guarded by mMutex; plain values in index order
  // Stored true (release) after the values to capture were set; the idle
  // tick exchanges it with false (acquire) and so sees those values.
  std::atomic<bool> mRecaptureRequested{false};

  std::string mPendingSaveName;  // editor thread only
  bool mPendingSave = false;     // editor thread only
};

}  // namespace relaycaster
