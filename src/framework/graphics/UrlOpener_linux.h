#pragma once

// Opens a web address in the user's browser through xdg-open, the desktop's
// own opener. The address is passed as one argument to a program started
// directly (no shell reads it), and the host's thread never waits for the
// program: finished openers are reaped later by polling.
#include <string_view>

namespace framework {

/// True for an address this opener hands on: "http://" or "https://"
/// (any case) followed by at least one character, and no control
/// characters or spaces anywhere in it.
bool IsBrowserAddress(std::string_view url);

/// Starts xdg-open with the address. False when the address is not one
/// IsBrowserAddress accepts or the program could not be started.
/// Threads: any; one lock guards the list of running openers.
bool OpenInBrowser(std::string_view url);

/// Reaps openers that have finished, without blocking; the editor's timer
/// calls it. Returns how many are still running.
int ReapFinishedOpeners();

}  // namespace framework
