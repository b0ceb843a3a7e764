#include "framework/vst3/Utf16.h"

#include <cstdint>

namespace framework::vst3 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

/// Decodes one code point starting at text[pos] and advances pos past it.
/// Overlong forms, surrogates and values above U+10FFFF are malformed.
char32_t DecodeUtf8(const std::string& text, size_t& pos) {
  const auto byteAt = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byteAt(pos++);
  if (lead < 0x80) return lead;

  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return kReplacement;  // a continuation byte or an invalid lead byte
  }
  for (int i = 0; i < extra; ++i) {
    if (pos >= text.size() || (byteAt(pos) & 0xC0) != 0x80) return kReplacement;
    cp = cp << 6 | (byteAt(pos++) & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

void Utf8ToUtf16(const std::string& text, Steinberg::char16* out, int capacity) {
  if (!out || capacity <= 0) return;
  int used = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    const char32_t cp = DecodeUtf8(text, pos);
    const int units = cp >= 0x10000 ? 2 : 1;
    if (used + units > capacity - 1) break;  // keep room for the terminator
    if (units == 2) {
      const char32_t v = cp - 0x10000;
      out[used++] = static_cast<Steinberg::char16>(0xD800 + (v >> 10));
      out[used++] = static_cast<Steinberg::char16>(0xDC00 + (v & 0x3FF));
    } else {
      out[used++] = static_cast<Steinberg::char16>(cp);
    }
  }
  out[used] = 0;
}

std::string Utf16ToUtf8(const Steinberg::char16* text, int maxUnits) {
  std::string out;
  if (!text) return out;
  for (int i = 0; i < maxUnits && text[i] != 0; ++i) {
    const char32_t unit = static_cast<char16_t>(text[i]);
    char32_t cp = unit;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      const char32_t next = i + 1 < maxUnits ? static_cast<char16_t>(text[i + 1]) : 0;
      if (next >= 0xDC00 && next <= 0xDFFF) {
        cp = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
        ++i;
      } else {
        cp = kReplacement;
      }
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace framework::vst3
