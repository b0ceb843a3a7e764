// Arbitrary bytes handed to the plug-in as a saved state, the way a host
// restores a project or a preset file brings its chunk.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "core/Relaycaster.h"

// The plug-in's update check must stay quiet while fuzzing: its data
// folder goes to a fresh temporary directory holding the "updates-off"
// marker, and its feed to a loopback port where nothing listens.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "/tmp/relaycaster-fuzz-XXXXXX";
  if (mkdtemp(folder)) {
    setenv("XDG_DATA_HOME", folder, 1);
    const std::filesystem::path shared = std::filesystem::path(folder) / "Brightwold" / "Shared";
    std::error_code ignored;
    std::filesystem::create_directories(shared, ignored);
    std::ofstream(shared / "updates-off") << "fuzzing\n";
  }
  setenv("BRIGHTWOLD_UPDATES_URL", "http://127.0.0.1:9/updates.json", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto plugin = std::make_unique<relaycaster::Relaycaster>();
  const framework::ByteChunk chunk(std::vector<uint8_t>(data, data + size));
  const int start = size > 0 ? data[0] % 8 : 0;
  plugin->SetForPresetFile(size > 1 && (data[1] & 1));
  const int pos = plugin->LoadStateChunk(chunk, start);
  if (pos < -1 || pos > static_cast<int>(size)) __builtin_trap();
  for (int i = 0; i < plugin->NParams(); ++i) {
    const framework::IParam& param = *plugin->GetParam(i);
    const double value = param.Value();
    if (!(value >= param.Min() && value <= param.Max())) __builtin_trap();
  }
  if (plugin->accentColourIndex() < 0 || plugin->accentColourIndex() > 5) __builtin_trap();
  framework::ByteChunk again;
  plugin->SaveStateChunk(again);
  return 0;
}
