#include <cstdio>

#include "EditorSession.h"
#include "EditorWindow_linux.h"
#include "RunLoop_linux.h"
#include "pluginterfaces/gui/iplugview.h"

namespace relaycaster_host {
namespace {

class LinuxEditorSession final : public MainThreadWork {
 public:
  bool open(Vst3HostedPlugin& plugin, double uiScale, std::string& error) {
    Steinberg::IPlugView* view = plugin.createEditorView();
    mWindow = vst3host::EditorWindow::Open(view, mLoop, "Relaycaster (relaycaster-host)",
                                           static_cast<float>(uiScale), error);
    if (view) view->release();  // the window holds its own reference
    return mWindow != nullptr;
  }

  ~LinuxEditorSession() override {
    if (mWindow && mWindow->ErrorCount() > 0)
      std::fprintf(stderr, "relaycaster-host: %llu X errors on the host's connection\n",
                   static_cast<unsigned long long>(mWindow->ErrorCount()));
    mWindow.reset();  // the view goes before the loop it is registered with
  }

  bool step(std::chrono::milliseconds maxWait) override {
    mLoop.RunOnce(maxWait);
    if (!mWindow->CloseRequested()) return true;
    std::printf("relaycaster-host: the editor window was closed\n");
    std::fflush(stdout);
    return false;
  }

 private:
  vst3host::RunLoop mLoop;
  std::unique_ptr<vst3host::EditorWindow> mWindow;
};

}  // namespace

std::unique_ptr<MainThreadWork> openEditorSession(Vst3HostedPlugin& plugin, double uiScale, std::string& error) {
  auto session = std::make_unique<LinuxEditorSession>();
  if (!session->open(plugin, uiScale, error)) return nullptr;
  return session;
}

void prepareUserInterfaceThread() {}

std::unique_ptr<MainThreadWork> makeHeadlessMainThreadWork() { return nullptr; }

}  // namespace relaycaster_host
