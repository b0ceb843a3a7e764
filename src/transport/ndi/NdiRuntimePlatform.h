#pragma once

// What NdiRuntime needs from the operating system, implemented once per
// platform (NdiRuntime_linux.cpp; a Windows build adds NdiRuntime_win.cpp).

#include <optional>
#include <string>

namespace relaycaster::ndi_platform {

/// The runtime's file name in the plug-in's folder.
extern const char* const kRuntimeFileName;

/// The full path of the module (shared object or DLL) that contains this
/// code, or nothing when the system cannot tell.
std::optional<std::string> ownModulePath();

/// Loads the library at `path` for the rest of the process. On failure
/// returns null and sets `systemError` to the system's own description.
void* openLibrary(const std::string& path, std::string& systemError);

/// The exported symbol `name` of a library openLibrary returned, or null.
void* findSymbol(void* library, const char* name);

}  // namespace relaycaster::ndi_platform
