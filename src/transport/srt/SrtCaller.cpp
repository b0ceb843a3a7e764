#include "transport/srt/SrtCaller.h"

#include <optional>
#include <string>

#include "transport/srt/SrtMessages.h"
#include "transport/srt/SrtNetwork.h"
#include "transport/srt/SrtSocketOptions.h"

namespace relaycaster {
namespace {

// Reject reasons that mean nobody answered rather than that someone said no.
bool isNoAnswer(int rejectReason) { return rejectReason == SRT_REJ_UNKNOWN || rejectReason == SRT_REJ_TIMEOUT; }

}  // namespace

void SrtCaller::step(const SrtSettings& settings, double now) {
  if (mLink.dataSocket == SRT_INVALID_SOCK) {
    mPhase = Phase::Idle;
    if (now >= mLink.nextAttempt) startCall(settings, now);
    return;
  }
  followSocket(settings, now);
}

void SrtCaller::startCall(const SrtSettings& settings, double now) {
  // The system resolver, for either address family; only its first answer is called.
  const std::optional<srt_network::SocketAddress> address = srt_network::resolveFirst(settings.host, settings.port);
  if (!address) {
    fail(srt_messages::notFound(settings.host), now);
    return;
  }
  const SRTSOCKET socket = srt_create_socket();
  const bool started = socket != SRT_INVALID_SOCK && applySrtSocketOptions(socket, srtSocketOptions(settings)) &&
                       srt_connect(socket, address->get(), address->length) != SRT_ERROR;
  if (!started) {
    // Read the library's reason before closing, which may replace it.
    const std::string reason = srt_getlasterror_str();
    if (socket != SRT_INVALID_SOCK) srt_close(socket);
    fail(srt_messages::couldNotCall(settings.host, settings.port, reason), now);
    return;
  }
  mLink.dataSocket = socket;
  mPhase = Phase::Connecting;
  mLink.status().setState(SrtState::Calling);
}

void SrtCaller::followSocket(const SrtSettings& settings, double now) {
  const SRT_SOCKSTATUS state = srt_getsockstate(mLink.dataSocket);
  if (state == SRTS_CONNECTED && !mLink.connected) {
    mLink.status().setMessage({});
    mLink.beginSending(mLink.dataSocket, settings.host + ":" + std::to_string(settings.port));
    mPhase = Phase::Sending;
    return;
  }
  if (!isSocketGone(state)) return;
  const int reason = srt_getrejectreason(mLink.dataSocket);
  if (mLink.connected) {
    fail(srt_messages::kReceiverWentAway, now);
  } else if (!isNoAnswer(reason)) {
    fail(srt_messages::refused(settings.host, srt_rejectreason_str(reason)), now);
  } else {
    fail(srt_messages::noAnswer(settings.host, settings.port), now);
  }
}

void SrtCaller::fail(std::string message, double now) {
  mLink.failAndRetry(std::move(message), now);
  mPhase = Phase::Idle;
}

}  // namespace relaycaster
