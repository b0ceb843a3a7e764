#include <windows.h>

#include <string>
#include <vector>

#include "framework/WideText_win.h"
#include "transport/ndi/NdiRuntimePlatform.h"

namespace relaycaster::ndi_platform {
namespace {

// Any address inside this DLL serves to find it.
void moduleAnchor() {}

// Long paths (\\?\ form) can reach 32767 characters.
constexpr DWORD kPathCapacity = 32768;

}  // namespace

const char* const kRuntimeFileName = "Processing.NDI.Lib.x64.dll";

std::optional<std::string> ownModulePath() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&moduleAnchor), &module)) {
    return std::nullopt;
  }
  std::vector<wchar_t> path(kPathCapacity);
  const DWORD length = GetModuleFileNameW(module, path.data(), kPathCapacity);
  // A result that fills the buffer is a truncated path.
  if (length == 0 || length >= kPathCapacity) return std::nullopt;
  return framework::Utf8FromWide(std::wstring_view(path.data(), length));
}

void* openLibrary(const std::string& path, std::string& systemError) {
  // The runtime's own dependencies are looked for in its folder first.
  HMODULE library = LoadLibraryExW(framework::WideFromUtf8(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (library == nullptr) systemError = std::to_string(GetLastError());
  return reinterpret_cast<void*>(library);
}

void* findSymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

}  // namespace relaycaster::ndi_platform
