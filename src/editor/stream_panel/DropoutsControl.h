#pragma once

#include <cstdint>
#include <functional>

#include "framework/graphics/IControl.h"

namespace relaycaster::stream_panel {

/// "DROPOUTS", the transport's drop-out count (in the warning colour once
/// above 0) and a "Reset" button that zeroes it. Only the button takes a
/// click, and only the button lights up under the mouse.
class DropoutsControl : public framework::IControl {
 public:
  using CountProvider = std::function<uint32_t()>;
  using ResetAction = std::function<void()>;

  struct Colours {
    framework::IColor warning;
    framework::IColor buttonOutline;
    framework::IColor buttonHover;
  };

  DropoutsControl(const framework::IRECT& bounds, const framework::TextStyle& labelStyle,
                  const framework::TextStyle& countStyle, const framework::TextStyle& buttonStyle,
                  CountProvider count, ResetAction reset, const Colours& colours);

  void OnMouseDown(float x, float y, const framework::IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const framework::IMouseMod& mod) override;
  void Draw(framework::IGraphics& g) override;
  bool IsDirty() override;

  /// The "Reset" button of a control with these bounds: 46 by 20 units,
  /// 128 units in from the left, centred vertically.
  static framework::IRECT ResetButtonRect(const framework::IRECT& bounds);
  uint32_t ShownCount() const { return mShownCount; }

 private:
  bool MouseInButton() const;

  framework::TextStyle mLabelStyle;
  framework::TextStyle mCountStyle;
  framework::TextStyle mButtonStyle;
  CountProvider mCount;
  ResetAction mReset;
  uint32_t mShownCount = 0;
  float mMouseX = 0.f;  // the last mouse position seen over the control
  float mMouseY = 0.f;
  Colours mColours;
};

}  // namespace relaycaster::stream_panel
