#pragma once

// A plug-in's editor in a top-level window of the host's own, the way a
// Windows DAW shows it: the host makes the window, hands its handle to the
// view (attached, "HWND"), in which the view makes its child window, and
// plays the view's frame: it resizes the window when the plug-in asks
// (resizeView, then onSize) and tells the view when the user resizes the
// window. The thread's message loop (MessagePump_win.h) drives it all.
#include <windows.h>

#include <memory>
#include <string>

#include "HostObjects.h"
#include "pluginterfaces/gui/iplugview.h"

namespace vst3host {

/// Threads: the thread that created it, which must pump its messages.
class EditorWindow final : public Steinberg::IPlugFrame {
 public:
  /// Opens `view` in a new window titled `title` (UTF-8), after telling
  /// the view the screen scale `scale` (0: tell it nothing). Takes a
  /// reference to the view. nullptr, with `error` set, when the window
  /// cannot be made or the view will not attach.
  static std::unique_ptr<EditorWindow> Open(Steinberg::IPlugView* view, const std::string& title, float scale,
                                            std::string& error);
  /// Removes the view from the window (removed, setFrame(nullptr)), gives
  /// back the reference, and destroys the window.
  ~EditorWindow();
  EditorWindow(const EditorWindow&) = delete;
  EditorWindow& operator=(const EditorWindow&) = delete;

  /// The user asked to close the window (its close button, Alt+F4), or it
  /// was destroyed under us.
  bool CloseRequested() const { return mCloseRequested; }
  HWND Window() const { return mWindow; }
  /// The client area, where the view lives.
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }

  // IPlugFrame
  Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view, Steinberg::ViewRect* newSize) override;
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return mRefs.Add(); }
  Steinberg::uint32 PLUGIN_API release() override { return mRefs.Remove(); }

 private:
  explicit EditorWindow(Steinberg::IPlugView* view) : mView(view) {}
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool Create(const std::string& title, float scale, std::string& error);
  /// The window's frame around a client area of this size.
  SIZE FrameSizeFor(int width, int height) const;
  void SetClientSize(int width, int height);
  /// The user drags an edge: the size the view accepts, kept to that edge.
  void ConstrainDrag(WPARAM edge, RECT& windowRect);
  /// A size someone else gave the window (the user, the system).
  void OnSized(int width, int height);

  Steinberg::IPlugView* mView;  // one reference
  HWND mWindow = nullptr;
  int mWidth = 0;
  int mHeight = 0;
  bool mSettingSize = false;  // inside our own SetWindowPos
  bool mAttached = false;
  bool mCloseRequested = false;
  bool mDestroyed = false;  // by someone else: not ours to destroy again
  bool mDestroying = false;
  HostOwnedRefCount mRefs;
};

}  // namespace vst3host
