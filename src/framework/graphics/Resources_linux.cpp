#include <dlfcn.h>

#include "framework/graphics/Resources.h"

namespace framework {
namespace {

/// The file this code was loaded from: the plug-in module inside a bundle
/// (…/Relaycaster.vst3/Contents/x86_64-linux/Relaycaster.so), or a program.
std::filesystem::path OwnModulePath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&OwnModulePath), &info) == 0 || !info.dli_fname) return {};
  std::error_code error;
  std::filesystem::path path = std::filesystem::canonical(info.dli_fname, error);
  return error ? std::filesystem::path(info.dli_fname) : path;
}

}  // namespace

ResourceLoader ModuleResourceLoader() {
  return ResourceFolderLoader(OwnModulePath().parent_path().parent_path() / "Resources");
}

}  // namespace framework
