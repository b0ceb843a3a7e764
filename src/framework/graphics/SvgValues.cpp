#include "framework/graphics/SvgValues.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "framework/graphics/SvgPicture.h"

namespace framework::svg {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool WithinLimit(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxSvgNumber; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  c = Lower(c);
  return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
}

std::optional<IColor> ParseHexColor(std::string_view hex) {
  int digits[8] = {};
  if (hex.size() != 3 && hex.size() != 4 && hex.size() != 6 && hex.size() != 8) return std::nullopt;
  for (size_t i = 0; i < hex.size(); ++i) {
    digits[i] = HexValue(hex[i]);
    if (digits[i] < 0) return std::nullopt;
  }
  const bool shortForm = hex.size() <= 4;
  const auto channel = [&](int i) { return shortForm ? digits[i] * 17 : digits[2 * i] * 16 + digits[2 * i + 1]; };
  const bool hasAlpha = hex.size() == 4 || hex.size() == 8;
  return IColor{hasAlpha ? channel(3) : 255, channel(0), channel(1), channel(2)};
}

/// rgb(r, g, b) or rgba(r, g, b, a) after the opening parenthesis.
std::optional<IColor> ParseRgbFunction(std::string_view args) {
  if (args.empty() || args.back() != ')') return std::nullopt;
  args.remove_suffix(1);
  double channels[4] = {0.0, 0.0, 0.0, 1.0};
  int count = 0;
  NumberScanner scan(args);
  scan.SkipSpace();
  while (!scan.AtEnd()) {
    if (count == 4) return std::nullopt;
    double v = 0.0;
    if (!scan.Number(v)) return std::nullopt;
    if (scan.Peek() == '%') {
      scan.Advance();
      v = count == 3 ? v / 100.0 : v * 255.0 / 100.0;
    }
    channels[count++] = v;
    scan.SkipSpace();
    if (scan.Peek() == ',' || scan.Peek() == '/') scan.Advance();
    scan.SkipSpace();
  }
  if (count != 3 && count != 4) return std::nullopt;
  const auto byte = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); };
  return IColor{byte(channels[3] * 255.0), byte(channels[0]), byte(channels[1]), byte(channels[2])};
}

std::optional<IColor> NamedColor(std::string_view name) {
  static constexpr struct {
    std::string_view name;
    IColor color;
  } kNames[] = {
      {"black", {255, 0, 0, 0}},         {"silver", {255, 192, 192, 192}}, {"gray", {255, 128, 128, 128}},
      {"grey", {255, 128, 128, 128}},    {"white", {255, 255, 255, 255}},  {"maroon", {255, 128, 0, 0}},
      {"red", {255, 255, 0, 0}},         {"purple", {255, 128, 0, 128}},   {"fuchsia", {255, 255, 0, 255}},
      {"magenta", {255, 255, 0, 255}},   {"green", {255, 0, 128, 0}},      {"lime", {255, 0, 255, 0}},
      {"olive", {255, 128, 128, 0}},     {"yellow", {255, 255, 255, 0}},   {"navy", {255, 0, 0, 128}},
      {"blue", {255, 0, 0, 255}},        {"teal", {255, 0, 128, 128}},     {"aqua", {255, 0, 255, 255}},
      {"cyan", {255, 0, 255, 255}},      {"orange", {255, 255, 165, 0}},   {"transparent", {0, 0, 0, 0}},
  };
  for (const auto& entry : kNames) {
    if (EqualsIgnoringCase(name, entry.name)) return entry.color;
  }
  return std::nullopt;
}

/// One transform function's arguments, "(" to ")"; at most six numbers.
bool ReadTransformArguments(NumberScanner& scan, double (&args)[6], int& count) {
  scan.SkipSpace();
  if (scan.Peek() != '(') return false;
  scan.Advance();
  count = 0;
  scan.SkipSpace();
  while (scan.Peek() != ')') {
    if (count == 6 || !scan.Number(args[count])) return false;
    ++count;
    scan.SkipSeparators();
  }
  scan.Advance();
  return true;
}

std::optional<Matrix> TransformFunction(std::string_view name, const double (&v)[6], int n) {
  const double toRadians = std::numbers::pi / 180.0;
  if (name == "matrix" && n == 6) return Matrix{v[0], v[1], v[2], v[3], v[4], v[5]};
  if (name == "translate" && (n == 1 || n == 2)) return Matrix{1, 0, 0, 1, v[0], n == 2 ? v[1] : 0.0};
  if (name == "scale" && (n == 1 || n == 2)) return Matrix{v[0], 0, 0, n == 2 ? v[1] : v[0], 0, 0};
  if (name == "rotate" && (n == 1 || n == 3)) {
    const double cs = std::cos(v[0] * toRadians), sn = std::sin(v[0] * toRadians);
    const Matrix rotation{cs, sn, -sn, cs, 0, 0};
    if (n == 1) return rotation;
    return Matrix{1, 0, 0, 1, v[1], v[2]} * rotation * Matrix{1, 0, 0, 1, -v[1], -v[2]};
  }
  if (name == "skewX" && n == 1) return Matrix{1, 0, std::tan(v[0] * toRadians), 1, 0, 0};
  if (name == "skewY" && n == 1) return Matrix{1, std::tan(v[0] * toRadians), 0, 1, 0, 0};
  return std::nullopt;
}

}  // namespace

Matrix Matrix::operator*(const Matrix& o) const {
  return {a * o.a + c * o.b, b * o.a + d * o.b, a * o.c + c * o.d,
          b * o.c + d * o.d, a * o.e + c * o.f + e, b * o.e + d * o.f + f};
}

double Matrix::LengthScale() const { return std::sqrt(std::fabs(a * d - b * c)); }

bool Matrix::Bounded() const {
  return WithinLimit(a) && WithinLimit(b) && WithinLimit(c) && WithinLimit(d) && WithinLimit(e) && WithinLimit(f);
}

void NumberScanner::SkipSpace() {
  while (!AtEnd() && IsSpace(mText[mPos])) ++mPos;
}

void NumberScanner::SkipSeparators() {
  SkipSpace();
  if (Peek() == ',') {
    ++mPos;
    SkipSpace();
  }
}

bool NumberScanner::AtNumber() const {
  const char c = Peek();
  return IsDigit(c) || c == '.' || c == '-' || c == '+';
}

bool NumberScanner::Number(double& out) {
  size_t p = mPos;
  const auto at = [&](size_t i) { return i < mText.size() ? mText[i] : '\0'; };
  const bool negative = at(p) == '-';
  if (at(p) == '-' || at(p) == '+') ++p;
  const size_t mantissa = p;
  size_t digits = 0;
  while (IsDigit(at(p))) ++p, ++digits;
  if (at(p) == '.') {
    ++p;
    while (IsDigit(at(p))) ++p, ++digits;
  }
  if (digits == 0) return false;
  // An exponent only when digits follow: "1em" is the number 1 and a unit.
  bool negativeExponent = false;
  if (at(p) == 'e' || at(p) == 'E') {
    size_t q = p + 1;
    negativeExponent = at(q) == '-';
    if (at(q) == '-' || at(q) == '+') ++q;
    if (IsDigit(at(q))) {
      while (IsDigit(at(q))) ++q;
      p = q;
    } else {
      negativeExponent = false;
    }
  }
  double value = 0.0;
  const char* first = mText.data() + mantissa;
  const auto [end, error] = std::from_chars(first, mText.data() + p, value);
  if (error == std::errc::result_out_of_range && negativeExponent) {
    value = 0.0;  // too small to tell from zero
  } else if (error != std::errc() || end != mText.data() + p) {
    return false;
  }
  if (negative) value = -value;
  if (!WithinLimit(value)) return false;
  out = value;
  mPos = p;
  return true;
}

std::string_view NumberScanner::Word() {
  const size_t start = mPos;
  while (!AtEnd() && ((Lower(mText[mPos]) >= 'a' && Lower(mText[mPos]) <= 'z'))) ++mPos;
  return mText.substr(start, mPos - start);
}

bool NumberScanner::Flag(bool& out) {
  const char c = Peek();
  if (c != '0' && c != '1') return false;
  out = c == '1';
  ++mPos;
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<double> ParseNumber(std::string_view text) {
  NumberScanner scan(Trim(text));
  double v = 0.0;
  if (!scan.Number(v) || !scan.AtEnd()) return std::nullopt;
  return v;
}

std::optional<double> ParseLength(std::string_view text, double dpi) {
  NumberScanner scan(Trim(text));
  double v = 0.0;
  if (!scan.Number(v)) return std::nullopt;
  const std::string_view unit = scan.Rest();
  static constexpr struct {
    std::string_view unit;
    double perInch;  // units in an inch; 0 for px, which does not depend on dpi
  } kUnits[] = {{"", 0.0}, {"px", 0.0}, {"pt", 72.0}, {"pc", 6.0}, {"mm", 25.4}, {"cm", 2.54}, {"in", 1.0}};
  for (const auto& u : kUnits) {
    if (unit != u.unit) continue;
    const double px = u.perInch == 0.0 ? v : v * dpi / u.perInch;
    if (!WithinLimit(px)) return std::nullopt;
    return px;
  }
  return std::nullopt;
}

std::optional<double> ParseOpacity(std::string_view text) {
  text = Trim(text);
  const bool percent = !text.empty() && text.back() == '%';
  if (percent) text.remove_suffix(1);
  const auto v = ParseNumber(text);
  if (!v) return std::nullopt;
  return std::clamp(percent ? *v / 100.0 : *v, 0.0, 1.0);
}

std::optional<IColor> ParseColor(std::string_view text) {
  text = Trim(text);
  if (text.starts_with('#')) return ParseHexColor(text.substr(1));
  const size_t open = text.find('(');
  if (open != std::string_view::npos) {
    const std::string_view function = Trim(text.substr(0, open));
    if (!EqualsIgnoringCase(function, "rgb") && !EqualsIgnoringCase(function, "rgba")) return std::nullopt;
    return ParseRgbFunction(text.substr(open + 1));
  }
  return NamedColor(text);
}

std::optional<Paint> ParsePaint(std::string_view text) {
  text = Trim(text);
  if (text == "none") return Paint{};
  if (EqualsIgnoringCase(text, "currentColor")) return Paint{Paint::Kind::CurrentColor, {}};
  if (text.starts_with("url(")) {
    const size_t close = text.find(')');
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view fallback = Trim(text.substr(close + 1));
    if (fallback.empty()) return Paint{};
    if (fallback.starts_with("url(")) return std::nullopt;
    return ParsePaint(fallback);
  }
  const auto color = ParseColor(text);
  if (!color) return std::nullopt;
  return Paint{Paint::Kind::Color, *color};
}

std::optional<Matrix> ParseTransform(std::string_view text) {
  NumberScanner scan(text);
  Matrix result;
  scan.SkipSeparators();
  while (!scan.AtEnd()) {
    const std::string_view name = scan.Word();
    double args[6] = {};
    int count = 0;
    if (name.empty() || !ReadTransformArguments(scan, args, count)) return std::nullopt;
    const auto step = TransformFunction(name, args, count);
    if (!step) return std::nullopt;
    result = result * *step;
    if (!result.Bounded()) return std::nullopt;
    scan.SkipSeparators();
  }
  return result;
}

}  // namespace framework::svg
