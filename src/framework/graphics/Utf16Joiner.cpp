#include "framework/graphics/Utf16Joiner.h"

#include "framework/graphics/Utf8.h"

namespace framework {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsControl(uint32_t codePoint) { return codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0); }

}  // namespace

std::string Utf8FromCodePoint(uint32_t cp) {
  std::string out;
  AppendUtf8(out, cp);
  return out;
}

std::string Utf16Joiner::Push(uint16_t unit) {
  std::string out;
  if (mHigh != 0) {
    const uint32_t high = mHigh;
    mHigh = 0;
    if (IsLowSurrogate(unit)) return Utf8FromCodePoint(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00u));
    out = Utf8FromCodePoint(kReplacement);  // the first half's partner never came
  }
  if (IsHighSurrogate(unit)) {
    mHigh = unit;
    return out;
  }
  if (IsLowSurrogate(unit)) return out + Utf8FromCodePoint(kReplacement);
  if (IsControl(unit)) return out;
  return out + Utf8FromCodePoint(unit);
}

}  // namespace framework
