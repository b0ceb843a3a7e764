#include "editor/PillToggleControl.h"

#include "framework/graphics/IGraphics.h"

namespace relaycaster {

using framework::IRECT;

PillToggleControl::PillToggleControl(const IRECT& bounds, int paramIdx, const Colours& colours, std::string offText,
                                     std::string onText, const framework::TextStyle& style, bool litWhenOff,
                                     float dotScale)
    : IControl(bounds, paramIdx),
      mColours(colours),
      mOffText(std::move(offText)),
      mOnText(std::move(onText)),
      mStyle(style),
      mDotScale(dotScale),
      mLitWhenOff(litWhenOff) {}

IRECT PillToggleControl::DotRect(const IRECT& bounds, float diameter) {
  const float left = bounds.L + 0.6f * 0.5f * bounds.H();
  const float cy = bounds.MH();
  return {left, cy - 0.5f * diameter, left + diameter, cy + 0.5f * diameter};
}

void PillToggleControl::Draw(framework::IGraphics& g) {
  const framework::IBlend blend = GetBlend();
  const IRECT& r = GetRECT();
  const bool on = GetValue() > 0.5;
  const bool lit = IsLit(GetValue(), mLitWhenOff);
  const float radius = 0.5f * r.H();  // the ends are half circles
  g.FillRoundRect(mColours.fill, r, radius, &blend);
  g.DrawRoundRect(lit ? mColours.litOutline : mColours.outline, r, radius, &blend, 1.f);
  const IRECT dot = DotRect(r, 5.f * mDotScale);
  g.FillEllipse(lit ? mColours.litDot : mColours.dot, dot, &blend);
  // The text names the parameter's state, whichever way the pill is lit.
  g.DrawText(mStyle, on ? mOnText : mOffText, {dot.R, r.T, r.R - 0.6f * radius, r.B}, &blend);
}

void PillToggleControl::OnMouseDown(float, float, const framework::IMouseMod&) {
  SetValue(GetValue() > 0.5 ? 0.0 : 1.0);
  SetDirty(true);
}

}  // namespace relaycaster
