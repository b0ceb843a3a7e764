#include "web/HttpClient.h"

#include <cctype>

namespace relaycaster {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

/// The host part of an authority ("user@host:port", "[::1]:80").
std::string_view HostOf(std::string_view authority) {
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    return close == std::string_view::npos ? std::string_view{} : authority.substr(1, close - 1);
  }
  return authority.substr(0, authority.find(':'));
}

}  // namespace

bool IsAbsoluteHttpUrl(std::string_view url) {
  size_t schemeLength = 0;
  if (StartsWithNoCase(url, "https://")) schemeLength = 8;
  else if (StartsWithNoCase(url, "http://")) schemeLength = 7;
  else return false;
  std::string_view rest = url.substr(schemeLength);
  return !HostOf(rest.substr(0, rest.find_first_of("/?#"))).empty();
}

}  // namespace relaycaster
