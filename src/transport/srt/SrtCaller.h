#pragma once

#include "transport/srt/SrtLink.h"
#include "transport/srt/SrtSettings.h"

namespace relaycaster {

/// Caller mode: resolves the receiver, calls it on a non-blocking socket
/// and follows the socket's state, one step per worker pass.
///
///   Idle ──(attempt due: resolved, socket made, connect started)──> Connecting
///   Connecting ──(socket connected)──> Sending
///   Connecting ──(socket broken: refused or no answer)──> Idle, retry in 2 s
///   Sending ──(socket broken: receiver went away)──> Idle, retry in 2 s
///   Idle ──(resolve or connect failure)──> Idle, retry in 2 s
///
/// Threads: worker thread only.
class SrtCaller {
 public:
  enum class Phase { Idle, Connecting, Sending };

  explicit SrtCaller(SrtLink& link) : mLink(link) {}

  /// Forgets any connection (the link's sockets are closed by its owner).
  void reset() { mPhase = Phase::Idle; }
  void step(const SrtSettings& settings, double now);
  Phase phase() const { return mPhase; }

 private:
  void startCall(const SrtSettings& settings, double now);
  void followSocket(const SrtSettings& settings, double now);
  void fail(std::string message, double now);

  SrtLink& mLink;
  Phase mPhase = Phase::Idle;
};

}  // namespace relaycaster
