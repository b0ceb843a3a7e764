#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <thread>
#include <vector>

#include "DoubleAccess.h"
#include "transport/ndi/NdiRuntime.h"

namespace relaycaster {
namespace {

// This program sits in a folder of its own that has no runtime, so the
// process-wide loader (which looks beside the module holding its code, here
// the test program) fails. The whole test is one process on purpose.
std::filesystem::path ownFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  path[length] = '\0';
  return std::filesystem::path(path).parent_path();
}

// Removes the runtime copied beside the program, whatever the outcome.
struct CopiedRuntime {
  explicit CopiedRuntime(const std::filesystem::path& target) : path(target) {
    std::filesystem::copy_file(testing_ndi::doubleFolder("good") + "libndi.so.6", path,
                               std::filesystem::copy_options::overwrite_existing);
  }
  ~CopiedRuntime() { std::filesystem::remove(path); }
  std::filesystem::path path;
};

TEST(NdiRuntimeOnce, AFailureIsKeptForTheProcessWithoutANewAttempt) {
  const std::filesystem::path runtimePath = ownFolder() / "libndi.so.6";
  std::filesystem::remove(runtimePath);  // left over from an interrupted run

  // Concurrent first calls all wait for the one load.
  std::vector<const NdiRuntime*> seen(4, nullptr);
  std::vector<std::thread> threads;
  for (auto& slot : seen) threads.emplace_back([&slot] { slot = &NdiRuntime::get(); });
  for (auto& thread : threads) thread.join();
  for (const NdiRuntime* runtime : seen) EXPECT_EQ(runtime, seen.front());

  const NdiRuntime& first = *seen.front();
  EXPECT_FALSE(first.available());
  const std::string start = "The NDI runtime inside Relaycaster could not be loaded (" + runtimePath.string() + ", error ";
  EXPECT_EQ(first.error().rfind(start, 0), 0u) << first.error();

  // A working runtime appearing later changes nothing: no second attempt.
  CopiedRuntime copy(runtimePath);
  const NdiRuntime& second = NdiRuntime::get();
  EXPECT_EQ(&second, &first);
  EXPECT_FALSE(second.available());
  EXPECT_EQ(second.error(), first.error());
}

}  // namespace
}  // namespace relaycaster
