#include "EditorWindowDriver.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

#include "support/WaitFor.h"

namespace editortest {
namespace {

using namespace std::chrono_literals;
using testsupport::WaitFor;

constexpr auto kWindowLimit = 20s;

xcb_atom_t InternAtom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : 0;
  std::free(reply);
  return atom;
}

}  // namespace

bool Near(const Rgb& colour, const Rgb& expected, int tolerance) {
  for (size_t i = 0; i < colour.size(); ++i)
    if (std::abs(colour[i] - expected[i]) > tolerance) return false;
  return true;
}

EditorWindowDriver::EditorWindowDriver()
    : mOwnedServer(std::make_unique<testsupport::XvfbServer>()), mServer(mOwnedServer.get()) {}

EditorWindowDriver::EditorWindowDriver(testsupport::XvfbServer& server) : mServer(&server) {}

// The host before its server, so that it never outlives its display.
EditorWindowDriver::~EditorWindowDriver() {
  if (mHost) mHost->stop();
  mHost.reset();
  mOwnedServer.reset();
}

bool EditorWindowDriver::toolsAvailable() {
  return testsupport::XvfbServer::available() && testsupport::Subprocess::available("xdotool") &&
         testsupport::Subprocess::available("import");
}

bool EditorWindowDriver::startHost(const std::string& binary, std::vector<std::string> args,
                                   const std::vector<std::string>& environment, std::chrono::milliseconds limit) {
  args.insert(args.begin(), binary);
  std::vector<std::string> command = mServer->onDisplay(std::move(args));
  command.insert(command.begin() + 2, environment.begin(), environment.end());  // after "env DISPLAY=…"
  mHost = std::make_unique<testsupport::Subprocess>(std::move(command), limit);
  mWindow.clear();
  WaitFor(
      [&] {
        const ProcessResult found = mServer->run({"xdotool", "search", "--name", "^Relaycaster"});
        if (found.succeeded()) mWindow = found.out.substr(0, found.out.find('\n'));
        return !mWindow.empty() || !mHost->running();
      },
      kWindowLimit);
  return !mWindow.empty();
}

Size EditorWindowDriver::geometry() {
  const ProcessResult shell = mServer->run({"xdotool", "getwindowgeometry", "--shell", mWindow});
  Size size;
  const size_t w = shell.out.find("WIDTH=");
  const size_t h = shell.out.find("HEIGHT=");
  if (w != std::string::npos) size.width = std::atoi(shell.out.c_str() + w + 6);
  if (h != std::string::npos) size.height = std::atoi(shell.out.c_str() + h + 7);
  return size;
}

bool EditorWindowDriver::sizeBecomes(int width, int height, std::chrono::milliseconds limit) {
  return WaitFor(
      [&] {
        const Size size = geometry();
        return size.width == width && size.height == height;
      },
      limit);
}

ScreenPicture EditorWindowDriver::capture() { return testsupport::CaptureWindow(*mServer, mWindow); }

bool EditorWindowDriver::showsWithin(const std::function<bool(const ScreenPicture&)>& condition,
                                     std::chrono::milliseconds limit) {
  return WaitFor(
      [&] {
        const ScreenPicture picture = capture();
        return picture.valid() && condition(picture);
      },
      limit);
}

bool EditorWindowDriver::showsAt(int x, int y, const Rgb& colour, std::chrono::milliseconds limit) {
  return showsWithin([&](const ScreenPicture& picture) { return picture.at(x, y) == colour; }, limit);
}

bool EditorWindowDriver::printed(const std::string& text, std::chrono::milliseconds limit, size_t from) {
  return WaitFor(
      [&] {
        const std::string out = mHost->stdoutText();
        return out.size() > from && out.find(text, from) != std::string::npos;
      },
      limit);
}

bool EditorWindowDriver::xdotool(std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  return mServer->run(std::move(args)).succeeded();
}

bool EditorWindowDriver::clickAt(int x, int y, const std::string& window) {
  return xdotool({"mousemove", "--window", window.empty() ? mWindow : window, std::to_string(x), std::to_string(y),
                  "click", "1"});
}

bool EditorWindowDriver::clickUntil(int x, int y, const std::function<bool()>& answered, int attempts,
                                    std::chrono::milliseconds patience) {
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (!clickAt(x, y)) return false;
    if (WaitFor(answered, patience)) return true;
  }
  return false;
}

bool EditorWindowDriver::type(const std::string& text) { return xdotool({"type", "--delay", "20", text}); }

bool EditorWindowDriver::key(const std::string& name) { return xdotool({"key", name}); }

std::vector<std::string> EditorWindowDriver::otherMappedWindows() {
  std::vector<std::string> found;
  xcb_connection_t* c = xcb_connect(mServer->display().c_str(), nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return found;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  if (xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)) {
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
      if (std::to_string(children[i]) == mWindow) continue;
      xcb_get_window_attributes_reply_t* attributes =
          xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr);
      if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) found.push_back(std::to_string(children[i]));
      std::free(attributes);
    }
    std::free(tree);
  }
  xcb_disconnect(c);
  return found;
}

void EditorWindowDriver::requestClose() {
  xcb_connection_t* c = xcb_connect(mServer->display().c_str(), nullptr);
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = static_cast<xcb_window_t>(std::stoul(mWindow));
  message.type = InternAtom(c, "WM_PROTOCOLS");
  message.data.data32[0] = InternAtom(c, "WM_DELETE_WINDOW");
  message.data.data32[1] = XCB_CURRENT_TIME;
  char bytes[32] = {};
  std::memcpy(bytes, &message, sizeof message);
  xcb_send_event(c, 0, message.window, XCB_EVENT_MASK_NO_EVENT, bytes);
  // A round trip first: the server may drop what it has not read from a
  // connection that has ended.
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  xcb_disconnect(c);
}

ProcessResult EditorWindowDriver::closeAndWait() {
  requestClose();
  return mHost->wait();
}

}  // namespace editortest
