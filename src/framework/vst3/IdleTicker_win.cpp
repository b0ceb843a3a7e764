// The idle tick's driver on Windows: a 20 ms timer of a message-only
// window (HWND_MESSAGE) made on the thread that initialised the plug-in,
// the host's user-interface thread, whose message loop then runs every
// tick, editor or not. No thread of our own.
//
// A window can be destroyed only by the thread that made it. A host that
// terminates the plug-in on another thread gets this: from the moment
// Stop returns no tick runs (the window's link to the scheduler is cut
// under a lock the timer call holds too), and the window is destroyed by
// its own thread at its next message (a posted request), freeing the
// little state it holds then. If that thread never handles another
// message the window and that state stay until the thread ends; they
// never reach the scheduler again.
#include <windows.h>

#include <cstdio>
#include <mutex>

#include "framework/WindowClass_win.h"
#include "framework/vst3/IdleScheduler.h"
#include "framework/vst3/IdleTicker.h"

namespace framework::vst3 {
namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kDestroyRequest = WM_APP + 1;

/// What the window holds; freed when the window is destroyed.
struct TimerWindowState {
  std::recursive_mutex mutex;  // recursive: a tick that ends in Stop on the same thread
  IdleScheduler* scheduler = nullptr;  // guarded by mutex; null once stopped
  int dispatching = 0;                 // guarded by mutex
};

LRESULT CALLBACK TimerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

ModuleWindowClass& TimerWindowClass() {
  static ModuleWindowClass windowClass(L"RelaycasterIdleTimer", TimerWindowProc);
  return windowClass;
}

TimerWindowState* StateOf(HWND window) {
  return reinterpret_cast<TimerWindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK TimerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER: {
      TimerWindowState* state = StateOf(window);
      if (!state || wParam != kTimerId) break;
      std::lock_guard lock(state->mutex);
      if (state->scheduler) {
        ++state->dispatching;
        state->scheduler->OwnTimerFired();
        --state->dispatching;
      }
      return 0;
    }
    case kDestroyRequest:
      DestroyWindow(window);
      return 0;
    case WM_NCDESTROY: {
      delete StateOf(window);
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      TimerWindowClass().Release();
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class WindowIdleTicker final : public IdleTicker {
 public:
  WindowIdleTicker(HWND window, TimerWindowState* state) : mWindow(window), mThread(GetCurrentThreadId()), mState(state) {}

  ~WindowIdleTicker() override {
    bool inTick = false;
    {
      std::lock_guard lock(mState->mutex);  // waits out a tick running on another thread
      mState->scheduler = nullptr;
      inTick = mState->dispatching > 0;
    }
    // mState belongs to the window from here on.
    if (GetCurrentThreadId() == mThread && !inTick) DestroyWindow(mWindow);
    else PostMessageW(mWindow, kDestroyRequest, 0, 0);
  }

 private:
  HWND mWindow;
  DWORD mThread;
  TimerWindowState* mState;
};

}  // namespace

std::unique_ptr<IdleTicker> StartIdleTicker(IdleScheduler& scheduler, std::chrono::milliseconds period) {
  ModuleWindowClass& windowClass = TimerWindowClass();
  if (!windowClass.Acquire()) {
    std::fprintf(stderr, "relaycaster: no idle timer: the window class cannot be registered (%lu)\n",
                 GetLastError());
    return nullptr;
  }
  HWND window = CreateWindowExW(0, windowClass.Name(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule(), nullptr);
  if (!window) {
    std::fprintf(stderr, "relaycaster: no idle timer: no window (%lu)\n", GetLastError());
    windowClass.Release();
    return nullptr;
  }
  auto* state = new TimerWindowState;
  state->scheduler = &scheduler;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  if (!SetTimer(window, kTimerId, static_cast<UINT>(period.count()), nullptr)) {
    std::fprintf(stderr, "relaycaster: no idle timer: SetTimer failed (%lu)\n", GetLastError());
    DestroyWindow(window);  // frees the state and releases the class
    return nullptr;
  }
  return std::make_unique<WindowIdleTicker>(window, state);
}

}  // namespace framework::vst3
