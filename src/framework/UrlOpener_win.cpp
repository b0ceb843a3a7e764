#include <windows.h>
#include <shellapi.h>
#include <wininet.h>

#include "framework/UrlOpener.h"
#include "framework/WideText_win.h"

namespace framework {

// Without an Internet connection nothing happens: a browser opened on an
// error page would tell the user less than the unchanged pill does.
bool OpenUrlInBrowser(const std::string& url) {
  DWORD connection = 0;
  if (!InternetGetConnectedState(&connection, 0)) return false;
  const std::wstring wide = WideFromUtf8(url);
  // ShellExecuteW reports success as a value above 32.
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace framework
