#include "transport/ndi/NdiRuntime.h"

#include <utility>

#include "transport/ndi/NdiRuntimePlatform.h"

namespace relaycaster {
namespace {

constexpr const char* kOwnFilesMissing = "Relaycaster could not find its own files.";
constexpr const char* kWrongVersion =
    "The NDI runtime inside Relaycaster is not the version it was built for. Reinstall Relaycaster.";
constexpr const char* kDidNotStart = "The NDI runtime inside Relaycaster did not start. Reinstall Relaycaster.";
constexpr const char* kUnsupportedProcessor = "This computer's processor is not one NDI supports.";
constexpr const char* kInitialiseRefused = "NDI could not start on this computer.";

std::string notLoadable(const std::string& path, const std::string& systemError) {
  return "The NDI runtime inside Relaycaster could not be loaded (" + path + ", error " + systemError +
         "). Reinstall Relaycaster.";
}

// The folder part of a path, keeping its final separator; empty when the
// path has none.
std::string folderOf(const std::string& path) {
  const size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// A table without the sender entries would crash the first sender; such a
// runtime is not the one we were built for.
bool hasSenderEntries(const ndi::NDIlib_v6& functions) {
  return functions.send_create && functions.send_destroy && functions.send_get_no_connections &&
         functions.send_get_source_name && functions.send_send_audio_v3;
}

}  // namespace

const NdiRuntime& NdiRuntime::get() {
  // Made once, on first use. The record lives until the plug-in's module is
  // unloaded, when no instance (and so no sender) is left; the runtime
  // library it points into is never unloaded.
  static const NdiRuntime runtime(loadBesideOwnModule());
  return runtime;
}

NdiRuntime NdiRuntime::loadFrom(const std::string& folder) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  return loadLibraryAt(path + fileName());
}

const char* NdiRuntime::fileName() {
  return ndi_platform::kRuntimeFileName;
}

NdiRuntime NdiRuntime::loadBesideOwnModule() {
  const std::optional<std::string> ownPath = ndi_platform::ownModulePath();
  if (!ownPath) return failed(kOwnFilesMissing);
  return loadLibraryAt(folderOf(*ownPath) + fileName());
}

NdiRuntime NdiRuntime::loadLibraryAt(const std::string& path) {
  std::string systemError;
  // Never closed: a library that loaded but failed a later step stays loaded.
  void* library = ndi_platform::openLibrary(path, systemError);
  if (!library) return failed(notLoadable(path, systemError));

  // Older runtime generations export only older loaders.
  auto load = reinterpret_cast<ndi::NDIlib_v6_load_function>(ndi_platform::findSymbol(library, ndi::kLoaderSymbol));
  if (!load) return failed(kWrongVersion);

  const ndi::NDIlib_v6* functions = load();
  if (!functions) return failed(kDidNotStart);
  if (!hasSenderEntries(*functions)) return failed(kWrongVersion);
  if (!functions->is_supported_CPU || !functions->is_supported_CPU()) return failed(kUnsupportedProcessor);
  if (!functions->initialize || !functions->initialize()) return failed(kInitialiseRefused);

  NdiRuntime runtime;
  runtime.mFunctions = functions;
  return runtime;
}

NdiRuntime NdiRuntime::failed(std::string error) {
  NdiRuntime runtime;
  runtime.mError = std::move(error);
  return runtime;
}

}  // namespace relaycaster
