#include "framework/graphics/UrlOpener_linux.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

extern char** environ;

namespace framework {
namespace {

constexpr size_t kMaxAddressLength = 8192;

std::mutex gOpenersMutex;
std::vector<pid_t> gOpeners;  // started and not yet reaped; guarded by gOpenersMutex

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

bool IsBrowserAddress(std::string_view url) {
  if (url.size() > kMaxAddressLength) return false;
  size_t scheme = 0;
  if (StartsWithNoCase(url, "https://")) scheme = 8;
  else if (StartsWithNoCase(url, "http://")) scheme = 7;
  else return false;
  if (url.size() == scheme) return false;
  // Spaces and control characters have no place in an address; refusing
  // them keeps xdg-open from reading a crafted text as something else.
  return std::none_of(url.begin(), url.end(),
                      [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f; });
}

bool OpenInBrowser(std::string_view url) {
  if (!IsBrowserAddress(url)) return false;
  ReapFinishedOpeners();
  std::string program = "xdg-open";
  std::string address(url);
  char* argv[] = {program.data(), address.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The browser must not write into the host's terminal or read its input.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return false;
  std::lock_guard lock(gOpenersMutex);
  gOpeners.push_back(pid);
  return true;
}

int ReapFinishedOpeners() {
  std::lock_guard lock(gOpenersMutex);
  std::erase_if(gOpeners, [](pid_t pid) {
    int status = 0;
    const pid_t got = waitpid(pid, &status, WNOHANG);
    // ECHILD: a host that reaps every child itself got there first.
    return got == pid || (got < 0 && errno == ECHILD);
  });
  return static_cast<int>(gOpeners.size());
}

}  // namespace framework
