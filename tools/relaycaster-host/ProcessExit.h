#pragma once

namespace relaycaster_host {

/// Ends the host once the plug-in has been stopped and released, with
/// `status` as the exit code; output is flushed first. One implementation
/// per platform (ProcessExit_linux.cpp, ProcessExit_win.cpp).
[[noreturn]] void exitHost(int status);

}  // namespace relaycaster_host
