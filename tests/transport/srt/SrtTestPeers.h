#pragma once

// Small SRT peers of our own, built on libsrt in the test process, for what
// ffmpeg and srt-live-transmit cannot show: the stream id a caller sends,
// the latency it negotiated, a passphrase chosen per connection, and the
// exact reason a call was refused.
#include <srt/srt.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace srtpeer {

/// A receiver that listens on a loopback address and takes callers one after
/// another on its own thread. It records each connection and reads what
/// arrives.
class TestSrtListener {
 public:
  struct Connection {
    std::string streamId;
    int latencyMs = 0;        // the receive latency negotiated with the caller
    size_t bytes = 0;         // payload received
    int messages = 0;
    int pmtStreamType = -1;   // the audio stream type of the first PMT seen
    bool ended = false;
  };

  /// Starts listening; `latencyMs` is the receiver's own latency (the
  /// caller's larger latency wins the negotiation).
  explicit TestSrtListener(int port, std::string passphrase = {}, int latencyMs = 20,
                           const std::string& address = "127.0.0.1");
  ~TestSrtListener();
  TestSrtListener(const TestSrtListener&) = delete;
  TestSrtListener& operator=(const TestSrtListener&) = delete;

  bool listening() const { return mListenSocket != SRT_INVALID_SOCK; }
  /// The passphrase required of the next callers (empty: none).
  void setPassphrase(std::string passphrase);
  std::vector<Connection> connections() const;
  int connectionCount() const;
  /// Payload bytes received on the current (last) connection.
  size_t currentBytes() const;

 private:
  static int onCaller(void* self, SRTSOCKET socket, int handshakeVersion, const sockaddr* peer, const char* streamId);
  void run();
  void receive(SRTSOCKET socket, size_t index);

  SRTSOCKET mListenSocket = SRT_INVALID_SOCK;
  std::atomic<bool> mRunning{true};  // test thread clears (release); loop loads (acquire)
  mutable std::mutex mMutex;
  std::string mPassphrase;                // guarded by mMutex; read by libsrt's thread in onCaller
  std::vector<Connection> mConnections;   // guarded by mMutex
  std::thread mThread;
};

/// A caller that behaves like a receiver calling our listener: a blocking
/// connect with a timeout, then reading for a while.
class TestSrtCaller {
 public:
  TestSrtCaller(int port, std::string streamId = {}, std::string passphrase = {});
  ~TestSrtCaller();
  TestSrtCaller(const TestSrtCaller&) = delete;
  TestSrtCaller& operator=(const TestSrtCaller&) = delete;

  /// True when the call was accepted within `timeoutMs`.
  bool connect(int timeoutMs = 3000);
  /// Why the last call failed (an SRT_REJ_* value).
  int rejectReason() const { return mRejectReason; }
  /// Reads for `duration` and returns the payload bytes received.
  size_t receiveFor(std::chrono::milliseconds duration);
  void close();

 private:
  int mPort;
  std::string mStreamId;
  std::string mPassphrase;
  SRTSOCKET mSocket = SRT_INVALID_SOCK;
  int mRejectReason = 0;
};

/// The stream_type of the first elementary stream in a PMT packet found in
/// `data` (whole 188-byte packets), or -1.
int findPmtStreamType(const uint8_t* data, size_t size);

}  // namespace srtpeer
