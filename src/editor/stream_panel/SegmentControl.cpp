#include "editor/stream_panel/SegmentControl.h"

#include <cmath>

#include "framework/graphics/IGraphics.h"

namespace relaycaster::stream_panel {

using framework::IRECT;

IRECT SegmentLayout::SegmentRect(int index) const {
  if (index < 0 || index >= static_cast<int>(widths.size())) return {};
  float left = bounds.L;
  for (int k = 0; k < index; ++k) left += widths[static_cast<size_t>(k)] + kGap;
  return {left, bounds.T, left + widths[static_cast<size_t>(index)], bounds.B};
}

int SegmentLayout::SegmentAt(float x, float y) const {
  for (int i = 0; i < static_cast<int>(widths.size()); ++i) {
    const IRECT segment = SegmentRect(i);
    if (!segment.Empty() && segment.Contains(x, y)) return i;
  }
  return -1;
}

int SegmentLayout::SelectedIndex(double value, int count) {
  if (count <= 1 || !std::isfinite(value)) return 0;
  return static_cast<int>(std::lround(value * (count - 1)));
}

double SegmentLayout::ValueOf(int index, int count) {
  return count <= 1 ? 0.0 : static_cast<double>(index) / (count - 1);
}

SegmentControl::SegmentControl(const IRECT& bounds, int paramIdx, std::vector<std::string> labels,
                               std::vector<float> widths, const framework::TextStyle& style, const Colours& colours)
    : IControl(bounds, paramIdx),
      mLabels(std::move(labels)),
      mLayout{bounds, std::move(widths)},
      mStyle(style),
      mColours(colours) {
  mLayout.widths.resize(mLabels.size(), 0.f);  // one width per label, whatever the caller passed
}

void SegmentControl::Draw(framework::IGraphics& g) {
  const framework::IBlend blend = GetBlend();
  const float radius = 0.5f * GetRECT().H();
  const int selected = SelectedIndex();
  for (int i = 0; i < static_cast<int>(mLabels.size()); ++i) {
    const IRECT segment = mLayout.SegmentRect(i);
    const std::string& label = mLabels[static_cast<size_t>(i)];
    if (i == selected) {
      g.FillRoundRect(mColours.accent.WithAlpha(56), segment, radius, &blend);
      g.DrawRoundRect(mColours.accent, segment, radius, &blend, 1.f);
      g.DrawText(mStyle, label, segment, &blend);
    } else {
      g.DrawRoundRect(mColours.outline, segment, radius, &blend, 1.f);
      g.DrawText(mStyle.WithColor(mColours.unselectedText), label, segment, &blend);
    }
  }
}

void SegmentControl::OnMouseDown(float x, float y, const framework::IMouseMod& mod) {
  if (!mod.L) return;
  const int hit = mLayout.SegmentAt(x, y);
  if (hit < 0 || hit == SelectedIndex()) return;
  SetValue(SegmentLayout::ValueOf(hit, static_cast<int>(mLabels.size())));
  SetDirty(true);
}

}  // namespace relaycaster::stream_panel
