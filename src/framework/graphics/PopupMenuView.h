#pragma once

// An open popup menu: item geometry, highlighting and keyboard/mouse
// navigation (no window of its own; the platform shows what Draw paints).
#include <functional>
#include <string_view>
#include <vector>

#include "framework/graphics/DrawingBackend.h"
#include "framework/graphics/IPopupMenu.h"

namespace framework {

class PopupMenuView {
 public:
  /// Measured with `measure` (text width in design units for the menu's style).
  using Measure = std::function<float(std::string_view)>;
  enum class Result { Open, Chosen, Dismissed };

  PopupMenuView(const IPopupMenu& menu, const Measure& measure);

  /// Width and height of the menu in design units.
  float Width() const { return mWidth; }
  float Height() const { return mHeight; }
  /// The item under a point (menu-local design units), or -1.
  int ItemAt(float x, float y) const;
  int Highlighted() const { return mHighlighted; }
  /// The index chosen (valid after Result::Chosen).
  int Chosen() const { return mChosen; }

  /// Highlights the choosable item under the mouse; true when that changed.
  bool OnMouseMove(float x, float y);
  /// A press outside the menu dismisses it; inside, nothing yet.
  Result OnMouseDown(float x, float y);
  /// A release over a choosable item chooses it.
  Result OnMouseUp(float x, float y);
  /// Up/Down move over choosable items (wrapping), Home/End jump, Return
  /// chooses the highlighted one, Escape dismisses.
  Result OnKey(const KeyPress& key, bool& redraw);

  /// Draws the whole menu at (0, 0): background, border, items with check
  /// marks, disabled items dim, separators, the highlighted item lit.
  void Draw(DrawingBackend& g) const;

  static TextStyle ItemStyle();

 private:
  struct Row {
    float top = 0.f;
    float bottom = 0.f;
  };

  const IPopupMenu& mMenu;
  std::vector<Row> mRows;
  float mWidth = 0.f;
  float mHeight = 0.f;
  int mHighlighted = -1;
  int mChosen = -1;
};

}  // namespace framework
