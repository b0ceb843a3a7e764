#include <spawn.h>
#include <sys/wait.h>

#include <thread>

#include "framework/UrlOpener.h"

extern char** environ;

namespace framework {

// xdg-open hands the address to the desktop's browser and returns; a
// detached thread reaps it so the host process never collects a zombie.
bool OpenUrlInBrowser(const std::string& url) {
  char program[] = "xdg-open";
  std::string address = url;
  char* arguments[] = {program, address.data(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, program, nullptr, nullptr, arguments, environ) != 0) return false;
  std::thread([child] {
    int status = 0;
    waitpid(child, &status, 0);
  }).detach();
  return true;
}

}  // namespace framework
