#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "files/FileSystemPlatform.h"

namespace relaycaster::platform_files {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  const char* next = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, next, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    next += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

/// Makes a completed rename survive a crash as well: the folder's entry is
/// flushed too. Best effort; the rename itself is already atomic.
void FlushFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool WriteAndFlush(const std::filesystem::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes);
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok) ::unlink(path.c_str());
  return ok;
}

// rename(2) replaces the target in one step within a file system; the
// temporary file always sits beside its target, so no copy is ever needed.
bool ReplaceFile(const std::filesystem::path& source, const std::filesystem::path& target) {
  if (::rename(source.c_str(), target.c_str()) != 0) return false;
  FlushFolder(target.parent_path());
  return true;
}

bool DeleteFile(const std::filesystem::path& path) { return ::unlink(path.c_str()) == 0; }

uint32_t SecureRandom32() {
  uint32_t value = 0;
  if (::getrandom(&value, sizeof value, 0) == static_cast<ssize_t>(sizeof value)) return value;
  return std::random_device{}();  // getrandom unavailable (very old kernels)
}

}  // namespace relaycaster::platform_files
