#include "SrtTestPeers.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>

#include "SrtTestLibrary.h"

namespace srtpeer {
namespace {

using namespace std::chrono_literals;

bool setInt(SRTSOCKET socket, SRT_SOCKOPT option, int value) {
  return srt_setsockflag(socket, option, &value, sizeof value) != SRT_ERROR;
}

bool setBool(SRTSOCKET socket, SRT_SOCKOPT option, bool value) {
  return srt_setsockflag(socket, option, &value, sizeof value) != SRT_ERROR;
}

bool setText(SRTSOCKET socket, SRT_SOCKOPT option, const std::string& text) {
  return srt_setsockflag(socket, option, text.data(), static_cast<int>(text.size())) != SRT_ERROR;
}

sockaddr_in loopback(int port, const std::string& host = "127.0.0.1") {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  inet_pton(AF_INET, host.c_str(), &address.sin_addr);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

std::string streamIdOf(SRTSOCKET socket) {
  char buffer[600] = {};
  int length = sizeof buffer;
  if (srt_getsockflag(socket, SRTO_STREAMID, buffer, &length) == SRT_ERROR) return {};
  return std::string(buffer, static_cast<size_t>(std::max(0, length)));
}

int intOption(SRTSOCKET socket, SRT_SOCKOPT option) {
  int value = 0;
  int length = sizeof value;
  if (srt_getsockflag(socket, option, &value, &length) == SRT_ERROR) return -1;
  return value;
}

}  // namespace

int findPmtStreamType(const uint8_t* data, size_t size) {
  for (size_t at = 0; at + 188 <= size; at += 188) {
    const uint8_t* p = data + at;
    const int pid = (p[1] & 0x1F) << 8 | p[2];
    if (p[0] != 0x47 || pid != 0x1000 || !(p[1] & 0x40)) continue;
    const uint8_t* section = p + 5 + p[4];  // after the pointer field
    if (section + 12 > p + 188 || section[0] != 0x02) continue;
    const int programInfoLength = (section[10] & 0x0F) << 8 | section[11];
    const uint8_t* entry = section + 12 + programInfoLength;
    if (entry < p + 188) return entry[0];
  }
  return -1;
}

// --- listener -------------------------------------------------------------------

TestSrtListener::TestSrtListener(int port, std::string passphrase, int latencyMs, const std::string& host)
    : mPassphrase(std::move(passphrase)) {
  useLibSrt();
  const SRTSOCKET socket = srt_create_socket();
  const sockaddr_in address = loopback(port, host);
  const bool ok = socket != SRT_INVALID_SOCK && setBool(socket, SRTO_RCVSYN, false) &&
                  setInt(socket, SRTO_LATENCY, latencyMs) &&
                  srt_listen_callback(socket, &TestSrtListener::onCaller, this) != SRT_ERROR &&
                  srt_bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != SRT_ERROR &&
                  srt_listen(socket, 4) != SRT_ERROR;
  if (!ok) {
    if (socket != SRT_INVALID_SOCK) srt_close(socket);
    return;
  }
  mListenSocket = socket;
  mThread = std::thread([this] { run(); });
}

TestSrtListener::~TestSrtListener() {
  mRunning.store(false, std::memory_order_release);
  if (mThread.joinable()) mThread.join();
  if (mListenSocket != SRT_INVALID_SOCK) srt_close(mListenSocket);
}

void TestSrtListener::setPassphrase(std::string passphrase) {
  std::lock_guard lock(mMutex);
  mPassphrase = std::move(passphrase);
}

std::vector<TestSrtListener::Connection> TestSrtListener::connections() const {
  std::lock_guard lock(mMutex);
  return mConnections;
}

int TestSrtListener::connectionCount() const {
  std::lock_guard lock(mMutex);
  return static_cast<int>(mConnections.size());
}

size_t TestSrtListener::currentBytes() const {
  std::lock_guard lock(mMutex);
  return mConnections.empty() ? 0 : mConnections.back().bytes;
}

// libsrt's thread, for every caller: the passphrase in force is set on the
// new socket, so the tests can change it between connections.
int TestSrtListener::onCaller(void* self, SRTSOCKET socket, int, const sockaddr*, const char*) {
  auto* listener = static_cast<TestSrtListener*>(self);
  std::string passphrase;
  {
    std::lock_guard lock(listener->mMutex);
    passphrase = listener->mPassphrase;
  }
  if (!passphrase.empty() && !setText(socket, SRTO_PASSPHRASE, passphrase)) return -1;
  return 0;
}

void TestSrtListener::run() {
  SRTSOCKET current = SRT_INVALID_SOCK;
  size_t index = 0;
  while (mRunning.load(std::memory_order_acquire)) {
    sockaddr_storage peer{};
    int length = sizeof peer;
    const SRTSOCKET accepted = srt_accept(mListenSocket, reinterpret_cast<sockaddr*>(&peer), &length);
    if (accepted != SRT_INVALID_SOCK) {
      if (current != SRT_INVALID_SOCK) srt_close(current);
      current = accepted;
      Connection connection;
      connection.streamId = streamIdOf(accepted);
      connection.latencyMs = intOption(accepted, SRTO_RCVLATENCY);
      std::lock_guard lock(mMutex);
      if (!mConnections.empty()) mConnections.back().ended = true;
      mConnections.push_back(connection);
      index = mConnections.size() - 1;
    }
    if (current != SRT_INVALID_SOCK) receive(current, index);
    std::this_thread::sleep_for(2ms);
  }
  if (current != SRT_INVALID_SOCK) srt_close(current);
}

void TestSrtListener::receive(SRTSOCKET socket, size_t index) {
  char buffer[1500];
  for (;;) {
    const int got = srt_recvmsg(socket, buffer, sizeof buffer);
    if (got <= 0) break;
    std::lock_guard lock(mMutex);
    Connection& connection = mConnections[index];
    connection.bytes += static_cast<size_t>(got);
    ++connection.messages;
    if (connection.pmtStreamType < 0)
      connection.pmtStreamType = findPmtStreamType(reinterpret_cast<const uint8_t*>(buffer), static_cast<size_t>(got));
  }
  const SRT_SOCKSTATUS state = srt_getsockstate(socket);
  if (state == SRTS_BROKEN || state == SRTS_CLOSED || state == SRTS_NONEXIST) {
    std::lock_guard lock(mMutex);
    mConnections[index].ended = true;
  }
}

// --- caller ---------------------------------------------------------------------

TestSrtCaller::TestSrtCaller(int port, std::string streamId, std::string passphrase)
    : mPort(port), mStreamId(std::move(streamId)), mPassphrase(std::move(passphrase)) {
  useLibSrt();
}

TestSrtCaller::~TestSrtCaller() { close(); }

bool TestSrtCaller::connect(int timeoutMs) {
  close();
  mSocket = srt_create_socket();
  if (mSocket == SRT_INVALID_SOCK) return false;
  setInt(mSocket, SRTO_CONNTIMEO, timeoutMs);
  setInt(mSocket, SRTO_LATENCY, 20);
  if (!mStreamId.empty()) setText(mSocket, SRTO_STREAMID, mStreamId);
  if (!mPassphrase.empty()) setText(mSocket, SRTO_PASSPHRASE, mPassphrase);
  const sockaddr_in address = loopback(mPort);
  if (srt_connect(mSocket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SRT_ERROR) {
    mRejectReason = srt_getrejectreason(mSocket);
    close();
    return false;
  }
  mRejectReason = 0;
  return true;
}

size_t TestSrtCaller::receiveFor(std::chrono::milliseconds duration) {
  if (mSocket == SRT_INVALID_SOCK) return 0;
  setInt(mSocket, SRTO_RCVTIMEO, 50);
  size_t bytes = 0;
  char buffer[1500];
  const auto until = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < until) {
    const int got = srt_recvmsg(mSocket, buffer, sizeof buffer);
    if (got > 0) {
      bytes += static_cast<size_t>(got);
    } else if (srt_getsockstate(mSocket) != SRTS_CONNECTED) {
      break;
    }
  }
  return bytes;
}

void TestSrtCaller::close() {
  if (mSocket != SRT_INVALID_SOCK) srt_close(mSocket);
  mSocket = SRT_INVALID_SOCK;
}

}  // namespace srtpeer
