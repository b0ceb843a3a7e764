#include "SrtTextsInState.h"

#include <cstring>
#include <utility>

#include "framework/ByteChunk.h"

namespace relaycaster_host {
namespace {

constexpr int32_t kMagic = 0x42575231;  // 'BWR1'
constexpr int32_t kVersionWithTexts = 2;
constexpr int kPresetNameAt = 20;  // after magic, version, accent colour, editor width and height

/// Where the three texts lie in a version-2 chunk: [start, end).
struct TextSpan {
  int start = -1;
  int end = -1;
  StateSrtTexts texts;
};

std::optional<TextSpan> findTexts(const framework::ByteChunk& chunk) {
  int32_t magic = 0, version = 0, skipped = 0, count = 0;
  std::string name;
  int pos = chunk.GetInt32(magic, 0);
  if (pos < 0 || magic != kMagic) return std::nullopt;
  pos = chunk.GetInt32(version, pos);
  if (pos < 0 || version < kVersionWithTexts) return std::nullopt;
  for (int field = 0; field < 3 && pos >= 0; ++field) pos = chunk.GetInt32(skipped, pos);  // accent, width, height
  pos = pos < 0 ? -1 : chunk.GetString(name, pos);
  pos = pos < 0 ? -1 : chunk.GetInt32(skipped, pos);  // modified
  pos = pos < 0 ? -1 : chunk.GetInt32(count, pos);
  if (pos < 0 || count < 0 || static_cast<int64_t>(pos) + 8 * static_cast<int64_t>(count) + 4 > chunk.Size())
    return std::nullopt;
  pos += 8 * count + 4;  // the values and the host bypass
  TextSpan span;
  span.start = pos;
  pos = chunk.GetString(span.texts.host, pos);
  pos = pos < 0 ? -1 : chunk.GetString(span.texts.streamId, pos);
  pos = pos < 0 ? -1 : chunk.GetString(span.texts.passphrase, pos);
  if (pos < 0) return std::nullopt;
  span.end = pos;
  return span;
}

/// Where the preset name and the modified flag after it lie: [start, end).
std::optional<std::pair<int, int>> findCurrentPreset(const framework::ByteChunk& chunk) {
  int32_t magic = 0, modified = 0;
  std::string name;
  if (chunk.GetInt32(magic, 0) < 0 || magic != kMagic) return std::nullopt;
  int pos = chunk.GetString(name, kPresetNameAt);
  pos = pos < 0 ? -1 : chunk.GetInt32(modified, pos);
  if (pos < 0) return std::nullopt;
  return std::pair{kPresetNameAt, pos};
}

}  // namespace

std::optional<StateSrtTexts> readSrtTexts(const std::vector<uint8_t>& state) {
  const auto span = findTexts(framework::ByteChunk(state));
  if (!span) return std::nullopt;
  return span->texts;
}

std::optional<std::vector<uint8_t>> withSrtTexts(const std::vector<uint8_t>& state, const StateSrtTexts& texts) {
  const auto span = findTexts(framework::ByteChunk(state));
  if (!span) return std::nullopt;
  framework::ByteChunk replaced;
  replaced.PutBytes(state.data(), static_cast<size_t>(span->start));
  replaced.PutString(texts.host);
  replaced.PutString(texts.streamId);
  replaced.PutString(texts.passphrase);
  replaced.PutBytes(state.data() + span->end, state.size() - static_cast<size_t>(span->end));
  return replaced.Bytes();
}

std::optional<std::vector<uint8_t>> withCurrentPreset(const std::vector<uint8_t>& state, const std::string& name) {
  const auto span = findCurrentPreset(framework::ByteChunk(state));
  if (!span) return std::nullopt;
  framework::ByteChunk replaced;
  replaced.PutBytes(state.data(), static_cast<size_t>(span->first));
  replaced.PutString(name);
  replaced.PutInt32(0);  // not modified
  replaced.PutBytes(state.data() + span->second, state.size() - static_cast<size_t>(span->second));
  return replaced.Bytes();
}

}  // namespace relaycaster_host
