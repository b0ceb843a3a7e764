// Text conversion at the VST 3 boundary and the bus layout rules.
#include <gtest/gtest.h>

#include <string>

#include "framework/vst3/BusLayout.h"
#include "framework/vst3/Utf16.h"

namespace vst3test {
namespace {

using framework::vst3::BusLayout;
using framework::vst3::ParseChannelIO;
using framework::vst3::Utf16ToUtf8;
using framework::vst3::Utf8ToUtf16;
using Steinberg::char16;
namespace SpeakerArr = Steinberg::Vst::SpeakerArr;

std::string RoundTrip(const std::string& text, int capacity = 128) {
  std::vector<char16> buffer(static_cast<size_t>(capacity), 0x5555);
  Utf8ToUtf16(text, buffer.data(), capacity);
  return Utf16ToUtf8(buffer.data(), capacity);
}

TEST(Utf16, RoundTripsEveryPlane) {
  for (const std::string text : {"", "plain", "40 ms \u00B7 1920", "\u00E9t\u00E9 \u4E2D\u6587", "NDI\u00AE \U0001F3A7"})
    EXPECT_EQ(RoundTrip(text), text);
  char16 units[8];
  Utf8ToUtf16("\u00B7", units, 8);
  EXPECT_EQ(units[0], 0x00B7);  // the middle dot is one unit, not two bytes
  EXPECT_EQ(units[1], 0);
  Utf8ToUtf16("\U0001F3A7", units, 8);
  EXPECT_EQ(units[0], 0xD83C);
  EXPECT_EQ(units[1], 0xDFA7);
}

TEST(Utf16, CutsLongTextsAtACharacterBoundary) {
  EXPECT_EQ(RoundTrip(std::string(300, 'x')), std::string(127, 'x'));  // a String128 keeps 127 and the terminator
  // A surrogate pair that would not fit whole is left out, not split.
  EXPECT_EQ(RoundTrip(std::string(126, 'x') + "\U0001F3A7"), std::string(126, 'x'));
  EXPECT_EQ(RoundTrip("abc", 1), "");
  Utf8ToUtf16("abc", nullptr, 10);  // no buffer: nothing happens
}

TEST(Utf16, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(RoundTrip("a\xFF" "b"), "a\uFFFD" "b");
  // One replacement per malformed sequence.
  EXPECT_EQ(RoundTrip("\xC0\xAF"), "\uFFFD");         // overlong '/'
  EXPECT_EQ(RoundTrip("\xED\xA0\x80"), "\uFFFD");     // an encoded surrogate
  EXPECT_EQ(RoundTrip("\xF4\x90\x80\x80"), "\uFFFD");  // above U+10FFFF
  EXPECT_EQ(RoundTrip("\xE2\x82"), "\uFFFD");         // cut short
  EXPECT_EQ(RoundTrip("\xE2\x82x"), "\uFFFDx");       // cut short, then more text
  const char16 lonely[] = {'a', 0xD800, 'b', 0xDC00, 0};
  EXPECT_EQ(Utf16ToUtf8(lonely, 16), "a\uFFFD" "b\uFFFD");
  const char16 unterminated[] = {'a', 'b', 'c'};
  EXPECT_EQ(Utf16ToUtf8(unterminated, 3), "abc");
  EXPECT_EQ(Utf16ToUtf8(nullptr, 3), "");
}

TEST(BusLayout, ParsesChannelPairsAndSkipsGarbage) {
  EXPECT_EQ(ParseChannelIO("1-1 2-2"), (std::vector<std::pair<int, int>>{{1, 1}, {2, 2}}));
  EXPECT_EQ(ParseChannelIO("  0-2\t2-6 "), (std::vector<std::pair<int, int>>{{0, 2}, {2, 6}}));
  EXPECT_TRUE(ParseChannelIO("").empty());
  EXPECT_TRUE(ParseChannelIO(nullptr).empty());
  EXPECT_TRUE(ParseChannelIO("2 -1-1 1- -1 a-b 1-1x 99-1").empty());
}

TEST(BusLayout, AcceptsOnlyListedPairsAndDefaultsToTheWidest) {
  BusLayout layout("1-1 2-2");
  EXPECT_EQ(layout.InputArrangement(), SpeakerArr::kStereo);
  EXPECT_EQ(layout.OutputChannels(), 2);
  EXPECT_EQ(layout.MaxChannels(), 2);
  EXPECT_TRUE(layout.Request(SpeakerArr::kMono, SpeakerArr::kMono));
  EXPECT_EQ(layout.InputChannels(), 1);
  EXPECT_FALSE(layout.Request(SpeakerArr::kMono, SpeakerArr::kStereo));
  EXPECT_FALSE(layout.Request(SpeakerArr::k51, SpeakerArr::k51));
  EXPECT_EQ(layout.OutputArrangement(), SpeakerArr::kMono);  // refusals change nothing
  layout.SetInputActive(false);
  EXPECT_EQ(layout.ConnectedInputChannels(), 0);
  EXPECT_EQ(layout.ConnectedOutputChannels(), 1);

  BusLayout fallback("nonsense");
  EXPECT_TRUE(fallback.Request(SpeakerArr::kStereo, SpeakerArr::kStereo));
  EXPECT_EQ(BusLayout::DefaultArrangement(4), Steinberg::Vst::SpeakerArrangement{0xF});
}

}  // namespace
}  // namespace vst3test
