// The text entry's editing model through key presses and inserts, and the
// entry layer's layout through a back end that measures 7 units a character.
#include "framework/graphics/TextEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "CairoProbe.h"
#include "FakeBackend.h"
#include "framework/graphics/IControl.h"

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

// --- the layer: layout, drawing and the mouse ---------------------------------------------

using framework::IColor;
using framework::IRECT;
using framework::TextEntryLayer;

struct Field final : framework::IControl {
  Field() : IControl({100.f, 10.f, 300.f, 30.f}) {}
  void Draw(framework::IGraphics&) override {}
};

framework::TextStyle EntryStyle(framework::EAlign align = framework::EAlign::Near) {
  framework::TextStyle style;
  style.size = 12.f;
  style.entryBg = {255, 30, 30, 30};
  style.entryFg = {255, 250, 250, 250};
  style.align = align;
  return style;
}

const IRECT kBounds{100.f, 10.f, 300.f, 30.f};  // 192 units of room inside the padding
constexpr float kRoomLeft = 104.f;
constexpr float kRoomRight = 296.f;

/// The caret as drawn: the last one-unit-wide fill in the entry's foreground colour.
const FakeBackend::Fill* DrawnCaret(const FakeBackend& g) {
  for (auto it = g.fills.rbegin(); it != g.fills.rend(); ++it)
    if (it->colour == IColor{255, 250, 250, 250} && it->rect.W() == 1.f) return &*it;
  return nullptr;
}

TEST(TextEntryLayer, OpensSelectedAndDrawsBackgroundSelectionTextAndCaret) {
  Field field;
  TextEntryLayer entry(field, EntryStyle(), kBounds, "abc", 32, 3);
  EXPECT_EQ(entry.ValIdx(), 3);
  EXPECT_EQ(&entry.Owner(), &field);
  EXPECT_EQ(entry.Model().SelectedText(), "abc");

  FakeBackend g;
  entry.Draw(g);
  ASSERT_GE(g.fills.size(), 3u);
  EXPECT_EQ(g.fills[0].colour, (IColor{255, 30, 30, 30}));
  EXPECT_EQ(g.fills[0].rect, kBounds);
  EXPECT_EQ(g.fills[1].colour, (IColor{70, 250, 250, 250}));  // the selection, behind the text
  EXPECT_FLOAT_EQ(g.fills[1].rect.L, kRoomLeft);
  EXPECT_FLOAT_EQ(g.fills[1].rect.R, kRoomLeft + 21.f);
  ASSERT_EQ(g.texts.size(), 1u);
  EXPECT_EQ(g.texts[0].text, "abc");
  EXPECT_EQ(g.texts[0].style.fg, (IColor{255, 250, 250, 250}));
  EXPECT_EQ(g.texts[0].style.font, "Roboto-Regular");
  EXPECT_FLOAT_EQ(g.texts[0].style.size, 12.f);
  EXPECT_FLOAT_EQ(g.texts[0].rect.L, kRoomLeft);
  const FakeBackend::Fill* caret = DrawnCaret(g);
  ASSERT_NE(caret, nullptr);
  EXPECT_FLOAT_EQ(caret->rect.L, kRoomLeft + 21.f);
  EXPECT_GT(caret->rect.H(), 10.f);
  EXPECT_LE(caret->rect.B, kBounds.B);
  ASSERT_EQ(g.clips.size(), 1u);
  EXPECT_EQ(g.clips[0], kBounds);
  EXPECT_EQ(g.clipDepth, 0);
}

TEST(TextEntryLayer, CentredTextStaysCentredWhileItFits) {
  Field field;
  TextEntryLayer entry(field, EntryStyle(framework::EAlign::Center), kBounds, "-3.0", 16, -1);
  FakeBackend g;
  entry.Draw(g);
  EXPECT_FLOAT_EQ(g.texts[0].rect.L, 200.f - 14.f);
  entry.Model().HandleKey(Press(Key::End));
  entry.Model().HandleKey(Type("5"));
  g.Clear();
  entry.Draw(g);
  EXPECT_FLOAT_EQ(g.texts[0].rect.L, 200.f - 17.5f);
  EXPECT_FLOAT_EQ(DrawnCaret(g)->rect.L, 218.f);  // 217.5 on the next whole pixel

  TextEntryLayer right(field, EntryStyle(framework::EAlign::Far), kBounds, "dB", 16, -1);
  g.Clear();
  right.Draw(g);
  EXPECT_FLOAT_EQ(g.texts[0].rect.L, kRoomRight - 14.f);
}

TEST(TextEntryLayer, LongTextScrollsToKeepTheCaretInView) {
  Field field;
  const std::string address = "srt://relay.example.org:9000?streamid=live/feed";  // 47 characters, 329 units
  for (auto align : {framework::EAlign::Near, framework::EAlign::Center}) {
    TextEntryLayer entry(field, EntryStyle(align), kBounds, address, 255, -1);
    FakeBackend g;
    entry.Model().HandleKey(Press(Key::End));
    const float atEnd = entry.CaretX(g);
    EXPECT_LE(atEnd + 1.f, kRoomRight);
    EXPECT_GT(atEnd, kRoomRight - 2.f);
    EXPECT_GT(entry.Scroll(), 0.f);
    entry.Draw(g);
    EXPECT_LT(g.texts[0].rect.L, kRoomLeft);

    // One character back: still in view, so nothing scrolls.
    const float scroll = entry.Scroll();
    entry.Model().HandleKey(Press(Key::Left));
    EXPECT_FLOAT_EQ(entry.CaretX(g), atEnd - 7.f);
    EXPECT_FLOAT_EQ(entry.Scroll(), scroll);

    entry.Model().HandleKey(Press(Key::Home));
    EXPECT_FLOAT_EQ(entry.CaretX(g), kRoomLeft);
    EXPECT_FLOAT_EQ(entry.Scroll(), 0.f);

    // Deleting back to a short text brings it home again.
    entry.Model().SelectAll();
    entry.Model().Insert("ab");
    EXPECT_FLOAT_EQ(entry.CaretX(g), align == framework::EAlign::Near ? kRoomLeft + 14.f : 207.f);
    EXPECT_FLOAT_EQ(entry.Scroll(), 0.f);
  }
}

TEST(TextEntryLayer, OffsetAtFindsTheNearestCharacterBoundary) {
  Field field;
  TextEntryLayer entry(field, EntryStyle(), kBounds, "a\u00E9\u20AC\U0001F3A7", 32, -1);
  FakeBackend g;
  EXPECT_EQ(entry.OffsetAt(0.f, g), 0u);
  EXPECT_EQ(entry.OffsetAt(kRoomLeft + 3.f, g), 0u);
  EXPECT_EQ(entry.OffsetAt(kRoomLeft + 4.f, g), 1u);
  EXPECT_EQ(entry.OffsetAt(kRoomLeft + 7.f * 1.4f, g), 1u);
  EXPECT_EQ(entry.OffsetAt(kRoomLeft + 7.f * 1.6f, g), 3u);   // after the two-byte e acute
  EXPECT_EQ(entry.OffsetAt(kRoomLeft + 7.f * 2.9f, g), 6u);   // after the euro sign
  EXPECT_EQ(entry.OffsetAt(kRoomLeft + 7.f * 3.6f, g), 10u);  // after the emoji
  EXPECT_EQ(entry.OffsetAt(1000.f, g), 10u);
  EXPECT_EQ(entry.OffsetAt(std::nanf(""), g), 0u);

  TextEntryLayer empty(field, EntryStyle(), kBounds, "", 32, -1);
  EXPECT_EQ(empty.OffsetAt(200.f, g), 0u);
  g.Clear();
  empty.Draw(g);
  EXPECT_TRUE(g.texts.empty());
  EXPECT_FLOAT_EQ(DrawnCaret(g)->rect.L, kRoomLeft);
}

TEST(TextEntryLayer, OffsetAtFollowsTheScroll) {
  Field field;
  const std::string digits(60, '7');  // 420 units
  TextEntryLayer entry(field, EntryStyle(), kBounds, digits, 255, -1);
  FakeBackend g;
  entry.Model().HandleKey(Press(Key::End));
  entry.Draw(g);
  const float scroll = entry.Scroll();
  EXPECT_EQ(entry.OffsetAt(kRoomLeft, g), static_cast<size_t>(std::lround(scroll / 7.f)));
  EXPECT_EQ(entry.OffsetAt(kRoomRight, g), 60u);
}

TEST(TextEntryLayer, PressPlacesTheCaretShiftExtendsAndDragSelects) {
  Field field;
  TextEntryLayer entry(field, EntryStyle(), kBounds, "host.example", 64, -1);
  FakeBackend g;
  framework::IMouseMod plain;
  entry.OnMouseDown(kRoomLeft + 7.f * 4, 20.f, plain, g);
  EXPECT_EQ(entry.Model().Caret(), 4u);
  EXPECT_FALSE(entry.Model().HasSelection());
  entry.OnMouseDrag(kRoomLeft + 7.f * 12 + 2.f, 20.f, g);
  EXPECT_EQ(entry.Model().SelectedText(), ".example");
  entry.OnMouseDrag(kRoomLeft - 30.f, 40.f, g);  // past the left edge and below
  EXPECT_EQ(entry.Model().SelectedText(), "host");

  entry.OnMouseDown(kRoomLeft + 7.f * 2, 20.f, plain, g);
  framework::IMouseMod shift;
  shift.S = true;
  entry.OnMouseDown(kRoomLeft + 7.f * 6, 20.f, shift, g);
  EXPECT_EQ(entry.Model().SelectedText(), "st.e");
}

TEST(TextEntryLayer, TheCaretSitsOnWholePixelsWhenScaled) {
  Field field;
  TextEntryLayer entry(field, EntryStyle(framework::EAlign::Center), kBounds, "abc", 16, -1);
  FakeBackend g;
  g.SetSurface(300, 60, 1.5f, 0.f, 0.f);
  entry.Model().HandleKey(Press(Key::End));
  const float x = entry.CaretX(g);  // 210.5 units, 315.75 pixels
  EXPECT_FLOAT_EQ(x * 1.5f, std::round(x * 1.5f));
  EXPECT_NEAR(x, 210.5f, 1.f / 1.5f);
}

TEST(TextEntryLayer, PixelsOfTheEntryOnCairo) {
  const float scale = 2.f;
  auto g = CairoSurface(320.f, 40.f, scale);
  ASSERT_NE(g, nullptr);
  Field field;
  TextEntryLayer entry(field, EntryStyle(), kBounds, "srt://host", 255, -1);
  entry.Model().HandleKey(Press(Key::End));
  entry.Draw(*g);

  const IColor background{255, 30, 30, 30};
  EXPECT_TRUE(Near(PixelAt(*g, 290.f, 12.f), background)) << Describe(PixelAt(*g, 290.f, 12.f));
  EXPECT_EQ(PixelAt(*g, 99.f, 20.f).A, 0);   // nothing outside the bounds
  EXPECT_EQ(PixelAt(*g, 305.f, 20.f).A, 0);
  const float caret = entry.CaretX(*g);
  EXPECT_GT(caret, kRoomLeft + 30.f);  // behind ten characters of real text
  const IColor atCaret = PixelAt(*g, caret + 0.25f, kBounds.MH());
  EXPECT_TRUE(Near(atCaret, {255, 250, 250, 250}, 8)) << Describe(atCaret);
  const IColor pastCaret = PixelAt(*g, caret + 4.f, kBounds.MH());
  EXPECT_TRUE(Near(pastCaret, background)) << Describe(pastCaret);
}

}  // namespace
}  // namespace graphicstest
