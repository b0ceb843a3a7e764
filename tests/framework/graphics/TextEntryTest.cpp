// The text entry's editing model through key presses and inserts, and the
// entry layer's layout through a back end that measures 7 units a character.
#include "framework/graphics/TextEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeBackend.h"

namespace graphicstest {
namespace {

using framework::Key;
using framework::KeyPress;
using framework::TextEntryModel;
using Outcome = TextEntryModel::Outcome;

KeyPress Press(Key key, bool shift = false) { return {key, "", shift, false, false}; }
KeyPress Type(std::string text) { return {Key::Character, std::move(text), false, false, false}; }
KeyPress Ctrl(std::string letter, bool shift = false) { return {Key::Character, std::move(letter), shift, true, false}; }

Outcome Send(TextEntryModel& m, const KeyPress& key) { return m.HandleKey(key).outcome; }

void TypeAll(TextEntryModel& m, const std::vector<std::string>& keys) {
  for (const std::string& k : keys) Send(m, Type(k));
}

bool OnBoundary(const std::string& text, size_t offset) {
  return offset == text.size() || (offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) != 0x80);
}

// --- typing and caret ---------------------------------------------------------------

TEST(TextEntryModel, TypesAtTheCaretAndMovesByCharacter) {
  TextEntryModel m("", 32);
  EXPECT_EQ(Send(m, Type("a")), Outcome::Changed);
  TypeAll(m, {"b", "c"});
  EXPECT_EQ(m.Text(), "abc");
  EXPECT_EQ(m.Caret(), 3u);

  EXPECT_EQ(Send(m, Press(Key::Left)), Outcome::None);
  Send(m, Press(Key::Left));
  Send(m, Type("X"));
  EXPECT_EQ(m.Text(), "aXbc");
  Send(m, Press(Key::Home));
  Send(m, Type("<"));
  Send(m, Press(Key::End));
  Send(m, Type(">"));
  EXPECT_EQ(m.Text(), "<aXbc>");

  // The edges hold: nothing moves past them.
  Send(m, Press(Key::Right));
  EXPECT_EQ(m.Caret(), m.Text().size());
  Send(m, Press(Key::Home));
  Send(m, Press(Key::Left));
  EXPECT_EQ(m.Caret(), 0u);
}

TEST(TextEntryModel, TakesSeveralCharactersFromOneKey) {
  // Input methods and compose sequences deliver a whole string at once.
  TextEntryModel m("x", 32);
  EXPECT_EQ(Send(m, Type("\u00E7a \u4E2D")), Outcome::Changed);
  EXPECT_EQ(m.Text(), "x\u00E7a \u4E2D");
  EXPECT_EQ(m.CharCount(), 5);
  EXPECT_EQ(Send(m, Type("")), Outcome::None);
}

TEST(TextEntryModel, ArrowsStepOverWholeMultiByteCharacters) {
  const std::string text = "a\u00E9\u20AC\U0001D11E";  // 1, 2, 3 and 4 bytes
  TextEntryModel m(text, 32);
  std::vector<size_t> seen{m.Caret()};
  for (int i = 0; i < 6; ++i) {
    Send(m, Press(Key::Left));
    seen.push_back(m.Caret());
  }
  EXPECT_EQ(seen, (std::vector<size_t>{10, 6, 3, 1, 0, 0, 0}));
  for (size_t expected : {1u, 3u, 6u, 10u, 10u}) {
    Send(m, Press(Key::Right));
    EXPECT_EQ(m.Caret(), expected);
  }
  // A caret put inside a character goes back to its start.
  for (size_t offset = 0; offset <= text.size() + 3; ++offset) {
    m.SetCaret(offset, false);
    EXPECT_TRUE(OnBoundary(m.Text(), m.Caret())) << offset;
    EXPECT_LE(m.Caret(), offset);
  }
  m.SetCaret(4, false);
  EXPECT_EQ(m.Caret(), 3u);
}

// --- selection ---------------------------------------------------------------------

TEST(TextEntryModel, ShiftExtendsAndPlainArrowsCollapseTheSelection) {
  TextEntryModel m("hello", 32);
  Send(m, Press(Key::Left, true));
  Send(m, Press(Key::Left, true));
  EXPECT_EQ(m.SelectedText(), "lo");
  EXPECT_EQ(m.SelectionStart(), 3u);
  EXPECT_EQ(m.SelectionEnd(), 5u);

  Send(m, Press(Key::Home, true));
  EXPECT_EQ(m.SelectedText(), "hello");
  Send(m, Press(Key::Right));  // collapses to the end of the selection
  EXPECT_FALSE(m.HasSelection());
  EXPECT_EQ(m.Caret(), 5u);

  Send(m, Press(Key::Home));
  Send(m, Press(Key::Right, true));
  Send(m, Press(Key::End, true));
  EXPECT_EQ(m.SelectedText(), "hello");  // the anchor stayed at the start
  Send(m, Press(Key::Left));             // collapses to the start
  EXPECT_EQ(m.Caret(), 0u);
  EXPECT_FALSE(m.HasSelection());

  Send(m, Press(Key::End));
  Send(m, Press(Key::Left, true));
  Send(m, Press(Key::Right, true));  // shrinking back to nothing
  EXPECT_FALSE(m.HasSelection());
}

TEST(TextEntryModel, TypingReplacesTheSelection) {
  TextEntryModel m("srt://old.example:9000", 64);
  m.SelectAll();
  Send(m, Type("n"));
  EXPECT_EQ(m.Text(), "n");
  EXPECT_EQ(m.Caret(), 1u);
  EXPECT_FALSE(m.HasSelection());
}

TEST(TextEntryModel, BackspaceAndDeleteRemoveTheSelectionOrOneCharacter) {
  TextEntryModel m("a\u00E9\u20ACb", 32);
  Send(m, Press(Key::Left));
  EXPECT_EQ(Send(m, Press(Key::Backspace)), Outcome::Changed);  // the euro sign, all three bytes
  EXPECT_EQ(m.Text(), "a\u00E9b");
  Send(m, Press(Key::Home));
  Send(m, Press(Key::Right));
  EXPECT_EQ(Send(m, Press(Key::Delete)), Outcome::Changed);  // the e acute
  EXPECT_EQ(m.Text(), "ab");
  EXPECT_EQ(m.Caret(), 1u);

  EXPECT_EQ(Send(m, Press(Key::End)), Outcome::None);
  EXPECT_EQ(Send(m, Press(Key::Delete)), Outcome::None);  // nothing after the caret
  Send(m, Press(Key::Home));
  EXPECT_EQ(Send(m, Press(Key::Backspace)), Outcome::None);  // nothing before it

  m.SelectAll();
  EXPECT_EQ(Send(m, Press(Key::Delete)), Outcome::Changed);
  EXPECT_EQ(m.Text(), "");
  EXPECT_EQ(m.Caret(), 0u);
}

// --- shortcuts and keys that do nothing ------------------------------------------------

TEST(TextEntryModel, ClipboardShortcutsReportTheSelectedText) {
  TextEntryModel m("host:9000", 64);
  EXPECT_EQ(Send(m, Ctrl("c")), Outcome::None);  // nothing selected: the clipboard stays as it was
  EXPECT_EQ(Send(m, Ctrl("x")), Outcome::None);

  for (int i = 0; i < 4; ++i) Send(m, Press(Key::Left, true));
  const auto copy = m.HandleKey(Ctrl("c"));
  EXPECT_EQ(copy.outcome, Outcome::Copy);
  EXPECT_EQ(copy.clipboardText, "9000");
  EXPECT_EQ(m.Text(), "host:9000");

  const auto cut = m.HandleKey(Ctrl("X", true));  // Shift held: the letter still counts
  EXPECT_EQ(cut.outcome, Outcome::Cut);
  EXPECT_EQ(cut.clipboardText, "9000");
  EXPECT_EQ(m.Text(), "host:");

  const auto paste = m.HandleKey(Ctrl("v"));
  EXPECT_EQ(paste.outcome, Outcome::PasteClipboard);
  EXPECT_EQ(m.Text(), "host:");  // the owner inserts the clipboard's text later
  EXPECT_TRUE(m.Insert("7001"));
  EXPECT_EQ(m.Text(), "host:7001");

  EXPECT_EQ(Send(m, Ctrl("a")), Outcome::None);
  EXPECT_EQ(m.SelectedText(), "host:7001");
}

TEST(TextEntryModel, ModifiedLettersAndOtherKeysAreNeverTyped) {
  TextEntryModel m("ab", 32);
  for (const char* letter : {"b", "z", "1", "\u00E9", ""}) EXPECT_EQ(Send(m, Ctrl(letter)), Outcome::None) << letter;
  EXPECT_EQ(Send(m, {Key::Character, "x", false, false, true}), Outcome::None);  // Alt+x
  EXPECT_EQ(Send(m, {Key::Left, "", false, false, true}), Outcome::None);
  EXPECT_EQ(m.Caret(), 2u);
  for (Key key : {Key::Tab, Key::Up, Key::Down, Key::None}) EXPECT_EQ(Send(m, Press(key)), Outcome::None);
  EXPECT_EQ(m.Text(), "ab");
  // Ctrl+Alt is how AltGr arrives on Windows: it types.
  EXPECT_EQ(Send(m, {Key::Character, "\u20AC", false, true, true}), Outcome::Changed);
  EXPECT_EQ(m.Text(), "ab\u20AC");
}

TEST(TextEntryModel, ReturnCommitsAndEscapeAbandons) {
  TextEntryModel m("value", 32);
  EXPECT_EQ(Send(m, Press(Key::Return)), Outcome::Commit);
  EXPECT_EQ(Send(m, Press(Key::Escape)), Outcome::Abandon);
  EXPECT_EQ(m.Text(), "value");
}

// --- the length limit and what Insert keeps ----------------------------------------------

TEST(TextEntryModel, TheLimitCountsCharactersNotBytes) {
  TextEntryModel m("a\u00E9\u20AC", 3);  // 6 bytes, 3 characters: full
  EXPECT_EQ(m.CharCount(), 3);
  EXPECT_EQ(Send(m, Type("x")), Outcome::None);
  EXPECT_EQ(m.Text(), "a\u00E9\u20AC");
  EXPECT_FALSE(m.Insert("\u00FC"));

  // With a selection, the selected characters make room.
  Send(m, Press(Key::Left, true));
  EXPECT_EQ(Send(m, Type("xy")), Outcome::Changed);
  EXPECT_EQ(m.Text(), "a\u00E9x");

  TextEntryModel paste("", 3);
  EXPECT_TRUE(paste.Insert("ab\U0001D11Ec"));
  EXPECT_EQ(paste.Text(), "ab\U0001D11E");
  EXPECT_EQ(paste.Caret(), paste.Text().size());

  // Whole characters only, however many bytes each takes.
  TextEntryModel two("", 2);
  two.Insert("\u20AC\u20AC\u20AC");
  EXPECT_EQ(two.Text(), "\u20AC\u20AC");
}

TEST(TextEntryModel, InitialTextIsCutToTheLimit) {
  EXPECT_EQ(TextEntryModel("\u00E9\u00E9\u00E9\u00E9", 2).Text(), "\u00E9\u00E9");
  EXPECT_EQ(TextEntryModel("abc", 0).Text(), "");
  TextEntryModel none("abc", -5);
  EXPECT_EQ(none.Text(), "");
  EXPECT_EQ(none.MaxChars(), 0);
  EXPECT_FALSE(none.Insert("x"));
  TextEntryModel full("abc", 10);
  EXPECT_EQ(full.Caret(), 3u);
  EXPECT_FALSE(full.HasSelection());
}

TEST(TextEntryModel, InsertKeepsOneLineOfValidText) {
  TextEntryModel m("", 64);
  m.Insert("a\nb\tc\r\nd\re");
  EXPECT_EQ(m.Text(), "a b c d e");  // a Windows line break is one space

  TextEntryModel controls("", 64);
  controls.Insert(std::string("x\x01\x1B\x7F") + '\0' + "y\u0085z");  // C0, DEL, NUL, C1
  EXPECT_EQ(controls.Text(), "xyz");

  TextEntryModel bad("", 64);
  bad.Insert("a\xFF" "b\xC0\xAF" "c\xED\xA0\x80" "d\xE2\x82");
  EXPECT_EQ(bad.Text(), "a\uFFFD" "b\uFFFD\uFFFD" "c\uFFFD\uFFFD\uFFFD" "d\uFFFD");
  EXPECT_EQ(TextEntryModel("\xF4\x90\x80\x80", 8).Text(), "\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
  EXPECT_EQ(TextEntryModel("\xE2\x82x", 8).Text(), "\uFFFDx");  // cut short, then more text

  // Only control characters: the selection survives.
  TextEntryModel keep("abc", 64);
  keep.SelectAll();
  EXPECT_FALSE(keep.Insert("\x01\x02"));
  EXPECT_EQ(keep.SelectedText(), "abc");
}

TEST(TextEntryModel, AHugePasteFillsTheFieldAndStops) {
  std::string address = "srt://relay.example.org:9000?streamid=";
  while (address.size() < (1u << 20)) address += "#!::r=live/feed,m=publish\n";
  TextEntryModel m("", 255);
  EXPECT_TRUE(m.Insert(address));
  EXPECT_EQ(m.CharCount(), 255);
  std::string expected = address.substr(0, 255);
  std::replace(expected.begin(), expected.end(), '\n', ' ');
  EXPECT_EQ(m.Text(), expected);
  EXPECT_EQ(m.Caret(), 255u);
  EXPECT_FALSE(m.Insert(address));
}

TEST(TextEntryModel, CaretAndSelectionStayOnBoundariesThroughAnyKeys) {
  TextEntryModel m("\u00E9\U0001F3A7a\u20AC", 6);
  const std::vector<KeyPress> keys = {
      Press(Key::Left, true), Type("\u00FC\u00FC"), Press(Key::Home), Press(Key::Right, true), Press(Key::Delete),
      Ctrl("x"),              Type("\U0001F3A7z"),  Press(Key::End),  Press(Key::Backspace),    Press(Key::Left, true),
      Ctrl("a"),              Press(Key::Right),    Type("\xF0\x9F"), Press(Key::Left),         Press(Key::Right, true)};
  for (size_t round = 0; round < 5; ++round) {
    for (const KeyPress& key : keys) {
      m.HandleKey(key);
      const std::string& t = m.Text();
      ASSERT_TRUE(OnBoundary(t, m.Caret()));
      ASSERT_TRUE(OnBoundary(t, m.SelectionStart()));
      ASSERT_TRUE(OnBoundary(t, m.SelectionEnd()));
      ASSERT_LE(m.CharCount(), 6);
    }
  }
}

}  // namespace
}  // namespace graphicstest
