#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

/// A small HTTP/1.1 server on 127.0.0.1 and a free port, serving one
/// connection at a time on its own thread with whatever answer the test
/// set last. It records every request and counts connections, so tests can
/// check headers and prove that no traffic happened.
class LoopbackHttpServer {
 public:
  struct Request {
    std::string method;
    std::string target;
    std::vector<std::string> headerLines;  // "Name: value", as received
    bool hasHeader(const std::string& line) const {
      for (const auto& header : headerLines) {
        if (header == line) return true;
      }
      return false;
    }
    bool hasHeaderNamed(const std::string& name) const {
      for (const auto& header : headerLines) {
        if (header.size() > name.size() && strncasecmp(header.c_str(), name.c_str(), name.size()) == 0 &&
            header[name.size()] == ':') {
          return true;
        }
      }
      return false;
    }
  };
  struct Response {
    int status = 200;
    std::string body;
    std::vector<std::string> extraHeaders;
    bool withContentLength = true;  // false: the body ends when the connection closes
    bool neverAnswer = false;       // accept, read the request, then stay silent
  };

  LoopbackHttpServer() {
    // Loopback requests must never go through a proxy that the machine's
    // environment may name.
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    mListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;  // the system picks a free port
    socklen_t length = sizeof address;
    if (mListener < 0 || ::bind(mListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(mListener, 16) != 0 || ::getsockname(mListener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(mWakePipe, O_CLOEXEC) != 0) {
      throw std::runtime_error("loopback server could not start");
    }
    mPort = ntohs(address.sin_port);
    mThread = std::thread([this] { serve(); });
  }

  ~LoopbackHttpServer() {
    mStopping.store(true, std::memory_order_release);
    const char wake = 1;
    [[maybe_unused]] auto ignored = ::write(mWakePipe[1], &wake, 1);
    mThread.join();
    for (int fd : mSilentConnections) ::close(fd);
    ::close(mListener);
    ::close(mWakePipe[0]);
    ::close(mWakePipe[1]);
  }

  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  int port() const { return mPort; }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(mPort) + path; }

  void setResponse(Response response) {
    std::lock_guard lock(mMutex);
    mResponse = std::move(response);
  }
  int connections() const { return mConnections.load(std::memory_order_acquire); }
  std::vector<Request> requests() const {
    std::lock_guard lock(mMutex);
    return mRequests;
  }

 private:
  void serve() {
    while (!mStopping.load(std::memory_order_acquire)) {
      pollfd fds[2] = {{mListener, POLLIN, 0}, {mWakePipe[0], POLLIN, 0}};
      if (::poll(fds, 2, -1) <= 0 || (fds[1].revents & POLLIN)) continue;
      const int connection = ::accept4(mListener, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection < 0) continue;
      mConnections.fetch_add(1, std::memory_order_release);
      handle(connection);
    }
  }

  void handle(int connection) {
    Request request;
    const bool complete = readRequest(connection, request);
    Response response;
    {
      std::lock_guard lock(mMutex);
      if (complete) mRequests.push_back(request);
      response = mResponse;
    }
    if (complete && response.neverAnswer) {
      mSilentConnections.push_back(connection);  // closed when the server goes
      return;
    }
    if (complete) sendAll(connection, answerText(response));
    ::shutdown(connection, SHUT_WR);
    ::close(connection);
  }

  /// Reads up to the blank line that ends the request head (2 s at most).
  bool readRequest(int connection, Request& request) {
    std::string head;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd fd{connection, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return false;
      char buffer[4096];
      const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
      if (got <= 0) return false;
      head.append(buffer, static_cast<size_t>(got));
    }
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = head.find("\r\n", start)) != std::string::npos && end > start; start = end + 2) {
      lines.push_back(head.substr(start, end - start));
    }
    if (lines.empty()) return false;
    const size_t firstSpace = lines[0].find(' ');
    const size_t secondSpace = lines[0].find(' ', firstSpace + 1);
    request.method = lines[0].substr(0, firstSpace);
    request.target = lines[0].substr(firstSpace + 1, secondSpace - firstSpace - 1);
    request.headerLines.assign(lines.begin() + 1, lines.end());
    return true;
  }

  static std::string answerText(const Response& response) {
    std::string text = "HTTP/1.1 " + std::to_string(response.status) + " Test\r\nConnection: close\r\n";
    if (response.withContentLength) text += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    for (const auto& header : response.extraHeaders) text += header + "\r\n";
    return text + "\r\n" + response.body;
  }

  static void sendAll(int connection, const std::string& text) {
    size_t sent = 0;
    while (sent < text.size()) {
      const ssize_t now = ::send(connection, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
      if (now <= 0) return;  // the client gave up (for example at its size limit)
      sent += static_cast<size_t>(now);
    }
  }

  int mListener = -1;
  int mWakePipe[2] = {-1, -1};
  int mPort = 0;
  std::atomic<bool> mStopping{false};
  std::atomic<int> mConnections{0};
  mutable std::mutex mMutex;
  Response mResponse;             // guarded by mMutex
  std::vector<Request> mRequests;  // guarded by mMutex
  std::vector<int> mSilentConnections;  // server thread only, then the destructor
  std::thread mThread;
};

}  // namespace testsupport
