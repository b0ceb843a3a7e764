#include "framework/graphics/UrlOpener_win.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <wininet.h>

#include <algorithm>
#include <cctype>
#include <memory>
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

// The shell's "open" may take its time (it can start a browser, or ask
// the user which program to use), so it runs on a thread of its own. The
// thread holds a reference to our module and gives it back as it ends, so
// a host that unloads the plug-in meanwhile does not pull the code from
// under it.
DWORD WINAPI OpenOnItsOwnThread(void* parameter) {
  std::unique_ptr<std::wstring> address(static_cast<std::wstring*>(parameter));
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ShellExecuteW(nullptr, L"open", address->c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (SUCCEEDED(com)) CoUninitialize();
  address.reset();
  HMODULE self = nullptr;
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&OpenOnItsOwnThread), &self))
    FreeLibraryAndExitThread(self, 0);
  return 0;
}

}  // namespace

// Without an Internet connection nothing happens: a browser opened on an
// error page would tell the user less than the unchanged pill does.
bool OpenInBrowser(std::string_view url) {
  if (!IsWebAddress(url)) return false;
  DWORD connection = 0;
  if (!InternetGetConnectedState(&connection, 0)) return false;
  auto address = std::make_unique<std::wstring>(WideFromUtf8(url));
  HMODULE module = nullptr;  // the thread's reference, given back as it ends
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&OpenOnItsOwnThread),
                          &module))
    return false;
  HANDLE thread = CreateThread(nullptr, 0, &OpenOnItsOwnThread, address.get(), 0, nullptr);
  if (!thread) {
    FreeLibrary(module);
    return false;
  }
  address.release();  // the thread's now
  CloseHandle(thread);
  return true;
}

}  // namespace framework
