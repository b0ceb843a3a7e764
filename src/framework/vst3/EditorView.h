#pragma once

#include <atomic>
#include <memory>
#include <optional>

#include "framework/vst3/IEditorSnapshot.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

namespace framework {
class IPlugVST3;
class IGraphics;
}  // namespace framework

namespace framework::vst3 {

/// The plug-in's editor as a VST 3 view. The view itself is cheap: hosts
/// create and release views just to ask about them, so the editor (its
/// graphics and its native window) exists only between `attached` and
/// `removed`.
///
/// Size. getSize answers from the window size the plug-in keeps (the
/// host's parent may be any size at `attached`); once the host has set a
/// size with onSize it answers exactly that size, since a host that hears
/// a different answer sets the size again, for ever. The plug-in's own
/// resizes (its grip, its menu) go to the host through
/// IPlugFrame::resizeView, and take effect when the host calls onSize.
///
/// Platform. attached, removed and the native window live in one file per
/// platform (EditorView_linux.cpp), behind the private Platform part;
/// everything else here is the same on every system.
///
/// Threads: the host's user-interface thread. Every call into the plug-in
/// holds the idle scheduler's controller mutex, so the editor never runs
/// while a tick or a host controller call is in progress elsewhere. No
/// method lets an exception out.
class EditorView final : public Steinberg::IPlugView,
                         public Steinberg::IPlugViewContentScaleSupport,
                         public IEditorSnapshot {
 public:
  using tresult = Steinberg::tresult;

  /// Keeps a reference to `owner` for the view's life. Starts with one reference.
  explicit EditorView(IPlugVST3& owner);

  // FUnknown
  tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override;
  Steinberg::uint32 PLUGIN_API release() override;

  // IPlugView
  tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
  tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
  tresult PLUGIN_API removed() override;
  tresult PLUGIN_API onWheel(float distance) override;
  tresult PLUGIN_API onKeyDown(Steinberg::char16 key, Steinberg::int16 keyCode, Steinberg::int16 modifiers) override;
  tresult PLUGIN_API onKeyUp(Steinberg::char16 key, Steinberg::int16 keyCode, Steinberg::int16 modifiers) override;
  tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
  tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
  tresult PLUGIN_API onFocus(Steinberg::TBool state) override;
  tresult PLUGIN_API setFrame(Steinberg::IPlugFrame* frame) override;
  tresult PLUGIN_API canResize() override;
  tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;

  // IPlugViewContentScaleSupport: the host's screen scale. Hosts may call
  // it before attached, and again whenever the view exists.
  tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

  // IEditorSnapshot
  tresult PLUGIN_API renderSnapshot(const Steinberg::char8* pngPath, float scale) override;

  /// Whether the editor is open in a native window now.
  bool Attached() const { return mPlatform != nullptr; }

 private:
  struct Platform;
  struct PlatformDeleter {
    void operator()(Platform* platform) const;
  };

  ~EditorView();  // through release() only

  // --- the platform part (EditorView_<system>.cpp) -------------------------------
  static bool PlatformTypeSupported(Steinberg::FIDString type);
  /// Opens the editor in a child window of `parent`; kResultFalse when the
  /// window or the editor cannot be made (nothing is left open then).
  tresult AttachPlatform(void* parent);
  /// Closes the window and the editor (later, if called from inside one of
  /// the window's own event callbacks).
  void RemovePlatform();
  /// The host set a new size: the window follows.
  void ResizePlatform(int width, int height);
  /// A wheel turn the host received itself and passes on (onWheel); false
  /// where our window always receives the wheel itself.
  bool WheelPlatform(float distance);
  /// The screen scale to use when the host has not given one.
  static float SystemScreenScale(Platform& platform);

  // --- shared --------------------------------------------------------------------
  /// The plug-in asks for a new window size (grip, menu): the host decides.
  bool RequestResizeFromHost(int width, int height);
  /// The screen scale the editor opens with.
  float ScreenScaleFor(Platform& platform) const;
  /// The editor at another screen scale: the same zoom of the design needs
  /// a window of another size, which the host is asked for.
  void ApplyScreenScale(float scale);
  /// The window system reports a new screen scale for the open editor (the
  /// window moved to a monitor of another DPI); a scale the host has given
  /// wins, since such a host sends the new one itself.
  void OnSystemScaleChanged(float scale);
  IGraphics* Graphics() const;
  /// Runs onSize's work for a size the host set (or agreed to).
  void ApplyHostSize(const Steinberg::ViewRect& size);

  std::atomic<Steinberg::uint32> mRefCount{1};
  IPlugVST3& mOwner;  // one reference, given back in the destructor
  Steinberg::IPlugFrame* mFrame = nullptr;  // the host's, not counted (the host keeps it for the view's life)
  std::optional<float> mContentScale;       // from setContentScaleFactor
  std::optional<Steinberg::ViewRect> mHostSize;  // the last size onSize set, until removed
  std::optional<Steinberg::ViewRect> mAnsweredSize;  // what getSize last said before attached
  bool mResizing = false;             // inside our resizeView call
  bool mHostSizedDuringResize = false;
  std::unique_ptr<Platform, PlatformDeleter> mPlatform;
};

}  // namespace framework::vst3
