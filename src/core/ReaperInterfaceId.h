#pragma once

// The id of REAPER's host application interface,
// {79655E36-77EE-4267-A573-FEF74912C27C}, as the 16 bytes VST 3 compares.
// VST 3 is COM-compatible on Windows, where the first three groups of a
// GUID are stored little-endian; elsewhere all four 32-bit words are stored
// most significant byte first. This is the one platform-dependent piece of
// the REAPER declarations.

#include <cstdint>

namespace relaycaster::reaper {

inline constexpr uint8_t kHostApplicationIdComOrder[16] = {
    0x36, 0x5E, 0x65, 0x79, 0xEE, 0x77, 0x67, 0x42, 0xA5, 0x73, 0xFE, 0xF7, 0x49, 0x12, 0xC2, 0x7C};
inline constexpr uint8_t kHostApplicationIdPlainOrder[16] = {
    0x79, 0x65, 0x5E, 0x36, 0x77, 0xEE, 0x42, 0x67, 0xA5, 0x73, 0xFE, 0xF7, 0x49, 0x12, 0xC2, 0x7C};

#if defined(_WIN32)
inline constexpr const uint8_t (&kHostApplicationId)[16] = kHostApplicationIdComOrder;
#else
inline constexpr const uint8_t (&kHostApplicationId)[16] = kHostApplicationIdPlainOrder;
#endif

}  // namespace relaycaster::reaper
