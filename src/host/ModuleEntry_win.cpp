// The Windows side of the module: the DLL's entry point. Hosts load the DLL
// and call InitDll and ExitDll around their use of it (ModuleEntry.cpp); the
// editor finds the module's resources (fonts and logo) by an address inside
// it.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  // No thread attach and detach calls: the plug-in keeps no per-thread state.
  DisableThreadLibraryCalls(instance);
  // The process-wide runtimes inside (libsrt, the NDI runtime, Media
  // Foundation) are never torn down while the process runs, and libsrt's
  // clean-up joins its own threads, which cannot end while a FreeLibrary
  // holds the loader lock. So the module stays loaded until the process
  // ends, whatever the host frees; by then Windows has ended every other
  // thread.
  HMODULE pinned = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&DllMain), &pinned);
  return TRUE;
}
