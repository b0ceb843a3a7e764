#include "core/SrtAddress.h"

#include <algorithm>
#include <cctype>

namespace relaycaster {
namespace {

constexpr std::string_view kScheme = "srt://";
constexpr int kLatencyMillisecondsLimit = 8000;  // larger values are microseconds

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view trim(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool startsWithSchemeIgnoringCase(std::string_view text) {
  if (text.size() < kScheme.size()) return false;
  for (size_t i = 0; i < kScheme.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != kScheme[i]) return false;
  return true;
}

// 1 to 9 decimal digits, nothing else; the value, or -1.
long long parseDigits(std::string_view text) {
  if (text.empty() || text.size() > 9) return -1;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<int> parsePort(std::string_view text) {
  const long long value = parseDigits(text);
  if (value < 1 || value > 65535) return std::nullopt;
  return static_cast<int>(value);
}

struct HostAndPort {
  std::string_view host;
  std::string_view portText;
};

HostAndPort splitHostAndPort(std::string_view rest) {
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    if (close == std::string_view::npos) return {rest, {}};
    HostAndPort result{rest.substr(1, close - 1), {}};
    if (close + 1 < rest.size() && rest[close + 1] == ':') result.portText = rest.substr(close + 2);
    return result;
  }
  if (std::count(rest.begin(), rest.end(), ':') == 1) {
    const size_t colon = rest.find(':');
    return {rest.substr(0, colon), rest.substr(colon + 1)};
  }
  return {rest, {}};
}

void applyQueryItem(std::string_view item, SrtAddress& address) {
  const size_t equals = item.find('=');
  if (equals == std::string_view::npos) return;
  std::string key = PercentDecode(item.substr(0, equals));
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::string value = PercentDecode(item.substr(equals + 1));
  if (key == "streamid") {
    address.streamId = std::move(value);
  } else if (key == "passphrase") {
    address.passphrase = std::move(value);
  } else if (key == "latency") {
    const long long number = parseDigits(value);
    if (number < 0) return;
    address.latencyMs = static_cast<int>(number <= kLatencyMillisecondsLimit ? number : (number + 500) / 1000);
  }
}

void applyQuery(std::string_view query, SrtAddress& address) {
  while (true) {
    const size_t amp = query.find('&');
    applyQueryItem(query.substr(0, amp), address);
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
      decoded.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
      i += 2;
    } else {
      decoded.push_back(text[i]);
    }
  }
  return decoded;
}

SrtAddress ParseSrtAddress(std::string_view text) {
  SrtAddress address;
  std::string_view rest = trim(text);
  std::string_view query;
  const bool isUrl = startsWithSchemeIgnoringCase(rest);
  if (isUrl) {
    rest.remove_prefix(kScheme.size());
    const size_t question = rest.find('?');
    if (question != std::string_view::npos) {
      query = rest.substr(question + 1);
      rest = rest.substr(0, question);
    }
    rest = rest.substr(0, rest.find('/'));
  }
  const HostAndPort parts = splitHostAndPort(rest);
  address.host = PercentDecode(parts.host);
  address.port = parsePort(parts.portText);
  if (isUrl && !query.empty()) applyQuery(query, address);
  return address;
}

}  // namespace relaycaster
