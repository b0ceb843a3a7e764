// The desktop's resource text (the root window's RESOURCE_MANAGER, which
// any X client may write): any bytes give a dpi in range or nothing.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "framework/graphics/XResources_linux.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto dpi = framework::ParseXftDpi(text))
    if (!(*dpi >= 48.0 && *dpi <= 960.0)) __builtin_trap();
  return 0;
}
