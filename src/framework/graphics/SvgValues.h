#pragma once

// The SVG reader's attribute values: numbers as the path and list grammars
// write them, lengths with units, colours, paints and transform lists.
// Every parser gives nothing for a value it cannot read completely, so the
// caller can ignore a bad attribute as a whole.
//
// Threads: any; no shared state.
#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>

#include "framework/graphics/IGraphicsTypes.h"

namespace framework::svg {

/// An affine map (x, y) -> (a x + c y + e, b x + d y + f), SVG's matrix(a b c d e f).
struct Matrix {
  double a = 1.0, b = 0.0, c = 0.0, d = 1.0, e = 0.0, f = 0.0;

  /// This map applied after `inner`.
  Matrix operator*(const Matrix& inner) const;
  double MapX(double x, double y) const { return a * x + c * y + e; }
  double MapY(double x, double y) const { return b * x + d * y + f; }
  /// How much the map scales lengths on average (the root of |det|), which
  /// is what a stroke width scales by.
  double LengthScale() const;
  /// Every entry finite and within kMaxSvgNumber.
  bool Bounded() const;
};

/// Reads numbers, flags and separators off the front of a list value
/// ("10,20 30-40", ".5.5", "1e-3"). Numbers beyond kMaxSvgNumber in
/// magnitude, infinities and NaN are refused.
class NumberScanner {
 public:
  explicit NumberScanner(std::string_view text) : mText(text) {}

  /// Skips white space and at most one comma between values.
  void SkipSeparators();
  void SkipSpace();
  bool AtEnd() const { return mPos >= mText.size(); }
  char Peek() const { return AtEnd() ? '\0' : mText[mPos]; }
  void Advance() { ++mPos; }
  /// What is left to read.
  std::string_view Rest() const { return mText.substr(std::min(mPos, mText.size())); }
  /// Takes the letters starting here ("rotate" of "rotate(45)").
  std::string_view Word();
  /// After SkipSeparators: true when a number starts here.
  bool AtNumber() const;
  /// One number; false leaves the position where the number should start.
  bool Number(double& out);
  /// An arc flag: the single character '0' or '1', which may run into the next value.
  bool Flag(bool& out);

 private:
  std::string_view mText;
  size_t mPos = 0;
};

/// The value without leading and trailing white space.
std::string_view Trim(std::string_view text);

/// A whole value that is exactly one number.
std::optional<double> ParseNumber(std::string_view text);
/// A length in px: a number with no unit or px, pt, pc, mm, cm or in at `dpi`.
std::optional<double> ParseLength(std::string_view text, double dpi);
/// A number or a percentage, as opacities are written, clamped to 0..1.
std::optional<double> ParseOpacity(std::string_view text);
/// #rgb, #rgba, #rrggbb, #rrggbbaa, rgb()/rgba() with numbers or
/// percentages, or one of the basic colour names.
std::optional<IColor> ParseColor(std::string_view text);

struct Paint {
  enum class Kind { None, Color, CurrentColor };
  Kind kind = Kind::None;
  IColor color;
};
/// none, currentColor, a colour, or url(#id) with an optional fallback
/// colour (references are not followed: the fallback or none is used).
std::optional<Paint> ParsePaint(std::string_view text);

/// A transform list: matrix, translate, scale, rotate (with an optional
/// centre), skewX and skewY, composed left to right as SVG does.
std::optional<Matrix> ParseTransform(std::string_view text);

}  // namespace framework::svg
