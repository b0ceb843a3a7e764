#include "transport/srt/TsMuxer.h"

#include <algorithm>
#include <cstring>

#include "transport/srt/Crc32Mpeg.h"

namespace relaycaster {
namespace {

constexpr size_t kMaxProviderBytes = 40;
constexpr size_t kMaxServiceBytes = 80;
constexpr size_t kPesHeaderBytes = 14;
constexpr size_t kPayloadBytes = TsMuxer::kPacketBytes - 4;  // after the 4-byte packet header
constexpr size_t kPcrFieldBytes = 8;  // length, flags and the 6-byte PCR
constexpr size_t kMaxAccessUnitBytes = 0xFFFF - 8;
constexpr uint64_t kMask33 = (uint64_t{1} << 33) - 1;

// Fills in section_length (keeping the high nibble of byte 1) and appends
// the CRC over everything before it. Returns the whole section's size.
size_t completeSection(uint8_t* section, size_t bytesBeforeCrc) {
  const size_t length = bytesBeforeCrc + 1;  // the bytes after the length field, CRC included
  section[1] = static_cast<uint8_t>((section[1] & 0xF0) | ((length >> 8) & 0x0F));
  section[2] = static_cast<uint8_t>(length);
  const uint32_t crc = crc32Mpeg(section, bytesBeforeCrc);
  section[bytesBeforeCrc + 0] = static_cast<uint8_t>(crc >> 24);
  section[bytesBeforeCrc + 1] = static_cast<uint8_t>(crc >> 16);
  section[bytesBeforeCrc + 2] = static_cast<uint8_t>(crc >> 8);
  section[bytesBeforeCrc + 3] = static_cast<uint8_t>(crc);
  return bytesBeforeCrc + 4;
}

size_t append(uint8_t* out, size_t at, std::initializer_list<uint8_t> bytes) {
  for (uint8_t b : bytes) out[at++] = b;
  return at;
}

// Copies `count` bytes starting at `offset` of the PES, which is the
// header followed by the access unit, without joining them first.
void copyPesBytes(const uint8_t* header, const uint8_t* data, size_t offset, size_t count, uint8_t* out) {
  if (offset < kPesHeaderBytes) {
    const size_t fromHeader = std::min(count, kPesHeaderBytes - offset);
    std::memcpy(out, header + offset, fromHeader);
    out += fromHeader;
    count -= fromHeader;
    offset = kPesHeaderBytes;
  }
  if (count > 0) std::memcpy(out, data + (offset - kPesHeaderBytes), count);
}

}  // namespace

void TsMuxer::reset(bool isPcm, const std::string& serviceName) {
  mIsPcm = isPcm;
  mServiceName.assign(serviceName, 0, std::min(serviceName.size(), kMaxServiceBytes));
  mContinuity.fill(0);
  mForcePsi = true;
  mPsiWritten = false;
  mLastPsiTime = 0;
  mPcrWritten = false;
  mLastPcrTime = 0;
  mFill = 0;
}

void TsMuxer::writeAccessUnit(const uint8_t* data, size_t size, uint64_t t, MessageSink& sink) {
  if (size > kMaxAccessUnitBytes) return;  // would not fit PES_packet_length
  if (mForcePsi || !mPsiWritten || t >= mLastPsiTime + kPsiInterval) {
    writeTables(sink);
    mForcePsi = false;
    mPsiWritten = true;
    mLastPsiTime = t;
  }
  const bool pcrDue = !mPcrWritten || t >= mLastPcrTime + kPcrInterval;
  if (pcrDue) {
    mLastPcrTime = t;
    mPcrWritten = true;
  }
  writePes(data, size, t + kPtsOffset, pcrDue, t, sink);
}

size_t TsMuxer::buildPat(uint8_t* out) {
  // Program 1 on PMT PID 0x1000 in transport stream 1.
  const size_t n = append(out, 0, {0x00, 0xB0, 0x00, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xF0, 0x00});
  return completeSection(out, n);
}

size_t TsMuxer::buildPmt(bool isPcm, uint8_t* out) {
  // Program 1, PCR on the audio PID, no program descriptors.
  size_t n = append(out, 0, {0x02, 0xB0, 0x00, 0x00, 0x01, 0xC1, 0x00, 0x00, 0xE1, 0x00, 0xF0, 0x00});
  if (isPcm)  // private PES data registered as "BSSD" (SMPTE 302M)
    n = append(out, n, {0x06, 0xE1, 0x00, 0xF0, 0x06, 0x05, 0x04, 'B', 'S', 'S', 'D'});
  else  // ADTS AAC
    n = append(out, n, {0x0F, 0xE1, 0x00, 0xF0, 0x00});
  return completeSection(out, n);
}

size_t TsMuxer::buildSdt(const std::string& providerName, const std::string& serviceName, uint8_t* out) {
  const size_t p = std::min(providerName.size(), kMaxProviderBytes);
  const size_t s = std::min(serviceName.size(), kMaxServiceBytes);
  const size_t loop = p + s + 5;  // one service descriptor
  size_t n = append(out, 0, {0x42, 0xF0, 0x00, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xFF, 0x00, 0x01, 0xFC,
                             static_cast<uint8_t>(0x80 | (loop >> 8)), static_cast<uint8_t>(loop),
                             0x48, static_cast<uint8_t>(p + s + 3), 0x02, static_cast<uint8_t>(p)});
  std::memcpy(out + n, providerName.data(), p);
  n += p;
  out[n++] = static_cast<uint8_t>(s);
  std::memcpy(out + n, serviceName.data(), s);
  n += s;
  return completeSection(out, n);
}

void TsMuxer::writePts(uint64_t pts, uint8_t* out) {
  pts &= kMask33;
  out[0] = static_cast<uint8_t>(((pts >> 29) & 0x0E) | 0x21);
  out[1] = static_cast<uint8_t>(pts >> 22);
  out[2] = static_cast<uint8_t>(((pts >> 14) & 0xFF) | 1);
  out[3] = static_cast<uint8_t>(pts >> 7);
  out[4] = static_cast<uint8_t>(((pts << 1) & 0xFF) | 1);
}

void TsMuxer::writePcr(uint64_t pcr, uint8_t* out) {
  const uint64_t base = pcr & kMask33;
  out[0] = static_cast<uint8_t>(base >> 25);
  out[1] = static_cast<uint8_t>(base >> 17);
  out[2] = static_cast<uint8_t>(base >> 9);
  out[3] = static_cast<uint8_t>(base >> 1);
  out[4] = static_cast<uint8_t>(((base << 7) & 0x80) | 0x7E);  // 6 reserved bits, extension 0
  out[5] = 0x00;
}

void TsMuxer::writeTables(MessageSink& sink) {
  uint8_t section[kPayloadBytes - 1];  // after the pointer field
  writeTablePacket(kPatPid, kPatCounter, section, buildPat(section), sink);
  writeTablePacket(kPmtPid, kPmtCounter, section, buildPmt(mIsPcm, section), sink);
  writeTablePacket(kSdtPid, kSdtCounter, section, buildSdt(kProviderName, mServiceName, section), sink);
}

void TsMuxer::writeTablePacket(uint16_t pid, Counter counter, const uint8_t* section, size_t size,
                               MessageSink& sink) {
  uint8_t* packet = beginPacket();
  packet[0] = 0x47;
  packet[1] = static_cast<uint8_t>(0x40 | ((pid >> 8) & 0x1F));  // payload_unit_start
  packet[2] = static_cast<uint8_t>(pid);
  packet[3] = static_cast<uint8_t>(0x10 | nextContinuity(counter));  // payload only
  packet[4] = 0x00;                                                 // pointer_field
  std::memcpy(packet + 5, section, size);
  std::memset(packet + 5 + size, 0xFF, kPacketBytes - 5 - size);
  endPacket(sink);
}

void TsMuxer::writePes(const uint8_t* data, size_t size, uint64_t pts, bool withPcr, uint64_t pcr,
                       MessageSink& sink) {
  uint8_t header[kPesHeaderBytes];
  const size_t pesLength = size + 8;  // flags, header length and PTS follow the length field
  header[0] = 0x00;
  header[1] = 0x00;
  header[2] = 0x01;
  header[3] = mIsPcm ? 0xBD : 0xC0;  // private_stream_1 (302M) or MPEG audio stream 0
  header[4] = static_cast<uint8_t>(pesLength >> 8);
  header[5] = static_cast<uint8_t>(pesLength);
  header[6] = 0x84;  // marker bits, data_alignment_indicator
  header[7] = 0x80;  // PTS only
  header[8] = 5;     // PES_header_data_length
  writePts(pts, header + 9);

  const size_t total = kPesHeaderBytes + size;
  size_t placed = 0;
  bool first = true;
  while (placed < total) {
    const size_t remaining = total - placed;
    const bool packetPcr = first && withPcr;
    size_t adaptation = packetPcr ? kPcrFieldBytes : 0;
    if (remaining < kPayloadBytes - adaptation) adaptation = kPayloadBytes - remaining;  // stuffing
    const size_t payload = kPayloadBytes - adaptation;

    uint8_t* packet = beginPacket();
    packet[0] = 0x47;
    packet[1] = static_cast<uint8_t>((first ? 0x40 : 0x00) | (kAudioPid >> 8));
    packet[2] = static_cast<uint8_t>(kAudioPid & 0xFF);
    packet[3] = static_cast<uint8_t>((adaptation > 0 ? 0x30 : 0x10) | nextContinuity(kAudioCounter));
    if (adaptation > 0) {
      packet[4] = static_cast<uint8_t>(adaptation - 1);  // a single stuffing byte is the length 0 alone
      if (adaptation > 1) {
        packet[5] = packetPcr ? 0x10 : 0x00;
        size_t at = 6;
        if (packetPcr) {
          writePcr(pcr, packet + at);
          at += 6;
        }
        std::memset(packet + at, 0xFF, 4 + adaptation - at);
      }
    }
    copyPesBytes(header, data, placed, payload, packet + 4 + adaptation);
    placed += payload;
    first = false;
    endPacket(sink);
  }
}

void TsMuxer::finishMessage(MessageSink& sink, int nullMessages) {
  const int nullPackets = (kPacketsPerMessage - static_cast<int>(mFill / kPacketBytes)) % kPacketsPerMessage +
                          std::max(0, nullMessages) * kPacketsPerMessage;
  for (int i = 0; i < nullPackets; ++i) {
    uint8_t* packet = beginPacket();
    // Null packets carry no continuity of their own: a receiver ignores
    // their counter and payload.
    packet[0] = 0x47;
    packet[1] = static_cast<uint8_t>(kNullPid >> 8);
    packet[2] = static_cast<uint8_t>(kNullPid & 0xFF);
    packet[3] = 0x10;  // payload only, counter 0
    std::memset(packet + 4, 0xFF, kPayloadBytes);
    endPacket(sink);
  }
}

uint8_t TsMuxer::nextContinuity(Counter counter) {
  const uint8_t value = mContinuity[counter];
  mContinuity[counter] = static_cast<uint8_t>((value + 1) & 0x0F);
  return value;
}

uint8_t* TsMuxer::beginPacket() { return mBuffer.data() + mFill; }

void TsMuxer::endPacket(MessageSink& sink) {
  mFill += kPacketBytes;
  if (mFill < kMessageBytes) return;
  mFill = 0;
  sink.sendMessage(mBuffer.data(), static_cast<int>(kMessageBytes));
}

}  // namespace relaycaster
