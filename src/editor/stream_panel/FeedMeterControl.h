#pragma once

#include <array>
#include <functional>
#include <utility>

#include "editor/stream_panel/MeterBallistics.h"
#include "framework/graphics/IControl.h"

namespace relaycaster::stream_panel {

/// One transport's two-bar peak meter with its dB scale and the readout of
/// the combined held peak. It takes the feed's peaks every frame and keeps
/// redrawing while its bars move: continuously while audio flows, and
/// until they have fallen to the floor after it stops. With a mono feed
/// both bars show the one channel.
class FeedMeterControl : public framework::IControl {
 public:
  /// The linear peak of each channel since the previous call, and the feed's channel count.
  using Peaks = std::pair<std::array<float, 2>, int>;
  using Provider = std::function<Peaks()>;

  /// `bars` places the bars, scale and readout (the latter two partly
  /// outside it); the bar colour's alpha is always 229.
  FeedMeterControl(const framework::IRECT& bounds, const framework::IRECT& bars, const framework::IColor& barColour,
                   const framework::TextStyle& scaleStyle, const framework::TextStyle& readoutStyle,
                   Provider provider, const framework::IColor& trackColour, const framework::IColor& peakLineColour);

  void OnAttached() override;
  void Draw(framework::IGraphics& g) override;
  bool IsDirty() override;

  /// The readout's rectangle: 48 by 14 units, 6 below the bars, centred on them.
  static framework::IRECT ReadoutRect(const framework::IRECT& bars);

  const MeterBallistics& Left() const { return mLeft; }
  const MeterBallistics& Right() const { return mRight; }
  const MeterBallistics& Combined() const { return mCombined; }
  int ChannelsShown() const { return mChannelsShown; }

 private:
  void DrawColumn(framework::IGraphics& g, int column, const MeterBallistics& shown);

  framework::IRECT mBars;
  framework::IColor mBarColour;
  framework::TextStyle mScaleStyle;
  framework::TextStyle mReadoutStyle;
  Provider mProvider;
  MeterBallistics mLeft;
  MeterBallistics mRight;
  MeterBallistics mCombined;
  int mChannelsShown = 2;
  framework::IColor mTrackColour;
  framework::IColor mPeakLineColour;
};

}  // namespace relaycaster::stream_panel
