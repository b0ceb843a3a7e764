// A shared object that carries the runtime loader the way the plug-in does,
// so that a test can check the runtime is looked for beside this module
// rather than beside the program that loaded it.

#include "transport/ndi/NdiRuntime.h"

extern "C" __attribute__((visibility("default"))) const char* ndi_module_probe_error() {
  return relaycaster::NdiRuntime::get().error().c_str();
}
