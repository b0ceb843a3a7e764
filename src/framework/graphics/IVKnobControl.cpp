#include "framework/graphics/IVKnobControl.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "framework/IParam.h"
#include "framework/graphics/IGraphics.h"

namespace framework {

IVKnobControl::IVKnobControl(const IRECT& bounds, int paramIdx, std::string label, const IVStyle& style,
                             float startAngle, float endAngle, float anchorAngle, float gearing, float trackSize)
    : IControl(bounds, paramIdx),
      mLabel(std::move(label)),
      mStyle(style),
      mStartAngle(startAngle),
      mEndAngle(endAngle),
      mAnchorAngle(anchorAngle),
      mTrackSize(trackSize),
      mBehaviour(KnobBehaviour::Settings{gearing, 10.f, 0.01}) {}

IRECT IVKnobControl::WidgetRect() const {
  const IRECT& r = GetRECT();
  const float w = r.W() * mStyle.widgetFrac;
  const float h = r.H() * mStyle.widgetFrac;
  return {r.MW() - 0.5f * w, r.MH() - 0.5f * h, r.MW() + 0.5f * w, r.MH() + 0.5f * h};
}

float IVKnobControl::RingRadius() const {
  const IRECT widget = WidgetRect();
  return 0.5f * std::min(widget.W(), widget.H()) - 0.5f * mTrackSize;
}

void IVKnobControl::Draw(IGraphics& g) {
  const IBlend blend = GetBlend();
  const IRECT widget = WidgetRect();
  const float cx = widget.MW();
  const float cy = widget.MH();
  const float radius = RingRadius();
  if (mStyle.colors.background.A > 0) g.FillRect(mStyle.colors.background, GetRECT(), &blend);
  const float angle = AngleOf(GetValue());
  DrawIndicatorTrack(g, angle, cx, cy, radius);

  const float handleRadius = radius - 4.f;
  if (handleRadius > 0.f) {
    const IRECT handle{cx - handleRadius, cy - handleRadius, cx + handleRadius, cy + handleRadius};
    g.FillEllipse(mPressed ? mStyle.colors.pressed : mStyle.colors.foreground, handle, &blend);
    if (GetMouseIsOver()) g.FillEllipse(mStyle.colors.highlight, handle, &blend);
    if (mStyle.drawFrame) g.DrawArc(mStyle.colors.frame, cx, cy, handleRadius, 0.f, 360.f, &blend, 1.f);
    const double radians = (static_cast<double>(angle) - 90.0) * std::numbers::pi / 180.0;
    const auto cosA = static_cast<float>(std::cos(radians));
    const auto sinA = static_cast<float>(std::sin(radians));
    g.DrawLine(mStyle.colors.frame, cx + cosA * handleRadius * 0.1f, cy + sinA * handleRadius * 0.1f,
               cx + cosA * handleRadius, cy + sinA * handleRadius, &blend, 2.5f);
  }
  if (mStyle.showLabel && !mLabel.empty())
    g.DrawText(mStyle.labelText, mLabel, {GetRECT().L, GetRECT().T, GetRECT().R, widget.T}, &blend);
  if (mStyle.showValue) {
    if (const IParam* param = GetParam())
      g.DrawText(mStyle.valueText, param->DisplayText(param->FromNormalized(GetValue())),
                 {GetRECT().L, widget.B, GetRECT().R, GetRECT().B}, &blend);
  }
}

void IVKnobControl::DrawIndicatorTrack(IGraphics& g, float angle, float cx, float cy, float radius) {
  if (mTrackSize <= 0.f) return;
  const IBlend blend = GetBlend();
  g.DrawArc(mStyle.colors.extra1, cx, cy, radius, std::min(angle, mAnchorAngle), std::max(angle, mAnchorAngle), &blend,
            mTrackSize);
}

void IVKnobControl::OnMouseDown(float, float, const IMouseMod&) {
  mPressed = true;
  SetDirty(false);
}

void IVKnobControl::OnMouseUp(float, float, const IMouseMod&) {
  mPressed = false;
  SetDirty(false);
}

void IVKnobControl::OnMouseDrag(float, float, float, float dY, const IMouseMod& mod) {
  const double value = mBehaviour.Dragged(GetValue(), dY, GetRECT().H(), mod.C);
  if (value == GetValue()) return;
  SetValue(value);
  SetDirty(true);
}

void IVKnobControl::OnMouseDblClick(float, float, const IMouseMod&) {
  const IParam* param = GetParam();
  if (!param) return;
  mPressed = true;
  SetValue(param->ToNormalized(param->Default()));
  SetDirty(true);
}

void IVKnobControl::OnMouseWheel(float, float, const IMouseMod& mod, float delta) {
  const double value = mBehaviour.Wheeled(GetValue(), delta, mod.C);
  if (value == GetValue()) return;
  SetValue(value);
  SetDirty(true);
}

}  // namespace framework
