#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace relaycaster {

/// Presets as small text files in one folder (PresetsFolder() in the
/// plug-in; tests pass their own). The store keeps nothing between calls:
/// every listing reads the folder again, so presets saved by another
/// instance or copied in by hand show up at once.
///
/// A preset file is UTF-8, three lines each ended by LF:
///   Relaycaster preset 1
///   name=<the name, CR and LF replaced by spaces>
///   state=<the plug-in state chunk in standard Base64>
/// The reader also takes CR LF, blank lines, lines without "=", other keys
/// and any order of the key lines after the header.
///
/// Threads: the editor's thread; no state, no locks.

/// The store's fixed texts.
struct PresetStore {
  std::string_view extension = ".rlcpreset";
  std::string_view header = "Relaycaster preset 1";
  std::string_view productName = "Relaycaster";
  std::string_view fallbackFileName = "Preset";
  size_t maxStemBytes = 80;
  int maxNumberedCandidate = 999;
  size_t maxFileBytes = 1 << 20;  // real presets are a few hundred bytes
};
inline constexpr PresetStore kPresetStore{};

struct Preset {
  std::string name;            // UTF-8, as shown to the user
  std::vector<uint8_t> state;  // the plug-in state chunk
  std::filesystem::path path;  // filled by ReadPreset
};

/// Every readable preset in the folder, sorted by the names' UTF-8 bytes.
/// Unreadable files are left out silently; a folder that cannot be listed
/// gives an empty list.
std::vector<Preset> ReadAllPresets(const std::filesystem::path& folder);

/// The first preset of ReadAllPresets with exactly this name, if any.
std::optional<Preset> FindPresetByName(const std::filesystem::path& folder, std::string_view name);

/// Reads one file. On failure returns false with error = "not an
/// Relaycaster preset: <file name>" (missing, not a regular file, empty,
/// over maxFileBytes, wrong header) or "the
/// preset has no readable state: <file name>". A file without a name line
/// takes its file name's stem as its name.
bool ReadPreset(const std::filesystem::path& path, Preset& preset, std::string& error);

/// Writes the preset to PathForName(folder, name), replacing the file
/// whole. On failure returns false with error = "could not write " + path;
/// when every candidate file name belongs to another preset the error names
/// the first-choice path and adds " (every file name for this preset is
/// taken)", and nothing is overwritten.
bool WritePreset(const std::filesystem::path& folder, const std::string& name, const std::vector<uint8_t>& state,
                 std::string& error);

/// Deletes a preset's file: RemoveFile, with its "could not delete <file
/// name>" error text.
bool DeletePresetFile(const std::filesystem::path& path, std::string& error);

/// The first-choice file for a name: characters that file systems refuse
/// become "-", the stem is cut to 80 bytes at a UTF-8 boundary, spaces and
/// dots are trimmed, an empty result becomes "Preset", and Windows device
/// names (CON, PRN, AUX, NUL, COM1-9, LPT1-9, before the first ".", any
/// letter case) get a "-" appended.
std::filesystem::path FileNameForName(const std::filesystem::path& folder, std::string_view name);

/// The file a preset of this name is written to: the first of the plain
/// name and the numbered names "<stem>-1" .. "<stem>-999" that is free or
/// already holds a preset of exactly this name. Nothing when all 1000
/// belong to other presets (or are unreadable, or folders).
std::optional<std::filesystem::path> PathForName(const std::filesystem::path& folder, std::string_view name);

/// Standard Base64 (RFC 4648, "+" and "/", "=" padding, no line breaks).
std::string Base64Encode(const std::vector<uint8_t>& bytes);
/// Strict decoding: a length that is a multiple of 4, padding only at the
/// very end ("=" or "=="), nothing outside the alphabet. Else nothing.
std::optional<std::vector<uint8_t>> Base64Decode(std::string_view text);

}  // namespace relaycaster
