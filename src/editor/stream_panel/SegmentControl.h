#pragma once

#include <string>
#include <vector>

#include "framework/graphics/IControl.h"

namespace relaycaster::stream_panel {

/// The geometry of a row of segments, apart from drawing: segment i starts
/// after the widths of the ones before it plus a 6-unit gap after each.
struct SegmentLayout {
  static constexpr float kGap = 6.f;

  framework::IRECT bounds;
  std::vector<float> widths;

  /// Segment i's rectangle, the full height of the row; all zeros for an index out of range.
  framework::IRECT SegmentRect(int index) const;
  /// The segment under a point (left and top inclusive), or -1 in a gap or outside.
  int SegmentAt(float x, float y) const;
  /// The selected segment for a normalised value: value × (n - 1), rounded half away from zero.
  static int SelectedIndex(double value, int count);
  /// The normalised value that selects segment i.
  static double ValueOf(int index, int count);
};

/// A row of pill-shaped choices for a list parameter: the selected one
/// filled with the accent, the others outlined. A left click on another
/// segment selects it as one edit gesture; a click in a gap does nothing.
class SegmentControl : public framework::IControl {
 public:
  struct Colours {
    framework::IColor accent;
    framework::IColor outline;
    framework::IColor unselectedText;
  };

  SegmentControl(const framework::IRECT& bounds, int paramIdx, std::vector<std::string> labels,
                 std::vector<float> widths, const framework::TextStyle& style, const Colours& colours);

  void OnMouseDown(float x, float y, const framework::IMouseMod& mod) override;
  void Draw(framework::IGraphics& g) override;

  int SelectedIndex() const { return SegmentLayout::SelectedIndex(GetValue(), static_cast<int>(mLabels.size())); }

 private:
  std::vector<std::string> mLabels;
  SegmentLayout mLayout;
  framework::TextStyle mStyle;
  Colours mColours;
};

}  // namespace relaycaster::stream_panel
