#pragma once

#include <srt/srt.h>

#include <atomic>
#include <string>

#include "transport/srt/MessageSink.h"
#include "transport/srt/SrtStatus.h"

namespace relaycaster {

class SrtOutput;

/// The production message sink: each 1316-byte message goes out on the
/// link's current data socket (read at every send, as the worker may have
/// replaced it). A refused send loses the message silently.
class SrtSocketSink final : public MessageSink {
 public:
  explicit SrtSocketSink(const SRTSOCKET& socket) : mSocket(socket) {}
  void sendMessage(const uint8_t* data, int size) override;

 private:
  const SRTSOCKET& mSocket;
};

/// What the listen callback sees of the worker. libsrt runs the callback on
/// its own threads, once per incoming caller.
struct SrtAcceptContext {
  /// A receiver is attached. The worker sets it after srt_accept and clears
  /// it when it drops the connection (release); the callback loads it
  /// (acquire) to refuse a second receiver.
  std::atomic<bool> accepted{false};
  /// The stream id a caller must present (empty: any). Written by the worker
  /// only while no listening socket exists, so the callback never races it.
  std::string requiredStreamId;

  /// The callback's decision: one receiver at a time; with a required id,
  /// only a caller whose id matches byte for byte (case matters).
  bool admits(const char* callerStreamId) const;
};

/// The worker's connection state, shared by the caller and listener
/// machines: the sockets, whether a receiver is attached, when the next
/// attempt may start, and the status it publishes.
///
/// Threads: worker thread only, except `accept` (see SrtAcceptContext).
class SrtLink {
 public:
  SrtLink(SrtStatus& status, SrtOutput& output) : mStatus(status), mOutput(output) {}
  ~SrtLink();  // closes both sockets
  SrtLink(const SrtLink&) = delete;
  SrtLink& operator=(const SrtLink&) = delete;

  /// Closes the data socket, detaches the receiver and empties the peer.
  /// A receiver still connected first gets the packets already made, as
  /// one last whole message, and libsrt goes on delivering what it holds
  /// after the close (the socket lingers), so the stream ends on a whole
  /// access unit rather than a cut one.
  void dropConnection();
  void closeListener();
  /// Drops everything, publishes `message` with the Retrying state and
  /// holds the next attempt back for 2 seconds.
  void failAndRetry(std::string message, double now);
  /// A receiver is attached on `socket`: the stream restarts for it and the
  /// state becomes Sending with `peer`.
  void beginSending(SRTSOCKET socket, std::string peer);

  /// Publishes libsrt's counts for the data socket (nothing without one).
  void publishStatistics();

  /// Worker, once per block while a receiver is attached: true while the
  /// connection's lead-in lasts, and the block's audio is to be replaced
  /// by a message of null packets. libsrt starts every connection with a
  /// guessed round trip of 100 ms (variation 50 ms), and until both ends
  /// have measured the real one their repair timers are slow (the
  /// receiver's first periodic loss report comes after 150 ms; the sender
  /// will not resend a packet twice within round trip plus four times its
  /// variation): at the default 200 ms latency a loss in the first ~150 ms
  /// of a stream often could not be repaired in time. The lead-in carries
  /// nothing but lets both ends measure and settle; it lasts 200 ms and
  /// then until libsrt reports a measured round trip, half a second at most.
  bool takeLeadInBlock();

  SrtStatus& status() { return mStatus; }
  /// Where the output's messages go: the current data socket.
  MessageSink& sink() { return mSink; }

  SRTSOCKET dataSocket = SRT_INVALID_SOCK;
  SRTSOCKET listenSocket = SRT_INVALID_SOCK;
  bool connected = false;   // a receiver is attached to dataSocket
  double nextAttempt = 0.0; // worker-clock seconds before which no new attempt starts
  SrtAcceptContext accept;

 private:
  SrtStatus& mStatus;
  SrtOutput& mOutput;
  SrtSocketSink mSink{dataSocket};
  int mLeadInLeft = 0;  // blocks the lead-in may still take
  int mLeadInTaken = 0;
};

/// True for the socket states that end a connection (closing does not).
bool isSocketGone(SRT_SOCKSTATUS state);

}  // namespace relaycaster
