#pragma once

#include <cmath>
#include <cstdint>

namespace relaycaster {

/// Float sample to a signed integer of `bits` bits: x clamped to
/// [-1, (2^(bits-1) - 1) / 2^(bits-1)], scaled by 2^(bits-1) and rounded with
/// halves away from zero. NaN becomes 0. Exact in double precision for
/// every float input up to 24 bits.
template <int bits>
inline int32_t quantiseSample(float x) {
  static_assert(bits >= 2 && bits <= 24);
  constexpr double kScale = static_cast<double>(1 << (bits - 1));
  constexpr double kHighest = (kScale - 1.0) / kScale;
  const double value = x;
  if (!(value == value)) return 0;  // NaN
  const double clamped = value < -1.0 ? -1.0 : (value > kHighest ? kHighest : value);
  return static_cast<int32_t>(std::lround(clamped * kScale));
}

inline int32_t quantise24(float x) { return quantiseSample<24>(x); }
inline int16_t quantise16(float x) { return static_cast<int16_t>(quantiseSample<16>(x)); }

}  // namespace relaycaster
