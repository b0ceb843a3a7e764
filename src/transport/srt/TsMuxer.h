#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "transport/srt/MessageSink.h"

namespace relaycaster {

/// MPEG-2 transport stream writer for one program with one audio stream:
/// PAT, PMT and SDT every 100 ms of stream time, one PES packet per access
/// unit with a PCR every 40 ms, gathered into 1316-byte messages (seven
/// 188-byte packets). Times are 90 kHz ticks taken from the sample count.
///
/// Threads: one owner, the SRT worker.
class TsMuxer {
 public:
  static constexpr int kPacketBytes = 188;
  static constexpr int kPacketsPerMessage = 7;
  static constexpr int kMessageBytes = kPacketBytes * kPacketsPerMessage;  // 1316
  static constexpr uint16_t kAudioPid = 0x0100;  // also the PCR PID
  static constexpr uint16_t kPmtPid = 0x1000;
  static constexpr uint16_t kSdtPid = 0x0011;
  static constexpr uint16_t kPatPid = 0x0000;
  static constexpr uint16_t kNullPid = 0x1FFF;
  static constexpr uint64_t kPsiInterval = 9000;  // 100 ms
  static constexpr uint64_t kPcrInterval = 3600;  // 40 ms
  static constexpr uint64_t kPtsOffset = 9000;    // PTS = t + 100 ms
  static constexpr const char* kProviderName = "Brightwold";

  /// Starts a new stream: continuity counters 0, tables and a PCR before the
  /// next access unit, and any packets still waiting are dropped.
  /// `serviceName` is cut to 80 bytes.
  void reset(bool isPcm, const std::string& serviceName);

  /// Writes one access unit (a SMPTE 302M frame or an ADTS frame) stamped
  /// with time `t`, preceded by the tables when they are due. Every seventh
  /// packet completes a message, which goes to `sink` at once.
  void writeAccessUnit(const uint8_t* data, size_t size, uint64_t t, MessageSink& sink);

  /// Completes the packets waiting for the next message with null packets
  /// (PID 0x1FFF) and sends that message at once, so that the last access
  /// unit written leaves whole (nothing is sent when no packet waits); then
  /// sends `nullMessages` messages of null packets alone. Called before a
  /// connection is closed on purpose.
  void finishMessage(MessageSink& sink, int nullMessages = 0);

  bool isPcm() const { return mIsPcm; }
  /// Packets waiting for the next message, in bytes (a multiple of 188).
  size_t pendingBytes() const { return mFill; }

  // The table sections with their CRC, as they go into the table packets.
  // Each returns the section length in bytes; `out` must hold 183 bytes.
  static size_t buildPat(uint8_t* out);
  static size_t buildPmt(bool isPcm, uint8_t* out);
  static size_t buildSdt(const std::string& providerName, const std::string& serviceName, uint8_t* out);
  /// The 5-byte PTS field (prefix 0010) of `pts` modulo 2^33.
  static void writePts(uint64_t pts, uint8_t* out);
  /// The 6-byte PCR field: base `pcr` modulo 2^33, extension 0.
  static void writePcr(uint64_t pcr, uint8_t* out);

 private:
  enum Counter { kAudioCounter = 0, kPmtCounter = 1, kSdtCounter = 2, kPatCounter = 3 };

  void writeTables(MessageSink& sink);
  void writeTablePacket(uint16_t pid, Counter counter, const uint8_t* section, size_t size, MessageSink& sink);
  void writePes(const uint8_t* data, size_t size, uint64_t pts, bool withPcr, uint64_t pcr, MessageSink& sink);
  uint8_t nextContinuity(Counter counter);
  uint8_t* beginPacket();
  void endPacket(MessageSink& sink);

  bool mIsPcm = false;
  std::string mServiceName;
  std::array<uint8_t, 4> mContinuity{};  // 4-bit counters: audio, PMT, SDT, PAT
  bool mForcePsi = true;
  bool mPsiWritten = false;
  uint64_t mLastPsiTime = 0;
  bool mPcrWritten = false;
  uint64_t mLastPcrTime = 0;
  std::array<uint8_t, kMessageBytes> mBuffer{};
  size_t mFill = 0;
};

}  // namespace relaycaster
