#include "editor/stream_panel/StateLineControl.h"

#include "framework/graphics/IGraphics.h"

namespace relaycaster::stream_panel {

using framework::IColor;
using framework::IRECT;

namespace {
constexpr const char* kDetailLead = "\xC2\xB7 ";  // "· "
}  // namespace

StateLineControl::StateLineControl(const IRECT& bounds, const framework::TextStyle& mainStyle,
                                   const framework::TextStyle& detailStyle, const Colours& colours,
                                   Provider provider)
    : IControl(bounds), mMainStyle(mainStyle), mDetailStyle(detailStyle), mColours(colours),
      mProvider(std::move(provider)) {
  SetIgnoreMouse(true);
  // The halo reaches past the rectangle's left edge; a redraw must cover it
  // or a halo that goes away would leave its left rim behind.
  SetDrawRECT({bounds.L - kHaloReach, bounds.T, bounds.R, bounds.B});
}

bool StateLineControl::BlinkOn(int64_t millis) {
  const int64_t phase = ((millis % 1000) + 1000) % 1000;
  return phase < 500;
}

IColor StateLineControl::DotColour(int kind, bool blinkOn, const Colours& colours) {
  switch (kind) {
    case Good: return colours.accent;
    case Fault: return colours.fault;
    case Busy: return blinkOn ? colours.busy : colours.idle;
    default: return colours.idle;
  }
}

bool StateLineControl::IsDirty() {
  StateLine line = mProvider ? mProvider() : StateLine{};
  const bool blinkOn = GetUI() ? BlinkOn(GetUI()->NowMillis()) : true;
  const bool changed = line.kind != mShown.kind || line.text != mShown.text || line.detail != mShown.detail ||
                       (line.kind == Busy && blinkOn != mBlinkOn);
  mShown = std::move(line);
  mBlinkOn = blinkOn;
  return changed || IControl::IsDirty();
}

void StateLineControl::Draw(framework::IGraphics& g) {
  const framework::IBlend blend = GetBlend();
  const IRECT& r = GetRECT();
  const float cy = r.MH();
  g.FillEllipse(DotColour(mShown.kind, mBlinkOn, mColours), {r.L, cy - 4, r.L + 8, cy + 4}, &blend);
  if (mShown.kind == Good) g.FillEllipse(mColours.accent.WithAlpha(63), {r.L - 3, cy - 7, r.L + 11, cy + 7}, &blend);

  IRECT textArea{r.L + kTextIndent, r.T, r.R, r.B};
  // A long message ends at the control's right edge instead of running
  // into the other column.
  g.PathClipRegion(textArea);
  const framework::TextStyle main = mShown.kind == Fault ? mMainStyle.WithColor(mColours.fault) : mMainStyle;
  g.DrawText(main, mShown.text, textArea, &blend);
  if (!mShown.detail.empty()) {
    textArea.L += g.MeasureTextWidth(main, mShown.text) + kDetailGap;
    g.DrawText(mDetailStyle, kDetailLead + mShown.detail, textArea, &blend);
  }
  g.PathClipRegionEnd();
}

}  // namespace relaycaster::stream_panel
