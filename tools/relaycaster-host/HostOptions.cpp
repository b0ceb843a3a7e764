#include "HostOptions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace relaycaster_host {
namespace {

constexpr double kMinRate = 1000.0;
constexpr double kMaxRate = 768000.0;
constexpr int kMaxBlock = 16384;
// A year: well inside what the run's steady-clock deadline and the start
// line's whole-second count can hold.
constexpr double kMaxSeconds = 365.0 * 24 * 3600;
constexpr double kMinUiScale = 0.5;
constexpr double kMaxUiScale = 4.0;
// Longer stalls than this would only hold up the end of the run; the
// runner skips ahead after half a second anyway.
constexpr double kMaxStallMilliseconds = 5000.0;
constexpr int kMaxEditorCycles = 10000;

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

std::string lower(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

// A whole, finite decimal number and nothing else.
std::optional<double> parseNumber(std::string_view text) {
  const std::string copy(trim(text));
  if (copy.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<int> parseWhole(std::string_view text) {
  const std::optional<double> value = parseNumber(text);
  if (!value || *value != std::floor(*value) || std::fabs(*value) > 1e9) return std::nullopt;
  return static_cast<int>(*value);
}

std::string formatNumber(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

std::string listOf(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) text += (text.empty() ? "" : ", ") + entry;
  return text;
}

// Reads argument i's value: either after "=" in the same argument or the
// next argument.
struct ArgumentReader {
  const std::vector<std::string>& args;
  size_t i = 0;
  std::string error;

  bool takeValue(const std::string& option, std::optional<std::string> inlineValue, std::string& value) {
    if (inlineValue) {
      value = *inlineValue;
      return true;
    }
    if (i + 1 >= args.size()) {
      error = option + " needs a value";
      return false;
    }
    value = args[++i];
    return true;
  }
};

bool applyOption(HostOptions& options, ArgumentReader& reader, const std::string& option,
                 const std::optional<std::string>& inlineValue) {
  auto value = [&](std::string& out) { return reader.takeValue(option, inlineValue, out); };
  auto noValue = [&] {
    if (!inlineValue) return true;
    reader.error = option + " takes no value";
    return false;
  };
  std::string text;
  if (option == "--help" || option == "-h") return noValue() && (options.help = true);
  if (option == "--list-params") return noValue() && (options.listParams = true);
  if (option == "--info") return noValue() && (options.info = true);
  if (option == "--direct") return noValue() && (options.direct = true);
  if (option == "--list-presets") return noValue() && (options.listPresets = true);
  if (option == "--editor") return noValue() && (options.editor = true);
  if (option == "--editor-cycles") {
    if (!value(text)) return false;
    const std::optional<int> cycles = parseWhole(text);
    if (!cycles || *cycles < 1 || *cycles > kMaxEditorCycles) {
      reader.error = "--editor-cycles must be a whole number of openings from 1 to 10000, not '" + text + "'";
      return false;
    }
    options.editorCycles = *cycles;
    return true;
  }
  if (option == "--ui-scale") {
    if (!value(text)) return false;
    const std::optional<double> scale = parseNumber(text);
    if (!scale || *scale < kMinUiScale || *scale > kMaxUiScale) {
      reader.error = "--ui-scale must be a screen scale from 0.5 to 4, not '" + text + "'";
      return false;
    }
    options.uiScale = *scale;
    return true;
  }
  for (auto [name, target] : {std::pair{"--preset", &options.preset}, {"--save-preset", &options.savePreset}}) {
    if (option != name) continue;
    if (!value(text)) return false;
    if (text.find_first_not_of(" \t") == std::string::npos) {
      reader.error = option + " needs a preset name";
      return false;
    }
    *target = text;
    return true;
  }
  for (auto [name, target] : {std::pair{"--bundle", &options.bundle}, {"--state-in", &options.stateIn},
                              {"--state-out", &options.stateOut}, {"--snapshot", &options.snapshot}}) {
    if (option != name) continue;
    if (!value(text)) return false;
    if (text.empty()) {
      reader.error = option + " needs a path";
      return false;
    }
    *target = text;
    return true;
  }
  if (option == "--rate") {
    if (!value(text)) return false;
    const std::optional<double> rate = parseNumber(text);
    if (!rate || *rate < kMinRate || *rate > kMaxRate) {
      reader.error = "--rate must be a sample rate from 1000 to 768000 Hz, not '" + text + "'";
      return false;
    }
    options.rate = *rate;
    return true;
  }
  if (option == "--block") {
    if (!value(text)) return false;
    const std::optional<int> block = parseWhole(text);
    if (!block || *block < 1 || *block > kMaxBlock) {
      reader.error = "--block must be a whole number of frames from 1 to 16384, not '" + text + "'";
      return false;
    }
    options.block = *block;
    return true;
  }
  if (option == "--channels") {
    if (!value(text)) return false;
    const std::optional<int> channels = parseWhole(text);
    if (!channels || *channels < 1 || *channels > 2) {
      reader.error = "--channels must be 1 or 2 (the plug-in is mono or stereo), not '" + text + "'";
      return false;
    }
    options.channels = *channels;
    return true;
  }
  if (option == "--input") {
    if (!value(text)) return false;
    if (text.rfind("tone", 0) == 0 && (text.size() == 4 || text[4] == ':')) {
      const std::optional<ToneInput> tone = parseToneSpec(text);
      if (!tone) {
        reader.error = "--input " + text + " is not a tone: write tone:FREQUENCY:DBFS, e.g. tone:440:-12";
        return false;
      }
      options.input = *tone;
    } else if (text.empty()) {
      reader.error = "--input needs a WAV file or tone:FREQUENCY:DBFS";
      return false;
    } else {
      options.input = FileInput{text};
    }
    return true;
  }
  if (option == "--set") {
    if (!value(text)) return false;
    const auto assignment = splitAssignment(text);
    if (!assignment) {
      reader.error = "--set needs NAME=VALUE, e.g. --set \"SRT mode=Listener\", not '" + text + "'";
      return false;
    }
    options.settings.push_back({HostSetting::Kind::Parameter, assignment->first, 0, assignment->second});
    return true;
  }
  for (const auto& [name, field] : {std::pair{"--srt-host", 0}, {"--srt-streamid", 1}, {"--srt-passphrase", 2}}) {
    if (option != name) continue;
    if (!value(text)) return false;
    options.settings.push_back({HostSetting::Kind::SrtText, {}, field, text});
    return true;
  }
  if (option == "--stall-audio") {
    if (!value(text)) return false;
    const std::optional<AudioStall> stall = parseStallSpec(text);
    if (!stall) {
      reader.error = "--stall-audio takes AT:MS, seconds into the run and milliseconds up to 5000, e.g. 3:90, not '" +
                     text + "'";
      return false;
    }
    options.stalls.push_back(*stall);
    return true;
  }
  if (option == "--seconds") {
    if (!value(text)) return false;
    const std::optional<double> seconds = parseNumber(text);
    if (!seconds || *seconds <= 0.0 || *seconds > kMaxSeconds) {
      reader.error = "--seconds must be a positive number up to 31536000 (a year), not '" + text + "'";
      return false;
    }
    options.seconds = *seconds;
    return true;
  }
  reader.error = "unknown option " + option;
  return false;
}

}  // namespace

std::optional<ToneInput> parseToneSpec(std::string_view text) {
  if (text.substr(0, 4) != "tone") return std::nullopt;
  text.remove_prefix(4);
  ToneInput tone;
  if (text.empty()) return tone;
  if (text.front() != ':') return std::nullopt;
  text.remove_prefix(1);
  const size_t colon = text.find(':');
  const std::optional<double> frequency = parseNumber(text.substr(0, colon));
  if (!frequency || *frequency <= 0.0 || *frequency > 100000.0) return std::nullopt;
  tone.frequency = *frequency;
  if (colon != std::string_view::npos) {
    const std::optional<double> level = parseNumber(text.substr(colon + 1));
    if (!level || *level > 0.0 || *level < -200.0) return std::nullopt;
    tone.peakDb = *level;
  }
  return tone;
}

std::optional<AudioStall> parseStallSpec(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<double> at = parseNumber(text.substr(0, colon));
  const std::optional<double> milliseconds = parseNumber(text.substr(colon + 1));
  if (!at || *at < 0.0 || *at > kMaxSeconds) return std::nullopt;
  if (!milliseconds || *milliseconds <= 0.0 || *milliseconds > kMaxStallMilliseconds) return std::nullopt;
  return AudioStall{*at, *milliseconds};
}

std::optional<std::pair<std::string, std::string>> splitAssignment(std::string_view text) {
  const size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::string_view name = trim(text.substr(0, equals));
  if (name.empty()) return std::nullopt;
  return std::pair{std::string(name), std::string(trim(text.substr(equals + 1)))};
}

ParsedOptions parseHostOptions(const std::vector<std::string>& args) {
  HostOptions options;
  ArgumentReader reader{args};
  for (reader.i = 0; reader.i < args.size(); ++reader.i) {
    const std::string& arg = args[reader.i];
    if (arg.rfind("-", 0) != 0) return {std::nullopt, "unexpected argument '" + arg + "'"};
    std::string option = arg;
    std::optional<std::string> inlineValue;
    const size_t equals = arg.find('=');
    if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      option = arg.substr(0, equals);
      inlineValue = arg.substr(equals + 1);
    }
    if (!applyOption(options, reader, option, inlineValue)) return {std::nullopt, reader.error};
  }
  if (options.direct && (options.bundle || options.info || options.stateIn || options.stateOut))
    return {std::nullopt, "--direct runs the linked-in class: --bundle, --info, --state-in and --state-out need a bundle"};
  if (options.direct && (options.editor || options.editorCycles || options.snapshot))
    return {std::nullopt,
            "--direct runs the linked-in class: --editor, --editor-cycles and --snapshot open the editor through a bundle"};
  if (options.editor && options.editorCycles)
    return {std::nullopt, "--editor-cycles opens and closes the editor itself; give either it or --editor"};
  if (options.uiScale && !options.editor && !options.editorCycles && !options.snapshot)
    return {std::nullopt, "--ui-scale sets the scale of --editor, --editor-cycles or --snapshot; give one of them"};
  return {options, {}};
}

std::variant<ResolvedSetting, std::string> resolveSetting(const std::vector<ParameterInfo>& parameters,
                                                          std::string_view name, std::string_view value) {
  const std::string wanted = lower(trim(name));
  const auto found = std::find_if(parameters.begin(), parameters.end(),
                                  [&](const ParameterInfo& p) { return lower(p.name) == wanted; });
  if (found == parameters.end()) {
    std::vector<std::string> names;
    for (const ParameterInfo& p : parameters) names.push_back("\"" + p.name + "\"");
    return "there is no parameter \"" + std::string(name) + "\"; the parameters are " + listOf(names);
  }
  const ParameterInfo& parameter = *found;
  const std::string text(trim(value));

  if (parameter.isList) {
    for (size_t e = 0; e < parameter.entries.size(); ++e)
      if (lower(parameter.entries[e]) == lower(text)) return ResolvedSetting{parameter.index, static_cast<double>(e)};
    const std::optional<int> entry = parseWhole(text);
    if (entry && *entry >= 0 && *entry < static_cast<int>(parameter.entries.size()))
      return ResolvedSetting{parameter.index, static_cast<double>(*entry)};
    return "\"" + parameter.name + "\" cannot be \"" + text + "\"; it takes " + listOf(parameter.entries);
  }

  const std::optional<double> number = parseNumber(text);
  const std::string range = formatNumber(parameter.min) + " to " + formatNumber(parameter.max);
  if (!number) return "\"" + parameter.name + "\" takes a number from " + range + ", not \"" + text + "\"";
  if (parameter.isInteger && *number != std::floor(*number))
    return "\"" + parameter.name + "\" takes a whole number from " + range + ", not " + text;
  if (*number < parameter.min || *number > parameter.max)
    return "\"" + parameter.name + "\" takes " + range + (parameter.unit.empty() ? "" : " " + parameter.unit) +
           ", not " + text;
  return ResolvedSetting{parameter.index, *number};
}

std::string usageText() {
  return R"(usage: relaycaster-host [options]

Runs the Relaycaster plug-in the way a host does: audio blocks on a real-time
paced audio thread, the 20 ms idle timer on another, and prints each
transport's state once a second. Stops after --seconds or on Ctrl-C.
By default it loads the Relaycaster.vst3 bundle built beside it, as a DAW
would (the NDI runtime is then looked for inside the bundle); --direct runs
the class linked into this program instead.

  --rate HZ               host sample rate (default 48000, or the WAV file's)
  --block FRAMES          frames per processing block (default 512)
  --channels 1|2          mono or stereo track (default 2, or the WAV file's)
  --input tone:F:DB       a sine of F Hz at DB dBFS peak (default tone:440:-12)
  --input FILE.wav        a WAV file, looped (played at the host rate as is)
  --set "NAME=VALUE"      a parameter by its name, e.g. --set "SRT mode=Listener",
                          --set SRT=on, --set "SRT level=-6"; lists take their
                          texts, others plain numbers; repeat as needed
  --srt-host TEXT         the SRT host field: host, host:port or an srt:// URL
                          with streamid, passphrase and latency
  --srt-streamid TEXT     the SRT stream id field
  --srt-passphrase TEXT   the SRT passphrase field
  --seconds N             stop after N seconds (at most a year)
  --stall-audio AT:MS     hold the audio thread up for MS milliseconds (at most
                          5000), AT seconds into the run, as a DAW's audio
                          thread sometimes is; a stall longer than a
                          transport's buffer, by less than 100 ms, is one
                          drop-out (e.g. 3:90 with the 40 ms default); repeat
                          as needed
  --list-params           list the parameters and exit
  --bundle PATH           the VST 3 bundle to load (default: the one built
                          beside this program)
  --info                  print the bundle's factory, class and parameters
                          (titles, units, step counts, flags) and exit
  --state-in FILE         load a saved component state before the settings
  --state-out FILE        save the component state when the run ends
  --editor                show the plug-in's editor in a window of this program
                          while it runs (needs an X display); closing the
                          window stops the run like Ctrl-C
  --editor-cycles N       open the editor in a window and close it again N
                          times (at most 10000) while the plug-in runs, then
                          print what the process holds before the first,
                          after the first and after the last (windows,
                          timers, GDI objects, threads, descriptors) and
                          what the cycles left behind; the run then ends
  --ui-scale S            the screen scale the editor is told (--editor,
                          --editor-cycles) or drawn at (--snapshot), from 0.5
                          to 4 (default: the display's own for the window,
                          1 for --snapshot)
  --snapshot FILE.png     after the run, draw the editor off-screen (no
                          display needed) and write it as a PNG picture
  --direct                run the plug-in class linked into this program
  --list-presets          list the saved presets and exit
  --preset NAME           apply the saved preset NAME before the settings
                          (the SRT passphrase given here, if any, stays)
  --save-preset NAME      save the settings given on the command line (after
                          --state-in and --preset) as the preset NAME and exit
  --help                  show this text
Settings apply in the order given.
)";
}

}  // namespace relaycaster_host
