// The state chunk: the byte record in which an instance saves everything the
// user set. Hosts keep it in their projects; preset files embed it.
//
// Layout (little-endian, no padding; strings are a 32-bit length and UTF-8):
//   'BWR1' magic, version 2, accent colour, editor width, editor height,
//   preset name, preset modified, parameter count (12), 12 doubles,
//   host bypass, SRT host, SRT stream id, SRT passphrase, host bypass again.
#include <cmath>

#include "core/Relaycaster.h"
#include "core/WindowScale.h"

namespace relaycaster {
namespace {

// The magic 'BWR1' (bytes 31 52 57 42) is PresetStateAccess::kChunkMagic:
// preset files check it before they hand a chunk over.
constexpr int32_t kChunkVersion = 2;
constexpr int kAccentFollowTrack = 5;

// Fields up to the parameter count; each read fails once one does not fit.
struct ChunkHeader {
  int32_t version = 0;
  int32_t accent = 0;
  int32_t editorWidth = 0;
  int32_t editorHeight = 0;
  std::string presetName;
  int32_t presetModified = 0;
  int32_t paramCount = -1;
};

int readHeader(const framework::ByteChunk& chunk, int pos, ChunkHeader& header) {
  pos = chunk.GetInt32(header.version, pos);
  pos = chunk.GetInt32(header.accent, pos);
  pos = chunk.GetInt32(header.editorWidth, pos);
  pos = chunk.GetInt32(header.editorHeight, pos);
  pos = chunk.GetString(header.presetName, pos);
  pos = chunk.GetInt32(header.presetModified, pos);
  return chunk.GetInt32(header.paramCount, pos);
}

}  // namespace

bool Relaycaster::SaveStateChunk(framework::ByteChunk& chunk) {
  writeStateChunk(chunk);
  return true;
}

bool Relaycaster::SerializeState(framework::ByteChunk& chunk) const {
  writeStateChunk(chunk);
  return true;
}

int Relaycaster::UnserializeState(const framework::ByteChunk& chunk, int startPos) {
  return LoadStateChunk(chunk, startPos);
}

void Relaycaster::writeStateChunk(framework::ByteChunk& chunk) const {
  chunk.PutInt32(kChunkMagic);
  chunk.PutInt32(kChunkVersion);
  chunk.PutInt32(accentColourIndex());
  const auto [width, height] = editorSizeForChunk();
  chunk.PutInt32(width);
  chunk.PutInt32(height);
  chunk.PutString(mPresets.currentName());
  chunk.PutInt32(mPresets.modifiedMark() ? 1 : 0);
  chunk.PutInt32(kParamCount);
  for (int i = 0; i < kParamCount; ++i) chunk.PutDouble(GetParam(i)->Value());
  const int32_t hostBypass = GetHostBypassed() ? 1 : 0;
  chunk.PutInt32(hostBypass);
  const SrtTexts texts = srtTexts();
  chunk.PutString(texts.host);
  chunk.PutString(texts.streamId);
  chunk.PutString(forPresetFile() ? std::string() : texts.passphrase);
  chunk.PutInt32(hostBypass);
}

// With the editor open: its design size at the current draw scale. Closed:
// the kept window size in logical pixels.
std::pair<int32_t, int32_t> Relaycaster::editorSizeForChunk() const {
  if (const framework::IEditor* editor = GetEditor()) {
    const float scale = editor->DrawScale();
    return {static_cast<int32_t>(880 * scale), static_cast<int32_t>(562 * scale)};
  }
  const double screen = screenScale();
  return {static_cast<int32_t>(std::llround(WindowWidth() / screen)),
          static_cast<int32_t>(std::llround(WindowHeight() / screen))};
}

int Relaycaster::LoadStateChunk(const framework::ByteChunk& chunk, int start) {
  int32_t magic = 0;
  if (start < 0 || chunk.GetInt32(magic, start) < 0 || magic != kChunkMagic) return UnserializeParams(chunk, start);

  ChunkHeader header;
  int pos = readHeader(chunk, start + 4, header);
  if (pos < 0 || header.paramCount < 0) return UnserializeParams(chunk, start);

  setAccentColourIndex(header.accent >= 0 && header.accent <= kAccentFollowTrack ? header.accent : 0);
  applyLoadedEditorSize(header.editorWidth, header.editorHeight);

  for (int i = 0; i < kParamCount; ++i) GetParam(i)->SetToDefault();
  for (int32_t i = 0; i < header.paramCount; ++i) {
    double value = 0.0;
    pos = chunk.GetDouble(value, pos);
    if (pos < 0) return -1;
    if (i < kParamCount) GetParam(i)->Set(value);
  }
  mPresets.restoreFromState(header.presetName, header.presetModified != 0);

  if (header.version >= 2) {
    SrtTexts loaded;
    pos = chunk.GetString(loaded.host, pos + 4);  // skips the first host-bypass field
    pos = chunk.GetString(loaded.streamId, pos);
    pos = chunk.GetString(loaded.passphrase, pos);
    if (pos < 0) return -1;
    std::lock_guard lock(srtTextsMutex);
    mSrtTexts.host = std::move(loaded.host);
    mSrtTexts.streamId = std::move(loaded.streamId);
    if (!forPresetFile()) mSrtTexts.passphrase = std::move(loaded.passphrase);  // a preset keeps the user's
  }

  for (int i = 0; i < kParamCount; ++i) {
    OnParamChange(i, framework::ParamSource::PresetRecall);
    ParamChangedUi(i);
  }
  // Text fields and the SRT panel show what was loaded after a rebuild.
  mEditorRebuildPending.store(true, std::memory_order_relaxed);
  return pos;
}

// Sizes whose aspect is not the editor's are replaced by the design size.
// Without an open editor the size becomes the kept window size at once.
void Relaycaster::applyLoadedEditorSize(int32_t width, int32_t height) {
  if (width > 0 && height > 0) {
    if (std::fabs(static_cast<double>(width) / height - 880.0 / 562.0) > 0.01) {
      width = 880;
      height = 562;
    }
    if (!GetEditor()) {
      const float screen = screenScale();
      int w = static_cast<int>(std::llround(width * screen));
      int h = static_cast<int>(std::llround(height * screen));
      ConstrainWindowSize(w, h);
      SetWindowSize(w, h);
    }
  }
  mLoadedEditorWidth.store(width, std::memory_order_relaxed);
  mLoadedEditorHeight.store(height, std::memory_order_relaxed);
}

}  // namespace relaycaster
