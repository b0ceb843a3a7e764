#include "support/XvfbServer.h"

#include <cctype>
#include <cstdlib>

#include "support/WaitFor.h"

namespace testsupport {
namespace {

constexpr auto kStartLimit = std::chrono::seconds(15);

// "P6 W H 255\n" then the bytes; comments and other formats are not expected from import.
ScreenPicture ParsePpm(const std::string& data) {
  ScreenPicture picture;
  size_t pos = 0;
  auto token = [&]() -> std::string {
    while (pos < data.size() && std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
    const size_t start = pos;
    while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
    return data.substr(start, pos - start);
  };
  if (token() != "P6") return picture;
  const int width = std::atoi(token().c_str());
  const int height = std::atoi(token().c_str());
  if (token() != "255" || width <= 0 || height <= 0) return picture;
  ++pos;  // the single white space before the pixels
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
  if (data.size() < pos + bytes) return picture;
  picture.width = width;
  picture.height = height;
  picture.rgb.assign(data.begin() + static_cast<std::ptrdiff_t>(pos),
                     data.begin() + static_cast<std::ptrdiff_t>(pos + bytes));
  return picture;
}

}  // namespace

XvfbServer::XvfbServer(int width, int height, int depth, std::chrono::milliseconds lifetime) {
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
  // -displayfd 1: the server picks a free display number and writes it to
  // its standard output once it accepts connections.
  mServer = std::make_unique<Subprocess>(
      std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"},
      lifetime);
  if (!mServer->started()) return;
  std::string number;
  WaitFor(
      [&] {
        const std::string out = mServer->stdoutText();
        const size_t end = out.find('\n');
        if (end != std::string::npos) number = out.substr(0, end);
        return !number.empty() || !mServer->running();
      },
      kStartLimit);
  if (!number.empty()) mDisplay = ":" + number;
}

XvfbServer::~XvfbServer() {
  if (mMadeDefault) {
    if (mHadDisplay) setenv("DISPLAY", mPreviousDisplay.c_str(), 1);
    else unsetenv("DISPLAY");
  }
  if (mServer) mServer->stop();
}

void XvfbServer::makeDefault() {
  if (!started() || mMadeDefault) return;
  if (const char* previous = std::getenv("DISPLAY")) {
    mHadDisplay = true;
    mPreviousDisplay = previous;
  }
  setenv("DISPLAY", mDisplay.c_str(), 1);
  mMadeDefault = true;
}

std::vector<std::string> XvfbServer::onDisplay(std::vector<std::string> argv) const {
  argv.insert(argv.begin(), {"env", "DISPLAY=" + mDisplay});
  return argv;
}

ProcessResult XvfbServer::run(std::vector<std::string> argv, std::chrono::milliseconds limit) const {
  return Subprocess::run(onDisplay(std::move(argv)), limit);
}

std::array<int, 3> ScreenPicture::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1};
  const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

ScreenPicture CaptureWindow(const XvfbServer& server, const std::string& window) {
  const ProcessResult shot = server.run({"import", "-window", window, "-depth", "8", "ppm:-"}, std::chrono::seconds(20));
  if (!shot.succeeded()) return {};
  return ParsePpm(shot.out);
}

ScreenPicture ReadPicture(const std::string& path) {
  const ProcessResult read = Subprocess::run({"convert", path, "-depth", "8", "ppm:-"}, std::chrono::seconds(20));
  if (!read.succeeded()) return {};
  return ParsePpm(read.out);
}

}  // namespace testsupport
