#pragma once

#include <cstdint>
#include <vector>

#include "pluginterfaces/base/ibstream.h"

namespace framework::vst3 {

/// Reads everything from the stream's current position to its end, in
/// pieces, up to kMaxStateBytes. Returns false without a stream or when the
/// state is larger than that.
bool ReadWholeStream(Steinberg::IBStream* stream, std::vector<uint8_t>& out);
/// Writes all bytes, retrying short writes; false when the stream stops.
bool WriteWholeBuffer(Steinberg::IBStream* stream, const uint8_t* data, size_t size);

/// No plug-in state comes near this; a stream that does is not ours.
inline constexpr size_t kMaxStateBytes = 64u << 20;

}  // namespace framework::vst3
