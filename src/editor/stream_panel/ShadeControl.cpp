#include "editor/stream_panel/ShadeControl.h"

#include "framework/graphics/IGraphics.h"

namespace relaycaster::stream_panel {

ShadeControl::ShadeControl(const framework::IRECT& bounds, Predicate shown, const framework::IColor& colour)
    : IControl(bounds), mPredicate(std::move(shown)), mColour(colour) {
  SetIgnoreMouse(true);
}

bool ShadeControl::IsDirty() {
  const bool shown = mPredicate && mPredicate();
  const bool changed = shown != mShown;
  mShown = shown;
  return changed || IControl::IsDirty();
}

void ShadeControl::Draw(framework::IGraphics& g) {
  if (!mShown) return;
  const framework::IBlend blend = GetBlend();
  g.FillRect(mColour, GetRECT(), &blend);
}

}  // namespace relaycaster::stream_panel
