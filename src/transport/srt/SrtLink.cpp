#include "transport/srt/SrtLink.h"


#include "transport/srt/SrtOutput.h"

namespace relaycaster {
namespace {

constexpr double kRetryDelaySeconds = 2.0;
constexpr int kMinLeadInBlocks = 20;            // 200 ms of 10 ms blocks
constexpr int kMaxLeadInBlocks = 50;            // half a second
constexpr double kUnmeasuredRoundTripMs = 100.0;  // libsrt's start value before any measurement
constexpr int kBlockMs = 10;

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
  mLeadInLeft = kMaxLeadInBlocks;
  mLeadInTaken = 0;
  mStatus.setPeer(std::move(peer));
  mStatus.setState(SrtState::Sending);
}

bool SrtLink::takeLeadInBlock() {
  if (mLeadInLeft == 0) return false;
  SRT_TRACEBSTATS counts{};
  const bool measured = mLeadInTaken >= kMinLeadInBlocks && srt_bstats(dataSocket, &counts, 0) != SRT_ERROR &&
                        counts.msRTT != kUnmeasuredRoundTripMs;
  if (measured || --mLeadInLeft == 0) {
    mLeadInLeft = 0;
    return false;
  }
  ++mLeadInTaken;
  return true;
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
  statistics.leadInMs = mLeadInTaken * kBlockMs;
  mStatus.setLinkStatistics(statistics);
}

void SrtSocketSink::sendMessage(const uint8_t* data, int size) {
  srt_sendmsg2(mSocket, reinterpret_cast<const char*>(data), size, nullptr);
}

bool isSocketGone(SRT_SOCKSTATUS state) {
  return state == SRTS_BROKEN || state == SRTS_CLOSED || state == SRTS_NONEXIST;
}

}  // namespace relaycaster
