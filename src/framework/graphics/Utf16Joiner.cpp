#include "framework/graphics/Utf16Joiner.h"

namespace framework {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsControl(uint32_t codePoint) { return codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0); }

}  // namespace

std::string Utf8FromCodePoint(uint32_t cp) {
  if (cp > 0x10FFFF || IsHighSurrogate(cp) || IsLowSurrogate(cp)) cp = kReplacement;
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
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
