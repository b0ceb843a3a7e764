#include "core/InstanceRegistry.h"

namespace relaycaster {

InstanceRegistry& InstanceRegistry::instance() {
  static InstanceRegistry registry;
  return registry;
}

std::string InstanceRegistry::claimName(const void* owner, const std::string& baseName) {
  std::lock_guard<std::mutex> lock(mMutex);
  const auto existing = mEntries.find(owner);
  if (existing != mEntries.end()) {
    if (existing->second.baseName == baseName) return existing->second.givenName;
    mEntries.erase(existing);
  }
  std::string candidate = baseName;
  for (int counter = 2; nameTaken(candidate); ++counter) candidate = baseName + " " + std::to_string(counter);
  mEntries[owner] = Entry{baseName, candidate};
  return candidate;
}

bool InstanceRegistry::sharesBaseName(const void* owner) const {
  std::lock_guard<std::mutex> lock(mMutex);
  const auto own = mEntries.find(owner);
  if (own == mEntries.end()) return false;
  for (const auto& [other, entry] : mEntries) {
    if (other != owner && entry.baseName == own->second.baseName) return true;
  }
  return false;
}

void InstanceRegistry::release(const void* owner) {
  std::lock_guard<std::mutex> lock(mMutex);
  mEntries.erase(owner);
}

bool InstanceRegistry::nameTaken(const std::string& name) const {
  for (const auto& [owner, entry] : mEntries) {
    if (entry.givenName == name) return true;
  }
  return false;
}

}  // namespace relaycaster
