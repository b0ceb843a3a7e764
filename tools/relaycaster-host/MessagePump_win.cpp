#include <windows.h>

#include "MessagePump.h"

namespace relaycaster_host {
namespace {

class WindowMessagePump final : public MainThreadWork {
 public:
  bool step(std::chrono::milliseconds maxWait) override {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(maxWait.count()), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return false;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    return true;
  }
};

}  // namespace

std::unique_ptr<MainThreadWork> makeMessagePump() { return std::make_unique<WindowMessagePump>(); }

}  // namespace relaycaster_host
