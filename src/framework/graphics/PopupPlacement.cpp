#include "framework/graphics/PopupPlacement.h"

#include <algorithm>

namespace framework {

PixelRect PlacePopupInArea(const PixelRect& anchor, int width, int height, const PixelRect& area) {
  const int top = area.y;
  const int bottom = area.y + area.h;
  int y = anchor.y + anchor.h;
  const bool fitsBelow = y + height <= bottom;
  const bool fitsAbove = anchor.y - height >= top;
  if (!fitsBelow && fitsAbove) y = anchor.y - height;
  // Clamping to the far edge first and the near edge last keeps the
  // top-left corner in the area for a popup larger than the area.
  y = std::max(std::min(y, bottom - height), top);
  const int x = std::max(std::min(anchor.x, area.x + area.w - width), area.x);
  return {x, y, width, height};
}

}  // namespace framework
