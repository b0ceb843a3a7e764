// Linked into every test program: before any test runs, points the per-user
// data folder at a fresh temporary directory and the update feed at a
// loopback port where nothing listens, so that no test touches the user's
// files or the real network. Tests that need other values set their own.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

struct TestEnvironment {
  TestEnvironment() {
    char pattern[] = "/tmp/relaycaster-test-XXXXXX";
    if (const char* dir = mkdtemp(pattern)) {
      folder = dir;
      setenv("XDG_DATA_HOME", dir, 1);
    }
    setenv("BRIGHTWOLD_UPDATES_URL", "http://127.0.0.1:9/updates.json", 0);
  }
  ~TestEnvironment() {
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
  }
  std::string folder;
};

const TestEnvironment environment;

}  // namespace
