// Arbitrary text typed into a numeric field or a value caption.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "editor/ParseTypedNumber.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first bytes choose the range, so reversed, huge and empty ranges are tried too.
  double bounds[2] = {-60.0, 12.0};
  if (size >= sizeof bounds) {
    std::memcpy(bounds, data, sizeof bounds);
    data += sizeof bounds;
    size -= sizeof bounds;
  }
  const double min = bounds[0];
  const double max = bounds[1];
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const relaycaster::TypedNumber typed = relaycaster::ParseTypedNumber(text, min, max);
  if (!typed.ok && typed.value != 0.0) __builtin_trap();
  // With a sane range every result lies inside it.
  if (typed.ok && std::isfinite(min) && std::isfinite(max) && min <= max &&
      (!(typed.value >= min) || !(typed.value <= max)))
    __builtin_trap();
  return 0;
}
