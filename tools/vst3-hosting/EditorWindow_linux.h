#pragma once

// A plug-in's editor in a top-level X window of the host's own, the way a
// Linux DAW shows it: the host makes the window, hands its id to the view
// (attached, "X11EmbedWindowID") and plays the view's frame: it resizes
// the window when the plug-in asks (resizeView, then onSize), offers the
// run loop, and tells the view when the user resizes the window.
#include <xcb/xcb.h>

#include <deque>
#include <memory>
#include <string>
#include <utility>

#include "HostObjects.h"
#include "RunLoop_linux.h"
#include "pluginterfaces/gui/iplugview.h"

namespace vst3host {

/// Threads: the thread that runs the loop.
class EditorWindow final : public Steinberg::IPlugFrame {
 public:
  /// Opens `view` in a new window titled `title`, after telling the view
  /// the screen scale `scale` (0: tell it nothing). Takes a reference to
  /// the view. nullptr, with `error` set, when there is no display or the
  /// view will not attach.
  static std::unique_ptr<EditorWindow> Open(Steinberg::IPlugView* view, RunLoop& loop, const std::string& title,
                                            float scale, std::string& error);
  /// Removes the view from the window (removed, setFrame(nullptr)), gives
  /// back the reference, and destroys the window and the connection.
  ~EditorWindow();
  EditorWindow(const EditorWindow&) = delete;
  EditorWindow& operator=(const EditorWindow&) = delete;

  /// The user asked to close the window (the window manager's close
  /// button), or it was destroyed under us.
  bool CloseRequested() const { return mCloseRequested; }
  xcb_window_t Window() const { return mWindow; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  /// X errors on the host's own connection (each is printed too).
  uint64_t ErrorCount() const { return mErrors; }
  /// Handles the connection's queued events (the loop calls it too).
  void ProcessEvents();

  // IPlugFrame
  Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view, Steinberg::ViewRect* newSize) override;
  /// IPlugFrame, and the run loop through it (Linux::IRunLoop).
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return mRefs.Add(); }
  Steinberg::uint32 PLUGIN_API release() override { return mRefs.Remove(); }

 private:
  class Pump;
  EditorWindow(Steinberg::IPlugView* view, RunLoop& loop) : mView(view), mLoop(loop) {}
  bool Create(const std::string& title, float scale, std::string& error);
  void SetWindowSize(int width, int height);
  void OnConfigure(int width, int height);

  Steinberg::IPlugView* mView;  // one reference
  RunLoop& mLoop;
  xcb_connection_t* mConnection = nullptr;
  xcb_window_t mWindow = 0;
  xcb_atom_t mDeleteWindow = 0;
  int mWidth = 0;
  int mHeight = 0;
  std::deque<std::pair<int, int>> mRequestedSizes;  // sizes asked of the server, not yet reported back
  bool mAttached = false;
  bool mCloseRequested = false;
  bool mDestroyed = false;  // by someone else: not ours to destroy again
  uint64_t mErrors = 0;
  Pump* mPump = nullptr;  // our handler on the loop; one reference
  HostOwnedRefCount mRefs;
};

}  // namespace vst3host
