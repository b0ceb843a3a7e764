// On Windows both the editor and the plug-in's idle timer live on the main
// thread's window messages: the session and the headless work pump them.
#include <windows.h>

#include <cstdio>

#include "EditorSession.h"
#include "EditorWindow_win.h"
#include "MessagePump_win.h"
#include "pluginterfaces/gui/iplugview.h"

namespace relaycaster_host {
namespace {

class MessageLoopWork final : public MainThreadWork {
 public:
  bool step(std::chrono::milliseconds maxWait) override { return mPump.Step(maxWait); }

 private:
  vst3host::MessagePump mPump;
};

class WindowsEditorSession final : public MainThreadWork {
 public:
  bool open(Vst3HostedPlugin& plugin, double uiScale, std::string& error) {
    Steinberg::IPlugView* view = plugin.createEditorView();
    mWindow = vst3host::EditorWindow::Open(view, "Relaycaster (relaycaster-host)", static_cast<float>(uiScale), error);
    if (view) view->release();  // the window holds its own reference
    return mWindow != nullptr;
  }

  bool step(std::chrono::milliseconds maxWait) override {
    if (!mPump.Step(maxWait)) return false;
    if (!mWindow->CloseRequested()) return true;
    std::printf("relaycaster-host: the editor window was closed\n");
    std::fflush(stdout);
    return false;
  }

 private:
  vst3host::MessagePump mPump;
  std::unique_ptr<vst3host::EditorWindow> mWindow;
};

}  // namespace

std::unique_ptr<MainThreadWork> openEditorSession(Vst3HostedPlugin& plugin, double uiScale, std::string& error) {
  auto session = std::make_unique<WindowsEditorSession>();
  if (!session->open(plugin, uiScale, error)) return nullptr;
  return session;
}

// Through the loader: systems before Windows 10 (1703) have no such call,
// and the host then stays as the system leaves it.
void prepareUserInterfaceThread() {
  using SetAwareness = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (!user32) return;
  const auto set = reinterpret_cast<SetAwareness>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
  if (set) set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

std::unique_ptr<MainThreadWork> makeHeadlessMainThreadWork() { return std::make_unique<MessageLoopWork>(); }

}  // namespace relaycaster_host
