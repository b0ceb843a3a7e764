#include "WithdrawnStateKeeper.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace winetest {
namespace {

constexpr int kPollMs = 50;  // how soon the watcher sees that it should stop
constexpr uint32_t kWithdrawnState = 0;
constexpr uint32_t kNormalState = 1;

xcb_atom_t InternAtom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

}  // namespace

void WithdrawnStateKeeper::Mark(xcb_connection_t* connection, xcb_atom_t wmState, xcb_window_t window,
                                uint32_t state) {
  const uint32_t value[] = {state, XCB_NONE};  // the state, and no icon window
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, wmState, wmState, 32, 2, value);
  mMarked.fetch_add(1, std::memory_order_relaxed);
}

WithdrawnStateKeeper::WithdrawnStateKeeper(const std::string& display) {
  xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    return;
  }
  // The root's structure events: a top-level window's unmapping, and the
  // synthetic one a program sends the root when it withdraws a window.
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(connection);
  mThread = std::thread([this, connection] { Run(connection); });
}

WithdrawnStateKeeper::~WithdrawnStateKeeper() {
  mStop.store(true, std::memory_order_relaxed);
  if (mThread.joinable()) mThread.join();
}

void WithdrawnStateKeeper::Run(xcb_connection_t* connection) {
  const xcb_atom_t wmState = InternAtom(connection, "WM_STATE");
  pollfd socket{xcb_get_file_descriptor(connection), POLLIN, 0};
  while (!mStop.load(std::memory_order_relaxed) && !xcb_connection_has_error(connection)) {
    poll(&socket, 1, kPollMs);
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
      // Errors (a window gone before its mark) and every other event are of no interest.
      const uint8_t type = event->response_type & 0x7f;
      if (type == XCB_MAP_NOTIFY) {
        const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
        if (!map->override_redirect) Mark(connection, wmState, map->window, kNormalState);
      } else if (type == XCB_UNMAP_NOTIFY) {
        Mark(connection, wmState, reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window, kWithdrawnState);
      }
      std::free(event);
    }
    xcb_flush(connection);
  }
  xcb_disconnect(connection);
}

}  // namespace winetest
