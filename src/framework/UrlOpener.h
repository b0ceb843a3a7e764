#pragma once

#include <string>

namespace framework {

/// Opens an http or https address in the user's web browser without
/// waiting for it; false when nothing was started. One implementation per
/// platform (UrlOpener_linux.cpp, UrlOpener_win.cpp).
///
/// Threads: the user-interface thread (a click on the update pill).
bool OpenUrlInBrowser(const std::string& url);

}  // namespace framework
