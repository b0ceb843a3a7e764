#include <windows.h>

#include <cstdio>

#include "ProcessExit.h"

namespace relaycaster_host {

// The plug-in DLL stays loaded to the end (it pins itself) and libsrt's
// threads in it run until then. When a process returns from main, Windows
// stops those threads before it runs the DLL's static destructors, but Wine
// runs the destructors first, and libsrt's waits for its threads, which
// wait for the loader lock the destructors run under. Ending the process
// outright, as Windows does with the threads, skips what nothing needs at
// that point: unloading runtimes that are never torn down anyway.
void exitHost(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  ExitProcess(static_cast<UINT>(status));  // not reached
}

}  // namespace relaycaster_host
