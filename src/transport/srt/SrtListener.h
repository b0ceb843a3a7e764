#pragma once

#include <string>

#include "transport/srt/SrtLink.h"
#include "transport/srt/SrtSettings.h"

namespace relaycaster {

/// Listener mode: opens a listening socket on every IPv4 interface, accepts
/// one caller at a time and follows the data socket's state, one step per
/// worker pass.
///
///   Closed ──(attempt due: socket made, bound, listening)──> Listening
///   Closed ──(set-up failure)──> Closed, retry in 2 s
///   Listening ──(a caller accepted)──> Sending
///   Sending ──(data socket broken)──> Listening (the listening socket stays open)
///
/// Threads: worker thread only; the listen callback runs on libsrt's
/// threads and reads only the link's accept context.
class SrtListener {
 public:
  enum class Phase { Closed, Listening, Sending };

  explicit SrtListener(SrtLink& link) : mLink(link) {}

  /// Forgets the listening state (the link's sockets are closed by its owner).
  void reset() { mPhase = Phase::Closed; }
  void step(const SrtSettings& settings, double now);
  Phase phase() const { return mPhase; }

 private:
  void openListener(const SrtSettings& settings, double now);
  void acceptCaller();
  void followReceiver();

  SrtLink& mLink;
  Phase mPhase = Phase::Closed;
};

/// "address:port" of a caller: the numeric address as the system writes it
/// (IPv6 without brackets) for IPv4 and IPv6, and ":0" for anything else.
std::string callerAddressText(const sockaddr* address, socklen_t length);

}  // namespace relaycaster
