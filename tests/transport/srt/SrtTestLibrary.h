#pragma once

namespace srtpeer {

/// Starts libsrt for the test's own peers through the same once-per-process
/// start the sender uses, so that every libsrt call in the test program is
/// ordered after one start (the race detector cannot see libsrt's own
/// initialisation) and libsrt's start count stays at one, which its static
/// destructor needs to stop its threads cleanly at exit.
void useLibSrt();

}  // namespace srtpeer
