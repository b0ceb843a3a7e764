#pragma once

// Typed text that arrives one UTF-16 unit at a time (Windows' WM_CHAR,
// which also brings what an input method composed), joined into whole
// characters for the toolkit. Platform-neutral: it sees numbers only.
#include <cstdint>
#include <string>

namespace framework {

/// Threads: one owner (the window's thread).
class Utf16Joiner {
 public:
  /// One unit. Returns the UTF-8 of a whole character that was typed, or
  /// an empty string: for the first half of a surrogate pair (the second
  /// comes next), and for control characters (keys such as Return, Tab,
  /// Backspace and Ctrl+letter, which arrive as key presses of their own).
  /// A half pair that finds no partner becomes U+FFFD.
  std::string Push(uint16_t unit);
  /// Forgets a waiting first half (the window lost the keyboard).
  void Reset() { mHigh = 0; }

 private:
  uint16_t mHigh = 0;  // a first half waiting for its partner
};

/// UTF-8 of one code point (U+FFFD for surrogates and values past U+10FFFF).
std::string Utf8FromCodePoint(uint32_t codePoint);

}  // namespace framework
