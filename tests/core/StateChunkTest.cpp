#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/Relaycaster.h"
#include "support/RecordingEditor.h"

namespace relaycaster {
namespace {

using framework::ByteChunk;

ByteChunk saved(Relaycaster& plugin) {
  ByteChunk chunk;
  EXPECT_TRUE(plugin.SaveStateChunk(chunk));
  return chunk;
}

int32_t int32At(const ByteChunk& chunk, int pos) {
  int32_t value = 0;
  EXPECT_GE(chunk.GetInt32(value, pos), 0);
  return value;
}

// Writes a chunk field by field so that single fields can be broken.
struct ChunkWriter {
  ByteChunk chunk;
  ChunkWriter& i32(int32_t v) { chunk.PutInt32(v); return *this; }
  ChunkWriter& f64(double v) { chunk.PutDouble(v); return *this; }
  ChunkWriter& str(const std::string& s) { chunk.PutString(s); return *this; }
  ChunkWriter& header(int32_t accent, int32_t width, int32_t height, int32_t count, int32_t version = 2) {
    return i32(0x42575231).i32(version).i32(accent).i32(width).i32(height).str("").i32(0).i32(count);
  }
};

TEST(StateChunk, DefaultChunkLayout) {
  Relaycaster plugin;
  const ByteChunk chunk = saved(plugin);
  ASSERT_EQ(chunk.Size(), 148);
  const uint8_t magic[] = {0x31, 0x52, 0x57, 0x42};
  EXPECT_EQ(std::memcmp(chunk.Data(), magic, 4), 0);
  EXPECT_EQ(int32At(chunk, 4), 2);
  EXPECT_EQ(int32At(chunk, 8), 5);
  EXPECT_EQ(int32At(chunk, 12), 880);
  EXPECT_EQ(int32At(chunk, 16), 562);
  EXPECT_EQ(int32At(chunk, 20), 0);   // no preset name
  EXPECT_EQ(int32At(chunk, 28), 12);  // parameter count
  double port = 0;
  chunk.GetDouble(port, 32 + 8 * kSrtPort);
  EXPECT_EQ(port, 9000);
  EXPECT_EQ(int32At(chunk, 128), 0);  // host bypass
  EXPECT_EQ(int32At(chunk, 144), 0);  // host bypass again
}

TEST(StateChunk, RoundTripRestoresEverySetting) {
  Relaycaster source;
  const double values[kParamCount] = {1, 0, -12.5, 250, 1, 1, 1, 3, 7001, 850, -60, 33};
  for (int i = 0; i < kParamCount; ++i) source.GetParam(i)->Set(values[i]);
  source.SetSrtText(kSrtHostField, "receiver.example");
  source.SetSrtText(kSrtStreamIdField, "live/one");
  source.SetSrtText(kSrtPassphraseField, "correct horse battery");
  source.setAccentColourIndex(3);
  source.SetHostBypassed(true);
  ByteChunk chunk = saved(source);

  Relaycaster target;
  const int end = target.LoadStateChunk(chunk, 0);
  EXPECT_EQ(end, chunk.Size() - 4);  // the second host-bypass field follows
  for (int i = 0; i < kParamCount; ++i) EXPECT_EQ(target.GetParam(i)->Value(), source.GetParam(i)->Value()) << i;
  const SrtTexts texts = target.srtTexts();
  EXPECT_EQ(texts.host, "receiver.example");
  EXPECT_EQ(texts.streamId, "live/one");
  EXPECT_EQ(texts.passphrase, "correct horse battery");
  EXPECT_EQ(target.accentColourIndex(), 3);
  EXPECT_EQ(int32At(chunk, end), 1);
}

TEST(StateChunk, EditorSizeFollowsTheDrawScaleAndComesBackAsTheWindowSize) {
  Relaycaster source;
  testsupport::RecordingEditor editor;
  editor.drawScale = 1.5f;
  source.AttachEditor(&editor);
  const ByteChunk chunk = saved(source);
  source.DetachEditor();
  EXPECT_EQ(int32At(chunk, 12), 1320);
  EXPECT_EQ(int32At(chunk, 16), 843);

  Relaycaster target;
  ASSERT_GT(target.LoadStateChunk(chunk, 0), 0);
  EXPECT_EQ(target.WindowWidth(), 1320);
  EXPECT_EQ(target.WindowHeight(), 843);
  EXPECT_EQ(target.LoadedEditorWidth(), 1320);
}

TEST(StateChunk, SizesOfAnotherShapeBecomeTheDesignSize) {
  Relaycaster plugin;
  ChunkWriter writer;
  writer.header(5, 1000, 1000, 0).i32(0).str("").str("").str("").i32(0);
  ASSERT_EQ(plugin.LoadStateChunk(writer.chunk, 0), writer.chunk.Size() - 4);
  EXPECT_EQ(plugin.LoadedEditorWidth(), 880);
  EXPECT_EQ(plugin.LoadedEditorHeight(), 562);
  EXPECT_EQ(plugin.WindowWidth(), 880);
}

TEST(StateChunk, PresetFilesLeaveThePassphraseOut) {
  Relaycaster source;
  source.SetSrtText(kSrtPassphraseField, "secret passphrase");
  source.SetForPresetFile(true);
  const ByteChunk preset = saved(source);
  source.SetForPresetFile(false);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(preset.Data()), preset.Size()).find("secret"), std::string::npos);

  Relaycaster target;
  target.SetSrtText(kSrtPassphraseField, "the user's own one");
  target.SetForPresetFile(true);
  ASSERT_GT(target.LoadStateChunk(preset, 0), 0);
  target.SetForPresetFile(false);
  EXPECT_EQ(target.GetSrtText(kSrtPassphraseField), "the user's own one");

  ASSERT_GT(target.LoadStateChunk(saved(source), 0), 0);  // a project restores it
  EXPECT_EQ(target.GetSrtText(kSrtPassphraseField), "secret passphrase");
}

TEST(StateChunk, ParameterCounts) {
  ChunkWriter fourteen;
  fourteen.header(0, 880, 562, 14);
  for (int i = 0; i < 14; ++i) fourteen.f64(i == kSrtPort ? 7000 : 0);
  fourteen.i32(0).str("h").str("s").str("p").i32(0);
  Relaycaster plugin;
  EXPECT_EQ(plugin.LoadStateChunk(fourteen.chunk, 0), fourteen.chunk.Size() - 4);
  EXPECT_EQ(plugin.GetParam(kSrtPort)->Value(), 7000);
  EXPECT_EQ(plugin.GetSrtText(kSrtHostField), "h");

  ChunkWriter five;
  five.header(0, 880, 562, 5);
  for (int i = 0; i < 5; ++i) five.f64(1);
  five.i32(0).str("").str("").str("").i32(0);
  plugin.GetParam(kSrtLatency)->Set(999);
  ASSERT_GT(plugin.LoadStateChunk(five.chunk, 0), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(plugin.GetParam(i)->Value(), plugin.GetParam(i)->Constrain(1)) << i;
  for (int i = 5; i < kParamCount; ++i) EXPECT_EQ(plugin.GetParam(i)->Value(), plugin.GetParam(i)->Default()) << i;
}

TEST(StateChunk, OutOfRangeValuesAreClampedAndStepped) {
  ChunkWriter writer;
  writer.header(9, 880, 562, 12);
  const double values[kParamCount] = {0.7, 3, 99, 0.5, -1, 1.5, 0.49, 4.6, 0, 1e9, -1e9, std::nan("")};
  for (double v : values) writer.f64(v);
  writer.i32(0).str("").str("").str("").i32(0);
  Relaycaster plugin;
  ASSERT_GT(plugin.LoadStateChunk(writer.chunk, 0), 0);
  EXPECT_EQ(plugin.accentColourIndex(), 0);  // 9 is no accent: "Green"
  EXPECT_EQ(plugin.GetParam(kBypass)->Value(), 1);
  EXPECT_EQ(plugin.GetParam(kNdiLevel)->Value(), 12);
  EXPECT_EQ(plugin.GetParam(kNdiBuffer)->Value(), 10);
  EXPECT_EQ(plugin.GetParam(kSrtMode)->Value(), 1);  // 1.5 rounds away from zero
  EXPECT_EQ(plugin.GetParam(kSrtCodec)->Value(), 0);
  EXPECT_EQ(plugin.GetParam(kSrtBitrate)->Value(), 4);
  EXPECT_EQ(plugin.GetParam(kSrtPort)->Value(), 1);
  EXPECT_EQ(plugin.GetParam(kSrtLatency)->Value(), 8000);
  EXPECT_EQ(plugin.GetParam(kSrtLevel)->Value(), -60);
  EXPECT_EQ(plugin.GetParam(kSrtBuffer)->Value(), 40);  // NaN becomes the default
}

TEST(StateChunk, BareDoublesLoadAsParameters) {
  ByteChunk chunk;
  for (int i = 0; i < kParamCount; ++i) chunk.PutDouble(i == kSrtPort ? 1234 : (i == kNdiOn ? 0 : 1));
  Relaycaster plugin;
  EXPECT_EQ(plugin.LoadStateChunk(chunk, 0), chunk.Size());
  EXPECT_EQ(plugin.GetParam(kSrtPort)->Value(), 1234);
  EXPECT_EQ(plugin.GetParam(kNdiOn)->Value(), 0);

  ByteChunk eleven;
  for (int i = 0; i < 11; ++i) eleven.PutDouble(1);
  EXPECT_EQ(plugin.LoadStateChunk(eleven, 0), -1);
  EXPECT_EQ(plugin.GetParam(kNdiOn)->Value(), 1);  // what fitted stays applied
}

TEST(StateChunk, ACutInsideTheTextsKeepsTheTexts) {
  Relaycaster source;
  source.SetSrtText(kSrtHostField, "new.example");
  const ByteChunk full = saved(source);
  std::vector<uint8_t> cut(full.Bytes().begin(), full.Bytes().end() - 10);
  Relaycaster target;
  target.SetSrtText(kSrtHostField, "old.example");
  target.GetParam(kSrtPort)->Set(5);
  EXPECT_EQ(target.LoadStateChunk(ByteChunk(cut), 0), -1);
  EXPECT_EQ(target.GetSrtText(kSrtHostField), "old.example");
  EXPECT_EQ(target.GetParam(kSrtPort)->Value(), 9000);  // the parameters before the cut were applied
}

TEST(StateChunk, EveryPrefixEndsCleanly) {
  Relaycaster source;
  source.SetSrtText(kSrtHostField, "prefix.example");
  source.SetSrtText(kSrtStreamIdField, "id");
  const ByteChunk full = saved(source);
  Relaycaster target;
  for (int length = 0; length <= full.Size(); ++length) {
    std::vector<uint8_t> prefix(full.Bytes().begin(), full.Bytes().begin() + length);
    const int pos = target.LoadStateChunk(ByteChunk(prefix), 0);
    EXPECT_TRUE(pos == -1 || (pos >= 0 && pos <= length)) << length;
  }
  EXPECT_EQ(target.LoadStateChunk(full, 0), full.Size() - 4);
  EXPECT_EQ(target.LoadStateChunk(full, -3), -1);
  EXPECT_EQ(target.LoadStateChunk(full, full.Size() + 10), -1);
}

TEST(StateChunk, HostileLengthsAndVersions) {
  ChunkWriter hugeName;
  hugeName.i32(0x42575231).i32(2).i32(0).i32(880).i32(562).i32(0x7FFFFFFF);
  Relaycaster plugin;
  EXPECT_EQ(plugin.LoadStateChunk(hugeName.chunk, 0), -1);

  ChunkWriter negativeCount;
  negativeCount.header(0, 880, 562, -1);
  EXPECT_EQ(plugin.LoadStateChunk(negativeCount.chunk, 0), -1);  // read as bare doubles: too short

  ChunkWriter versionOne;
  versionOne.header(0, 880, 562, 12, 1);
  for (int i = 0; i < kParamCount; ++i) versionOne.f64(i == kSrtPort ? 4321 : 0);
  plugin.SetSrtText(kSrtHostField, "kept.example");
  EXPECT_EQ(plugin.LoadStateChunk(versionOne.chunk, 0), versionOne.chunk.Size());
  EXPECT_EQ(plugin.GetParam(kSrtPort)->Value(), 4321);
  EXPECT_EQ(plugin.GetSrtText(kSrtHostField), "kept.example");

  ChunkWriter negativeStrings;
  negativeStrings.header(0, 880, 562, 0).i32(0).i32(-5).i32(-1).i32(0).i32(0);
  EXPECT_EQ(plugin.LoadStateChunk(negativeStrings.chunk, 0), negativeStrings.chunk.Size() - 4);
  EXPECT_EQ(plugin.GetSrtText(kSrtHostField), "");
}

TEST(StateChunk, PresetNameAndModifiedMarkTravel) {
  ChunkWriter writer;
  writer.i32(0x42575231).i32(2).i32(5).i32(880).i32(562).str("Warm").i32(1).i32(0);
  writer.i32(0).str("").str("").str("").i32(0);
  Relaycaster plugin;
  ASSERT_GT(plugin.LoadStateChunk(writer.chunk, 0), 0);
  EXPECT_EQ(plugin.presets().currentName(), "Warm");
  plugin.IdleTick();  // the recapture brings the restored mark back
  EXPECT_TRUE(plugin.presets().modifiedMark());
  const ByteChunk again = saved(plugin);
  std::string name;
  const int pos = again.GetString(name, 20);
  EXPECT_EQ(name, "Warm");
  EXPECT_EQ(int32At(again, pos), 1);
}

}  // namespace
}  // namespace relaycaster
