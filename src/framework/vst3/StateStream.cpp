#include "framework/vst3/StateStream.h"

#include <algorithm>

namespace framework::vst3 {

bool ReadWholeStream(Steinberg::IBStream* stream, std::vector<uint8_t>& out) {
  out.clear();
  if (!stream) return false;
  constexpr Steinberg::int32 kPiece = 64 * 1024;
  for (;;) {
    const size_t before = out.size();
    if (before + kPiece > kMaxStateBytes) return false;
    out.resize(before + kPiece);
    Steinberg::int32 got = 0;
    const Steinberg::tresult result = stream->read(out.data() + before, kPiece, &got);
    got = std::clamp<Steinberg::int32>(got, 0, kPiece);
    out.resize(before + static_cast<size_t>(got));
    // Hosts end a stream either with a short read or with a failing one;
    // what was read so far is the state either way, and the chunk reader
    // judges whether it is whole.
    if (result != Steinberg::kResultOk || got == 0) return true;
  }
}

bool WriteWholeBuffer(Steinberg::IBStream* stream, const uint8_t* data, size_t size) {
  if (!stream) return false;
  while (size > 0) {
    const auto piece = static_cast<Steinberg::int32>(std::min<size_t>(size, 1u << 30));
    Steinberg::int32 written = 0;
    if (stream->write(const_cast<uint8_t*>(data), piece, &written) != Steinberg::kResultOk) return false;
    if (written <= 0 || written > piece) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

}  // namespace framework::vst3
