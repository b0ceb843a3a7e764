#pragma once

// Opens a web address in the user's browser the Windows way: the shell's
// "open" verb, which starts the user's default browser; the calling thread
// does not wait for it. The Windows editor view's IPlatformView::OpenURL
// (the update pill's link) goes through here.
#include <string_view>

namespace framework {

/// When Windows reports an Internet connection (InternetGetConnectedState),
/// hands an "http://" or "https://" address to ShellExecuteW "open" on a
/// short-lived thread of its own. False for any other text, without a
/// connection, or when no thread can be started.
/// Threads: the user-interface thread.
bool OpenInBrowser(std::string_view url);

}  // namespace framework
