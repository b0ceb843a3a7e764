// Editing the SRT texts inside a saved component state.
#include <gtest/gtest.h>

#include "SrtTextsInState.h"
#include "framework/ByteChunk.h"

namespace relaycaster_host {
namespace {

/// A state as the plug-in writes it: its chunk, then the host bypass.
std::vector<uint8_t> makeState(const StateSrtTexts& texts, int version = 2) {
  framework::ByteChunk chunk;
  chunk.PutInt32(0x42575231);
  chunk.PutInt32(version);
  chunk.PutInt32(5);
  chunk.PutInt32(880);
  chunk.PutInt32(562);
  chunk.PutString("Stage left");
  chunk.PutInt32(0);
  chunk.PutInt32(3);
  for (double value : {1.0, 2.0, 3.0}) chunk.PutDouble(value);
  chunk.PutInt32(1);
  chunk.PutString(texts.host);
  chunk.PutString(texts.streamId);
  chunk.PutString(texts.passphrase);
  chunk.PutInt32(1);
  chunk.PutInt32(1);  // the host bypass the binding appends
  return chunk.Bytes();
}

TEST(SrtTextsInState, ReadsAndReplacesOnlyTheTexts) {
  const std::vector<uint8_t> state = makeState({"a.invalid", "id", "pw"});
  const auto texts = readSrtTexts(state);
  ASSERT_TRUE(texts.has_value());
  EXPECT_EQ(texts->host, "a.invalid");
  EXPECT_EQ(texts->passphrase, "pw");

  const auto edited = withSrtTexts(state, {"a much longer host.invalid", "", "pass phrase"});
  ASSERT_TRUE(edited.has_value());
  EXPECT_EQ(*edited, makeState({"a much longer host.invalid", "", "pass phrase"}));
}

TEST(SrtTextsInState, RefusesStatesWithoutTexts) {
  EXPECT_FALSE(readSrtTexts({}).has_value());
  EXPECT_FALSE(readSrtTexts(std::vector<uint8_t>(96, 0)).has_value());  // plain parameter doubles
  EXPECT_FALSE(readSrtTexts(makeState({"h", "s", "p"}, 1)).has_value());
  std::vector<uint8_t> cut = makeState({"host", "s", "p"});
  for (size_t size : {size_t{8}, size_t{40}, cut.size() - 14}) {
    SCOPED_TRACE(size);
    EXPECT_FALSE(readSrtTexts(std::vector<uint8_t>(cut.begin(), cut.begin() + static_cast<long>(size))).has_value());
    EXPECT_FALSE(withSrtTexts(std::vector<uint8_t>(cut.begin(), cut.begin() + static_cast<long>(size)), {}).has_value());
  }
  // A parameter count far beyond the chunk: 20 bytes of header, the name
  // (4 + 10 bytes) and the modified flag come before it.
  std::vector<uint8_t> hugeCount = cut;
  constexpr size_t kCountAt = 20 + 4 + 10 + 4;
  hugeCount[kCountAt] = 0xFF, hugeCount[kCountAt + 1] = 0xFF, hugeCount[kCountAt + 2] = 0xFF, hugeCount[kCountAt + 3] = 0x7F;
  EXPECT_FALSE(readSrtTexts(hugeCount).has_value());
}

}  // namespace
}  // namespace relaycaster_host
