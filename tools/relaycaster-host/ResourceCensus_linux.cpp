// On Linux: descriptors and threads from /proc, and the top-level windows
// on the display (an editor's popups and windows are children of the root).
#include <dirent.h>
#include <xcb/xcb.h>

#include <cstdlib>

#include "ResourceCensus.h"

namespace relaycaster_host {
namespace {

std::optional<long> entriesIn(const char* folder) {
  DIR* directory = opendir(folder);
  if (!directory) return std::nullopt;
  long count = 0;
  while (const dirent* entry = readdir(directory))
    if (entry->d_name[0] != '.') ++count;
  closedir(directory);
  return count - (std::string(folder) == "/proc/self/fd" ? 1 : 0);  // the directory's own descriptor
}

std::optional<long> topLevelWindows() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  std::optional<long> count;
  if (!xcb_connection_has_error(connection)) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    if (xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr)) {
      count = xcb_query_tree_children_length(tree);
      std::free(tree);
    }
  }
  xcb_disconnect(connection);
  return count;
}

}  // namespace

ResourceCensus takeResourceCensus() {
  ResourceCensus census;
  census.counts.push_back({"file descriptors", entriesIn("/proc/self/fd"), Baseline::AfterFirst});
  census.counts.push_back({"threads", entriesIn("/proc/self/task"), Baseline::AfterFirst});
  census.counts.push_back({"top-level X windows", topLevelWindows(), Baseline::BeforeFirst});
  if (!census.counts.back().count) census.notes.push_back("no X display to count windows on");
  return census;
}

}  // namespace relaycaster_host
