#include "ProcessUsage.h"

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace relaycaster_soak {
namespace {

std::string groupOf(const std::string& name) {
  if (name.rfind("SRT:SndQ", 0) == 0) return "libsrt send";
  if (name.rfind("SRT:RcvQ", 0) == 0) return "libsrt receive";
  if (name.rfind("SRT:", 0) == 0) return "libsrt other";
  if (name == "soak-audio") return "audio";
  return "plug-in";  // the plug-in's workers and idle timers (and the idle main thread) carry the program's name
}

}  // namespace

std::map<int, ThreadUse> threadUse() {
  std::map<int, ThreadUse> threads;
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return threads;
  while (dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    const std::string folder = std::string("/proc/self/task/") + entry->d_name;
    std::ifstream comm(folder + "/comm");
    std::ifstream schedstat(folder + "/schedstat");
    std::string name;
    ThreadUse use;
    uint64_t waited = 0;
    if (!std::getline(comm, name) || !(schedstat >> use.cpuNs >> waited >> use.wakes)) continue;
    use.group = groupOf(name);
    threads[std::atoi(entry->d_name)] = use;
  }
  closedir(tasks);
  return threads;
}

long residentKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) != 0) continue;
    std::istringstream fields(line.substr(6));
    long kib = -1;
    fields >> kib;
    return kib;
  }
  return -1;
}

int openDescriptors() {
  int count = 0;
  DIR* fds = opendir("/proc/self/fd");
  if (!fds) return -1;
  while (dirent* entry = readdir(fds))
    if (entry->d_name[0] != '.') ++count;
  closedir(fds);
  return count - 1;  // the listing's own descriptor
}

double loadAverage() {
  std::ifstream file("/proc/loadavg");
  double load = -1.0;
  file >> load;
  return load;
}

}  // namespace relaycaster_soak
