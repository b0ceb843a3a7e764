#pragma once

// The main thread's work when no editor is shown. On Windows the plug-in's
// idle timer is a window timer on the thread that initialised it (this
// one), so that thread must dispatch window messages; on Linux it needs
// nothing and there is no such work.
#include <memory>

#include "HostRunner.h"

namespace relaycaster_host {

/// nullptr where the main thread has nothing to do.
std::unique_ptr<MainThreadWork> makeMessagePump();

}  // namespace relaycaster_host
