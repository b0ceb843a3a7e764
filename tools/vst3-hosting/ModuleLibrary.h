#pragma once

// How a VST 3 module is loaded on this platform (ModuleLibrary_linux.cpp
// with dlopen, ModuleLibrary_win.cpp with LoadLibraryW): where the module
// sits in a bundle, and which functions enter and leave it.
#include <string>

namespace vst3host::module_library {

/// The bundle's architecture folder ("x86_64-linux", "x86_64-win").
const char* ArchitectureFolder();
/// The module file's suffix (".so"; ".vst3" for the Windows DLL).
const char* ModuleSuffix();
/// The entry and exit functions hosts call around their use of a module
/// ("ModuleEntry"/"ModuleExit" on Linux, "InitDll"/"ExitDll" on Windows).
const char* EntryName();
const char* ExitName();

/// Loads the library for as long as CloseLibrary is not called; null with
/// `why` set to the system's reason on failure.
void* OpenLibrary(const std::string& path, std::string& why);
void* FindSymbol(void* library, const char* name);
void CloseLibrary(void* library);
/// Calls the entry function `entry` (found under EntryName()) as this
/// platform's hosts do.
bool CallEntry(void* library, void* entry);

bool IsDirectory(const std::string& path);

}  // namespace vst3host::module_library
