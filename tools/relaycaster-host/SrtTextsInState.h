#pragma once

// A VST 3 host reaches the SRT text settings and the preset bar's current
// preset only through the plug-in's saved state, so the command-line host
// edits them there: it reads the state, replaces a field and loads the
// state back.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace relaycaster_host {

/// The SRT texts as the plug-in's state chunk holds them.
struct StateSrtTexts {
  std::string host;
  std::string streamId;
  std::string passphrase;
};

/// Reads the texts from a component state (the plug-in's chunk, then the
/// host bypass); nothing when the state is not in the plug-in's layout.
std::optional<StateSrtTexts> readSrtTexts(const std::vector<uint8_t>& state);

/// The same state with the texts replaced and every other byte kept;
/// nothing when the state is not in the plug-in's layout.
std::optional<std::vector<uint8_t>> withSrtTexts(const std::vector<uint8_t>& state, const StateSrtTexts& texts);

/// The same state naming `name` as the current preset, unmodified, as the
/// plug-in's own preset commands leave it after a load or a save; every
/// other byte kept. Nothing when the state does not begin with the
/// plug-in's chunk header.
std::optional<std::vector<uint8_t>> withCurrentPreset(const std::vector<uint8_t>& state, const std::string& name);

}  // namespace relaycaster_host
