// The built plug-in's editor in real X windows on a private server, opened
// the way a Linux host opens it: many times in one process, into a window
// that is gone, and removed by a host from inside the editor's own call.
#include <dirent.h>
#include <xcb/xcb.h>

#include <cstdlib>

#include "BundleFixture.h"
#include "EditorWindow_linux.h"
#include "RunLoop_linux.h"
#include "pluginterfaces/gui/iplugview.h"
#include "support/WaitFor.h"
#include "support/XvfbServer.h"

namespace hosttest {
namespace {

using namespace std::chrono_literals;
using namespace Steinberg;
using testsupport::XvfbServer;

int OpenDescriptors() {
  int count = 0;
  if (DIR* fds = opendir("/proc/self/fd")) {
    while (dirent* entry = readdir(fds))
      if (entry->d_name[0] != '.') ++count;
    closedir(fds);
  }
  return count;
}

class BundleEditorXvfb : public BundleFixture {
 protected:
  void SetUp() override {
    if (!XvfbServer::available()) GTEST_SKIP() << "Xvfb is not installed";
    BundleFixture::SetUp();
    server = std::make_unique<XvfbServer>();
    ASSERT_TRUE(server->started());
    server->makeDefault();
  }
  void TearDown() override {
    BundleFixture::TearDown();
    server.reset();
  }

  IPlugView* NewView() { return instance->Controller()->createView(Vst::ViewType::kEditor); }

  /// Opens the editor in a window of ours, lets a few frames run, closes it.
  void OpenRunClose(vst3host::RunLoop& loop) {
    IPlugView* view = NewView();
    std::string error;
    std::unique_ptr<vst3host::EditorWindow> window =
        vst3host::EditorWindow::Open(view, loop, "Relaycaster (test)", 1.f, error);
    view->release();
    ASSERT_TRUE(window) << error;
    for (int i = 0; i < 4; ++i) loop.RunOnce(20ms);
    EXPECT_EQ(window->Width(), 880);
    EXPECT_EQ(window->ErrorCount(), 0u);
  }

  std::unique_ptr<XvfbServer> server;
};

TEST_F(BundleEditorXvfb, FiftyOpeningsInOneProcessLeaveNoConnectionThreadOrRegistration) {
  vst3host::RunLoop loop;
  OpenRunClose(loop);  // the first opening loads what stays loaded (fonts, keymaps, cursor themes)
  const int descriptors = OpenDescriptors();
  const int threads = ThreadCount();
  for (int i = 0; i < 50; ++i) {
    OpenRunClose(loop);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(loop.EventHandlerCount(), 0u);
    EXPECT_EQ(loop.TimerCount(), 0u);
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);  // every X connection closed again
  EXPECT_EQ(ThreadCount(), threads);
}

TEST_F(BundleEditorXvfb, AWindowThatDoesNotExistGivesNoEditorAndTheNextAttachWorks) {
  vst3host::RunLoop loop;
  IPlugView* view = NewView();
  // The frame gives the run loop; the parent is no window at all.
  struct Frame : IPlugFrame {
    explicit Frame(vst3host::RunLoop& l) : loop(l) {}
    tresult PLUGIN_API resizeView(IPlugView*, ViewRect*) override { return kResultFalse; }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override { return loop.queryInterface(iid, obj); }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    vst3host::RunLoop& loop;
  } frame(loop);
  view->setFrame(&frame);
  EXPECT_EQ(view->attached(reinterpret_cast<void*>(uintptr_t{0x3ffffff}), kPlatformTypeX11EmbedWindowID),
            kResultFalse);
  EXPECT_EQ(loop.TimerCount(), 0u);
  view->setFrame(nullptr);
  view->release();
  OpenRunClose(loop);
}

TEST_F(BundleEditorXvfb, AHostWithoutARunLoopGetsNoEditor) {
  IPlugView* view = NewView();
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t window = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 100, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    screen->root_visual, 0, nullptr);
  xcb_flush(c);
  EXPECT_EQ(view->attached(reinterpret_cast<void*>(uintptr_t{window}), kPlatformTypeX11EmbedWindowID), kResultFalse);
  view->release();
  xcb_disconnect(c);
}

// A host that removes the view while the editor asks it for a new size,
// from inside the editor's own event handling (the grip's drag).
class RemovingFrame final : public IPlugFrame {
 public:
  explicit RemovingFrame(vst3host::RunLoop& loop) : mLoop(loop) {}
  tresult PLUGIN_API resizeView(IPlugView* view, ViewRect*) override {
    ++resizeRequests;
    removedResult = view->removed();
    return kResultFalse;
  }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override { return mLoop.queryInterface(iid, obj); }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }
  int resizeRequests = 0;
  tresult removedResult = kNotImplemented;

 private:
  vst3host::RunLoop& mLoop;
};

TEST_F(BundleEditorXvfb, RemovedFromInsideTheEditorsOwnCallbackClosesItSafelyAfterwards) {
  vst3host::RunLoop loop;
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t window = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 880, 562, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    screen->root_visual, 0, nullptr);
  xcb_map_window(c, window);
  xcb_flush(c);

  IPlugView* view = NewView();
  RemovingFrame frame(loop);
  view->setFrame(&frame);
  ASSERT_EQ(view->attached(reinterpret_cast<void*>(uintptr_t{window}), kPlatformTypeX11EmbedWindowID), kResultOk);
  for (int i = 0; i < 3; ++i) loop.RunOnce(20ms);
  // Drag the corner grip: the editor asks for a larger window.
  const std::string id = std::to_string(window);
  ASSERT_TRUE(server->run({"xdotool", "mousemove", "--window", id, "872", "554", "mousedown", "1", "mousemove", "--window",
                           id, "950", "600", "mouseup", "1"}).succeeded());
  EXPECT_TRUE(testsupport::WaitFor(
      [&] {
        loop.RunOnce(10ms);
        return frame.resizeRequests > 0 && loop.TimerCount() == 0;
      },
      5s));
  EXPECT_EQ(frame.removedResult, kResultOk);
  EXPECT_EQ(view->removed(), kResultFalse);  // already gone
  // The view can be attached again, and removed the ordinary way.
  ASSERT_EQ(view->attached(reinterpret_cast<void*>(uintptr_t{window}), kPlatformTypeX11EmbedWindowID), kResultOk);
  loop.RunOnce(20ms);
  EXPECT_EQ(view->removed(), kResultOk);
  view->setFrame(nullptr);
  view->release();
  xcb_disconnect(c);
}

}  // namespace
}  // namespace hosttest
