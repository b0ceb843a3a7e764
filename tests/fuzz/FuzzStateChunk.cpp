// Arbitrary bytes handed to the plug-in as a saved state, the way a host
// restores a project or a preset file brings its chunk.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Relaycaster.h"

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
