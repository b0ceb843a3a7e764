#include "framework/graphics/PopupMenuView.h"

#include <algorithm>
#include <cmath>

namespace framework {
namespace {

// Near-black against the editor's (10, 10, 10) window, with off-white ink.
constexpr IColor kBackground{255, 28, 28, 28};
constexpr IColor kInk{255, 250, 250, 250};
constexpr IColor kBorder = kInk.WithAlpha(60);
constexpr IColor kHighlight = kInk.WithAlpha(20);
constexpr IColor kSeparator = kInk.WithAlpha(40);
constexpr int kDisabledAlpha = 107;
constexpr float kSeparatorInset = 8.f;
constexpr float kCheckLeft = 9.f;

}  // namespace

TextStyle PopupMenuView::ItemStyle() {
  TextStyle style;
  style.font = "Roboto-Regular";
  style.size = 12.f;
  style.fg = kInk;
  style.align = EAlign::Near;
  style.valign = EVAlign::Middle;
  return style;
}

PopupMenuView::PopupMenuView(const IPopupMenu& menu, const Measure& measure) : mMenu(menu) {
  float widest = 0.f;
  float y = kVerticalPadding;
  for (int i = 0; i < menu.NItems(); ++i) {
    const IPopupMenu::Item& item = menu.GetItem(i);
    const float height = item.separator ? kSeparatorHeight : kItemHeight;
    mRows.push_back({y, y + height});
    y += height;
    if (!item.separator && measure) {
      const float w = measure(item.text);
      if (std::isfinite(w)) widest = std::max(widest, w);
    }
  }
  mContentHeight = y + kVerticalPadding;
  mHeight = std::min(mContentHeight, kMaxHeight);
  mWidth = std::max(kMinWidth, std::ceil(kTextLeft + widest + kTextRightMargin));
}

int PopupMenuView::ItemAt(float x, float visibleY) const {
  if (!Inside(x, visibleY)) return -1;
  const float y = visibleY + mScroll;
  // Rows are few and sorted; the first whose bottom lies below y holds it.
  const auto row = std::find_if(mRows.begin(), mRows.end(), [&](const Row& r) { return y < r.bottom; });
  if (row == mRows.end() || y < row->top) return -1;  // the padding above or below the rows
  return static_cast<int>(row - mRows.begin());
}

IRECT PopupMenuView::ItemRect(int index) const {
  if (index < 0 || index >= static_cast<int>(mRows.size())) return {};
  const Row& row = mRows[static_cast<size_t>(index)];
  return {0.f, row.top - mScroll, mWidth, row.bottom - mScroll};
}

bool PopupMenuView::ScrollTo(float scroll) {
  const float clamped = std::clamp(scroll, 0.f, mContentHeight - mHeight);
  if (clamped == mScroll) return false;
  mScroll = clamped;
  return true;
}

bool PopupMenuView::OnWheel(float notches) { return ScrollTo(mScroll - notches * 3.f * kItemHeight); }

void PopupMenuView::RevealHighlighted() {
  if (mHighlighted < 0 || mHighlighted >= static_cast<int>(mRows.size())) return;
  const Row& row = mRows[static_cast<size_t>(mHighlighted)];
  if (row.top - kVerticalPadding < mScroll) ScrollTo(row.top - kVerticalPadding);
  else if (row.bottom + kVerticalPadding > mScroll + mHeight) ScrollTo(row.bottom + kVerticalPadding - mHeight);
}

bool PopupMenuView::SetHighlighted(int index) {
  if (index == mHighlighted) return false;
  mHighlighted = index;
  RevealHighlighted();
  return true;
}

int PopupMenuView::NextChoosable(int from, int step) const {
  const int n = mMenu.NItems();
  for (int k = 1; k <= n; ++k) {
    const int index = ((from + step * k) % n + n) % n;
    if (mMenu.IsChoosable(index)) return index;
  }
  return -1;
}

bool PopupMenuView::OnMouseMove(float x, float y) {
  const int item = ItemAt(x, y);
  return SetHighlighted(mMenu.IsChoosable(item) ? item : -1);
}

PopupMenuView::Result PopupMenuView::OnMouseDown(float x, float y) {
  return Inside(x, y) ? Result::Open : Result::Dismissed;
}

PopupMenuView::Result PopupMenuView::OnMouseUp(float x, float y) {
  const int item = ItemAt(x, y);
  if (!mMenu.IsChoosable(item)) return Result::Open;
  mChosen = item;
  return Result::Chosen;
}

PopupMenuView::Result PopupMenuView::OnKey(const KeyPress& key, bool& redraw) {
  redraw = false;
  const int n = mMenu.NItems();
  switch (key.key) {
    case Key::Down:
      // From nothing highlighted, Down starts at the top and Up at the bottom.
      redraw = SetHighlighted(NextChoosable(mHighlighted < 0 ? -1 : mHighlighted, +1));
      return Result::Open;
    case Key::Up:
      redraw = SetHighlighted(NextChoosable(mHighlighted < 0 ? n : mHighlighted, -1));
      return Result::Open;
    case Key::Home:
      redraw = SetHighlighted(NextChoosable(-1, +1));
      return Result::Open;
    case Key::End:
      redraw = SetHighlighted(NextChoosable(n, -1));
      return Result::Open;
    case Key::Return:
      if (!mMenu.IsChoosable(mHighlighted)) return Result::Open;
      mChosen = mHighlighted;
      return Result::Chosen;
    case Key::Escape:
      return Result::Dismissed;
    default:
      return Result::Open;
  }
}

void PopupMenuView::Draw(DrawingBackend& g) const {
  const IRECT all{0.f, 0.f, mWidth, mHeight};
  g.FillRect(kBackground, all, 1.f);
  // The rows were laid out when the menu opened; a menu changed since draws
  // only what both know. Only rows in view are drawn.
  const int rows = std::min(mMenu.NItems(), static_cast<int>(mRows.size()));
  g.PushClip({0.f, 1.f, mWidth, mHeight - 1.f});
  for (int i = 0; i < rows; ++i) {
    const IRECT row = ItemRect(i);
    if (row.B > 0.f && row.T < mHeight) DrawItem(g, i);
  }
  g.PopClip();
  DrawScrollMarks(g);
  // The border as four one-unit bars: exact pixels at whole scales, no stroke straddling the edge.
  g.FillRect(kBorder, {0.f, 0.f, mWidth, 1.f}, 1.f);
  g.FillRect(kBorder, {0.f, mHeight - 1.f, mWidth, mHeight}, 1.f);
  g.FillRect(kBorder, {0.f, 1.f, 1.f, mHeight - 1.f}, 1.f);
  g.FillRect(kBorder, {mWidth - 1.f, 1.f, mWidth, mHeight - 1.f}, 1.f);
}

// Small triangles at the top and bottom edge say there is more to scroll to.
void PopupMenuView::DrawScrollMarks(DrawingBackend& g) const {
  const float cx = 0.5f * mWidth;
  if (mScroll > 0.f) g.FillTriangle(kInk.WithAlpha(kDisabledAlpha), cx - 4.f, 5.f, cx + 4.f, 5.f, cx, 1.5f, 1.f);
  if (mScroll < mContentHeight - mHeight)
    g.FillTriangle(kInk.WithAlpha(kDisabledAlpha), cx - 4.f, mHeight - 5.f, cx + 4.f, mHeight - 5.f, cx,
                   mHeight - 1.5f, 1.f);
}

void PopupMenuView::DrawItem(DrawingBackend& g, int index) const {
  const IPopupMenu::Item& item = mMenu.GetItem(index);
  const IRECT row = ItemRect(index);
  if (item.separator) {
    const float y = std::floor(row.MH());
    g.FillRect(kSeparator, {kSeparatorInset, y, mWidth - kSeparatorInset, y + 1.f}, 1.f);
    return;
  }
  if (index == mHighlighted) g.FillRect(kHighlight, {1.f, row.T, mWidth - 1.f, row.B}, 1.f);

  const IColor ink = item.enabled ? kInk : kInk.WithAlpha(kDisabledAlpha);
  if (item.checked) {
    // A tick of two strokes, so it needs no glyph from the font.
    const float cy = row.MH();
    g.DrawLine(ink, kCheckLeft, cy, kCheckLeft + 3.5f, cy + 3.5f, 1.5f, 1.f);
    g.DrawLine(ink, kCheckLeft + 3.5f, cy + 3.5f, kCheckLeft + 10.f, cy - 4.f, 1.5f, 1.f);
  }
  g.DrawText(ItemStyle().WithColor(ink), item.text, {kTextLeft, row.T, mWidth - kTextRightMargin, row.B}, 1.f);
}

}  // namespace framework
