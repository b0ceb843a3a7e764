#include <gtest/gtest.h>

#include <array>
#include <barrier>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/InstanceRegistry.h"

namespace relaycaster {
namespace {

// Instances on several threads claim the same base name at the same time,
// check, rename and release, round after round: the names given at any
// moment stay unique and each instance keeps its own.
TEST(InstanceRegistryThreads, ConcurrentClaimsStayUnique) {
  constexpr int kThreads = 6;
  constexpr int kRounds = 200;
  InstanceRegistry registry;
  std::array<int, kThreads> instances{};
  std::array<std::string, kThreads> given;
  std::barrier sync(kThreads);
  std::vector<std::string> failures[kThreads];

  auto work = [&](int t) {
    const void* self = &instances[static_cast<size_t>(t)];
    for (int round = 0; round < kRounds; ++round) {
      given[static_cast<size_t>(t)] = registry.claimName(self, "Vocals");
      sync.arrive_and_wait();
      if (!registry.sharesBaseName(self)) failures[t].push_back("no clash seen");
      if (t == 0) {
        const std::set<std::string> unique(given.begin(), given.end());
        if (unique.size() != given.size()) failures[t].push_back("duplicate names");
        if (!unique.count("Vocals") || !unique.count("Vocals " + std::to_string(kThreads))) {
          failures[t].push_back("names outside Vocals .. Vocals " + std::to_string(kThreads));
        }
      }
      sync.arrive_and_wait();
      if (registry.claimName(self, "Vocals") != given[static_cast<size_t>(t)]) failures[t].push_back("name changed");
      registry.claimName(self, "Track " + std::to_string(t));  // a rename of its own
      registry.release(self);
      sync.arrive_and_wait();
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(work, t);
  for (auto& thread : threads) thread.join();

  for (int t = 0; t < kThreads; ++t) EXPECT_TRUE(failures[t].empty()) << t << ": " << failures[t].front();
  for (const int& instance : instances) EXPECT_FALSE(registry.sharesBaseName(&instance));
}

}  // namespace
}  // namespace relaycaster
