// The Windows side of the module: the DLL's entry point. Hosts load the DLL
// and call InitDll and ExitDll around their use of it (ModuleEntry.cpp), so
// DllMain has nothing to set up; the editor finds the module's resources
// (fonts and logo, ModuleResources_win.rc.in) by an address inside it.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  // No thread attach and detach calls: the plug-in keeps no per-thread state.
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
