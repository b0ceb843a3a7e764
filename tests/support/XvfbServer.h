#pragma once

// A private X server for one test: Xvfb on a display number it picks
// itself (-displayfd), bounded in time and killed with the test.
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/Subprocess.h"

namespace testsupport {

class XvfbServer {
 public:
  /// Starts Xvfb with one screen of `width` × `height` at `depth` bits and
  /// waits (bounded) until it accepts clients. `lifetime` bounds the whole
  /// server. started() tells whether that worked.
  explicit XvfbServer(int width = 1920, int height = 1200, int depth = 24,
                      std::chrono::milliseconds lifetime = std::chrono::minutes(3));
  /// Stops the server (SIGTERM, then SIGKILL) and reaps it.
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool started() const { return !mDisplay.empty(); }
  /// ":N".
  const std::string& display() const { return mDisplay; }
  pid_t pid() const { return mServer ? mServer->pid() : -1; }
  /// Points DISPLAY of this process at the server until the server goes
  /// (for code under test that connects to "the" display).
  void makeDefault();

  /// Runs an X client program (xdotool, xwininfo, import) against this
  /// server, bounded by `limit`.
  ProcessResult run(std::vector<std::string> argv,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
  /// The same command with `env DISPLAY=` in front, for Subprocess.
  std::vector<std::string> onDisplay(std::vector<std::string> argv) const;

  /// Xvfb is installed.
  static bool available() { return Subprocess::available("Xvfb"); }

 private:
  std::unique_ptr<Subprocess> mServer;
  std::string mDisplay;
  std::string mPreviousDisplay;
  bool mMadeDefault = false;
  bool mHadDisplay = false;
};

/// A picture read back from the screen (import -window ... ppm:-), RGB.
struct ScreenPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  bool valid() const { return width > 0 && height > 0; }
  /// {red, green, blue} at (x, y); {-1, -1, -1} outside.
  std::array<int, 3> at(int x, int y) const;
};

/// Takes a picture of a window (or "root") of the server.
ScreenPicture CaptureWindow(const XvfbServer& server, const std::string& window);
/// Reads a picture file (PNG and what else ImageMagick's convert reads); invalid when it cannot.
ScreenPicture ReadPicture(const std::string& path);

}  // namespace testsupport
