#pragma once

namespace relaycaster {

/// Starts libsrt for this process on the first call and does nothing on
/// later ones. libsrt is never cleaned up: other instances may use it until
/// the library unloads. Everything in the process that uses libsrt calls
/// this first, so that all of it is ordered after one start.
///
/// Threads: any.
void startLibSrt();

}  // namespace relaycaster
