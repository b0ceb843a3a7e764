#pragma once

// The plug-in's editor in a window of relaycaster-host, for --editor. One
// implementation per system (EditorSession_linux.cpp).
#include <memory>
#include <string>

#include "HostRunner.h"
#include "Vst3Plugin.h"

namespace relaycaster_host {

/// Opens the editor of `plugin` in a top-level window titled "Relaycaster
/// (relaycaster-host)", telling it the screen scale `uiScale` when that is
/// above 0. The result is the main thread's work while the plug-in runs:
/// it dispatches the window's events and the editor's run loop, and ends
/// the run when the user closes the window. Destroying it closes the
/// editor. nullptr, with `error` set, when no window can be opened.
std::unique_ptr<MainThreadWork> openEditorSession(Vst3HostedPlugin& plugin, double uiScale, std::string& error);

}  // namespace relaycaster_host
