#pragma once

// relaycaster-host --editor on a private X server, looked at and driven
// from outside as a user would: xdotool for the mouse and keyboard, a
// screenshot for the colours, the window manager's close message. Every
// wait is bounded; the host and the server go with the driver.
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/Subprocess.h"
#include "support/XvfbServer.h"

namespace editortest {

using Rgb = std::array<int, 3>;
using testsupport::ProcessResult;
using testsupport::ScreenPicture;

struct Size {
  int width = 0;
  int height = 0;
};

/// True when every channel is within `tolerance` of the expected colour.
bool Near(const Rgb& colour, const Rgb& expected, int tolerance = 6);

class EditorWindowDriver {
 public:
  /// Starts the X server (see started()).
  EditorWindowDriver();
  /// Uses a server that someone else owns and keeps for longer (Wine's
  /// programs, which all share the display their desktop process opened).
  explicit EditorWindowDriver(testsupport::XvfbServer& server);
  ~EditorWindowDriver();
  EditorWindowDriver(const EditorWindowDriver&) = delete;
  EditorWindowDriver& operator=(const EditorWindowDriver&) = delete;

  /// Xvfb, xdotool and ImageMagick's import are all installed.
  static bool toolsAvailable();
  bool started() const { return mServer && mServer->started(); }
  testsupport::XvfbServer& server() { return *mServer; }

  /// `binary` with `args` on this server, `environment` ("NAME=value")
  /// added, bounded by `limit`; then waits (bounded) for its window, whose
  /// title begins with "Relaycaster". False when no window came.
  bool startHost(const std::string& binary, std::vector<std::string> args,
                 const std::vector<std::string>& environment = {},
                 std::chrono::milliseconds limit = std::chrono::seconds(90));
  testsupport::Subprocess& host() { return *mHost; }
  /// The host window's X id, as xdotool takes it.
  const std::string& window() const { return mWindow; }

  Size geometry();
  /// Waits (bounded) until the window has this size.
  bool sizeBecomes(int width, int height, std::chrono::milliseconds limit = std::chrono::seconds(10));
  ScreenPicture capture();
  /// Waits (bounded) until a picture of the window satisfies `condition`.
  bool showsWithin(const std::function<bool(const ScreenPicture&)>& condition,
                   std::chrono::milliseconds limit = std::chrono::seconds(10));
  /// Waits (bounded) until the window shows `colour` at (x, y).
  bool showsAt(int x, int y, const Rgb& colour, std::chrono::milliseconds limit = std::chrono::seconds(10));
  /// Waits (bounded) until the host has printed `text` at or after byte `from` of its output.
  bool printed(const std::string& text, std::chrono::milliseconds limit, size_t from = 0);

  /// Runs xdotool with these arguments on this server.
  bool xdotool(std::vector<std::string> args);
  /// A left click at window coordinates.
  bool clickAt(int x, int y, const std::string& window = {});
  /// Clicks at (x, y) until `answered` holds, waiting `patience` after each
  /// click, at most `attempts` times: a click that reaches the window before
  /// it takes input is made again. Only for clicks that are harmless to
  /// repeat, or whose effect `answered` sees before a repeat.
  bool clickUntil(int x, int y, const std::function<bool()>& answered, int attempts = 5,
                  std::chrono::milliseconds patience = std::chrono::seconds(2));
  /// Types text through the X keyboard, a key press per character.
  bool type(const std::string& text);
  /// Presses and releases one key by its X name ("Return", "Escape").
  bool key(const std::string& name);

  /// Top-level windows other than the host's that are mapped (popup menus).
  std::vector<std::string> otherMappedWindows();

  /// What a window manager sends when the user clicks the close button.
  void requestClose();
  /// Requests the close and waits for the host to end.
  ProcessResult closeAndWait();

 private:
  std::unique_ptr<testsupport::XvfbServer> mOwnedServer;
  testsupport::XvfbServer* mServer;
  std::unique_ptr<testsupport::Subprocess> mHost;
  std::string mWindow;
};

}  // namespace editortest
