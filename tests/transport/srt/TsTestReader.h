#pragma once

// A small transport-stream reader for the tests, written from the packet
// layout independently of the muxer: it captures messages, splits packets,
// and reassembles PES packets with their PTS and PCR.
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "transport/srt/MessageSink.h"

namespace tstest {

constexpr int kPacket = 188;

/// Records every message the output sends.
class CapturedStream : public relaycaster::MessageSink {
 public:
  void sendMessage(const uint8_t* data, int size) override {
    sizes.push_back(size);
    bytes.insert(bytes.end(), data, data + size);
  }
  size_t packetCount() const { return bytes.size() / kPacket; }
  const uint8_t* packet(size_t i) const { return bytes.data() + i * kPacket; }
  void clear() {
    sizes.clear();
    bytes.clear();
  }

  std::vector<int> sizes;
  std::vector<uint8_t> bytes;
};

/// A sink that only counts, for allocation checks.
class CountingSink : public relaycaster::MessageSink {
 public:
  void sendMessage(const uint8_t*, int size) override {
    ++messages;
    lastSize = size;
  }
  int messages = 0;
  int lastSize = 0;
};

struct Packet {
  bool sync = false;
  bool unitStart = false;
  int pid = -1;
  int continuity = 0;
  bool hasAdaptation = false;
  bool hasPayload = false;
  int adaptationLength = -1;  // the adaptation_field_length byte
  std::optional<uint64_t> pcr;
  int payloadOffset = 4;
};

inline Packet parsePacket(const uint8_t* p) {
  Packet r;
  r.sync = p[0] == 0x47;
  r.unitStart = (p[1] & 0x40) != 0;
  r.pid = ((p[1] & 0x1F) << 8) | p[2];
  r.hasAdaptation = (p[3] & 0x20) != 0;
  r.hasPayload = (p[3] & 0x10) != 0;
  r.continuity = p[3] & 0x0F;
  if (r.hasAdaptation) {
    r.adaptationLength = p[4];
    r.payloadOffset = 5 + p[4];
    if (p[4] > 0 && (p[5] & 0x10)) {
      const uint64_t base = (uint64_t{p[6]} << 25) | (uint64_t{p[7]} << 17) | (uint64_t{p[8]} << 9) |
                            (uint64_t{p[9]} << 1) | (p[10] >> 7);
      const uint64_t extension = (uint64_t{p[10] & 1u} << 8) | p[11];
      r.pcr = base * 300 + extension;  // in 27 MHz units
    }
  }
  return r;
}

inline uint64_t readTimestamp(const uint8_t* p) {
  return (uint64_t{(p[0] >> 1) & 0x07u} << 30) | (uint64_t{p[1]} << 22) | (uint64_t{(p[2] >> 1) & 0x7Fu} << 15) |
         (uint64_t{p[3]} << 7) | (p[4] >> 1);
}

struct PesUnit {
  size_t firstPacket = 0;
  int streamId = 0;
  int declaredLength = 0;  // PES_packet_length
  uint64_t pts = 0;
  std::optional<uint64_t> pcr;  // 27 MHz units, from the first packet
  std::vector<uint8_t> payload;  // the access unit
};

/// Every complete PES packet on `pid`, in order.
inline std::vector<PesUnit> collectPes(const std::vector<uint8_t>& bytes, int pid = 0x0100) {
  std::vector<PesUnit> units;
  std::vector<uint8_t> current;
  size_t firstPacket = 0;
  std::optional<uint64_t> pcr;
  auto finish = [&]() {
    if (current.size() < 14) return;
    const size_t declared = 6u + ((size_t{current[4]} << 8) | current[5]);
    if (current.size() < declared) return;  // cut off: the rest was never sent
    current.resize(declared);
    PesUnit unit;
    unit.firstPacket = firstPacket;
    unit.streamId = current[3];
    unit.declaredLength = (current[4] << 8) | current[5];
    unit.pts = readTimestamp(current.data() + 9);
    unit.pcr = pcr;
    const size_t headerEnd = 9u + current[8];
    unit.payload.assign(current.begin() + static_cast<long>(headerEnd), current.end());
    units.push_back(std::move(unit));
  };
  for (size_t i = 0; i + kPacket <= bytes.size(); i += kPacket) {
    const uint8_t* p = bytes.data() + i;
    const Packet packet = parsePacket(p);
    if (packet.pid != pid || !packet.hasPayload) continue;
    if (packet.unitStart) {
      finish();
      current.clear();
      firstPacket = i / kPacket;
      pcr = packet.pcr;
    }
    current.insert(current.end(), p + packet.payloadOffset, p + kPacket);
  }
  finish();
  return units;
}

}  // namespace tstest
