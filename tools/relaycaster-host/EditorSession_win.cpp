// --editor on Windows waits for the plug-in's Win32 editor window; until
// then the host says so and streams without it (--snapshot works).
#include "EditorSession.h"

namespace relaycaster_host {

std::unique_ptr<MainThreadWork> openEditorSession(Vst3HostedPlugin& /*plugin*/, double /*uiScale*/,
                                                  std::string& error) {
  error = "the plug-in has no editor window on Windows yet";
  return nullptr;
}

}  // namespace relaycaster_host
