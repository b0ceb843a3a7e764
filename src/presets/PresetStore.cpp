#include "presets/PresetStore.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "files/FileHelpers.h"

namespace relaycaster {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBase64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

void DropTrailingCr(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

std::string WithLineBreaksAsSpaces(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return text;
}

std::string FileText(const std::string& name, const std::vector<uint8_t>& state) {
  std::string text(kPresetStore.header);
  text += "\nname=" + WithLineBreaksAsSpaces(name) + "\nstate=" + Base64Encode(state) + "\n";
  return text;
}

bool IsRefusedInFileNames(unsigned char c) {
  return c < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
         c == '>' || c == '|';
}

/// Cuts to at most `limit` bytes without splitting a UTF-8 character.
void CutAtCharacterBoundary(std::string& text, size_t limit) {
  if (text.size() <= limit) return;
  size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
}

void TrimSpacesAndDots(std::string& text) {
  const size_t first = text.find_first_not_of(" .");
  if (first == std::string::npos) {
    text.clear();
    return;
  }
  text = text.substr(first, text.find_last_not_of(" .") - first + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x >= 'a' && x <= 'z' ? x - 32 : x) == y;
         });
}

/// CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9 in any letter case: names
/// Windows reserves for devices whatever extension follows them.
bool IsDeviceName(std::string_view stem) {
  for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
    if (EqualsNoCase(stem, device)) return true;
  }
  if (stem.size() != 4 || stem[3] < '1' || stem[3] > '9') return false;
  return EqualsNoCase(stem.substr(0, 3), "COM") || EqualsNoCase(stem.substr(0, 3), "LPT");
}

std::string FileStemFor(std::string_view name) {
  std::string stem(name);
  for (char& c : stem) {
    if (IsRefusedInFileNames(static_cast<unsigned char>(c))) c = '-';
  }
  CutAtCharacterBoundary(stem, kPresetStore.maxStemBytes);
  TrimSpacesAndDots(stem);
  if (stem.empty()) stem = kPresetStore.fallbackFileName;
  if (IsDeviceName(std::string_view(stem).substr(0, stem.find('.')))) stem += "-";
  return stem;
}

/// A candidate file is ours when it is free, or holds a preset of exactly
/// this name (saving again overwrites it).
bool CandidateIsOurs(const fs::path& candidate, std::string_view name) {
  if (!FileSystemObjectExists(candidate)) return true;
  Preset existing;
  std::string ignored;
  return ReadPreset(candidate, existing, ignored) && existing.name == name;
}

}  // namespace

std::vector<Preset> ReadAllPresets(const fs::path& folder) {
  std::vector<Preset> presets;
  const FileListing listing = ListFilesWithExtension(folder, kPresetStore.extension);
  if (listing.failed()) return presets;
  for (const fs::path& path : listing.paths) {
    Preset preset;
    std::string ignored;
    if (ReadPreset(path, preset, ignored)) presets.push_back(std::move(preset));
  }
  // std::string compares its bytes as unsigned char: UTF-8 byte order.
  std::sort(presets.begin(), presets.end(), [](const Preset& a, const Preset& b) { return a.name < b.name; });
  return presets;
}

std::optional<Preset> FindPresetByName(const fs::path& folder, std::string_view name) {
  for (Preset& preset : ReadAllPresets(folder)) {
    if (preset.name == name) return std::move(preset);
  }
  return std::nullopt;
}

bool ReadPreset(const fs::path& path, Preset& preset, std::string& error) {
  const std::string fileName = FileNameUtf8(path);
  // Only a regular file (or a link to one) of a preset's size can hold a
  // preset: opening a pipe would wait for a writer, a device could be read
  // without end, and a huge file would be held in memory at every listing.
  std::error_code ec;
  std::ifstream file;
  if (fs::is_regular_file(path, ec)) {
    const uintmax_t size = fs::file_size(path, ec);
    if (!ec && size <= kPresetStore.maxFileBytes) file.open(path);
  }
  std::string line;
  const bool readHeader = file.is_open() && std::getline(file, line);
  DropTrailingCr(line);
  if (!readHeader || line != kPresetStore.header) {
    error = "not an " + std::string(kPresetStore.productName) + " preset: " + fileName;
    return false;
  }
  preset = Preset{};
  bool stateValid = false;
  while (std::getline(file, line)) {
    DropTrailingCr(line);
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;  // also skips empty lines
    const std::string_view key = std::string_view(line).substr(0, equals);
    const std::string_view value = std::string_view(line).substr(equals + 1);
    if (key == "name") {
      preset.name = value;
    } else if (key == "state") {
      // The last state line decides, valid or not.
      std::optional<std::vector<uint8_t>> decoded = Base64Decode(value);
      stateValid = decoded && !decoded->empty();
      preset.state = stateValid ? std::move(*decoded) : std::vector<uint8_t>{};
    }
  }
  if (!stateValid) {
    error = "the preset has no readable state: " + fileName;
    return false;
  }
  if (preset.name.empty()) preset.name = FileStem(fileName);
  preset.path = path;
  return true;
}

bool WritePreset(const fs::path& folder, const std::string& name, const std::vector<uint8_t>& state,
                 std::string& error) {
  const std::optional<fs::path> path = PathForName(folder, name);
  if (!path) {
    error = "could not write " + PathToUtf8(FileNameForName(folder, name)) +
            " (every file name for this preset is taken)";
    return false;
  }
  return WriteViaPartialFile(*path, FileText(name, state), error);
}

bool DeletePresetFile(const fs::path& path, std::string& error) { return RemoveFile(path, error); }

fs::path FileNameForName(const fs::path& folder, std::string_view name) {
  return folder / PathFromUtf8(FileStemFor(name) + std::string(kPresetStore.extension));
}

std::optional<fs::path> PathForName(const fs::path& folder, std::string_view name) {
  const fs::path first = FileNameForName(folder, name);
  if (CandidateIsOurs(first, name)) return first;
  const std::string stem(FileStem(FileNameUtf8(first)));
  for (int k = 1; k <= kPresetStore.maxNumberedCandidate; ++k) {
    fs::path candidate = folder / PathFromUtf8(stem + "-" + std::to_string(k) + std::string(kPresetStore.extension));
    if (CandidateIsOurs(candidate, name)) return candidate;
  }
  return std::nullopt;
}

std::string Base64Encode(const std::vector<uint8_t>& bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t left = bytes.size() - i;
    const uint32_t group = static_cast<uint32_t>(bytes[i]) << 16 | (left > 1 ? bytes[i + 1] << 8 : 0) |
                           (left > 2 ? bytes[i + 2] : 0);
    text.push_back(kBase64Alphabet[group >> 18 & 0x3F]);
    text.push_back(kBase64Alphabet[group >> 12 & 0x3F]);
    text.push_back(left > 1 ? kBase64Alphabet[group >> 6 & 0x3F] : '=');
    text.push_back(left > 2 ? kBase64Alphabet[group & 0x3F] : '=');
  }
  return text;
}

std::optional<std::vector<uint8_t>> Base64Decode(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const std::string_view group = text.substr(i, 4);
    const bool last = i + 4 == text.size();
    // Padding: "=" in the fourth place, or "==" in the third and fourth,
    // and only in the last group.
    int padding = 0;
    if (last && group[3] == '=') padding = group[2] == '=' ? 2 : 1;
    uint32_t value = 0;
    for (size_t k = 0; k < 4; ++k) {
      const int digit = k >= 4 - static_cast<size_t>(padding) ? 0 : Base64Value(group[k]);
      if (digit < 0) return std::nullopt;
      value = value << 6 | static_cast<uint32_t>(digit);
    }
    bytes.push_back(static_cast<uint8_t>(value >> 16));
    if (padding < 2) bytes.push_back(static_cast<uint8_t>(value >> 8));
    if (padding < 1) bytes.push_back(static_cast<uint8_t>(value));
  }
  return bytes;
}

}  // namespace relaycaster
