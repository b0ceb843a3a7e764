#include <dlfcn.h>

#include <climits>
#include <cstdlib>

#include "transport/ndi/NdiRuntimePlatform.h"

namespace relaycaster::ndi_platform {
namespace {

// Any address inside this shared object serves to find it.
void moduleAnchor() {}

}  // namespace

const char* const kRuntimeFileName = "libndi.so.6";

std::optional<std::string> ownModulePath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&moduleAnchor), &info) == 0 || !info.dli_fname || !info.dli_fname[0]) {
    return std::nullopt;
  }
  std::string path = info.dli_fname;
  if (path.front() == '/') return path;
  // A module opened by a relative path (or the main program started by
  // one): make it absolute so that the runtime is looked for beside it and
  // never through the library search path.
  char resolved[PATH_MAX];
  if (!realpath(path.c_str(), resolved)) return std::nullopt;
  return std::string(resolved);
}

void* openLibrary(const std::string& path, std::string& systemError) {
  // RTLD_LOCAL keeps the runtime's symbols out of the host's namespace.
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* text = dlerror();
    systemError = text ? text : "unknown error";
  }
  return library;
}

void* findSymbol(void* library, const char* name) {
  return dlsym(library, name);
}

}  // namespace relaycaster::ndi_platform
