#pragma once

// Where a popup menu's window goes on the screen, and the screen scale for
// a dpi value: arithmetic every window system shares.
#include "framework/graphics/IGraphicsTypes.h"

namespace framework {

/// Where a popup of `width` × `height` goes for an anchor given in screen
/// coordinates, inside `area` (the screen, or the monitor's work area
/// without the task bar, which may lie anywhere on a virtual desktop of
/// several monitors): its top-left at the anchor's bottom-left; above the
/// anchor when it does not fit below but fits above; then moved as little
/// as needed to stay inside the area (a popup larger than the area keeps
/// its top-left corner in it).
PixelRect PlacePopupInArea(const PixelRect& anchor, int width, int height, const PixelRect& area);

/// The screen scale for a dpi value: dpi / 96, the dpi both X clients and
/// Windows treat as 100 %.
inline double ScreenScaleFromDpi(double dpi) { return dpi / 96.0; }

}  // namespace framework
