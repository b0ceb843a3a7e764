#include <cstdlib>

#include "files/DataFolders.h"

namespace relaycaster {

namespace {

/// An environment variable's value when it is set to an absolute path.
std::filesystem::path AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return {};
  std::filesystem::path path(value);
  if (!path.is_absolute()) return {};
  return path;
}

}  // namespace

// Linux stands in for the local application-data folder with the XDG data
// home: $XDG_DATA_HOME when it is set and absolute (the XDG rules say a
// relative value is to be ignored), else $HOME/.local/share with an
// absolute $HOME. Without either there is no data folder.
std::filesystem::path LocalAppDataFolder() {
  if (auto xdg = AbsoluteFromEnvironment("XDG_DATA_HOME"); !xdg.empty()) return xdg;
  if (auto home = AbsoluteFromEnvironment("HOME"); !home.empty()) return home / ".local" / "share";
  return {};
}

}  // namespace relaycaster
