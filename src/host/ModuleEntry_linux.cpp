// The Linux entry points. Hosts call ModuleEntry after loading the library
// and ModuleExit before unloading it; they share the load counter with
// InitDll and ExitDll.
#include "host/ModuleEntry.h"

extern "C" {

SMTG_EXPORT_SYMBOL bool ModuleEntry(void* /*sharedLibraryHandle*/) {
  return relaycaster::host::Module::Instance().Enter();
}

SMTG_EXPORT_SYMBOL bool ModuleExit() { return relaycaster::host::Module::Instance().Leave(); }

}  // extern "C"
