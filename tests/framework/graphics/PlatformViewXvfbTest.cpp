// The Linux editor window on a private X server: the window is a child of
// a "host" window this test makes on a connection of its own, and real
// input comes from xdotool (XTEST), as from a user.
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/IPlugAPIBase.h"
#include "framework/graphics/IControl.h"
#include "framework/graphics/IGraphics.h"
#include "framework/graphics/PlatformView_linux.h"
#include "framework/graphics/TextEntry.h"
#include "support/WaitFor.h"
#include "support/XvfbServer.h"

namespace {

using namespace std::chrono_literals;
using framework::IColor;
using framework::IGraphics;
using framework::IMouseMod;
using framework::IRECT;
using framework::LinuxPlatformView;
using testsupport::WaitFor;
using testsupport::XvfbServer;

constexpr IColor kBackground{255, 10, 10, 10};
constexpr IColor kFill{255, 200, 40, 30};

class WindowTestPlugin final : public framework::IPlugAPIBase {
 public:
  WindowTestPlugin() : IPlugAPIBase(Config()) {}
  static framework::PluginConfig Config() {
    framework::PluginConfig config;
    config.editorWidth = 300;
    config.editorHeight = 200;
    return config;
  }
  void RenderBlock(double**, double**, int) override {}
};

/// Records what the window delivers; opens a text entry or a menu on a press when asked to.
class ProbeControl final : public framework::IControl {
 public:
  enum class OnPress { Record, OpenEntry, OpenMenu };
  ProbeControl(const IRECT& bounds, OnPress onPress) : IControl(bounds), mOnPress(onPress) {
    mMenu.AddItem("First");
    mMenu.AddItem("Second");
    mMenu.AddItem("Third");
  }

  void Draw(IGraphics& g) override { g.FillRect(kFill, GetRECT()); }
  void OnMouseDown(float x, float y, const IMouseMod& mod) override {
    presses.push_back({x, y});
    lastMod = mod;
    if (mOnPress == OnPress::OpenEntry) GetUI()->CreateTextEntry(*this, {}, GetRECT(), "old");
    if (mOnPress == OnPress::OpenMenu) GetUI()->CreatePopupMenu(*this, mMenu, GetRECT());
  }
  void OnMouseDblClick(float, float, const IMouseMod&) override { ++doubleClicks; }
  void OnMouseWheel(float, float, const IMouseMod&, float delta) override { wheel += delta; }
  void OnTextEntryCompletion(const char* text, int) override { committed = text ? std::optional<std::string>(text) : ""; }
  void OnPopupMenuSelection(framework::IPopupMenu* menu, int) override {
    menuResults.push_back(menu ? menu->GetChosenItemIdx() : -1);
  }

  std::vector<std::pair<float, float>> presses;
  IMouseMod lastMod;
  int doubleClicks = 0;
  float wheel = 0.f;
  std::optional<std::string> committed;
  std::vector<int> menuResults;

 private:
  OnPress mOnPress;
  framework::IPopupMenu mMenu;
};

/// The test's own client: the "host" with its window, and a second
/// program for selections.
class TestClient {
 public:
  explicit TestClient(const std::string& display) : mC(xcb_connect(display.c_str(), nullptr)) {
    mScreen = xcb_setup_roots_iterator(xcb_get_setup(mC)).data;
  }
  ~TestClient() { xcb_disconnect(mC); }
  bool ok() const { return !xcb_connection_has_error(mC); }
  xcb_connection_t* c() const { return mC; }
  xcb_window_t root() const { return mScreen->root; }

  xcb_window_t makeWindow(xcb_window_t parent, int width, int height, bool map) {
    const xcb_window_t window = xcb_generate_id(mC);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(mC, XCB_COPY_FROM_PARENT, window, parent, 0, 0, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, mScreen->root_visual,
                      XCB_CW_EVENT_MASK, &events);
    if (map) xcb_map_window(mC, window);
    xcb_flush(mC);
    return window;
  }

  /// The colour of one pixel of a window, as the server holds it.
  IColor pixel(xcb_window_t window, int x, int y) {
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        mC,
        xcb_get_image(mC, XCB_IMAGE_FORMAT_Z_PIXMAP, window, static_cast<int16_t>(x), static_cast<int16_t>(y), 1, 1,
                      ~0u),
        nullptr);
    IColor colour{0, 0, 0, 0};
    if (image && xcb_get_image_data_length(image) >= 4) {
      const uint8_t* p = xcb_get_image_data(image);
      colour = {255, p[2], p[1], p[0]};
    }
    std::free(image);
    return colour;
  }

  xcb_window_t focus() {
    xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(mC, xcb_get_input_focus(mC), nullptr);
    const xcb_window_t holder = reply ? reply->focus : 0;
    std::free(reply);
    return holder;
  }

  xcb_atom_t atom(const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(mC, xcb_intern_atom(mC, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : 0;
    std::free(reply);
    return a;
  }

  void setRootProperty(const char* name, const std::string& value) {
    xcb_change_property(mC, XCB_PROP_MODE_REPLACE, root(), atom(name), XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(value.size()), value.data());
    xcb_flush(mC);
  }

  /// Mapped override-redirect windows on the root: our popups.
  std::vector<xcb_window_t> popups() {
    std::vector<xcb_window_t> found;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(mC, xcb_query_tree(mC, root()), nullptr);
    if (!tree) return found;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
      xcb_get_window_attributes_reply_t* a =
          xcb_get_window_attributes_reply(mC, xcb_get_window_attributes(mC, children[i]), nullptr);
      if (a && a->override_redirect && a->map_state == XCB_MAP_STATE_VIEWABLE) found.push_back(children[i]);
      std::free(a);
    }
    std::free(tree);
    return found;
  }

  /// Owns a selection with `text` and answers requests for it (UTF8_STRING).
  void ownSelection(xcb_window_t window, xcb_atom_t selection, const std::string& text) {
    mOwned = text;
    mOwner = window;
    xcb_set_selection_owner(mC, window, selection, XCB_CURRENT_TIME);
    xcb_flush(mC);
  }

  /// Answers selection requests, collects selection notifications.
  void pump() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(mC)) {
      const uint8_t type = event->response_type & 0x7f;
      if (type == XCB_SELECTION_REQUEST) answer(*reinterpret_cast<xcb_selection_request_event_t*>(event));
      if (type == XCB_SELECTION_NOTIFY) notified = *reinterpret_cast<xcb_selection_notify_event_t*>(event);
      std::free(event);
    }
  }

  std::string readProperty(xcb_window_t window, xcb_atom_t property) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        mC, xcb_get_property(mC, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 16), nullptr);
    std::string text;
    if (reply) text.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                           static_cast<size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return text;
  }

  std::optional<xcb_selection_notify_event_t> notified;

 private:
  void answer(const xcb_selection_request_event_t& request) {
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.time = request.time;
    notify.property = XCB_ATOM_NONE;
    if (request.target == atom("UTF8_STRING")) {
      xcb_change_property(mC, XCB_PROP_MODE_REPLACE, request.requestor, request.property, request.target, 8,
                          static_cast<uint32_t>(mOwned.size()), mOwned.data());
      notify.property = request.property;
    }
    char bytes[32] = {};
    std::memcpy(bytes, &notify, sizeof notify);
    xcb_send_event(mC, 0, request.requestor, 0, bytes);
    xcb_flush(mC);
  }

  xcb_connection_t* mC;
  xcb_screen_t* mScreen = nullptr;
  std::string mOwned;
  xcb_window_t mOwner = 0;
};

class PlatformViewXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!XvfbServer::available()) GTEST_SKIP() << "Xvfb is not installed";
    server = std::make_unique<XvfbServer>();
    ASSERT_TRUE(server->started()) << "Xvfb did not start";
    server->makeDefault();
    host = std::make_unique<TestClient>(server->display());
    ASSERT_TRUE(host->ok());
    topLevel = host->makeWindow(host->root(), 600, 400, true);
    parent = host->makeWindow(topLevel, 600, 400, true);
  }

  void TearDown() override {
    if (view) {
      EXPECT_EQ(view->ErrorCount(), 0u) << "X errors on the editor's connection";
    }
    view.reset();
    graphics.reset();
  }

  /// The editor at draw scale `scale`, with a probe control at [20, 30, 120, 80].
  void open(ProbeControl::OnPress onPress = ProbeControl::OnPress::Record, float scale = 1.f) {
    graphics = std::make_unique<IGraphics>(plugin, 300, 200, 60, scale);
    graphics->AttachPanelBackground(kBackground);
    probe = static_cast<ProbeControl*>(graphics->AttachControl(new ProbeControl({20, 30, 120, 80}, onPress)));
    std::string error;
    view = LinuxPlatformView::Connect(parent, error);
    ASSERT_TRUE(view) << error;
    ASSERT_TRUE(view->Open(*graphics, graphics->WindowWidth(), graphics->WindowHeight(),
                           [this](int w, int h) { resizes.push_back({w, h}); return true; }));
    graphics->SetPlatformView(view.get());
    graphics->DrawAll();
    ASSERT_TRUE(pumpUntil([&] { return view->Viewable(); }));
  }

  /// Runs the editor's timer (as the host's run loop would) until `done`.
  template <class Done>
  bool pumpUntil(Done done, std::chrono::milliseconds limit = 5s) {
    return WaitFor(
        [&] {
          view->OnTimer();
          host->pump();
          return done();
        },
        limit);
  }

  testsupport::ProcessResult xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    return server->run(std::move(args));
  }
  std::string windowId() const { return std::to_string(view->Window()); }

  std::unique_ptr<XvfbServer> server;
  std::unique_ptr<TestClient> host;
  xcb_window_t topLevel = 0;
  xcb_window_t parent = 0;
  WindowTestPlugin plugin;
  std::unique_ptr<IGraphics> graphics;
  ProbeControl* probe = nullptr;
  std::unique_ptr<LinuxPlatformView> view;
  std::vector<std::pair<int, int>> resizes;
};

TEST_F(PlatformViewXvfb, ConnectRefusesAWindowThatDoesNotExist) {
  std::string error;
  EXPECT_FALSE(LinuxPlatformView::Connect(0x7ffffff, error));
  EXPECT_FALSE(error.empty());
}

TEST(PlatformViewXvfbDepth, AScreenOfSixteenBitsGivesNoEditorAndNoCrash) {
  if (!XvfbServer::available()) GTEST_SKIP() << "Xvfb is not installed";
  XvfbServer server(800, 600, 16);
  ASSERT_TRUE(server.started());
  server.makeDefault();
  TestClient host(server.display());
  const xcb_window_t parent = host.makeWindow(host.root(), 300, 200, true);
  std::string error;
  EXPECT_FALSE(LinuxPlatformView::Connect(parent, error));
  EXPECT_NE(error.find("depth 16"), std::string::npos) << error;
}

TEST_F(PlatformViewXvfb, DesktopScaleComesFromXftDpi) {
  host->setRootProperty("RESOURCE_MANAGER", "Xcursor.size:\t24\nXft.dpi:\t144\n");
  std::string error;
  std::unique_ptr<LinuxPlatformView> scaled = LinuxPlatformView::Connect(parent, error);
  ASSERT_TRUE(scaled) << error;
  ASSERT_TRUE(scaled->DesktopScale().has_value());
  EXPECT_DOUBLE_EQ(*scaled->DesktopScale(), 1.5);
}

TEST_F(PlatformViewXvfb, TheWindowShowsTheBackBufferAtEveryScale) {
  open(ProbeControl::OnPress::Record, 1.5f);
  EXPECT_EQ(graphics->WindowWidth(), 450);
  // Expose and the first frame reach the server; the pixels are there.
  ASSERT_TRUE(pumpUntil([&] { return host->pixel(view->Window(), 4, 4) == kBackground; }));
  EXPECT_EQ(host->pixel(view->Window(), 70 * 1.5, 50 * 1.5), kFill);
  EXPECT_EQ(host->pixel(view->Window(), 449, 299), kBackground);
}

TEST_F(PlatformViewXvfb, AHiddenWindowDrawsNothingUntilItIsShownAgain) {
  open();
  xcb_unmap_window(host->c(), topLevel);  // the host hides its plug-in window, keeping the view
  xcb_flush(host->c());
  ASSERT_TRUE(pumpUntil([&] { return !view->Viewable(); }));
  const uint64_t framesWhileHidden = graphics->FramesDrawn();
  probe->SetDirty(false);
  for (int i = 0; i < 5; ++i) view->OnTimer();
  EXPECT_EQ(graphics->FramesDrawn(), framesWhileHidden);

  xcb_map_window(host->c(), topLevel);
  xcb_flush(host->c());
  ASSERT_TRUE(pumpUntil([&] { return view->Viewable(); }));
  EXPECT_GT(graphics->FramesDrawn(), framesWhileHidden);  // drawn whole on showing
  EXPECT_TRUE(pumpUntil([&] { return host->pixel(view->Window(), 70, 50) == kFill; }));
}

TEST_F(PlatformViewXvfb, AReparentedWindowIsFollowedThroughItsNewAncestors) {
  open();
  // A window manager's frame: the host window moves into an unmapped one.
  const xcb_window_t frame = host->makeWindow(host->root(), 700, 500, false);
  xcb_reparent_window(host->c(), topLevel, frame, 0, 0);
  xcb_flush(host->c());
  ASSERT_TRUE(pumpUntil([&] { return !view->Viewable(); }));
  xcb_map_window(host->c(), frame);
  xcb_flush(host->c());
  EXPECT_TRUE(pumpUntil([&] { return view->Viewable(); }));
  // Hiding the new frame is seen too.
  xcb_unmap_window(host->c(), frame);
  xcb_flush(host->c());
  EXPECT_TRUE(pumpUntil([&] { return !view->Viewable(); }));
}

TEST_F(PlatformViewXvfb, ClicksDoubleClicksAndTheWheelReachTheControlInDesignUnits) {
  open(ProbeControl::OnPress::Record, 2.f);
  ASSERT_TRUE(xdotool({"mousemove", "--window", windowId(), "100", "80", "click", "1"}).succeeded());
  ASSERT_TRUE(pumpUntil([&] { return probe->presses.size() == 1; }));
  EXPECT_FLOAT_EQ(probe->presses[0].first, 50.f);
  EXPECT_FLOAT_EQ(probe->presses[0].second, 40.f);
  EXPECT_TRUE(probe->lastMod.L);

  ASSERT_TRUE(xdotool({"mousemove", "--window", windowId(), "102", "82", "click", "--repeat", "2", "--delay", "60",
                       "1"}).succeeded());
  ASSERT_TRUE(pumpUntil([&] { return probe->doubleClicks == 1; }));

  ASSERT_TRUE(xdotool({"click", "4", "click", "4", "click", "5", "click", "6", "click", "7"}).succeeded());
  EXPECT_TRUE(pumpUntil([&] { return probe->wheel == 1.f; }));
  EXPECT_EQ(probe->presses.size(), 2u);  // the horizontal wheel is no press
}

TEST_F(PlatformViewXvfb, KeysGoToAnOpenEntryWhichTakesAndGivesBackTheFocus) {
  open(ProbeControl::OnPress::OpenEntry);
  const xcb_window_t focusBefore = host->focus();
  // Without an entry, keys are not ours: the view does not take the focus.
  ASSERT_TRUE(xdotool({"mousemove", "--window", windowId(), "30", "40"}).succeeded());
  ASSERT_TRUE(xdotool({"key", "x"}).succeeded());
  for (int i = 0; i < 5; ++i) view->OnTimer();
  EXPECT_NE(host->focus(), view->Window());

  ASSERT_TRUE(xdotool({"click", "1"}).succeeded());
  ASSERT_TRUE(pumpUntil([&] { return graphics->HasTextEntry() && view->HasKeyboardFocus(); }));
  EXPECT_EQ(host->focus(), view->Window());
  ASSERT_TRUE(xdotool({"type", "--delay", "5", "srt://a:9"}).succeeded());
  ASSERT_TRUE(pumpUntil([&] { return graphics->GetTextEntry()->Model().Text() == "srt://a:9"; }))
      << graphics->GetTextEntry()->Model().Text();
  ASSERT_TRUE(xdotool({"key", "Return"}).succeeded());
  ASSERT_TRUE(pumpUntil([&] { return probe->committed.has_value(); }));
  EXPECT_EQ(*probe->committed, "srt://a:9");
  EXPECT_FALSE(view->HasKeyboardFocus());
  EXPECT_EQ(host->focus(), focusBefore);
}

TEST_F(PlatformViewXvfb, CopiedTextIsHandedToOtherProgramsAsUtf8) {
  open();
  view->SetClipboardText(framework::ClipboardKind::Clipboard, "srt://h\xC3\xA9te:9000");
  view->OnTimer();
  const xcb_window_t requestor = host->makeWindow(host->root(), 10, 10, false);
  const xcb_atom_t property = host->atom("TEST_PASTE");
  xcb_convert_selection(host->c(), requestor, host->atom("CLIPBOARD"), host->atom("UTF8_STRING"), property,
                        XCB_CURRENT_TIME);
  xcb_flush(host->c());
  ASSERT_TRUE(pumpUntil([&] { return host->notified.has_value(); }));
  ASSERT_EQ(host->notified->property, property);
  EXPECT_EQ(host->readProperty(requestor, property), "srt://h\xC3\xA9te:9000");

  // TARGETS lists what we offer; a target we do not offer is refused.
  host->notified.reset();
  xcb_convert_selection(host->c(), requestor, host->atom("CLIPBOARD"), host->atom("TARGETS"), property,
                        XCB_CURRENT_TIME);
  xcb_flush(host->c());
  ASSERT_TRUE(pumpUntil([&] { return host->notified.has_value(); }));
  EXPECT_EQ(host->readProperty(requestor, property).size(), 8u);  // two atoms
  host->notified.reset();
  xcb_convert_selection(host->c(), requestor, host->atom("CLIPBOARD"), host->atom("image/png"), property,
                        XCB_CURRENT_TIME);
  xcb_flush(host->c());
  ASSERT_TRUE(pumpUntil([&] { return host->notified.has_value(); }));
  EXPECT_EQ(host->notified->property, static_cast<xcb_atom_t>(XCB_ATOM_NONE));
}

TEST_F(PlatformViewXvfb, PasteFromAnotherProgramAndMiddleClickPrimaryReachTheEntry) {
  open(ProbeControl::OnPress::OpenEntry);
  const xcb_window_t owner = host->makeWindow(host->root(), 10, 10, false);
  host->ownSelection(owner, host->atom("CLIPBOARD"), "srt://10.0.0.1:9000");
  ASSERT_TRUE(xdotool({"mousemove", "--window", windowId(), "30", "40", "click", "1"}).succeeded());
  ASSERT_TRUE(pumpUntil([&] { return graphics->HasTextEntry(); }));
  view->RequestPaste(framework::ClipboardKind::Clipboard);  // what Ctrl+V asks for
  ASSERT_TRUE(pumpUntil([&] { return graphics->GetTextEntry()->Model().Text() == "srt://10.0.0.1:9000"; }))
      << graphics->GetTextEntry()->Model().Text();

  host->ownSelection(owner, XCB_ATOM_PRIMARY, "?streamid=x");
  ASSERT_TRUE(xdotool({"click", "2"}).succeeded());
  EXPECT_TRUE(pumpUntil([&] { return graphics->GetTextEntry()->Model().Text() == "srt://10.0.0.1:9000?streamid=x"; }))
      << graphics->GetTextEntry()->Model().Text();
}

TEST_F(PlatformViewXvfb, APasteNobodyAnswersIsDroppedWithoutHanging) {
  open(ProbeControl::OnPress::OpenEntry);
  ASSERT_TRUE(xdotool({"mousemove", "--window", windowId(), "30", "40", "click", "1"}).succeeded());
  ASSERT_TRUE(pumpUntil([&] { return graphics->HasTextEntry(); }));
  // An owner that never answers.
  const xcb_window_t silent = host->makeWindow(host->root(), 10, 10, false);
  xcb_set_selection_owner(host->c(), silent, host->atom("CLIPBOARD"), XCB_CURRENT_TIME);
  xcb_flush(host->c());
  view->RequestPaste(framework::ClipboardKind::Clipboard);
  for (int i = 0; i < 20; ++i) view->OnTimer();  // returns at once every time
  EXPECT_EQ(graphics->GetTextEntry()->Model().Text(), "old");
}

TEST_F(PlatformViewXvfb, PopupMenuOpensUnderItsAnchorAndAClickOutsideDismissesIt) {
  open(ProbeControl::OnPress::OpenMenu);
  ASSERT_TRUE(xdotool({"mousemove", "--window", windowId(), "30", "40", "click", "1"}).succeeded());
  ASSERT_TRUE(pumpUntil([&] { return graphics->HasPopupMenu() && host->popups().size() == 1; }));
  const xcb_window_t popup = host->popups().front();
  xcb_get_geometry_reply_t* where = xcb_get_geometry_reply(host->c(), xcb_get_geometry(host->c(), popup), nullptr);
  ASSERT_TRUE(where);
  EXPECT_EQ(where->x, 20);
  EXPECT_EQ(where->y, 80);  // under the control's bottom edge
  std::free(where);

  ASSERT_TRUE(xdotool({"mousemove", "500", "350", "click", "1"}).succeeded());
  ASSERT_TRUE(pumpUntil([&] { return !graphics->HasPopupMenu(); }));
  EXPECT_EQ(probe->menuResults, std::vector<int>{-1});
  EXPECT_TRUE(pumpUntil([&] { return host->popups().empty(); }));

  // Opened again, an item is chosen by clicking it (the second row).
  ASSERT_TRUE(xdotool({"mousemove", "--window", windowId(), "30", "40", "click", "1"}).succeeded());
  ASSERT_TRUE(pumpUntil([&] { return graphics->HasPopupMenu() && host->popups().size() == 1; }));
  const IRECT menu = graphics->PopupMenuBounds();
  const int rowY = static_cast<int>(menu.T + 1.5f * (menu.H() / 3.f));
  ASSERT_TRUE(xdotool({"mousemove", std::to_string(static_cast<int>(menu.L) + 10), std::to_string(rowY), "click",
                       "1"}).succeeded());
  ASSERT_TRUE(pumpUntil([&] { return probe->menuResults.size() == 2; }));
  EXPECT_EQ(probe->menuResults[1], 1);
}

TEST_F(PlatformViewXvfb, CursorsResizeRequestsAndSizeChangesCauseNoErrors) {
  open();
  for (framework::ECursor cursor : {framework::ECursor::Hand, framework::ECursor::SizeNWSE, framework::ECursor::IBeam,
                                    framework::ECursor::Arrow})
    view->SetCursor(cursor);
  EXPECT_TRUE(view->RequestResize(400, 260));
  EXPECT_EQ(resizes, (std::vector<std::pair<int, int>>{{400, 260}}));
  view->SetWindowSize(400, 260);
  graphics->OnHostResized(400, 260);
  graphics->DrawAll();
  view->Present(graphics->Pixels(), {{0, 0, 400, 260}});
  EXPECT_TRUE(pumpUntil([&] { return host->pixel(view->Window(), 399, 259) == kBackground; }));
}

TEST_F(PlatformViewXvfb, TheHostDestroyingItsWindowLeavesABrokenViewThatDoesNothing) {
  open();
  xcb_destroy_window(host->c(), topLevel);
  xcb_flush(host->c());
  ASSERT_TRUE(pumpUntil([&] { return view->Broken(); }));
  view->SetCursor(framework::ECursor::Hand);
  view->SetKeyboardFocus(true);
  view->SetWindowSize(10, 10);
  view->OnTimer();
  EXPECT_FALSE(view->ShowPopup({0, 0, 10, 10}, 100, 100));
}

}  // namespace
