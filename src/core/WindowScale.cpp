#include "core/WindowScale.h"

#include <algorithm>
#include <cmath>

namespace relaycaster {
namespace {

constexpr int kMinWidth = 660;
constexpr int kMinHeight = 429;
constexpr int kMaxWidth = 1760;
constexpr int kMaxHeight = 1144;

int roundHalfAway(double value) { return static_cast<int>(std::llround(value)); }

}  // namespace

bool ConstrainWindowSizeFor(int& width, int& height, float screenScale) {
  // Upper bounds grow with high-density screens; lower bounds never do.
  const int maxWidth = screenScale > 1.0f ? roundHalfAway(screenScale * kMaxWidth) : kMaxWidth;
  const int maxHeight = screenScale > 1.0f ? roundHalfAway(screenScale * kMaxHeight) : kMaxHeight;
  const bool withinBounds = width >= kMinWidth && width <= maxWidth && height >= kMinHeight && height <= maxHeight;

  const int proposedWidth = width;
  const int proposedHeight = height;
  width = std::clamp(width, kMinWidth, maxWidth);
  height = std::clamp(height, kMinHeight, maxHeight);

  // Shorten whichever side is too long for the other, in float like the
  // editor's own arithmetic.
  const float aspect = static_cast<float>(kDesignWidth) / static_cast<float>(kDesignHeight);
  if (static_cast<float>(width) / static_cast<float>(height) > aspect)
    width = roundHalfAway(static_cast<float>(height) * aspect);
  else
    height = roundHalfAway(static_cast<float>(width) / aspect);

  return withinBounds && width == proposedWidth && height == proposedHeight;
}

}  // namespace relaycaster
