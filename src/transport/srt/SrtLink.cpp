#include "transport/srt/SrtLink.h"


#include "transport/srt/SrtOutput.h"

namespace relaycaster {
namespace {

constexpr double kRetryDelaySeconds = 2.0;

void closeSocket(SRTSOCKET& socket) {
  if (socket == SRT_INVALID_SOCK) return;
  srt_close(socket);
  socket = SRT_INVALID_SOCK;
}

}  // namespace

bool SrtAcceptContext::admits(const char* callerStreamId) const {
  if (accepted.load(std::memory_order_acquire)) return false;
  if (requiredStreamId.empty()) return true;
  if (callerStreamId == nullptr) return false;
  return requiredStreamId == callerStreamId;
}

SrtLink::~SrtLink() {
  dropConnection();
  closeListener();
}

void SrtLink::dropConnection() {
  if (dataSocket != SRT_INVALID_SOCK) {
    if (connected && srt_getsockstate(dataSocket) == SRTS_CONNECTED) mOutput.finishStream(mSink);
    publishStatistics();
  }
  closeSocket(dataSocket);
  connected = false;
  accept.accepted.store(false, std::memory_order_release);
  mStatus.setPeer({});
}

void SrtLink::closeListener() { closeSocket(listenSocket); }

void SrtLink::failAndRetry(std::string message, double now) {
  dropConnection();
  closeListener();
  mStatus.setMessage(std::move(message));
  mStatus.setState(SrtState::Retrying);
  nextAttempt = now + kRetryDelaySeconds;
}

void SrtLink::beginSending(SRTSOCKET socket, std::string peer) {
  dataSocket = socket;
  connected = true;
  mOutput.reset();
  mStatus.setLinkStatistics({});
  mStatus.setPeer(std::move(peer));
  mStatus.setState(SrtState::Sending);
}

void SrtLink::publishStatistics() {
  if (dataSocket == SRT_INVALID_SOCK || !connected) return;
  SRT_TRACEBSTATS counts{};
  if (srt_bstats(dataSocket, &counts, 0) == SRT_ERROR) return;
  SrtLinkStatistics statistics;
  statistics.packetsSent = counts.pktSentTotal;
  statistics.retransmitted = counts.pktRetransTotal;
  statistics.reportedLost = counts.pktSndLossTotal;
  statistics.dropped = counts.pktSndDropTotal;
  statistics.roundTripMs = counts.msRTT;
  mStatus.setLinkStatistics(statistics);
}

void SrtSocketSink::sendMessage(const uint8_t* data, int size) {
  srt_sendmsg2(mSocket, reinterpret_cast<const char*>(data), size, nullptr);
}

bool isSocketGone(SRT_SOCKSTATUS state) {
  return state == SRTS_BROKEN || state == SRTS_CLOSED || state == SRTS_NONEXIST;
}

}  // namespace relaycaster
