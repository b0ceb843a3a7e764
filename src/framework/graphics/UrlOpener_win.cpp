#include "framework/graphics/UrlOpener_win.h"

#include <windows.h>
#include <shellapi.h>
#include <wininet.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "framework/WideText_win.h"

namespace framework {
namespace {

bool IsWebAddress(std::string_view url) {
  std::string lower(url.substr(0, 8));
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  const size_t scheme = lower.rfind("https://", 0) == 0 ? 8 : lower.rfind("http://", 0) == 0 ? 7 : 0;
  return scheme != 0 && url.size() > scheme;
}

}  // namespace

// Without an Internet connection nothing happens: a browser opened on an
// error page would tell the user less than the unchanged pill does.
bool OpenInBrowser(std::string_view url) {
  if (!IsWebAddress(url)) return false;
  DWORD connection = 0;
  if (!InternetGetConnectedState(&connection, 0)) return false;
  const std::wstring wide = WideFromUtf8(url);
  // ShellExecuteW reports success as a value above 32.
  const auto result =
      reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace framework
