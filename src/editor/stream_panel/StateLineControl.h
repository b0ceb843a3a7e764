#pragma once

#include <cstdint>
#include <functional>

#include "editor/stream_panel/Records.h"
#include "framework/graphics/IControl.h"

namespace relaycaster::stream_panel {

/// One transport's status: a dot coloured by the state kind, the main text
/// and an optional "· detail". A sending (Good) dot wears a soft halo; a
/// Busy dot blinks, in the busy colour for the first half of every second.
/// The control redraws only when the status or the blink phase changes.
class StateLineControl : public framework::IControl {
 public:
  using Provider = std::function<StateLine()>;

  struct Colours {
    framework::IColor accent;
    framework::IColor idle;
    framework::IColor busy;
    framework::IColor fault;
  };

  StateLineControl(const framework::IRECT& bounds, const framework::TextStyle& mainStyle,
                   const framework::TextStyle& detailStyle, const Colours& colours, Provider provider);

  void Draw(framework::IGraphics& g) override;
  bool IsDirty() override;

  /// The blink phase at a monotonic time: on in the first half of each second.
  static bool BlinkOn(int64_t millis);
  /// The dot's colour for a kind and blink phase.
  static framework::IColor DotColour(int kind, bool blinkOn, const Colours& colours);
  /// How far the halo reaches left of the control's rectangle.
  static constexpr float kHaloReach = 3.f;
  /// The main text starts this far right of the control's left edge.
  static constexpr float kTextIndent = 17.f;
  /// Space between the main text and the detail.
  static constexpr float kDetailGap = 6.f;

  const StateLine& Shown() const { return mShown; }

 private:
  framework::TextStyle mMainStyle;
  framework::TextStyle mDetailStyle;
  Colours mColours;
  Provider mProvider;
  StateLine mShown;
  bool mBlinkOn = true;
};

}  // namespace relaycaster::stream_panel
