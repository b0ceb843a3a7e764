#pragma once

#include <dirent.h>

#include <thread>

namespace testsupport {

/// Threads of this process, as the kernel lists them. A thread started and
/// joined first brings up any helper thread a sanitizer starts with the
/// first thread, so that counts taken afterwards compare like with like.
inline int ThreadCount() {
  static const bool warmedUp = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)warmedUp;
  int count = 0;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(tasks))
      if (entry->d_name[0] != '.') ++count;
    closedir(tasks);
  }
  return count;
}

}  // namespace testsupport
