#include <windows.h>
#include <shlobj.h>

#include "files/DataFolders.h"
#include "files/FileHelpers.h"
#include "framework/WideText_win.h"

namespace relaycaster {

// The per-user local application-data folder (usually
// C:\Users\<name>\AppData\Local), carried as UTF-8 like every other text of
// the plug-in. Only the per-user folder is ever asked for: presets and the
// update cache belong to the user, never to the whole machine.
std::filesystem::path LocalAppDataFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, folder))) return {};
  return PathFromUtf8(framework::Utf8FromWide(folder));
}

}  // namespace relaycaster
