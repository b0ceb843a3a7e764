#include <windows.h>

#include <string>

#include "ModuleLibrary.h"
#include "framework/WideText_win.h"

namespace vst3host::module_library {

namespace {

// Windows' loader wants backslashes in a full path.
std::wstring WindowsPath(const std::string& path) {
  std::wstring wide = framework::WideFromUtf8(path);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}

}  // namespace

const char* ArchitectureFolder() { return "x86_64-win"; }
const char* ModuleSuffix() { return ".vst3"; }
const char* EntryName() { return "InitDll"; }
const char* ExitName() { return "ExitDll"; }

void* OpenLibrary(const std::string& path, std::string& why) {
  HMODULE library = LoadLibraryW(WindowsPath(path).c_str());
  if (library == nullptr) why = "error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(library);
}

void* FindSymbol(void* library, const char* name) {
  if (library == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

// Windows hosts call InitDll without arguments.
bool CallEntry(void* /*library*/, void* entry) { return reinterpret_cast<bool (*)()>(entry)(); }

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WindowsPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace vst3host::module_library
