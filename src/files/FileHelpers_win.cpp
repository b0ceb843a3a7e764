#define _CRT_RAND_S  // rand_s, the C runtime's secure random generator
#include <stdlib.h>
#include <windows.h>

#include <climits>

#include "files/FileSystemPlatform.h"

// windows.h names DeleteFileW "DeleteFile" and ReplaceFileW "ReplaceFile";
// this file defines its own.
#undef DeleteFile
#undef ReplaceFile

namespace relaycaster::platform_files {

namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
  const char* next = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const DWORD chunk = left > INT_MAX ? INT_MAX : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, next, chunk, &written, nullptr) || written == 0) return false;
    next += written;
    left -= written;
  }
  return true;
}

}  // namespace

bool WriteAndFlush(const std::filesystem::path& path, std::string_view bytes) {
  // No sharing restrictions: another instance may be reading its own copy.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

// MoveFileExW replaces the target whole. The temporary file always sits
// beside its target, so the copy fallback is only there for folders that
// Windows cannot rename within (some network shares).
bool ReplaceFile(const std::filesystem::path& source, const std::filesystem::path& target) {
  return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool DeleteFile(const std::filesystem::path& path) { return DeleteFileW(path.c_str()) != 0; }

uint32_t SecureRandom32() {
  unsigned int value = 0;
  if (rand_s(&value) == 0) return value;
  return static_cast<uint32_t>(GetTickCount64() ^ GetCurrentProcessId());  // rand_s never fails in practice
}

}  // namespace relaycaster::platform_files
