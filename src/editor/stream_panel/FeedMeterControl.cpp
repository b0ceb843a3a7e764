#include "editor/stream_panel/FeedMeterControl.h"

#include <algorithm>

#include "framework/graphics/IGraphics.h"

namespace relaycaster::stream_panel {

using framework::IRECT;

namespace {
constexpr float kColumnWidth = 10.f;
constexpr float kColumnPitch = 13.f;  // a 3-unit gap between the two columns
constexpr int kScaleMarks[] = {0, -12, -24, -48};
}  // namespace

FeedMeterControl::FeedMeterControl(const IRECT& bounds, const IRECT& bars, const framework::IColor& barColour,
                                   const framework::TextStyle& scaleStyle, const framework::TextStyle& readoutStyle,
                                   Provider provider, const framework::IColor& trackColour,
                                   const framework::IColor& peakLineColour)
    : IControl(bounds),
      mBars(bars),
      mBarColour(barColour.WithAlpha(229)),
      mScaleStyle(scaleStyle),
      mReadoutStyle(readoutStyle),
      mProvider(std::move(provider)),
      mTrackColour(trackColour),
      mPeakLineColour(peakLineColour) {
  SetIgnoreMouse(true);
  // The readout may reach past the bounds on the right; redraws cover it.
  SetDrawRECT(bounds.Union(ReadoutRect(bars)));
}

IRECT FeedMeterControl::ReadoutRect(const IRECT& bars) {
  const float centre = bars.L + 11.5f;
  return {centre - 24, bars.B + 6, centre + 24, bars.B + 20};
}

void FeedMeterControl::OnAttached() {
  // The ballistics count time from the control's creation, on the editor's clock.
  const int64_t now = GetUI()->NowNanos();
  for (MeterBallistics* meter : {&mLeft, &mRight, &mCombined}) meter->lastUpdate = now;
}

bool FeedMeterControl::IsDirty() {
  const Peaks peaks = mProvider ? mProvider() : Peaks{{0.f, 0.f}, 2};
  mChannelsShown = std::clamp(peaks.second, 1, 2);
  const float left = PeakToDb(peaks.first[0]);
  const float right = PeakToDb(peaks.first[1]);
  const int64_t now = GetUI() ? GetUI()->NowNanos() : 0;
  // Each meter must update, so no short-circuit between them.
  const bool leftMoved = mLeft.update(left, now);
  const bool rightMoved = mRight.update(right, now);
  const bool combinedMoved = mCombined.update(std::max(left, right), now);
  return leftMoved || rightMoved || combinedMoved || IControl::IsDirty();
}

void FeedMeterControl::DrawColumn(framework::IGraphics& g, int column, const MeterBallistics& shown) {
  const framework::IBlend blend = GetBlend();
  const float x = mBars.L + kColumnPitch * static_cast<float>(column);
  g.FillRect(mTrackColour, {x, mBars.T, x + kColumnWidth, mBars.B}, &blend);
  if (shown.level > MeterBallistics::kFloorDb)
    g.FillRect(mBarColour, {x, MeterLevelY(shown.level, mBars.T, mBars.B), x + kColumnWidth, mBars.B}, &blend);
  if (shown.peak > MeterBallistics::kFloorDb) {
    const float y = MeterLevelY(shown.peak, mBars.T, mBars.B);
    g.FillRect(mPeakLineColour, {x, y - 0.5f, x + kColumnWidth, y + 0.5f}, &blend);
  }
}

void FeedMeterControl::Draw(framework::IGraphics& g) {
  const framework::IBlend blend = GetBlend();
  DrawColumn(g, 0, mLeft);
  DrawColumn(g, 1, mChannelsShown == 1 ? mLeft : mRight);
  for (int db : kScaleMarks) {
    const float y = MeterLevelY(static_cast<float>(db), mBars.T, mBars.B);
    g.DrawText(mScaleStyle, MeterScaleLabel(db), {mBars.L - 30, y - 6, mBars.L - 6, y + 6}, &blend);
  }
  g.DrawText(mReadoutStyle, MeterReadoutText(mCombined.peak), ReadoutRect(mBars), &blend);
}

}  // namespace relaycaster::stream_panel
