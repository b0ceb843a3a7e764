#pragma once

#include <dlfcn.h>

#include <chrono>
#include <string>
#include <thread>

#include "NdiRuntimeDouble.h"

namespace relaycaster::testing_ndi {

/// The folder of one variant of the runtime double, with a trailing slash.
inline std::string doubleFolder(const std::string& variant) {
  return std::string(NDI_DOUBLE_ROOT) + "/runtime-" + variant + "/";
}

/// The record of the double loaded from `folder`. Opening the same path
/// again yields the library the loader already has, so the test sees what
/// the code under test did. Never closed, like the runtime itself.
inline ndi_double::Record& doubleRecord(const std::string& folder) {
  void* library = dlopen((folder + "libndi.so.6").c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) throw std::runtime_error(dlerror());
  auto record = reinterpret_cast<NdiDoubleRecordFunction>(dlsym(library, "ndi_double_record"));
  if (!record) throw std::runtime_error("the double has no record");
  return *record();
}

/// Polls `condition` until it holds or `seconds` have passed.
template <typename Condition>
bool eventually(Condition condition, double seconds = 10.0) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace relaycaster::testing_ndi
