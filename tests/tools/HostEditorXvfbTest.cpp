// relaycaster-host --editor on a private X server, looked at and driven
// from outside as a user would: xdotool for the mouse and keyboard, a
// screenshot for the colours, the window manager's close message.
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "SrtTextsInState.h"
#include "support/Subprocess.h"
#include "support/WaitFor.h"
#include "support/XvfbServer.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Subprocess;
using testsupport::WaitFor;
using testsupport::XvfbServer;
using Rgb = std::array<int, 3>;

constexpr Rgb kWindowBackground{10, 10, 10};
constexpr Rgb kPanel{20, 20, 20};

struct Size {
  int width = 0;
  int height = 0;
};

int ThreadsOf(pid_t pid) {
  int count = 0;
  if (DIR* tasks = opendir(("/proc/" + std::to_string(pid) + "/task").c_str())) {
    while (dirent* entry = readdir(tasks))
      if (entry->d_name[0] != '.') ++count;
    closedir(tasks);
  }
  return count;
}

class HostEditorXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!XvfbServer::available() || !Subprocess::available("xdotool") || !Subprocess::available("import"))
      GTEST_SKIP() << "Xvfb, xdotool or ImageMagick's import is not installed";
    server = std::make_unique<XvfbServer>();
    ASSERT_TRUE(server->started());
  }

  std::unique_ptr<Subprocess> startHost(std::vector<std::string> args) {
    args.insert(args.begin(), RELAYCASTER_HOST_BINARY);
    return std::make_unique<Subprocess>(server->onDisplay(std::move(args)), 90s);
  }

  /// The id of the host's window (its title begins with "Relaycaster").
  std::string waitForWindow(Subprocess& host) {
    std::string id;
    WaitFor(
        [&] {
          const testsupport::ProcessResult found = server->run({"xdotool", "search", "--name", "^Relaycaster"});
          if (found.succeeded()) id = found.out.substr(0, found.out.find('\n'));
          return !id.empty() || !host.running();
        },
        20s);
    return id;
  }

  Size geometry(const std::string& id) {
    const testsupport::ProcessResult shell = server->run({"xdotool", "getwindowgeometry", "--shell", id});
    Size size;
    const size_t w = shell.out.find("WIDTH=");
    const size_t h = shell.out.find("HEIGHT=");
    if (w != std::string::npos) size.width = std::atoi(shell.out.c_str() + w + 6);
    if (h != std::string::npos) size.height = std::atoi(shell.out.c_str() + h + 7);
    return size;
  }

  bool sizeBecomes(const std::string& id, int width, int height) {
    return WaitFor(
        [&] {
          const Size size = geometry(id);
          return size.width == width && size.height == height;
        },
        10s);
  }

  /// The colour at a window pixel, once the window shows it.
  bool showsAt(const std::string& id, int x, int y, const Rgb& colour) {
    return WaitFor([&] { return testsupport::CaptureWindow(*server, id).at(x, y) == colour; }, 10s);
  }

  bool xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    return server->run(std::move(args)).succeeded();
  }

  /// What a window manager sends when the user clicks the close button.
  void requestClose(const std::string& id) {
    xcb_connection_t* c = xcb_connect(server->display().c_str(), nullptr);
    auto atom = [&](const char* name) {
      xcb_intern_atom_reply_t* reply =
          xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
      const xcb_atom_t a = reply ? reply->atom : 0;
      std::free(reply);
      return a;
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(std::stoul(id));
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    char bytes[32] = {};
    std::memcpy(bytes, &message, sizeof message);
    xcb_send_event(c, 0, message.window, XCB_EVENT_MASK_NO_EVENT, bytes);
    // A round trip first: the server may drop what it has not read from a
    // connection that has ended.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
  }

  /// Closes the window and expects the host to stop as after Ctrl-C, with no X error on either side.
  void closeAndExpectCleanStop(Subprocess& host, const std::string& id) {
    requestClose(id);
    const testsupport::ProcessResult finished = host.wait();
    EXPECT_TRUE(finished.succeeded()) << finished.describe();
    EXPECT_NE(finished.out.find("the editor window was closed"), std::string::npos) << finished.out;
    EXPECT_NE(finished.out.find("relaycaster-host: stopped"), std::string::npos) << finished.out;
    EXPECT_EQ(finished.err.find("X error"), std::string::npos) << finished.err;
  }

  std::unique_ptr<XvfbServer> server;
};

TEST_F(HostEditorXvfb, TheEditorOpensAtTheDesignSizeInThePalettesColoursAndClosingStopsTheHost) {
  auto host = startHost({"--editor"});
  const std::string id = waitForWindow(*host);
  ASSERT_FALSE(id.empty()) << host->stderrText();
  EXPECT_TRUE(sizeBecomes(id, 880, 562));
  EXPECT_TRUE(showsAt(id, 5, 40, kWindowBackground));
  EXPECT_TRUE(showsAt(id, 20, 100, kPanel));
  EXPECT_TRUE(showsAt(id, 20, 506, kPanel));  // the panel's last rows, in the NDI column that is on
  EXPECT_TRUE(showsAt(id, 866, 508, kWindowBackground));
  closeAndExpectCleanStop(*host, id);
}

TEST_F(HostEditorXvfb, AScreenScaleOfTwoDoublesTheWindow) {
  auto host = startHost({"--editor", "--ui-scale", "2"});
  const std::string id = waitForWindow(*host);
  ASSERT_FALSE(id.empty()) << host->stderrText();
  EXPECT_TRUE(sizeBecomes(id, 1760, 1124));
  EXPECT_TRUE(showsAt(id, 10, 80, kWindowBackground));
  EXPECT_TRUE(showsAt(id, 40, 200, kPanel));
  closeAndExpectCleanStop(*host, id);
}

TEST_F(HostEditorXvfb, TheWindowFollowsTheCornerGripsDragAndDoubleClick) {
  auto host = startHost({"--editor"});
  const std::string id = waitForWindow(*host);
  ASSERT_FALSE(id.empty()) << host->stderrText();
  ASSERT_TRUE(sizeBecomes(id, 880, 562));
  // 220 pixels right and 5 down from the grip's centre: scale 1.25.
  ASSERT_TRUE(xdotool({"mousemove", "--window", id, "872", "554", "mousedown", "1"}));
  for (int step = 1; step <= 10; ++step)
    ASSERT_TRUE(xdotool({"mousemove", "--window", id, std::to_string(872 + 22 * step), std::to_string(554 + step / 2)}));
  ASSERT_TRUE(xdotool({"mouseup", "1"}));
  EXPECT_TRUE(sizeBecomes(id, 1100, 703)) << geometry(id).width << "x" << geometry(id).height << "\n"
                                          << host->stderrText();
  EXPECT_TRUE(showsAt(id, 25, 125, kPanel));  // drawn at the new scale: the panel starts at 14 × 1.25

  // A double-click on the grip, now at the larger scale, goes back to 1x.
  ASSERT_TRUE(xdotool({"mousemove", "--window", id, "1090", "692", "click", "--repeat", "2", "--delay", "60", "1"}));
  EXPECT_TRUE(sizeBecomes(id, 880, 562));
  closeAndExpectCleanStop(*host, id);
}

TEST_F(HostEditorXvfb, AnOpenEditorRunsOnTheHostsThreadsAndStartsNoneOfItsOwn) {
  auto plain = startHost({"--seconds", "30"});
  ASSERT_TRUE(WaitFor([&] { return plain->stdoutText().find("SRT:") != std::string::npos; }, 20s));
  const int withoutEditor = ThreadsOf(plain->pid());
  plain->stop();

  auto host = startHost({"--editor"});
  const std::string id = waitForWindow(*host);
  ASSERT_FALSE(id.empty()) << host->stderrText();
  ASSERT_TRUE(WaitFor([&] { return host->stdoutText().find("SRT:") != std::string::npos; }, 20s));
  EXPECT_EQ(ThreadsOf(host->pid()), withoutEditor);
  closeAndExpectCleanStop(*host, id);
}

// Typing through the X keyboard into the stream id field, which the
// stream panel's text fields bring; enable when they are in the layout.
TEST_F(HostEditorXvfb, TypingThroughTheKeyboardReachesTheStreamIdField) {
  const std::string state = ::testing::TempDir() + "/relaycaster-typed-state.bin";
  auto host = startHost({"--editor", "--state-out", state});
  const std::string id = waitForWindow(*host);
  ASSERT_FALSE(id.empty()) << host->stderrText();
  ASSERT_TRUE(sizeBecomes(id, 880, 562));
  // The stream id field; a click that reaches the window before it is
  // ready to take it is made again. The entry shows in its own colour.
  bool entryOpen = false;
  for (int attempt = 0; attempt < 5 && !entryOpen; ++attempt) {
    ASSERT_TRUE(xdotool({"mousemove", "--window", id, "500", "351", "click", "1"}));
    entryOpen = WaitFor([&] { return testsupport::CaptureWindow(*server, id).at(400, 341) == Rgb{30, 30, 30}; }, 2s);
  }
  ASSERT_TRUE(entryOpen);
  ASSERT_TRUE(xdotool({"type", "--delay", "20", "typed-id"}));
  ASSERT_TRUE(xdotool({"key", "Return"}));
  closeAndExpectCleanStop(*host, id);
  std::ifstream file(state, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::optional<relaycaster_host::StateSrtTexts> texts = relaycaster_host::readSrtTexts(bytes);
  ASSERT_TRUE(texts.has_value());
  EXPECT_EQ(texts->streamId, "typed-id");
  std::remove(state.c_str());
}

}  // namespace
