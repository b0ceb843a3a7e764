#include "editor/stream_panel/HoldButtonControl.h"

#include "framework/graphics/IGraphics.h"

namespace relaycaster::stream_panel {

namespace {
constexpr float kCornerRadius = 5.f;
}  // namespace

HoldButtonControl::HoldButtonControl(const framework::IRECT& bounds, std::string label,
                                     const framework::TextStyle& style, Action action,
                                     const framework::IColor& outline, const framework::IColor& heldFill)
    : IControl(bounds),
      mLabel(std::move(label)),
      mStyle(style),
      mAction(std::move(action)),
      mOutline(outline),
      mHeldFill(heldFill) {}

HoldButtonControl::~HoldButtonControl() {
  if (mHeld && mAction) mAction(false);
}

void HoldButtonControl::SetHeld(bool held) {
  mHeld = held;
  if (mAction) mAction(held);
  SetDirty(false);
}

void HoldButtonControl::OnMouseDown(float, float, const framework::IMouseMod& mod) {
  if (mod.L) SetHeld(true);
}

void HoldButtonControl::OnMouseUp(float, float, const framework::IMouseMod&) { SetHeld(false); }

void HoldButtonControl::Draw(framework::IGraphics& g) {
  const framework::IBlend blend = GetBlend();
  const framework::IRECT& r = GetRECT();
  if (mHeld) g.FillRoundRect(mHeldFill, r, kCornerRadius, &blend);
  g.DrawRoundRect(mOutline, r, kCornerRadius, &blend, 1.f);
  g.DrawText(mStyle, mLabel, r, &blend);
}

}  // namespace relaycaster::stream_panel
