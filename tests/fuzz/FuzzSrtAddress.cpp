// Arbitrary text typed into the SRT host field.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/SrtAddress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const relaycaster::SrtAddress address = relaycaster::ParseSrtAddress(text);
  if (address.port && (*address.port < 1 || *address.port > 65535)) __builtin_trap();
  if (address.latencyMs && *address.latencyMs < 0) __builtin_trap();
  if (address.host.size() > size) __builtin_trap();
  return 0;
}
