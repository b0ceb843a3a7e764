#pragma once

#include <string>

#include "pluginterfaces/base/ftypes.h"

namespace framework::vst3 {

/// Text is UTF-8 inside the plug-in and UTF-16 at the VST 3 boundary. Both
/// directions are total: malformed input becomes U+FFFD, never an error.

/// Writes `text` as UTF-16 into `out`, which holds `capacity` units including
/// the terminator (128 for a String128). A longer text is cut at a character
/// boundary, so a surrogate pair is never split.
void Utf8ToUtf16(const std::string& text, Steinberg::char16* out, int capacity);

/// Reads UTF-16 up to its terminator or `maxUnits` units, whichever comes first.
std::string Utf16ToUtf8(const Steinberg::char16* text, int maxUnits);

}  // namespace framework::vst3
