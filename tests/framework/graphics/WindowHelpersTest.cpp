// Window-system arithmetic every platform view shares: typed UTF-16 units
// joined into characters, and where a popup menu goes in a monitor's
// work area.
#include <gtest/gtest.h>

#include <string>

#include "framework/graphics/PopupPlacement.h"
#include "framework/graphics/Utf16Joiner.h"

namespace framework {
namespace {

std::string Typed(Utf16Joiner& joiner, std::initializer_list<uint16_t> units) {
  std::string text;
  for (uint16_t unit : units) text += joiner.Push(unit);
  return text;
}

TEST(Utf16Joiner, JoinsSurrogatePairsAndPassesEveryOtherCharacter) {
  Utf16Joiner joiner;
  EXPECT_EQ(joiner.Push(u'a'), "a");
  EXPECT_EQ(joiner.Push(0x00E9), "\xC3\xA9");      // é
  EXPECT_EQ(joiner.Push(0x20AC), "\xE2\x82\xAC");  // €
  EXPECT_EQ(joiner.Push(0xD83C), "");              // the first half of 🎙 waits
  EXPECT_EQ(joiner.Push(0xDF99), "\xF0\x9F\x8E\x99");
  // An input method's result arrives as a run of units, pairs among them.
  EXPECT_EQ(Typed(joiner, {0x65E5, 0xD840, 0xDC0B, 0x672C}), "\xE6\x97\xA5\xF0\xA0\x80\x8B\xE6\x9C\xAC");
}

TEST(Utf16Joiner, ControlCodesGiveNothingAndUnpairedHalvesBecomeReplacements) {
  Utf16Joiner joiner;
  // Return, Tab, Backspace, Escape, Ctrl+A and DEL come as key presses of their own.
  EXPECT_EQ(Typed(joiner, {0x0D, 0x09, 0x08, 0x1B, 0x01, 0x7F, 0x9B}), "");
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(joiner.Push(0xDC00), replacement);                       // a second half alone
  EXPECT_EQ(Typed(joiner, {0xD800, u'x'}), replacement + "x");       // a first half without its partner
  EXPECT_EQ(Typed(joiner, {0xD800, 0xD801, 0xDC00}), replacement + "\xF0\x90\x90\x80");  // the later first half pairs
  joiner.Push(0xD800);
  joiner.Reset();  // the keyboard went elsewhere meanwhile
  EXPECT_EQ(joiner.Push(0xDC00), replacement);
  EXPECT_EQ(Utf8FromCodePoint(0x110000), replacement);
  EXPECT_EQ(Utf8FromCodePoint(0x10FFFF), "\xF4\x8F\xBF\xBF");
}

TEST(PlacePopupInArea, StaysInAWorkAreaAnywhereOnTheVirtualDesktop) {
  // A monitor left of the primary one, its task bar at the bottom (work area 1040 high).
  const PixelRect work{-1920, 0, 1920, 1040};
  EXPECT_EQ(PlacePopupInArea({-1800, 100, 50, 20}, 160, 300, work), (PixelRect{-1800, 120, 160, 300}));
  // No room below the anchor above the task bar: above it.
  EXPECT_EQ(PlacePopupInArea({-1800, 900, 50, 20}, 160, 300, work), (PixelRect{-1800, 600, 160, 300}));
  // Past the area's left and right edges: moved in.
  EXPECT_EQ(PlacePopupInArea({-1950, 100, 50, 20}, 160, 300, work).x, -1920);
  EXPECT_EQ(PlacePopupInArea({-60, 100, 50, 20}, 160, 300, work).x, -160);
  // A work area that starts below a task bar at the top.
  const PixelRect below{0, 40, 1920, 1040};
  EXPECT_EQ(PlacePopupInArea({10, 50, 50, 20}, 160, 1000, below), (PixelRect{10, 70, 160, 1000}));
  EXPECT_EQ(PlacePopupInArea({10, 50, 50, 20}, 160, 2000, below).y, 40);  // larger than the area: its top in it
  EXPECT_DOUBLE_EQ(ScreenScaleFromDpi(120.0), 1.25);  // Windows' 125 %
  EXPECT_DOUBLE_EQ(ScreenScaleFromDpi(96.0), 1.0);
}

}  // namespace
}  // namespace framework
