#pragma once

#include "framework/graphics/IVKnobControl.h"

namespace relaycaster {

/// The framework's vector knob with a dim ring over its whole sweep behind
/// the value arc, so the range reads at a glance even at the minimum.
/// Dragging, double-click and wheel are the vector knob's own.
class RingKnobControl : public framework::IVKnobControl {
 public:
  RingKnobControl(const framework::IRECT& bounds, int paramIdx, const framework::IVStyle& style,
                  const framework::IColor& ringColour, float gearing = 4.f, float trackSize = 2.f);

 protected:
  void DrawIndicatorTrack(framework::IGraphics& g, float angle, float cx, float cy, float radius) override;

 private:
  framework::IColor mRingColour;
};

}  // namespace relaycaster
