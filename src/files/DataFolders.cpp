#include "files/DataFolders.h"

namespace relaycaster {

namespace {

std::filesystem::path BelowLocalData(const char* first, const char* second) {
  std::filesystem::path base = LocalAppDataFolder();
  if (base.empty()) return {};
  return base / first / second;
}

}  // namespace

std::filesystem::path PresetsFolder() { return BelowLocalData("Relaycaster", "Presets"); }

std::filesystem::path SharedDataFolder() { return BelowLocalData("Brightwold", "Shared"); }

}  // namespace relaycaster
