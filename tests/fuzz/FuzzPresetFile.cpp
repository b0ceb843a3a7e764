// Arbitrary bytes as a preset file, a Base64 state and a preset name.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "presets/PresetStore.h"

namespace {

/// One file per fuzzing process, removed when the process ends.
struct Scratch {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("fuzz-preset-" + std::to_string(::getpid()) + ".rlcpreset");
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
};

const std::filesystem::path& ScratchFile() {
  static const Scratch scratch;
  return scratch.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream file(ScratchFile(), std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  relaycaster::Preset preset;
  std::string error;
  const bool read = relaycaster::ReadPreset(ScratchFile(), preset, error);
  if (read != error.empty()) __builtin_trap();  // an error text exactly on failure
  if (read && preset.state.empty()) __builtin_trap();

  if (const auto bytes = relaycaster::Base64Decode(text)) {
    if (relaycaster::Base64Decode(relaycaster::Base64Encode(*bytes)) != bytes) __builtin_trap();
  }

  const std::filesystem::path file = relaycaster::FileNameForName("/presets", text);
  if (file.parent_path() != "/presets" || file.extension() != ".rlcpreset") __builtin_trap();
  if (file.stem().string().size() > 81) __builtin_trap();  // 80 bytes and a device-name "-"
  return 0;
}
