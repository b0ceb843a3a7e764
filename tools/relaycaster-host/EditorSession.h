#pragma once

// The plug-in's editor in a window of relaycaster-host, for --editor, and
// the main thread's work without one. One implementation per system
// (EditorSession_linux.cpp, EditorSession_win.cpp).
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

/// Before anything makes a window: the main thread becomes a user-interface
/// thread as a DAW's is (on Windows: aware of each monitor's DPI, so the
/// plug-in sees the real scale of the screen its editor is on).
void prepareUserInterfaceThread();

/// The main thread's work while the plug-in runs without an editor window:
/// on Windows its window messages, since the plug-in's idle timer runs on
/// a window of the thread that created the plug-in; nullptr where there is
/// nothing to do (on Linux the plug-in ticks from a thread of its own).
std::unique_ptr<MainThreadWork> makeHeadlessMainThreadWork();

}  // namespace relaycaster_host
