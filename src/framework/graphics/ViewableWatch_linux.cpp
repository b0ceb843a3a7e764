#include "framework/graphics/ViewableWatch_linux.h"

#include <algorithm>

namespace framework {
namespace {

constexpr int kMaxDepth = 64;  // a chain this deep is a loop in a broken reply, not a real tree

}  // namespace

ViewableWatch::~ViewableWatch() {
  if (!mX.Connected()) return;
  for (xcb_window_t ancestor : mAncestors) Listen(ancestor, false);
}

void ViewableWatch::Start() {
  FindAncestors();
  mViewable = ReadViewable();
}

bool ViewableWatch::Concerns(xcb_window_t window) const {
  return window == mWindow || std::find(mAncestors.begin(), mAncestors.end(), window) != mAncestors.end();
}

bool ViewableWatch::OnEvent(const xcb_generic_event_t& event) {
  const bool before = mViewable;
  switch (event.response_type & 0x7f) {
    case XCB_MAP_NOTIFY: {
      const auto& map = reinterpret_cast<const xcb_map_notify_event_t&>(event);
      if (Concerns(map.window)) mViewable = ReadViewable();
      break;
    }
    case XCB_UNMAP_NOTIFY: {
      const auto& unmap = reinterpret_cast<const xcb_unmap_notify_event_t&>(event);
      if (Concerns(unmap.window)) mViewable = false;  // no ancestor may be unmapped for a viewable window
      break;
    }
    case XCB_REPARENT_NOTIFY: {
      const auto& reparent = reinterpret_cast<const xcb_reparent_notify_event_t&>(event);
      if (Concerns(reparent.window)) {
        FindAncestors();
        mViewable = ReadViewable();
      }
      break;
    }
    case XCB_DESTROY_NOTIFY: {
      const auto& destroy = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
      if (Concerns(destroy.window)) {
        mDestroyed = true;
        mViewable = false;
        mAncestors.clear();
      }
      break;
    }
    default:
      break;
  }
  return before != mViewable;
}

void ViewableWatch::FindAncestors() {
  std::vector<xcb_window_t> found;
  xcb_window_t current = mWindow;
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    xcb_generic_error_t* error = nullptr;
    XcbFree tree(xcb_query_tree_reply(mX.get(), xcb_query_tree(mX.get(), current), &error));
    std::free(error);
    // The root is never unmapped, so it is not watched.
    if (!tree || tree->parent == XCB_WINDOW_NONE || tree->parent == tree->root) break;
    found.push_back(tree->parent);
    current = tree->parent;
  }
  // Stop listening to windows that are no longer above us (the frame a
  // window manager dropped), start listening to the new ones.
  for (xcb_window_t old : mAncestors)
    if (std::find(found.begin(), found.end(), old) == found.end()) Listen(old, false);
  for (xcb_window_t ancestor : found)
    if (std::find(mAncestors.begin(), mAncestors.end(), ancestor) == mAncestors.end()) Listen(ancestor, true);
  mAncestors = std::move(found);
}

void ViewableWatch::Listen(xcb_window_t window, bool on) {
  // Each client has its own event mask on a window, so this changes only
  // what our connection hears of the host's windows. The window may be
  // gone already; the checked request keeps that from counting as an error.
  const uint32_t mask = on ? XCB_EVENT_MASK_STRUCTURE_NOTIFY : XCB_EVENT_MASK_NO_EVENT;
  mX.Check(xcb_change_window_attributes_checked(mX.get(), window, XCB_CW_EVENT_MASK, &mask));
}

bool ViewableWatch::ReadViewable() {
  xcb_generic_error_t* error = nullptr;
  XcbFree attributes(
      xcb_get_window_attributes_reply(mX.get(), xcb_get_window_attributes(mX.get(), mWindow), &error));
  std::free(error);
  return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

}  // namespace framework
