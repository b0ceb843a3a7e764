#include "framework/graphics/XResources_linux.h"

#include <charconv>

namespace framework {
namespace {

constexpr double kMinDpi = 48.0;
constexpr double kMaxDpi = 960.0;

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

std::optional<double> ParseDpi(std::string_view text) {
  text = TrimBlanks(text);
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (!(value >= kMinDpi && value <= kMaxDpi)) return std::nullopt;
  return value;
}

}  // namespace

std::optional<double> ParseXftDpi(std::string_view resources) {
  std::optional<double> dpi;
  while (!resources.empty()) {
    const size_t newline = resources.find('\n');
    std::string_view line = resources.substr(0, newline);
    resources.remove_prefix(newline == std::string_view::npos ? resources.size() : newline + 1);
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || TrimBlanks(line.substr(0, colon)) != "Xft.dpi") continue;
    // A later line replaces an earlier one, as when resources are merged;
    // an unusable later value leaves the earlier one.
    if (const std::optional<double> value = ParseDpi(line.substr(colon + 1))) dpi = value;
  }
  return dpi;
}

}  // namespace framework
