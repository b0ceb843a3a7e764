#pragma once

// The command line of relaycaster-host, parsed without side effects so that
// tests can check every option and every mistake.
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "AudioStall.h"
#include "HostedPlugin.h"

namespace relaycaster_host {

/// A built-in sine: frequency in Hz and peak level in dBFS.
struct ToneInput {
  double frequency = 440.0;
  double peakDb = -12.0;
};

/// A WAV file, looped.
struct FileInput {
  std::string path;
};

/// One setting, applied in command-line order: a parameter by its
/// host-visible name and a value text, or an SRT text field.
struct HostSetting {
  enum class Kind { Parameter, SrtText };
  Kind kind = Kind::Parameter;
  std::string name;  // parameter name (Kind::Parameter)
  int field = 0;     // 0 host, 1 stream id, 2 passphrase (Kind::SrtText)
  std::string value;
};

struct HostOptions {
  bool help = false;
  bool listParams = false;
  bool info = false;                    // print the bundle's factory, class and parameters
  bool direct = false;                  // the class linked into this program instead of a bundle
  std::optional<std::string> bundle;    // the VST 3 bundle; none: the one built next to the program
  std::optional<std::string> stateIn;   // a component state to load before the settings
  std::optional<std::string> stateOut;  // where to save the component state at the end
  bool listPresets = false;              // list the saved presets and exit
  std::optional<std::string> preset;     // a saved preset to apply before the settings
  std::optional<std::string> savePreset; // save the resulting settings as this preset and exit
  std::optional<double> rate;    // Hz; default 48000 or the WAV's rate
  int block = 512;               // frames per processing block
  std::optional<int> channels;   // 1 or 2; default 2 or the WAV's count
  std::variant<ToneInput, FileInput> input = ToneInput{};
  std::vector<HostSetting> settings;
  std::optional<double> seconds;  // run time; none: until interrupted
  std::vector<AudioStall> stalls; // audio-thread stalls, in command-line order
  bool editor = false;                  // show the plug-in's editor in a window while it runs
  std::optional<int> editorCycles;      // open and close the editor this many times, then report what is left
  std::optional<double> uiScale;        // the screen scale told to the editor (--editor, --editor-cycles) or drawn at (--snapshot)
  std::optional<std::string> snapshot;  // draw the editor off-screen into this PNG after the run
};

/// Either the options or a one-line error for the user.
struct ParsedOptions {
  std::optional<HostOptions> options;
  std::string error;
};

/// Parses the arguments after the program name. Accepts "--name value" and
/// "--name=value".
ParsedOptions parseHostOptions(const std::vector<std::string>& args);

/// "tone", "tone:FREQ" or "tone:FREQ:DBFS"; nothing when the text is not a
/// tone or its numbers are unusable.
std::optional<ToneInput> parseToneSpec(std::string_view text);

/// "AT:MS": a stall of MS milliseconds (more than 0, at most 5000) AT
/// seconds into the run (0 up to a year); nothing for anything else.
std::optional<AudioStall> parseStallSpec(std::string_view text);

/// The usage text printed by --help and after a mistake.
std::string usageText();

/// A parameter setting turned into the plain value to apply.
struct ResolvedSetting {
  int index = 0;
  double plainValue = 0.0;
};

/// Finds a parameter by name (case ignored) and reads the value: list
/// parameters take one of their texts (case ignored) or an entry number;
/// others take a plain number within their range (whole for integers).
/// Returns the setting or an error sentence naming what was wrong.
std::variant<ResolvedSetting, std::string> resolveSetting(const std::vector<ParameterInfo>& parameters,
                                                          std::string_view name, std::string_view value);

/// Splits "NAME=VALUE" at the first "=", trimming both parts; nothing when
/// there is no "=" or the name is empty.
std::optional<std::pair<std::string, std::string>> splitAssignment(std::string_view text);

}  // namespace relaycaster_host
