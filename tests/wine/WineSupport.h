#pragma once

// Running the Windows build under Wine from a Linux test: one Wine prefix
// for the whole test program in a temporary folder, a persistent
// wineserver for it (so each Windows program starts quickly), a private X
// server that every Windows program of the prefix shows its windows on,
// and the Windows relaycaster-host.exe driving a private copy of the
// Windows bundle. Every Wine process and the X server are bounded in time;
// the prefix's wineserver and the X server are stopped and the folder
// removed when the program ends.
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/Subprocess.h"
#include "WithdrawnStateKeeper.h"
#include "support/XvfbServer.h"

namespace winetest {

/// The Windows build's outputs (the `windows` preset's build folder).
std::filesystem::path windowsBuild();
std::filesystem::path windowsBundle();
std::filesystem::path windowsModule();
std::filesystem::path windowsHostExe();
/// The NDI runtime double cross-built under the runtime's Windows name.
std::filesystem::path windowsNdiDouble();

/// The path Wine's programs see for a Linux path (drive Z: is the root).
std::string windowsPath(const std::filesystem::path& path);
/// Text a Windows program printed, without the carriage returns.
std::string withoutCarriageReturns(std::string text);

/// The Wine prefix of this test program; a gtest environment, registered
/// by WineSupport.cpp.
class WinePrefix {
 public:
  static WinePrefix& instance();
  /// Creates the prefix (wineboot) and starts its wineserver; true when
  /// both worked. Idempotent.
  bool start(std::string& why);
  /// Kills the prefix's wineserver and removes the folder.
  void finish();

  const std::filesystem::path& folder() const { return mFolder; }
  /// The X server of the prefix's programs; nullptr when Xvfb is not
  /// installed (they then run without a display and show no windows).
  /// Wine's desktop process, which every program of the prefix shares
  /// while any runs, keeps the display it started with: the programs
  /// cannot have a display each.
  testsupport::XvfbServer* display() { return mDisplay && mDisplay->started() ? mDisplay.get() : nullptr; }
  /// The prefix's %LOCALAPPDATA% (C:\users\<name>\AppData\Local) as a Linux path.
  std::filesystem::path localAppData() const;

 private:
  std::filesystem::path mFolder;
  std::unique_ptr<testsupport::XvfbServer> mDisplay;
  std::unique_ptr<WithdrawnStateKeeper> mWithdrawnStates;  // on mDisplay
  bool mStarted = false;
};

/// A copy of the Windows bundle in a temporary folder of its own, so that a
/// test can place a runtime beside the module without touching the build.
class BundleCopy {
 public:
  BundleCopy();
  ~BundleCopy();
  BundleCopy(const BundleCopy&) = delete;
  BundleCopy& operator=(const BundleCopy&) = delete;

  const std::filesystem::path& bundle() const { return mBundle; }
  std::filesystem::path moduleFolder() const { return mBundle / "Contents" / "x86_64-win"; }

 private:
  std::filesystem::path mFolder;
  std::filesystem::path mBundle;
};

/// relaycaster-host.exe under Wine on `bundle`, with `args` after it.
std::vector<std::string> wineHost(const std::filesystem::path& bundle, std::vector<std::string> args);
/// Runs it to its end, bounded by `limit`.
testsupport::ProcessResult runWineHost(const std::filesystem::path& bundle, std::vector<std::string> args,
                                       std::chrono::milliseconds limit);

}  // namespace winetest
