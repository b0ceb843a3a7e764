#pragma once

#include <string>

#include "framework/graphics/IControl.h"

namespace relaycaster {

/// A pill-shaped on/off switch for a switch parameter: a dot, lit in the
/// accent, and a text that names the state. Every click, with any button,
/// toggles the parameter as one edit gesture.
class PillToggleControl : public framework::IControl {
 public:
  struct Colours {
    framework::IColor fill;
    framework::IColor outline;
    framework::IColor litOutline;
    framework::IColor litDot;
    framework::IColor dot;
  };

  /// `litWhenOff`: the bypass pill is lit while the plug-in is active, that
  /// is while its parameter is off; the transport pills are lit while on.
  PillToggleControl(const framework::IRECT& bounds, int paramIdx, const Colours& colours, std::string offText,
                    std::string onText, const framework::TextStyle& style, bool litWhenOff, float dotScale = 1.f);

  void OnMouseDown(float x, float y, const framework::IMouseMod& mod) override;
  void Draw(framework::IGraphics& g) override;

  /// Whether a pill with this value draws its lit look.
  static bool IsLit(double value, bool litWhenOff) { return (value > 0.5) != litWhenOff; }
  /// The dot: `diameter` across, 0.6 of the end radius in from the left, centred vertically.
  static framework::IRECT DotRect(const framework::IRECT& bounds, float diameter);

 private:
  Colours mColours;
  std::string mOffText;
  std::string mOnText;
  framework::TextStyle mStyle;
  float mDotScale;
  bool mLitWhenOff;
};

}  // namespace relaycaster
