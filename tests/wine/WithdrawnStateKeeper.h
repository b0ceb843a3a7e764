#pragma once

// The one duty of a window manager that Wine waits for: marking each
// top-level window's state (its WM_STATE property) normal when it is
// mapped and withdrawn when it is unmapped. Before Wine withdraws a window
// (hides or destroys it) it waits, for up to two seconds, until the window
// manager has marked it normal, and then until it has marked it
// withdrawn. On a bare X server nobody does, so every editor that closes
// costs two seconds. This keeper does that much on its own connection, and
// nothing else: it places, decorates and focuses nothing.
#include <xcb/xproto.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace winetest {

class WithdrawnStateKeeper {
 public:
  /// Starts watching the display `display` (":N"); started() tells whether it could.
  explicit WithdrawnStateKeeper(const std::string& display);
  /// Stops and joins the watcher.
  ~WithdrawnStateKeeper();
  WithdrawnStateKeeper(const WithdrawnStateKeeper&) = delete;
  WithdrawnStateKeeper& operator=(const WithdrawnStateKeeper&) = delete;

  bool started() const { return mThread.joinable(); }
  /// Marks made so far.
  int marked() const { return mMarked.load(std::memory_order_relaxed); }

 private:
  void Run(xcb_connection_t* connection);
  void Mark(xcb_connection_t* connection, xcb_atom_t wmState, xcb_window_t window, uint32_t state);

  std::atomic<bool> mStop{false};  // the owner sets, the watcher reads
  std::atomic<int> mMarked{0};     // the watcher counts, anyone reads
  std::thread mThread;
};

}  // namespace winetest
