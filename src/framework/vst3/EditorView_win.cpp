// EditorView on Windows: the editor in a child window of the host's HWND
// ("HWND"), driven by its own window messages (a 16 ms frame timer, input,
// WM_PAINT, DPI changes) on the host's user-interface thread. The idle
// tick needs nothing from the view here: its window timer runs from the
// plug-in's initialisation on (IdleTicker_win.cpp).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "framework/graphics/IGraphics.h"
#include "framework/graphics/PlatformView_win.h"
#include "framework/vst3/EditorView.h"
#include "framework/vst3/IPlugVST3.h"

namespace framework::vst3 {

using namespace Steinberg;

/// What exists while the view is attached.
struct EditorView::Platform {
  std::unique_ptr<WindowsPlatformView> window;
  IGraphics* graphics = nullptr;  // the editor this window was made for
  int dispatchDepth = 0;          // calls from the window in progress
  bool removePending = false;     // removed() came during one of them
};

void EditorView::PlatformDeleter::operator()(Platform* platform) const { delete platform; }

bool EditorView::PlatformTypeSupported(FIDString type) { return std::strcmp(type, kPlatformTypeHWND) == 0; }

float EditorView::SystemScreenScale(Platform& platform) {
  return platform.window ? static_cast<float>(platform.window->SystemScale()) : 1.f;
}

tresult EditorView::AttachPlatform(void* parent) {
  IPlugAPIBase& plugin = mOwner.Plugin();
  if (plugin.GetGraphics()) return kResultFalse;  // another view has the editor open
  std::unique_ptr<Platform, PlatformDeleter> platform(new Platform());
  std::string error;
  platform->window = WindowsPlatformView::Connect(static_cast<HWND>(parent), error);
  if (!platform->window) {
    std::fprintf(stderr, "relaycaster: no editor: %s\n", error.c_str());
    return kResultFalse;
  }
  IGraphics* graphics = plugin.OpenEditor();
  if (!graphics) return kResultFalse;
  graphics->SetScreenScale(ScreenScaleFor(*platform));
  const int width = graphics->WindowWidth();
  const int height = graphics->WindowHeight();

  // Every call from the window into the editor, as the Linux view's run-loop handler makes them.
  auto dispatch = [this](const std::function<void()>& call) {
    // A host may release the view from inside our own callback.
    addRef();
    {
      std::lock_guard lock(mOwner.Scheduler().ControllerMutex());
      Platform* current = mPlatform.get();
      if (current && !current->removePending && mOwner.Plugin().GetGraphics() == current->graphics) {
        ++current->dispatchDepth;
        call();
        --current->dispatchDepth;
      }
      if (current && current->removePending && current->dispatchDepth == 0) {
        current->removePending = false;
        RemovePlatform();
      }
    }
    release();
  };
  auto resize = [this](int w, int h) { return RequestResizeFromHost(w, h); };
  auto scaleChanged = [this](double scale) { OnSystemScaleChanged(static_cast<float>(scale)); };
  if (!platform->window->Open(*graphics, width, height, resize, dispatch, scaleChanged)) {
    std::fprintf(stderr, "relaycaster: no editor: cannot make a window in the host's (%lu)\n", GetLastError());
    plugin.CloseEditor();
    return kResultFalse;
  }
  platform->graphics = graphics;
  graphics->SetPlatformView(platform->window.get());
  graphics->DrawAll();
  mPlatform = std::move(platform);

  // A host that sized its window from an earlier getSize learns the size
  // the screen scale gave.
  if (mAnsweredSize && (mAnsweredSize->getWidth() != width || mAnsweredSize->getHeight() != height))
    RequestResizeFromHost(width, height);
  return kResultOk;
}

void EditorView::RemovePlatform() {
  if (!mPlatform) return;
  if (mPlatform->dispatchDepth > 0) {
    // The editor is on the stack of the window message that got us here:
    // it is closed when that message has been handled.
    mPlatform->removePending = true;
    return;
  }
  std::unique_ptr<Platform, PlatformDeleter> platform = std::move(mPlatform);
  // The editor goes first: closing it may still ask the window for things
  // (hide a menu, give back the keyboard).
  if (mOwner.Plugin().GetGraphics() == platform->graphics) mOwner.Plugin().CloseEditor();
  platform->window.reset();
}

void EditorView::ResizePlatform(int width, int height) {
  if (mPlatform && mPlatform->window) mPlatform->window->SetWindowSize(width, height);
}

// Where the wheel goes to the window with the keyboard focus (older
// systems, or "scroll inactive windows" off), the host gets it and may
// pass it on.
bool EditorView::WheelPlatform(float distance) {
  return mPlatform && mPlatform->window && !mPlatform->removePending && mPlatform->window->OnHostWheel(distance);
}

}  // namespace framework::vst3
