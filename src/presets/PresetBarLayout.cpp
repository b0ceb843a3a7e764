#include "presets/PresetBarLayout.h"

#include <algorithm>

namespace brightwold::controls {

using framework::IRECT;

namespace {

constexpr float kNameFieldWidth = 210.f;
constexpr float kEntryWidth = 220.f;

}  // namespace

// Everything scales with the bar's height: the arrows are squares that fill
// the row, and the gaps and button widths are fractions of them, so a
// taller bar is the same picture enlarged. Only the name field gives way
// when the bar is too narrow for its full width.
PresetBarLayout PresetBarLayout::Compute(const IRECT& bounds, const PresetBarGeometry& geometry) {
  PresetBarLayout layout;
  layout.scale = geometry.scale;
  layout.hasMenu = geometry.hasMenu;

  const float height = bounds.H();
  const float e = std::max(2.f, 0.18f * height);
  const float f = height - 2.f * e;
  const float gap = 0.5f * f;
  const float smallGap = 0.16f * f;
  const float button = 3.4f * f;
  layout.edge = e;
  layout.square = f;
  const float top = bounds.T + e;
  const float bottom = bounds.B - e;
  auto zone = [&](float left, float right) { return IRECT(left, top, right, bottom); };

  float right = bounds.R - geometry.rightInset;
  if (geometry.hasMenu) {
    // The icon is drawn small inside its square, so the square stands a
    // little past the inset to line the bars up with the edge visually.
    layout.zones[kZoneMenu] = zone(right - f + 0.27f * f, right + 0.27f * f);
    right = layout.zones[kZoneMenu].L - gap;
  }

  // The previous arrow's triangle starts inside its square; pulling the
  // square left lines the triangle's tip up with the left inset.
  const float x0 = bounds.L + geometry.leftInset - 0.28f * f;
  const float fixed = 2.f * f + gap + 3.f * button + 2.f * smallGap;
  const float nameWidth = std::min(geometry.scale * kNameFieldWidth + fixed, right - x0) - fixed;
  const float n = x0 + f + std::max(f, nameWidth);

  layout.zones[kZonePrevious] = zone(x0, x0 + f);
  layout.zones[kZoneName] = zone(x0 + f, n);
  layout.zones[kZoneNext] = zone(n, n + f);
  const float save = n + f + gap;
  layout.zones[kZoneSave] = zone(save, save + button);
  const float saveAs = save + button + smallGap;
  layout.zones[kZoneSaveAs] = zone(saveAs, saveAs + button);
  const float remove = saveAs + button + smallGap;
  layout.zones[kZoneDelete] = zone(remove, remove + button);
  return layout;
}

int PresetBarLayout::HitTest(float x, float y) const {
  for (int z = kZonePrevious; z <= kZoneDelete; ++z)
    if (Zone(z).Contains(x, y)) return z;
  const IRECT& menu = Zone(kZoneMenu);
  if (hasMenu && !menu.NoArea() && menu.Contains(x, y)) return kZoneMenu;
  return kZoneNone;
}

IRECT PresetBarLayout::NameTextArea() const {
  const IRECT& name = Zone(kZoneName);
  return {name.L + edge, name.T, name.R - edge, name.B};
}

IRECT PresetBarLayout::SaveAsEntryRect() const {
  const IRECT& name = Zone(kZoneName);
  const float width = std::max(scale * kEntryWidth, name.W());
  return {name.MW() - 0.5f * width, name.T, name.MW() + 0.5f * width, name.B};
}

}  // namespace brightwold::controls
