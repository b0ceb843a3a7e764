#include <windows.h>

#include <algorithm>
#include <cctype>

#include "framework/WideText_win.h"
#include "framework/graphics/Resources.h"

namespace framework {
namespace {

// Resources live in the module that holds this code: the plug-in DLL (or a
// program the toolkit is linked into).
HMODULE OwnModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&OwnModule), &module);
  return module;
}

// Resource names are stored in upper case ("Roboto-Regular.ttf" is
// ROBOTO-REGULAR.TTF); the lookup is case-blind anyway.
std::wstring ResourceName(const std::string& name) {
  std::string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return WideFromUtf8(upper);
}

}  // namespace

ResourceLoader ModuleResourceLoader() {
  return [](const std::string& name, const char* type) -> std::optional<std::vector<uint8_t>> {
    HMODULE module = OwnModule();
    if (module == nullptr || name.empty() || type == nullptr) return {};
    const std::wstring wideName = ResourceName(name);
    const std::wstring wideType = WideFromUtf8(type);
    HRSRC found = FindResourceExW(module, wideType.c_str(), wideName.c_str(), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (found == nullptr) return {};
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);  // part of the mapped module: never freed
    const auto* bytes = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    if (bytes == nullptr) return {};
    return std::vector<uint8_t>(bytes, bytes + size);
  };
}

}  // namespace framework
