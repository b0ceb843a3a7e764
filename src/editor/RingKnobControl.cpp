#include "editor/RingKnobControl.h"

#include "framework/graphics/IGraphics.h"

namespace relaycaster {

namespace {
constexpr float kStartAngle = -135.f;  // degrees clockwise from twelve o'clock
constexpr float kEndAngle = 135.f;
}  // namespace

RingKnobControl::RingKnobControl(const framework::IRECT& bounds, int paramIdx, const framework::IVStyle& style,
                                 const framework::IColor& ringColour, float gearing, float trackSize)
    : IVKnobControl(bounds, paramIdx, "", style, kStartAngle, kEndAngle, kStartAngle, gearing, trackSize),
      mRingColour(ringColour) {}

void RingKnobControl::DrawIndicatorTrack(framework::IGraphics& g, float angle, float cx, float cy, float radius) {
  if (mTrackSize <= 0.f) return;
  const framework::IBlend blend = GetBlend();
  g.DrawArc(mRingColour, cx, cy, radius, mStartAngle, mEndAngle, &blend, mTrackSize);
  IVKnobControl::DrawIndicatorTrack(g, angle, cx, cy, radius);
}

}  // namespace relaycaster
