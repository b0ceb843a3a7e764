// The Windows side of the module: the DLL's entry point. Hosts load the DLL
// and call InitDll and ExitDll around their use of it (ModuleEntry.cpp);
// DllMain only notes the module handle, which the editor's resources
// (fonts and logo, ModuleResources_win.rc) are found through.
#include <windows.h>

#include "host/ModuleHandle_win.h"

namespace {

HINSTANCE gModule = nullptr;  // written once at process attach, before any other call into the DLL

}  // namespace

namespace relaycaster::host {

HINSTANCE ModuleHandle() { return gModule; }

}  // namespace relaycaster::host

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    gModule = instance;
    // No thread attach and detach calls: the plug-in keeps no per-thread state.
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
