#include "transport/srt/Crc32Mpeg.h"

#include <array>

namespace relaycaster {
namespace {

constexpr uint32_t kPolynomial = 0x04C11DB7u;

// One entry per leading byte: the register after shifting that byte through.
constexpr std::array<uint32_t, 256> makeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t byte = 0; byte < 256; ++byte) {
    uint32_t crc = byte << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ kPolynomial : crc << 1;
    table[byte] = crc;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kTable = makeTable();

}  // namespace

uint32_t crc32Mpeg(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) crc = (crc << 8) ^ kTable[((crc >> 24) ^ data[i]) & 0xFFu];
  return crc;
}

}  // namespace relaycaster
