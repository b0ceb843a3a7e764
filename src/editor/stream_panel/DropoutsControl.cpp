#include "editor/stream_panel/DropoutsControl.h"

#include <string>

#include "framework/graphics/IGraphics.h"

namespace relaycaster::stream_panel {

using framework::IRECT;

namespace {
constexpr float kCornerRadius = 5.f;
}  // namespace

DropoutsControl::DropoutsControl(const IRECT& bounds, const framework::TextStyle& labelStyle,
                                 const framework::TextStyle& countStyle, const framework::TextStyle& buttonStyle,
                                 CountProvider count, ResetAction reset, const Colours& colours)
    : IControl(bounds),
      mLabelStyle(labelStyle),
      mCountStyle(countStyle),
      mButtonStyle(buttonStyle),
      mCount(std::move(count)),
      mReset(std::move(reset)),
      mColours(colours) {}

IRECT DropoutsControl::ResetButtonRect(const IRECT& bounds) {
  const float cy = bounds.MH();
  return {bounds.L + 128, cy - 10, bounds.L + 174, cy + 10};
}

bool DropoutsControl::MouseInButton() const { return ResetButtonRect(GetRECT()).Contains(mMouseX, mMouseY); }

bool DropoutsControl::IsDirty() {
  const uint32_t count = mCount ? mCount() : 0;
  const bool changed = count != mShownCount;
  mShownCount = count;
  return changed || IControl::IsDirty();
}

void DropoutsControl::Draw(framework::IGraphics& g) {
  const framework::IBlend blend = GetBlend();
  const IRECT& r = GetRECT();
  g.DrawText(mLabelStyle, "DROPOUTS", {r.L, r.T, r.L + 70, r.B}, &blend);
  const framework::TextStyle count = mShownCount > 0 ? mCountStyle.WithColor(mColours.warning) : mCountStyle;
  g.DrawText(count, std::to_string(mShownCount), {r.L + 76, r.T, r.L + 124, r.B}, &blend);
  const IRECT button = ResetButtonRect(r);
  if (GetMouseIsOver() && MouseInButton()) g.FillRoundRect(mColours.buttonHover, button, kCornerRadius, &blend);
  g.DrawRoundRect(mColours.buttonOutline, button, kCornerRadius, &blend, 1.f);
  g.DrawText(mButtonStyle, "Reset", button, &blend);
}

void DropoutsControl::OnMouseDown(float x, float y, const framework::IMouseMod& mod) {
  if (!mod.L || !ResetButtonRect(GetRECT()).Contains(x, y)) return;
  if (mReset) mReset();
  SetDirty(false);
}

void DropoutsControl::OnMouseOver(float x, float y, const framework::IMouseMod& mod) {
  mMouseX = x;
  mMouseY = y;
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false);
}

}  // namespace relaycaster::stream_panel
