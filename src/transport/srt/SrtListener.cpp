#include "transport/srt/SrtListener.h"

#include "transport/srt/SrtMessages.h"
#include "transport/srt/SrtNetwork.h"
#include "transport/srt/SrtSocketOptions.h"

namespace relaycaster {
namespace {

constexpr int kBacklog = 1;

// libsrt's listen hook: 0 admits the caller, -1 refuses it.
int admitCaller(void* context, SRTSOCKET /*socket*/, int /*handshakeVersion*/, const sockaddr* /*peer*/,
                const char* streamId) {
  return static_cast<const SrtAcceptContext*>(context)->admits(streamId) ? 0 : -1;
}

}  // namespace

void SrtListener::step(const SrtSettings& settings, double now) {
  if (mLink.listenSocket == SRT_INVALID_SOCK) {
    mPhase = Phase::Closed;
    if (now >= mLink.nextAttempt) openListener(settings, now);
    return;
  }
  if (mLink.dataSocket == SRT_INVALID_SOCK) {
    acceptCaller();
    return;
  }
  followReceiver();
}

void SrtListener::openListener(const SrtSettings& settings, double now) {
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  any.sin_port = htons(static_cast<uint16_t>(settings.port));

  const SRTSOCKET socket = srt_create_socket();
  const bool listening =
      socket != SRT_INVALID_SOCK && applySrtSocketOptions(socket, srtSocketOptions(settings)) &&
      srt_listen_callback(socket, &admitCaller, &mLink.accept) != SRT_ERROR &&
      srt_bind(socket, reinterpret_cast<const sockaddr*>(&any), sizeof any) != SRT_ERROR &&
      srt_listen(socket, kBacklog) != SRT_ERROR;
  if (!listening) {
    const std::string reason = srt_getlasterror_str();  // before closing, which may replace it
    if (socket != SRT_INVALID_SOCK) srt_close(socket);
    mLink.failAndRetry(srt_messages::cannotListen(settings.port, reason), now);
    mPhase = Phase::Closed;
    return;
  }
  mLink.listenSocket = socket;
  mLink.status().setMessage({});
  mLink.status().setState(SrtState::Listening);
  mPhase = Phase::Listening;
}

void SrtListener::acceptCaller() {
  sockaddr_storage address{};
  int length = sizeof address;
  // Non-blocking: without a waiting caller this returns at once.
  const SRTSOCKET socket = srt_accept(mLink.listenSocket, reinterpret_cast<sockaddr*>(&address), &length);
  if (socket == SRT_INVALID_SOCK) return;
  mLink.accept.accepted.store(true, std::memory_order_release);
  mLink.beginSending(socket, callerAddressText(reinterpret_cast<const sockaddr*>(&address),
                                               static_cast<socklen_t>(length)));
  mPhase = Phase::Sending;
}

void SrtListener::followReceiver() {
  if (!isSocketGone(srt_getsockstate(mLink.dataSocket))) return;
  mLink.dropConnection();
  mLink.status().setState(SrtState::Listening);
  mPhase = Phase::Listening;
}

std::string callerAddressText(const sockaddr* address, socklen_t length) {
  if (address == nullptr || (address->sa_family != AF_INET && address->sa_family != AF_INET6)) return ":0";
  std::string host;
  std::string port;
  if (!srt_network::numericHostAndPort(address, static_cast<int>(length), host, port)) return ":0";
  return host + ":" + port;
}

}  // namespace relaycaster
