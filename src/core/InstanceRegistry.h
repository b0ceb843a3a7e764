#pragma once

#include <map>
#include <mutex>
#include <string>

namespace relaycaster {

/// Keeps the NDI names of the plug-in instances in one process unique: the
/// first instance to ask for a base name gets it plain, later ones get
/// " 2", " 3" and so on appended. Instances are keyed by their address.
///
/// Threads: any; every call holds the registry's mutex for its whole run
/// (the idle ticks and destructors of several instances reach it).
class InstanceRegistry {
 public:
  /// The process-wide registry, created on first use and destroyed when the
  /// library unloads.
  static InstanceRegistry& instance();

  /// The name `owner` should use for `baseName`: unchanged while it keeps
  /// asking with the same base name, otherwise a fresh unique one.
  std::string claimName(const void* owner, const std::string& baseName);
  /// True when `owner` has an entry and another instance asked with the
  /// same base name (whatever names they were given).
  bool sharesBaseName(const void* owner) const;
  /// Forgets `owner`'s entry (NDI off or bypassed, or the instance is gone).
  void release(const void* owner);

 private:
  struct Entry {
    std::string baseName;   // what the instance last asked with
    std::string givenName;  // what it was given
  };
  bool nameTaken(const std::string& name) const;  // with mMutex held

  mutable std::mutex mMutex;
  std::map<const void*, Entry> mEntries;  // guarded by mMutex
};

}  // namespace relaycaster
