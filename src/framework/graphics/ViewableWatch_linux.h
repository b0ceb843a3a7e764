#pragma once

// Whether our window can be seen at all. A host may hide its plug-in
// window without removing the view (Ardour unmaps it when the user closes
// it and maps it again on reopening), and a window manager may move it
// into frames of its own; drawing for a window nobody can see wastes the
// host's processor, so the editor skips frames while this says no.
#include <xcb/xcb.h>

#include <vector>

#include "framework/graphics/XcbConnection_linux.h"

namespace framework {

/// Follows the map state of a window and of every ancestor up to the root:
/// it listens to the structure events of each ancestor (map, unmap,
/// reparent, destroy) and finds the ancestors again after a reparent.
///
/// Threads: the window's thread.
class ViewableWatch {
 public:
  ViewableWatch(XcbConnection& connection, xcb_window_t window) : mX(connection), mWindow(window) {}
  ~ViewableWatch();
  ViewableWatch(const ViewableWatch&) = delete;
  ViewableWatch& operator=(const ViewableWatch&) = delete;

  /// Finds the ancestors, listens to them and reads the map state.
  void Start();
  /// Looks at one event; true when it changed whether the window is viewable.
  bool OnEvent(const xcb_generic_event_t& event);
  bool Viewable() const { return mViewable; }
  /// The window or an ancestor was destroyed: the window is gone for good.
  bool Destroyed() const { return mDestroyed; }
  const std::vector<xcb_window_t>& Ancestors() const { return mAncestors; }

 private:
  bool Concerns(xcb_window_t window) const;
  void FindAncestors();
  void Listen(xcb_window_t window, bool on);
  bool ReadViewable();

  XcbConnection& mX;
  xcb_window_t mWindow;
  std::vector<xcb_window_t> mAncestors;  // parent first, up to the root's child
  bool mViewable = false;
  bool mDestroyed = false;
};

}  // namespace framework
