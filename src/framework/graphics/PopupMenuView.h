#pragma once

// An open popup menu: item geometry, highlighting and keyboard/mouse
// navigation (no window of its own; the platform shows what Draw paints).
#include <functional>
#include <string_view>
#include <vector>

#include "framework/graphics/DrawingBackend.h"
#include "framework/graphics/IPopupMenu.h"

namespace framework {

/// Geometry: rows of kItemHeight (separators kSeparatorHeight) between
/// kVerticalPadding above and below; a check-mark column, then the text;
/// the width follows the widest text, at least kMinWidth. A menu taller
/// than kMaxHeight (a folder of a thousand presets) shows kMaxHeight of
/// itself and scrolls with the wheel and the keyboard.
class PopupMenuView {
 public:
  static constexpr float kItemHeight = 22.f;
  static constexpr float kSeparatorHeight = 9.f;
  static constexpr float kVerticalPadding = 4.f;
  static constexpr float kTextLeft = 24.f;  // the check mark sits left of it
  static constexpr float kTextRightMargin = 16.f;
  static constexpr float kMinWidth = 120.f;
  static constexpr float kMaxHeight = 440.f;  // 20 rows; at 2x still within a 1080-pixel screen

  /// Measured with `measure` (text width in design units for the menu's style).
  using Measure = std::function<float(std::string_view)>;
  enum class Result { Open, Chosen, Dismissed };

  PopupMenuView(const IPopupMenu& menu, const Measure& measure);

  /// Width and height of the menu in design units.
  float Width() const { return mWidth; }
  float Height() const { return mHeight; }
  /// The item under a point (menu-local design units), or -1.
  int ItemAt(float x, float y) const;
  /// An item's row, menu-local at the current scroll position (an empty
  /// rectangle for an index out of range).
  IRECT ItemRect(int index) const;
  /// How far the rows are scrolled up, in design units.
  float Scroll() const { return mScroll; }
  /// Scrolls by wheel notches (positive: towards the top); true when it moved.
  bool OnWheel(float notches);
  int Highlighted() const { return mHighlighted; }
  /// The index chosen (valid after Result::Chosen).
  int Chosen() const { return mChosen; }

  /// Highlights the choosable item under the mouse; true when that changed.
  bool OnMouseMove(float x, float y);
  /// A press outside the menu dismisses it; inside, nothing yet.
  Result OnMouseDown(float x, float y);
  /// A release over a choosable item chooses it (also without a press in
  /// the menu: press on the opening button, drag, release); anywhere else
  /// nothing happens.
  Result OnMouseUp(float x, float y);
  /// Up/Down move over choosable items (wrapping), Home/End jump, Return
  /// chooses the highlighted one, Escape dismisses.
  Result OnKey(const KeyPress& key, bool& redraw);

  /// Draws the whole menu at (0, 0): background, border, items with check
  /// marks, disabled items dim, separators, the highlighted item lit.
  void Draw(DrawingBackend& g) const;

  static TextStyle ItemStyle();

 private:
  bool Inside(float x, float y) const { return x >= 0.f && x < mWidth && y >= 0.f && y < mHeight; }
  /// The next choosable item from `from` in `step` direction, wrapping; -1 when there is none.
  int NextChoosable(int from, int step) const;
  bool SetHighlighted(int index);
  /// Scrolls so the highlighted row is in view.
  void RevealHighlighted();
  bool ScrollTo(float scroll);
  void DrawItem(DrawingBackend& g, int index) const;
  void DrawScrollMarks(DrawingBackend& g) const;

  struct Row {
    float top = 0.f;
    float bottom = 0.f;
  };

  const IPopupMenu& mMenu;
  std::vector<Row> mRows;
  float mWidth = 0.f;
  float mHeight = 0.f;
  float mContentHeight = 0.f;  // all rows and both paddings
  float mScroll = 0.f;
  int mHighlighted = -1;
  int mChosen = -1;
};

}  // namespace framework
