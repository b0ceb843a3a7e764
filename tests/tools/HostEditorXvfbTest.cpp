// relaycaster-host --editor on a private X server: the window's size,
// colours, grips and threads, typing into it, and closing it.
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <regex>

#include <gtest/gtest.h>

#include "EditorWindowDriver.h"
#include "SrtTextsInState.h"
#include "support/WaitFor.h"

namespace {

using namespace std::chrono_literals;
using editortest::EditorWindowDriver;
using editortest::Rgb;
using editortest::Size;
using testsupport::WaitFor;

constexpr Rgb kWindowBackground{10, 10, 10};
constexpr Rgb kPanel{20, 20, 20};

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
    if (!EditorWindowDriver::toolsAvailable()) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick's import is not installed";
    driver = std::make_unique<EditorWindowDriver>();
    ASSERT_TRUE(driver->started());
  }

  void startEditor(std::vector<std::string> args) {
    args.insert(args.begin(), "--editor");
    ASSERT_TRUE(driver->startHost(RELAYCASTER_HOST_BINARY, std::move(args))) << driver->host().stderrText();
  }

  bool showsAt(int x, int y, const Rgb& colour) { return driver->showsAt(x, y, colour); }
  bool xdotool(std::vector<std::string> args) { return driver->xdotool(std::move(args)); }

  /// Closes the window and expects the host to stop as after Ctrl-C, with no X error on either side.
  void closeAndExpectCleanStop() {
    const testsupport::ProcessResult finished = driver->closeAndWait();
    EXPECT_TRUE(finished.succeeded()) << finished.describe();
    EXPECT_NE(finished.out.find("the editor window was closed"), std::string::npos) << finished.out;
    EXPECT_NE(finished.out.find("relaycaster-host: stopped"), std::string::npos) << finished.out;
    EXPECT_EQ(finished.err.find("X error"), std::string::npos) << finished.err;
  }

  std::unique_ptr<EditorWindowDriver> driver;
};

TEST_F(HostEditorXvfb, TheEditorOpensAtTheDesignSizeInThePalettesColoursAndClosingStopsTheHost) {
  startEditor({});
  EXPECT_TRUE(driver->sizeBecomes(880, 562));
  EXPECT_TRUE(showsAt(5, 40, kWindowBackground));
  EXPECT_TRUE(showsAt(20, 100, kPanel));
  EXPECT_TRUE(showsAt(20, 506, kPanel));  // the panel's last rows, in the NDI column that is on
  EXPECT_TRUE(showsAt(866, 508, kWindowBackground));
  closeAndExpectCleanStop();
}

TEST_F(HostEditorXvfb, AScreenScaleOfTwoDoublesTheWindow) {
  startEditor({"--ui-scale", "2"});
  EXPECT_TRUE(driver->sizeBecomes(1760, 1124));
  EXPECT_TRUE(showsAt(10, 80, kWindowBackground));
  EXPECT_TRUE(showsAt(40, 200, kPanel));
  closeAndExpectCleanStop();
}

TEST_F(HostEditorXvfb, TheWindowFollowsTheCornerGripsDragAndDoubleClick) {
  startEditor({});
  ASSERT_TRUE(driver->sizeBecomes(880, 562));
  ASSERT_TRUE(showsAt(20, 100, kPanel));  // the editor is in the window and takes the mouse
  const std::string& id = driver->window();
  // 220 pixels right and 5 down from the grip's centre: scale 1.25.
  ASSERT_TRUE(xdotool({"mousemove", "--window", id, "872", "554", "mousedown", "1"}));
  for (int step = 1; step <= 10; ++step)
    ASSERT_TRUE(xdotool({"mousemove", "--window", id, std::to_string(872 + 22 * step), std::to_string(554 + step / 2)}));
  ASSERT_TRUE(xdotool({"mouseup", "1"}));
  EXPECT_TRUE(driver->sizeBecomes(1100, 703)) << driver->geometry().width << "x" << driver->geometry().height << "\n"
                                              << driver->host().stderrText();
  EXPECT_TRUE(showsAt(25, 125, kPanel));  // drawn at the new scale: the panel starts at 14 × 1.25

  // A double-click on the grip, now at the larger scale, goes back to 1x.
  ASSERT_TRUE(xdotool({"mousemove", "--window", id, "1090", "692", "click", "--repeat", "2", "--delay", "60", "1"}));
  EXPECT_TRUE(driver->sizeBecomes(880, 562));
  closeAndExpectCleanStop();
}

TEST_F(HostEditorXvfb, AnOpenEditorRunsOnTheHostsThreadsAndStartsNoneOfItsOwn) {
  testsupport::Subprocess plain(driver->server().onDisplay({RELAYCASTER_HOST_BINARY, "--seconds", "30"}), 60s);
  ASSERT_TRUE(WaitFor([&] { return plain.stdoutText().find("SRT:") != std::string::npos; }, 20s));
  const int withoutEditor = ThreadsOf(plain.pid());
  plain.stop();

  startEditor({});
  ASSERT_TRUE(driver->printed("SRT:", 20s));
  EXPECT_EQ(ThreadsOf(driver->host().pid()), withoutEditor);
  closeAndExpectCleanStop();
}

// Twenty openings and closings leave no window on the display, no thread
// and no descriptor (the first opening may keep a display connection for
// the process's life).
TEST_F(HostEditorXvfb, EditorCyclesLeaveNoWindowThreadOrDescriptorBehind) {
  const testsupport::ProcessResult run = driver->server().run(
      {RELAYCASTER_HOST_BINARY, "--set", "NDI=off", "--editor-cycles", "20"}, 60s);
  ASSERT_TRUE(run.succeeded()) << run.describe();
  EXPECT_NE(run.out.find("relaycaster-host: the editor cycles left nothing behind"), std::string::npos) << run.out;
  const std::regex windows(R"(\n  top-level X windows +(\d+) +(\d+) +(\d+)\n)");
  std::smatch counts;
  ASSERT_TRUE(std::regex_search(run.out, counts, windows)) << run.out;
  EXPECT_EQ(counts[3], counts[1]) << run.out;
  EXPECT_EQ(run.out.find("n/a"), std::string::npos) << run.out;
}

TEST_F(HostEditorXvfb, TypingThroughTheKeyboardReachesTheStreamIdField) {
  const std::string state = ::testing::TempDir() + "/relaycaster-typed-state.bin";
  startEditor({"--state-out", state});
  ASSERT_TRUE(driver->sizeBecomes(880, 562));
  // The stream id field; the entry shows in its own colour.
  ASSERT_TRUE(driver->clickUntil(500, 351, [&] { return driver->capture().at(400, 341) == Rgb{30, 30, 30}; }));
  ASSERT_TRUE(driver->type("typed-id"));
  ASSERT_TRUE(driver->key("Return"));
  closeAndExpectCleanStop();
  std::ifstream file(state, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::optional<relaycaster_host::StateSrtTexts> texts = relaycaster_host::readSrtTexts(bytes);
  ASSERT_TRUE(texts.has_value());
  EXPECT_EQ(texts->streamId, "typed-id");
  std::remove(state.c_str());
}

}  // namespace
