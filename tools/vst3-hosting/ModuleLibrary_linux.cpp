#include <dlfcn.h>
#include <sys/stat.h>

#include "ModuleLibrary.h"

namespace vst3host::module_library {

const char* ArchitectureFolder() {
#if defined(__x86_64__)
  return "x86_64-linux";
#elif defined(__aarch64__)
  return "aarch64-linux";
#else
  return "i386-linux";
#endif
}

const char* ModuleSuffix() { return ".so"; }
const char* EntryName() { return "ModuleEntry"; }
const char* ExitName() { return "ModuleExit"; }

void* OpenLibrary(const std::string& path, std::string& why) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* text = dlerror();
    why = text ? text : "unknown error";
  }
  return library;
}

void* FindSymbol(void* library, const char* name) { return library ? dlsym(library, name) : nullptr; }

void CloseLibrary(void* library) {
  if (library) dlclose(library);
}

// Linux hosts hand ModuleEntry the library's handle.
bool CallEntry(void* library, void* entry) { return reinterpret_cast<bool (*)(void*)>(entry)(library); }

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace vst3host::module_library
