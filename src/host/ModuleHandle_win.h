#pragma once

#include <windows.h>

namespace relaycaster::host {

/// The plug-in DLL's own module handle (for its resources), or null before
/// the DLL was attached.
HINSTANCE ModuleHandle();

}  // namespace relaycaster::host
