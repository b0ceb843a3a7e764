#pragma once

namespace srtpeer {

/// Starts libsrt for the test's own peers, once per test program, and
/// balances that start when the program's tests are over. libsrt counts its
/// starts; its static destructor only stops its own threads when the count
/// drops to zero, so an unbalanced start in a test would leave those threads
/// running into the library's destruction at exit (and crash there).
void useLibSrt();

}  // namespace srtpeer
