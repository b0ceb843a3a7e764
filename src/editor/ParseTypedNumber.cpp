#include "editor/ParseTypedNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace relaycaster {
namespace {

constexpr std::string_view kMinusSign = "\xE2\x88\x92";  // U+2212 in UTF-8

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

/// A small cursor over the text, so each step of the grammar reads as one line.
struct Reader {
  std::string_view text;
  size_t pos = 0;

  bool AtEnd() const { return pos >= text.size(); }
  char Peek() const { return AtEnd() ? '\0' : text[pos]; }
  void SkipSpaces() {
    while (!AtEnd() && IsSpace(text[pos])) ++pos;
  }
  bool Take(std::string_view token) {
    if (text.substr(pos, token.size()) != token) return false;
    pos += token.size();
    return true;
  }
};

/// Appends the decimal digits at the cursor to `out`; returns how many.
size_t TakeDigits(Reader& in, std::string& out) {
  size_t count = 0;
  while (IsDigit(in.Peek())) {
    out += in.Peek();
    ++in.pos;
    ++count;
  }
  return count;
}

}  // namespace

TypedNumber ParseTypedNumber(std::string_view text, double min, double max) {
  Reader in{text};
  in.SkipSpaces();
  double sign = 1.0;
  if (in.Take("-")) sign = -1.0;
  else if (in.Take("+")) sign = 1.0;
  else if (in.Take(kMinusSign)) sign = -1.0;
  in.SkipSpaces();

  // The digits are gathered in the plain "123.45" form and converted by
  // from_chars: correctly rounded, and deaf to the host's locale.
  std::string digits = "0";  // "0" first, so ".5" and "5." read as well
  const size_t integerDigits = TakeDigits(in, digits);
  const bool integerNonZero = digits.find_first_not_of('0') != std::string::npos;
  size_t fractionDigits = 0;
  if (in.Peek() == '.' || in.Peek() == ',') {
    ++in.pos;
    digits += '.';
    fractionDigits = TakeDigits(in, digits);
    digits += '0';
  }
  if (integerDigits + fractionDigits == 0) return {};
  // Whatever follows the number is ignored.

  double value = 0.0;
  const std::from_chars_result read = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  // Out of range: too many integer digits overflow, a long run of zeros
  // after the separator underflows.
  if (read.ec == std::errc::result_out_of_range) value = integerNonZero ? HUGE_VAL : 0.0;
  double result = sign * value;
  // Not std::clamp: a reversed range must not be undefined behaviour.
  if (!(result >= min)) result = min;
  if (!(result <= max)) result = max;
  return {result, true};
}

}  // namespace relaycaster
