#pragma once

#include <cstddef>
#include <cstdint>

namespace relaycaster {

/// The CRC_32 that closes every MPEG-2 table section: polynomial 0x04C11DB7,
/// initial value 0xFFFFFFFF, most significant bit first, no final inversion.
/// A whole section including its CRC yields 0.
uint32_t crc32Mpeg(const uint8_t* data, size_t size);

}  // namespace relaycaster
