#pragma once

// What the command-line host needs of a plug-in, whichever way it is
// loaded: linked in directly, or (later) from a VST 3 bundle. main.cpp
// knows only this interface and the functions that make a backend.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "presets/PresetStore.h"

namespace relaycaster_host {

/// One parameter as a host sees it.
struct ParameterInfo {
  int index = 0;
  std::string name;   // host-visible name, e.g. "SRT mode"
  std::string unit;   // unit label, may be empty
  double min = 0.0;
  double max = 1.0;
  double defaultValue = 0.0;
  bool isList = false;     // switches and lists: the value is an entry index
  bool isInteger = false;  // whole numbers only
  std::vector<std::string> entries;  // list texts, in index order
};

/// One transport's status as the editor would show it, with its drop-outs.
struct TransportStatus {
  std::string name;  // "NDI", "SRT"
  int kind = 0;      // 0 neutral, 1 good, 2 busy, 3 fault
  std::string text;
  std::string detail;
  int dropouts = 0;
  std::string note;  // an explanation worth showing, such as why NDI is unavailable
};

/// A loaded plug-in instance, driven the way a host drives it.
///
/// Threads: the description and the set-up calls on the host's main thread
/// before processing starts; process() on the audio thread only;
/// timerTick() and status() on the user-interface (timer) thread only.
class HostedPlugin {
 public:
  virtual ~HostedPlugin() = default;

  // --- description (any thread) ----------------------------------------------
  virtual std::vector<ParameterInfo> parameters() const = 0;
  /// The plug-in's display text for a plain value of a parameter.
  virtual std::string parameterText(int index, double plainValue) const = 0;
  virtual double parameterValue(int index) const = 0;

  // --- set-up (main thread, before start) ------------------------------------------
  virtual void setParameterPlain(int index, double plainValue) = 0;
  virtual void setParameterNormalized(int index, double normalizedValue) = 0;
  /// The SRT host (0), stream id (1) or passphrase (2) text field, committed
  /// as the editor commits it (the host field takes srt:// URLs).
  virtual void setSrtText(int field, const std::string& text) = 0;
  /// Sample rate and largest block before processing starts.
  virtual void prepare(double sampleRate, int maxBlockFrames, int channels) = 0;
  /// Applies a saved preset as loading it in the editor does: every setting
  /// of the preset, while the SRT passphrase the plug-in has stays. False
  /// with `error` set when the plug-in refuses it.
  virtual bool applyPreset(const relaycaster::Preset& preset, std::string& error) = 0;
  /// Saves the current settings as the preset `name` in the user's preset
  /// folder (without the passphrase). False with `error` set.
  virtual bool savePreset(const std::string& name, std::string& error) = 0;

  // --- audio thread ------------------------------------------------------------------
  /// One block: `channels` planar input and output buffers of `frames`.
  virtual void process(double** inputs, double** outputs, int channels, int frames) = 0;

  // --- user-interface thread ------------------------------------------------------
  /// The framework's 20 ms timer.
  virtual void timerTick() = 0;
  virtual std::vector<TransportStatus> status() const = 0;
};

/// The plug-in class linked into this program, without any plug-in format.
std::unique_ptr<HostedPlugin> makeDirectPlugin();

}  // namespace relaycaster_host
