// Key presses through xkbcommon with keymaps made from rule names (no X
// server): layouts, Shift, Control's unshifted letters, dead keys.
#include "framework/graphics/XKeyboard_linux.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <gtest/gtest.h>

namespace {

using framework::Key;
using framework::KeyPress;
using framework::XKeyboard;

// evdev key codes as the X server numbers them (Linux code + 8).
constexpr uint8_t kEscape = 9;
constexpr uint8_t kAcuteKey = 21;  // right of ß on a German keyboard
constexpr uint8_t kTab = 23;
constexpr uint8_t kE = 26;
constexpr uint8_t kReturn = 36;
constexpr uint8_t kControl = 37;
constexpr uint8_t kA = 38;
constexpr uint8_t kShift = 50;
constexpr uint8_t kZ = 52;  // "y" on a German keyboard
constexpr uint8_t kHome = 110;
constexpr uint8_t kLeft = 113;
constexpr uint8_t kBackspace = 22;
constexpr uint8_t kDelete = 119;

KeyPress Tap(XKeyboard& keyboard, uint8_t key) {
  keyboard.UpdateKey(key, true);
  KeyPress press = keyboard.Translate(key);
  keyboard.UpdateKey(key, false);
  return press;
}

KeyPress TapWith(XKeyboard& keyboard, uint8_t modifier, uint8_t key) {
  keyboard.UpdateKey(modifier, true);
  KeyPress press = Tap(keyboard, key);
  keyboard.UpdateKey(modifier, false);
  return press;
}

TEST(XKeyboard, TypesCharactersWithAndWithoutShift) {
  XKeyboard keyboard("us", "", "en_US.UTF-8");
  ASSERT_TRUE(keyboard.Ready());
  KeyPress a = Tap(keyboard, kA);
  EXPECT_EQ(a.key, Key::Character);
  EXPECT_EQ(a.text, "a");
  EXPECT_FALSE(a.shift);
  KeyPress capital = TapWith(keyboard, kShift, kA);
  EXPECT_EQ(capital.text, "A");
  EXPECT_TRUE(capital.shift);
}

TEST(XKeyboard, NamedKeysCarryTheirModifiers) {
  XKeyboard keyboard("us", "", "en_US.UTF-8");
  EXPECT_EQ(Tap(keyboard, kReturn).key, Key::Return);
  EXPECT_EQ(Tap(keyboard, kEscape).key, Key::Escape);
  EXPECT_EQ(Tap(keyboard, kTab).key, Key::Tab);
  EXPECT_EQ(Tap(keyboard, kBackspace).key, Key::Backspace);
  EXPECT_EQ(Tap(keyboard, kDelete).key, Key::Delete);
  EXPECT_EQ(Tap(keyboard, kHome).key, Key::Home);
  const KeyPress shiftLeft = TapWith(keyboard, kShift, kLeft);
  EXPECT_EQ(shiftLeft.key, Key::Left);
  EXPECT_TRUE(shiftLeft.shift);
  EXPECT_TRUE(shiftLeft.text.empty());
}

TEST(XKeyboard, ControlGivesTheUnshiftedLetterOfTheLayout) {
  XKeyboard us("us", "", "en_US.UTF-8");
  const KeyPress copy = TapWith(us, kControl, kA);
  EXPECT_EQ(copy.key, Key::Character);
  EXPECT_EQ(copy.text, "a");
  EXPECT_TRUE(copy.ctrl);
  // The same key is "y" on a German keyboard: its shortcut follows the layout.
  XKeyboard de("de", "", "de_DE.UTF-8");
  ASSERT_TRUE(de.Ready());
  EXPECT_EQ(TapWith(de, kControl, kZ).text, "y");
  EXPECT_EQ(Tap(de, kZ).text, "y");
}

TEST(XKeyboard, ModifiersAloneTypeNothing) {
  XKeyboard keyboard("us", "", "en_US.UTF-8");
  EXPECT_EQ(Tap(keyboard, kShift).key, Key::None);
  EXPECT_EQ(Tap(keyboard, kControl).key, Key::None);
}

TEST(XKeyboard, DeadKeyComposesWithTheNextKeyFromTheLocalesTable) {
  XKeyboard de("de", "", "de_DE.UTF-8");
  EXPECT_EQ(Tap(de, kAcuteKey).key, Key::None);  // waits for its partner
  const KeyPress composed = Tap(de, kE);
  EXPECT_EQ(composed.key, Key::Character);
  EXPECT_EQ(composed.text, "\xC3\xA9");  // é
  EXPECT_EQ(Tap(de, kE).text, "e");      // the sequence is over
}

TEST(XKeyboard, UnknownLocaleStillTypesPlainKeys) {
  XKeyboard keyboard("us", "", "xx_NOWHERE.KOI-8");
  ASSERT_TRUE(keyboard.Ready());
  EXPECT_EQ(Tap(keyboard, kA).text, "a");
}

TEST(MakeKeyPress, ControlCharactersAreNotText) {
  EXPECT_EQ(framework::MakeKeyPress(XKB_KEY_a, "\x01", "a", false, false, false).key, Key::None);
  EXPECT_EQ(framework::MakeKeyPress(XKB_KEY_F1, "", "", false, false, false).key, Key::None);
  EXPECT_EQ(framework::MakeKeyPress(XKB_KEY_KP_Enter, "\r", "\r", false, false, false).key, Key::Return);
  const KeyPress euro = framework::MakeKeyPress(XKB_KEY_EuroSign, "\xE2\x82\xAC", "e", false, false, true);
  EXPECT_EQ(euro.text, "\xE2\x82\xAC");  // AltGr+E on many layouts
  EXPECT_TRUE(euro.alt);
}

}  // namespace
