// Popup menu geometry, keyboard and mouse navigation, and what it draws.
#include "framework/graphics/PopupMenuView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "CairoProbe.h"
#include "FakeBackend.h"

namespace graphicstest {
namespace {

using framework::IPopupMenu;
using framework::Key;
using framework::KeyPress;
using framework::PopupMenuView;
using Result = PopupMenuView::Result;

float Measure(std::string_view text) { return FakeBackend::WidthOf(text); }

/// 0 "Accent: blue" (checked), 1 separator, 2 "Window 1x", 3 "Window 2x"
/// (disabled), 4 separator, 5 "Check for updates".
IPopupMenu SettingsLikeMenu() {
  IPopupMenu menu;
  menu.AddItem("Accent: blue", true, true);
  menu.AddSeparator();
  menu.AddItem("Window 1x");
  menu.AddItem("Window 2x", false);
  menu.AddSeparator();
  menu.AddItem("Check for updates");
  return menu;
}

Result Key1(PopupMenuView& view, Key key, bool* redraw = nullptr) {
  bool changed = false;
  const Result r = view.OnKey({key, "", false, false, false}, changed);
  if (redraw) *redraw = changed;
  return r;
}

float RowMiddle(const PopupMenuView& view, int index) { return view.ItemRect(index).MH(); }

TEST(PopupMenuView, RowsAndWidthFollowTheItems) {
  const IPopupMenu menu = SettingsLikeMenu();
  const PopupMenuView view(menu, Measure);
  const float widest = Measure("Check for updates");  // 17 characters, 119 units
  EXPECT_FLOAT_EQ(view.Width(), PopupMenuView::kTextLeft + widest + PopupMenuView::kTextRightMargin);
  EXPECT_FLOAT_EQ(view.Height(),
                  2 * PopupMenuView::kVerticalPadding + 4 * PopupMenuView::kItemHeight + 2 * PopupMenuView::kSeparatorHeight);
  EXPECT_LT(view.ItemRect(1).H(), view.ItemRect(0).H());  // separators are thinner
  for (int i = 0; i < menu.NItems(); ++i) EXPECT_EQ(view.ItemAt(10.f, RowMiddle(view, i)), i);
  EXPECT_EQ(view.ItemAt(10.f, 1.f), -1);  // the padding above the first row
  EXPECT_EQ(view.ItemAt(-1.f, RowMiddle(view, 0)), -1);
  EXPECT_EQ(view.ItemAt(view.Width(), RowMiddle(view, 0)), -1);
  EXPECT_EQ(view.ItemRect(99), framework::IRECT{});

  IPopupMenu narrow;
  narrow.AddItem("On");
  EXPECT_FLOAT_EQ(PopupMenuView(narrow, Measure).Width(), PopupMenuView::kMinWidth);
  IPopupMenu empty;
  const PopupMenuView none(empty, Measure);
  EXPECT_FLOAT_EQ(none.Width(), PopupMenuView::kMinWidth);
  EXPECT_FLOAT_EQ(none.Height(), 2 * PopupMenuView::kVerticalPadding);
}

TEST(PopupMenuView, ArrowsSkipSeparatorsAndDisabledItemsAndWrap) {
  const IPopupMenu menu = SettingsLikeMenu();
  PopupMenuView view(menu, Measure);
  EXPECT_EQ(view.Highlighted(), -1);
  bool redraw = false;
  std::vector<int> downs;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Key1(view, Key::Down, &redraw), Result::Open);
    EXPECT_TRUE(redraw);
    downs.push_back(view.Highlighted());
  }
  EXPECT_EQ(downs, (std::vector<int>{0, 2, 5, 0}));
  Key1(view, Key::Up);
  EXPECT_EQ(view.Highlighted(), 5);  // wrapped backwards
  Key1(view, Key::Up);
  EXPECT_EQ(view.Highlighted(), 2);  // over the separator and the disabled item

  Key1(view, Key::End);
  EXPECT_EQ(view.Highlighted(), 5);
  Key1(view, Key::End, &redraw);
  EXPECT_FALSE(redraw);  // already there
  Key1(view, Key::Home);
  EXPECT_EQ(view.Highlighted(), 0);

  PopupMenuView fresh(menu, Measure);
  Key1(fresh, Key::Up);
  EXPECT_EQ(fresh.Highlighted(), 5);  // Up from nothing starts at the bottom
}

TEST(PopupMenuView, AMenuWithNothingChoosableStaysDark) {
  IPopupMenu menu;
  menu.AddItem("Off", false);
  menu.AddSeparator();
  PopupMenuView view(menu, Measure);
  for (Key key : {Key::Down, Key::Up, Key::Home, Key::End}) {
    bool redraw = true;
    EXPECT_EQ(Key1(view, key, &redraw), Result::Open);
    EXPECT_FALSE(redraw);
    EXPECT_EQ(view.Highlighted(), -1);
  }
  EXPECT_EQ(Key1(view, Key::Return), Result::Open);
  IPopupMenu empty;
  PopupMenuView none(empty, Measure);
  EXPECT_EQ(Key1(none, Key::Down), Result::Open);
  EXPECT_EQ(none.OnMouseUp(5.f, 5.f), Result::Open);
}

TEST(PopupMenuView, ReturnChoosesTheHighlightedItemAndEscapeDismisses) {
  const IPopupMenu menu = SettingsLikeMenu();
  PopupMenuView view(menu, Measure);
  EXPECT_EQ(Key1(view, Key::Return), Result::Open);  // nothing highlighted yet
  EXPECT_EQ(view.Chosen(), -1);
  Key1(view, Key::Down);
  Key1(view, Key::Down);
  EXPECT_EQ(Key1(view, Key::Return), Result::Chosen);
  EXPECT_EQ(view.Chosen(), 2);

  PopupMenuView other(menu, Measure);
  EXPECT_EQ(Key1(other, Key::Tab), Result::Open);
  bool redraw = true;
  EXPECT_EQ(other.OnKey({Key::Character, "x", false, false, false}, redraw), Result::Open);
  EXPECT_FALSE(redraw);
  EXPECT_EQ(Key1(other, Key::Escape), Result::Dismissed);
  EXPECT_EQ(other.Chosen(), -1);
}

TEST(PopupMenuView, TheMouseHighlightsAndAReleaseOverAChoosableItemChooses) {
  const IPopupMenu menu = SettingsLikeMenu();
  PopupMenuView view(menu, Measure);
  EXPECT_TRUE(view.OnMouseMove(20.f, RowMiddle(view, 2)));
  EXPECT_EQ(view.Highlighted(), 2);
  EXPECT_FALSE(view.OnMouseMove(30.f, RowMiddle(view, 2)));  // same item: no redraw
  EXPECT_TRUE(view.OnMouseMove(20.f, RowMiddle(view, 3)));    // disabled: nothing lit
  EXPECT_EQ(view.Highlighted(), -1);
  view.OnMouseMove(20.f, RowMiddle(view, 0));
  EXPECT_TRUE(view.OnMouseMove(view.Width() + 5.f, 10.f));  // left the menu
  EXPECT_EQ(view.Highlighted(), -1);

  // A press inside and a release on a disabled item or a separator do nothing.
  EXPECT_EQ(view.OnMouseDown(20.f, RowMiddle(view, 3)), Result::Open);
  EXPECT_EQ(view.OnMouseUp(20.f, RowMiddle(view, 3)), Result::Open);
  EXPECT_EQ(view.OnMouseUp(20.f, RowMiddle(view, 1)), Result::Open);
  EXPECT_EQ(view.OnMouseUp(20.f, view.Height() + 3.f), Result::Open);
  EXPECT_EQ(view.Chosen(), -1);

  EXPECT_EQ(view.OnMouseDown(20.f, RowMiddle(view, 5)), Result::Open);
  EXPECT_EQ(view.OnMouseUp(20.f, RowMiddle(view, 5)), Result::Chosen);
  EXPECT_EQ(view.Chosen(), 5);
}

TEST(PopupMenuView, APressOutsideDismisses) {
  const IPopupMenu menu = SettingsLikeMenu();
  PopupMenuView view(menu, Measure);
  for (auto [x, y] : {std::pair{-1.f, 10.f}, {10.f, -0.5f}, {view.Width(), 10.f}, {10.f, view.Height()}})
    EXPECT_EQ(view.OnMouseDown(x, y), Result::Dismissed) << x << "," << y;
  EXPECT_EQ(view.OnMouseDown(0.f, 0.f), Result::Open);  // the border is inside
}

TEST(PopupMenuView, DrawsRowsChecksAndDimItems) {
  const IPopupMenu menu = SettingsLikeMenu();
  PopupMenuView view(menu, Measure);
  view.OnMouseMove(20.f, RowMiddle(view, 5));
  FakeBackend g;
  view.Draw(g);

  ASSERT_FALSE(g.fills.empty());
  EXPECT_EQ(g.fills.front().colour, (framework::IColor{255, 28, 28, 28}));
  EXPECT_EQ(g.fills.front().rect, (framework::IRECT{0.f, 0.f, view.Width(), view.Height()}));
  const auto lit = std::find_if(g.fills.begin(), g.fills.end(), [](const FakeBackend::Fill& f) {
    return f.colour == framework::IColor{20, 250, 250, 250};
  });
  ASSERT_NE(lit, g.fills.end());
  EXPECT_FLOAT_EQ(lit->rect.T, view.ItemRect(5).T);
  EXPECT_FLOAT_EQ(lit->rect.B, view.ItemRect(5).B);

  ASSERT_EQ(g.texts.size(), 4u);  // separators have no text
  EXPECT_EQ(g.texts[0].text, "Accent: blue");
  EXPECT_EQ(g.texts[0].style.font, "Roboto-Regular");
  EXPECT_EQ(g.texts[0].style.fg.A, 255);
  EXPECT_EQ(g.texts[2].text, "Window 2x");
  EXPECT_LT(g.texts[2].style.fg.A, 128);  // disabled: dim
  for (const auto& t : g.texts) EXPECT_GE(t.rect.L, PopupMenuView::kTextLeft);

  // The check mark is drawn with lines, in the checked row, left of the text.
  ASSERT_FALSE(g.lines.empty());
  for (const auto& l : g.lines) {
    EXPECT_GE(std::min(l.y1, l.y2), view.ItemRect(0).T);
    EXPECT_LE(std::max(l.y1, l.y2), view.ItemRect(0).B);
    EXPECT_LT(std::max(l.x1, l.x2), PopupMenuView::kTextLeft);
  }
}

TEST(PopupMenuView, PixelsOfTheMenuOnCairo) {
  const IPopupMenu menu = SettingsLikeMenu();
  PopupMenuView view(menu, Measure);
  bool redraw = false;
  view.OnKey({Key::Down, "", false, false, false}, redraw);
  view.OnKey({Key::Down, "", false, false, false}, redraw);  // "Window 1x"
  const float scale = 1.5f;
  auto g = CairoSurface(view.Width(), view.Height(), scale);
  ASSERT_NE(g, nullptr);
  view.Draw(*g);

  // Right of every text, where only the row's own colour shows.
  const float x = view.Width() - 6.f;
  const framework::IColor plain = PixelAt(*g, x, RowMiddle(view, 0));
  const framework::IColor lit = PixelAt(*g, x, RowMiddle(view, 2));
  EXPECT_TRUE(Near(plain, {255, 28, 28, 28})) << Describe(plain);
  EXPECT_TRUE(Near(lit, {255, 45, 45, 45})) << Describe(lit);  // off-white at alpha 20 over the background
  const framework::IColor border = PixelAt(*g, 0.f, RowMiddle(view, 2));
  EXPECT_TRUE(Near(border, {255, 80, 80, 80})) << Describe(border);

  // The check mark has ink in the checked row's check column, none in the others'.
  auto inkIn = [&](int row) {
    const framework::IRECT r = view.ItemRect(row);
    for (float y = r.T + 1.f; y < r.B - 1.f; y += 0.5f)
      for (float cx = 6.f; cx < PopupMenuView::kTextLeft - 2.f; cx += 0.5f)
        if (PixelAt(*g, cx, y).R > 120) return true;
    return false;
  };
  EXPECT_TRUE(inkIn(0));
  EXPECT_FALSE(inkIn(2));
}

TEST(PopupMenuView, ALongMenuShowsPartOfItselfAndScrollsToWhatIsChosen) {
  IPopupMenu menu;
  for (int i = 0; i < 1000; ++i) menu.AddItem("Preset " + std::to_string(i));
  PopupMenuView view(menu, Measure);
  EXPECT_FLOAT_EQ(view.Height(), PopupMenuView::kMaxHeight);
  EXPECT_EQ(view.ItemAt(20.f, RowMiddle(view, 0)), 0);

  // The keyboard keeps the highlighted row in view, at both ends.
  Key1(view, Key::End);
  EXPECT_EQ(view.Highlighted(), 999);
  EXPECT_GT(view.ItemRect(999).T, 0.f);
  EXPECT_LE(view.ItemRect(999).B, view.Height());
  EXPECT_EQ(view.ItemAt(20.f, RowMiddle(view, 999)), 999);
  Key1(view, Key::Down);  // wraps to the top
  EXPECT_EQ(view.Highlighted(), 0);
  EXPECT_FLOAT_EQ(view.Scroll(), 0.f);

  // The wheel scrolls three rows a notch and stops at the ends.
  EXPECT_FALSE(view.OnWheel(1.f));
  EXPECT_TRUE(view.OnWheel(-1.f));
  EXPECT_EQ(view.ItemAt(20.f, RowMiddle(view, 3)), 3);
  EXPECT_EQ(view.ItemAt(20.f, PopupMenuView::kVerticalPadding + 1.f), 3);
  while (view.OnWheel(-100.f)) {
  }
  EXPECT_LE(view.ItemRect(999).B, view.Height());
  EXPECT_EQ(view.OnMouseUp(20.f, RowMiddle(view, 998)), Result::Chosen);
  EXPECT_EQ(view.Chosen(), 998);
}

}  // namespace
}  // namespace graphicstest
