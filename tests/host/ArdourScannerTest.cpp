// Ardour's VST 3 scanner, a real host's first look at the built bundle.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/Subprocess.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kScanner = "/usr/lib/ardour7/ardour-vst3-scanner";

/// A temporary home for the scanner, removed afterwards, so that the scan
/// reads no old cache and leaves none behind.
class TemporaryHome {
 public:
  TemporaryHome() {
    char pattern[] = "/tmp/relaycaster-scan-XXXXXX";
    if (mkdtemp(pattern)) mPath = pattern;
  }
  ~TemporaryHome() {
    std::error_code ignored;
    if (!mPath.empty()) std::filesystem::remove_all(mPath, ignored);
  }
  const std::string& Path() const { return mPath; }

 private:
  std::string mPath;
};

TEST(ArdourScanner, ScansTheBundleAndReportsTheClass) {
  ASSERT_EQ(access(kScanner, X_OK), 0) << "Ardour is not installed (scripts/setup installs it)";
  // Ardour keys its cache by the absolute bundle path.
  const std::string bundle = std::filesystem::absolute(RELAYCASTER_VST3_BUNDLE_PATH).lexically_normal().string();
  TemporaryHome home;
  ASSERT_FALSE(home.Path().empty());

  // The scanner's exit status says little (it exits 0 on several
  // failures), so its report is what counts. -f rescans even when a cache
  // exists; -v prints the cache record with the categories.
  const testsupport::ProcessResult scan = testsupport::Subprocess::run(
      {"env", "LD_LIBRARY_PATH=/usr/lib/ardour7", "HOME=" + home.Path(), "XDG_CONFIG_HOME=" + home.Path() + "/config",
       "XDG_CACHE_HOME=" + home.Path() + "/cache", "XDG_DATA_HOME=" + home.Path() + "/data", kScanner, "-f", "-v",
       bundle},
      60s);
  const std::string report = scan.out + scan.err;
  ASSERT_TRUE(scan.started && !scan.timedOut && scan.signal == 0) << scan.describe() << "\n" << report;
  EXPECT_NE(report.find("Found Plugin: Relaycaster"), std::string::npos) << report;
  EXPECT_NE(report.find("name=\"Relaycaster\""), std::string::npos) << report;
  EXPECT_NE(report.find("category=\"Fx|Network\""), std::string::npos) << report;
  EXPECT_NE(report.find("vendor=\"Brightwold\""), std::string::npos) << report;
  EXPECT_NE(report.find("uid=\"F2AEE70D00DE4F4E42776C6442775263\""), std::string::npos) << report;
  EXPECT_NE(report.find("n_inputs=\"2\" n_outputs=\"2\""), std::string::npos) << report;
  EXPECT_EQ(report.find("[ERROR]"), std::string::npos) << report;
  EXPECT_EQ(report.find("[Error]"), std::string::npos) << report;
}

}  // namespace
