#include "WineSupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <system_error>

namespace winetest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::ProcessResult;
using testsupport::Subprocess;

fs::path windowsBuild() { return RELAYCASTER_WINDOWS_BUILD; }
fs::path windowsBundle() { return windowsBuild() / "Relaycaster.vst3"; }
fs::path windowsModule() { return windowsBundle() / "Contents" / "x86_64-win" / "Relaycaster.vst3"; }
fs::path windowsHostExe() { return windowsBuild() / "tools" / "relaycaster-host" / "relaycaster-host.exe"; }
fs::path windowsNdiDouble() { return windowsBuild() / "wine-test-files" / "Processing.NDI.Lib.x64.dll"; }

std::string windowsPath(const fs::path& path) {
  std::string text = "Z:" + fs::absolute(path).lexically_normal().string();
  for (char& c : text)
    if (c == '/') c = '\\';
  return text;
}

std::string withoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

// --- the prefix ------------------------------------------------------------------

WinePrefix& WinePrefix::instance() {
  static WinePrefix prefix;
  return prefix;
}

bool WinePrefix::start(std::string& why) {
  if (mStarted) return true;
  char pattern[] = "/tmp/relaycaster-wine-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (made == nullptr) {
    why = "cannot make a folder for the Wine prefix";
    return false;
  }
  mFolder = made;
  setenv("WINEPREFIX", made, 1);
  setenv("WINEARCH", "win64", 1);
  setenv("WINEDEBUG", "-all", 1);
  // No Mono or Gecko installers (they would ask for downloads), no window.
  setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
  unsetenv("WAYLAND_DISPLAY");
  // The display outlives every test of the program (ctest gives it 15 minutes).
  if (testsupport::XvfbServer::available())
    mDisplay = std::make_unique<testsupport::XvfbServer>(1920, 1200, 24, std::chrono::minutes(20));
  if (mDisplay && mDisplay->started()) {
    setenv("DISPLAY", mDisplay->display().c_str(), 1);
    mWithdrawnStates = std::make_unique<WithdrawnStateKeeper>(mDisplay->display());
  } else {
    unsetenv("DISPLAY");
  }

  // One wineserver for every Windows program of the run, so each starts
  // quickly. It puts itself in the background (out of every process group
  // a test kills) and stays until finish() kills it.
  const ProcessResult server = Subprocess::run({"wineserver", "--persistent"}, 20s);
  if (!server.succeeded()) {
    why = "wineserver did not start: " + server.describe();
    return false;
  }
  const ProcessResult boot = Subprocess::run({"wine", "wineboot", "--init"}, 180s);
  if (!boot.succeeded()) {
    why = "wineboot failed: " + boot.describe();
    return false;
  }
  // A program that crashes prints its backtrace and ends instead of
  // waiting on the display for someone to close Wine's crash dialog.
  const ProcessResult noDialog = Subprocess::run(
      {"wine", "reg", "add", "HKCU\\Software\\Wine\\WineDbg", "/v", "ShowCrashDialog", "/t", "REG_DWORD", "/d", "0",
       "/f"},
      60s);
  if (!noDialog.succeeded()) {
    why = "cannot turn Wine's crash dialog off: " + noDialog.describe();
    return false;
  }
  mStarted = true;
  return true;
}

void WinePrefix::finish() {
  if (mFolder.empty()) return;
  // Ends the server and every Windows program of the prefix, then waits
  // for the server to be gone before the folder goes.
  Subprocess::run({"wineserver", "--kill"}, 20s);
  Subprocess::run({"wineserver", "--wait"}, 20s);
  mWithdrawnStates.reset();
  mDisplay.reset();
  std::error_code ignored;
  fs::remove_all(mFolder, ignored);
  mFolder.clear();
  mStarted = false;
}

fs::path WinePrefix::localAppData() const {
  // Wine names the user's folder after the Linux user.
  const fs::path users = mFolder / "drive_c" / "users";
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(users, error)) {
    if (entry.path().filename() != "Public" && fs::is_directory(entry.path() / "AppData" / "Local"))
      return entry.path() / "AppData" / "Local";
  }
  return {};
}

namespace {

class WinePrefixEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(fs::exists(windowsHostExe())) << windowsHostExe() << " is missing: build the windows preset first";
    ASSERT_TRUE(WinePrefix::instance().start(why)) << why;
  }
  void TearDown() override { WinePrefix::instance().finish(); }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new WinePrefixEnvironment);

}  // namespace

// --- bundles and the host ------------------------------------------------------------

BundleCopy::BundleCopy() {
  char pattern[] = "/tmp/relaycaster-wine-bundle-XXXXXX";
  if (const char* made = mkdtemp(pattern)) mFolder = made;
  mBundle = mFolder / "Relaycaster.vst3";
  std::error_code error;
  fs::copy(windowsBundle(), mBundle, fs::copy_options::recursive, error);
}

BundleCopy::~BundleCopy() {
  std::error_code ignored;
  if (!mFolder.empty()) fs::remove_all(mFolder, ignored);
}

std::vector<std::string> wineHost(const fs::path& bundle, std::vector<std::string> args) {
  std::vector<std::string> command{"wine", windowsHostExe().string(), "--bundle", windowsPath(bundle)};
  command.insert(command.end(), args.begin(), args.end());
  return command;
}

ProcessResult runWineHost(const fs::path& bundle, std::vector<std::string> args, std::chrono::milliseconds limit) {
  ProcessResult result = Subprocess::run(wineHost(bundle, std::move(args)), limit);
  result.out = withoutCarriageReturns(result.out);
  result.err = withoutCarriageReturns(result.err);
  return result;
}

}  // namespace winetest
