// Message box answers from keys and buttons, and its layout with wrapped text.
#include "framework/graphics/MessageBoxView.h"

#include <gtest/gtest.h>

#include <string>

#include "CairoProbe.h"
#include "FakeBackend.h"

namespace graphicstest {
namespace {

using framework::IRECT;
using framework::Key;
using framework::KeyPress;
using framework::MessageBoxView;

const IRECT kEditor{0.f, 0.f, 880.f, 562.f};
constexpr float kInner = MessageBoxView::kWidth - 2 * MessageBoxView::kPadding;

int Send(MessageBoxView& box, Key key, bool shift = false, bool* redraw = nullptr) {
  bool changed = false;
  const int answer = box.OnKey({key, "", shift, false, false}, changed);
  if (redraw) *redraw = changed;
  return answer;
}

TEST(MessageBoxView, KeysAnswerBeforeAndAfterDrawing) {
  MessageBoxView ok("Saved.", "Save preset", framework::kMB_OK, kEditor);
  EXPECT_EQ(Send(ok, Key::Return), framework::kIDOK);
  EXPECT_EQ(Send(ok, Key::Escape), framework::kIDOK);
  bool redraw = true;
  EXPECT_EQ(Send(ok, Key::Tab, false, &redraw), framework::kNoResult);
  EXPECT_FALSE(redraw);  // one button: the focus has nowhere to go
  EXPECT_EQ(ok.DismissAnswer(), framework::kIDOK);

  MessageBoxView question("Replace it?", "Save preset", framework::kMB_YESNO, kEditor);
  EXPECT_EQ(question.DismissAnswer(), framework::kIDNO);
  EXPECT_EQ(Send(question, Key::Return), framework::kIDYES);  // the first button has the focus
  EXPECT_EQ(Send(question, Key::Escape), framework::kIDNO);
  EXPECT_EQ(Send(question, Key::Character), framework::kNoResult);
  EXPECT_EQ(Send(question, Key::Up), framework::kNoResult);
}

TEST(MessageBoxView, FocusMovesBetweenYesAndNo) {
  MessageBoxView box("Replace it?", "Save preset", framework::kMB_YESNO, kEditor);
  bool redraw = false;
  Send(box, Key::Right, false, &redraw);
  EXPECT_TRUE(redraw);
  EXPECT_EQ(box.FocusedButton(), 1);
  Send(box, Key::Right, false, &redraw);
  EXPECT_FALSE(redraw);  // already the last
  EXPECT_EQ(Send(box, Key::Return), framework::kIDNO);
  Send(box, Key::Left);
  EXPECT_EQ(Send(box, Key::Return), framework::kIDYES);
  Send(box, Key::Tab);
  EXPECT_EQ(box.FocusedButton(), 1);
  Send(box, Key::Tab);
  EXPECT_EQ(box.FocusedButton(), 0);  // wrapped
  Send(box, Key::Tab, true);
  EXPECT_EQ(box.FocusedButton(), 1);  // Shift+Tab goes back
  EXPECT_EQ(Send(box, Key::Escape), framework::kIDNO);
}

TEST(MessageBoxView, ButtonsAnswerOnlyWhenPressed) {
  MessageBoxView box("Replace the preset \"Warm\"?", "Save preset", framework::kMB_YESNO, kEditor);
  EXPECT_TRUE(box.ButtonRects().empty());
  EXPECT_EQ(box.OnMouseDown(440.f, 281.f), framework::kNoResult);  // before any Draw: nothing to hit
  EXPECT_FALSE(box.OnMouseMove(440.f, 281.f));

  FakeBackend g;
  box.Draw(g);
  ASSERT_EQ(box.ButtonRects().size(), 2u);
  const IRECT yes = box.ButtonRects()[0];
  const IRECT no = box.ButtonRects()[1];
  const IRECT dialog = box.DialogRect();
  EXPECT_LT(yes.R, no.L);
  EXPECT_FLOAT_EQ(no.R, dialog.R - MessageBoxView::kPadding);
  EXPECT_FLOAT_EQ(no.B, dialog.B - MessageBoxView::kPadding);
  EXPECT_FLOAT_EQ(yes.B, no.B);

  EXPECT_TRUE(box.OnMouseMove(no.MW(), no.MH()));
  EXPECT_EQ(box.HoveredButton(), 1);
  EXPECT_FALSE(box.OnMouseMove(no.MW() + 1.f, no.MH()));
  EXPECT_TRUE(box.OnMouseMove(dialog.L + 2.f, dialog.T + 2.f));
  EXPECT_EQ(box.HoveredButton(), -1);

  EXPECT_EQ(box.OnMouseDown(dialog.MW(), dialog.T + 5.f), framework::kNoResult);
  EXPECT_EQ(box.OnMouseDown(5.f, 5.f), framework::kNoResult);  // on the dimmed editor
  EXPECT_EQ(box.OnMouseDown(yes.L + 1.f, yes.T + 1.f), framework::kIDYES);
  EXPECT_EQ(box.OnMouseDown(no.MW(), no.MH()), framework::kIDNO);

  MessageBoxView ok("Done.", "", framework::kMB_OK, kEditor);
  ok.Draw(g);
  ASSERT_EQ(ok.ButtonRects().size(), 1u);
  EXPECT_EQ(ok.OnMouseDown(ok.ButtonRects()[0].MW(), ok.ButtonRects()[0].MH()), framework::kIDOK);
}

TEST(MessageBoxView, TheDialogIsCentredAndGrowsWithTheWrappedText) {
  FakeBackend g;
  MessageBoxView shortBox("One line.", "Caption", framework::kMB_OK, kEditor);
  shortBox.Draw(g);
  const IRECT small = shortBox.DialogRect();
  EXPECT_FLOAT_EQ(small.W(), MessageBoxView::kWidth);
  EXPECT_NEAR(small.MW(), kEditor.MW(), 0.5f);
  EXPECT_NEAR(small.MH(), kEditor.MH(), 0.5f);
  EXPECT_EQ(shortBox.Lines(), (std::vector<std::string>{"One line."}));

  // The whole editor is dimmed first, then the dialog and its texts.
  ASSERT_FALSE(g.fills.empty());
  EXPECT_EQ(g.fills.front().rect, kEditor);
  EXPECT_EQ(g.fills.front().colour.A, 160);
  ASSERT_FALSE(g.texts.empty());
  EXPECT_EQ(g.texts.front().text, "Caption");
  EXPECT_EQ(g.texts.front().style.font, "RobotoCondensed-Bold");
  EXPECT_EQ(g.texts[1].style.font, "Roboto-Regular");
  EXPECT_EQ(g.clipDepth, 0);

  std::string longText;
  for (int i = 0; i < 30; ++i) longText += "could not write /home/user/presets ";
  MessageBoxView longBox(longText, "Save preset", framework::kMB_OK, kEditor);
  longBox.Draw(g);
  EXPECT_GT(longBox.DialogRect().H(), small.H());
  EXPECT_GT(longBox.Lines().size(), 5u);
  for (const std::string& line : longBox.Lines()) EXPECT_LE(FakeBackend::WidthOf(line), kInner) << line;
}

TEST(MessageBoxView, WrapsAtWordsAndKeepsLongWordsWhole) {
  FakeBackend g;
  const std::string path(60, 'p');  // 420 units: wider than a line
  MessageBoxView box("could not read " + path + " at all\n\nsecond paragraph\n", "", framework::kMB_OK, kEditor);
  box.Draw(g);
  EXPECT_EQ(box.Lines(), (std::vector<std::string>{"could not read", path, "at all", "", "second paragraph"}));

  // Every character of a maximal line fits: 46 characters of 7 units in 328.
  const std::string words = "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii j kkkk";  // 51 characters
  MessageBoxView tight(words, "", framework::kMB_OK, kEditor);
  tight.Draw(g);
  EXPECT_EQ(tight.Lines(), (std::vector<std::string>{"aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii j", "kkkk"}));

  MessageBoxView empty("", "", framework::kMB_OK, kEditor);
  empty.Draw(g);
  EXPECT_TRUE(empty.Lines().empty());
  EXPECT_GT(empty.DialogRect().H(), MessageBoxView::kButtonHeight);
}

TEST(MessageBoxView, TextTallerThanTheEditorIsCutWithAnEllipsis) {
  FakeBackend g;
  std::string lines;
  for (int i = 0; i < 200; ++i) lines += "line " + std::to_string(i) + "\n";
  MessageBoxView box(lines, "Report", framework::kMB_OK, kEditor);
  box.Draw(g);
  EXPECT_LT(box.Lines().size(), 200u);
  EXPECT_EQ(box.Lines().back().substr(box.Lines().back().size() - 3), "\u2026");
  EXPECT_GE(box.DialogRect().T, kEditor.T);
  EXPECT_LE(box.DialogRect().B, kEditor.B);
  // The buttons are still inside the editor, so the box can be answered.
  EXPECT_LE(box.ButtonRects()[0].B, kEditor.B);
}

TEST(MessageBoxView, PixelsOfTheBoxOnCairo) {
  auto g = CairoSurface(kEditor.W(), kEditor.H(), 1.f);
  ASSERT_NE(g, nullptr);
  MessageBoxView box("The preset \"Warm\" exists. Replace it?", "Save preset", framework::kMB_YESNO, kEditor);
  box.Draw(*g);
  const IRECT dialog = box.DialogRect();
  const framework::IColor dim = PixelAt(*g, 5.f, 5.f);
  EXPECT_TRUE(Near(dim, {160, 0, 0, 0})) << Describe(dim);
  const framework::IColor inside = PixelAt(*g, dialog.R - 4.f, dialog.T + 4.f);
  EXPECT_TRUE(Near(inside, {255, 28, 28, 28})) << Describe(inside);
  // The caption's ink, in the bold face, at the top left of the dialog.
  bool ink = false;
  for (float y = dialog.T + 16.f; y < dialog.T + 36.f && !ink; y += 1.f)
    for (float x = dialog.L + 16.f; x < dialog.L + 60.f && !ink; x += 1.f) ink = PixelAt(*g, x, y).R > 150;
  EXPECT_TRUE(ink);
}

}  // namespace
}  // namespace graphicstest
