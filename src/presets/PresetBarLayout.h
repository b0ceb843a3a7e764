#pragma once

// Where the preset bar's parts stand inside its rectangle, and which part
// a point hits. Plain arithmetic, no drawing: the bar recomputes it from
// its bounds whenever it needs it, and tests check it without a window.
#include <array>

#include "framework/graphics/IGraphicsTypes.h"

namespace brightwold::controls {

/// The bar's parts. Hit testing tries Previous to Delete, then Menu.
enum PresetBarZone {
  kZoneNone = 0,
  kZonePrevious = 1,
  kZoneName = 2,
  kZoneNext = 3,
  kZoneSave = 4,
  kZoneSaveAs = 5,
  kZoneDelete = 6,
  kZoneMenu = 7,
};
inline constexpr int kPresetBarZoneCount = 8;

/// What the layout depends on besides the bounds.
struct PresetBarGeometry {
  /// Multiplies the name field's (210) and the entry field's (220) width limits.
  float scale = 1.f;
  float leftInset = 28.f;
  float rightInset = 28.f;
  /// Whether the bar has a menu button (the open-menu action is bound).
  bool hasMenu = false;
};

/// The zones of a bar. All zones share one row, inset vertically by `edge`;
/// the arrows and the menu button are squares of `square`.
struct PresetBarLayout {
  static PresetBarLayout Compute(const framework::IRECT& bounds, const PresetBarGeometry& geometry);

  /// The zone under a point (left and top edges inclusive), kZoneNone if none.
  int HitTest(float x, float y) const;
  const framework::IRECT& Zone(int zone) const { return zones.at(static_cast<size_t>(zone)); }
  /// The name field less `edge` on the left and right: where the name is written.
  framework::IRECT NameTextArea() const;
  /// The "Save as" entry: centred on the name field, as tall as the zones,
  /// max(scale × 220, name field width) wide.
  framework::IRECT SaveAsEntryRect() const;

  std::array<framework::IRECT, kPresetBarZoneCount> zones{};  // [kZoneNone] stays empty
  float edge = 0.f;    // vertical inset of the row (e)
  float square = 0.f;  // side of an arrow or the menu button (f)
  float scale = 1.f;
  bool hasMenu = false;
};

}  // namespace brightwold::controls
