#pragma once

#include <string_view>

namespace relaycaster {

/// What a typed number read as.
struct TypedNumber {
  double value = 0.0;
  bool ok = false;  // false: the text held no digit, nothing to set
};

/// Reads a number the way people type one into a field or a value caption:
/// leading spaces, an optional sign ("-", "+" or the minus sign U+2212),
/// digits with "." or "," as the decimal separator, and anything after the
/// number (a unit, a typo) ignored. The value is clamped to [min, max].
/// Never fails on garbage: text without a digit is simply not ok.
TypedNumber ParseTypedNumber(std::string_view text, double min, double max);

}  // namespace relaycaster
