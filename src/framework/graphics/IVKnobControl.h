#pragma once

#include <string>

#include "framework/graphics/IControl.h"
#include "framework/graphics/KnobBehaviour.h"

namespace framework {

/// The colours of the framework's vector controls.
struct IVColorSpec {
  IColor background{255, 70, 70, 70};
  IColor foreground{255, 200, 200, 200};
  IColor pressed{255, 240, 240, 240};
  IColor frame{255, 70, 70, 70};
  IColor highlight{24, 255, 255, 255};
  IColor shadow{60, 0, 0, 0};
  IColor extra1{255, 255, 255, 255};  // the value arc
  IColor extra2{255, 200, 200, 200};
  IColor extra3{255, 150, 150, 150};
};

/// The look of a vector control.
struct IVStyle {
  bool showLabel = true;
  bool showValue = true;
  bool drawFrame = true;
  bool drawShadows = true;
  /// The part of the control's rectangle the widget occupies, centred.
  float widgetFrac = 1.f;
  IVColorSpec colors;
  TextStyle labelText;
  TextStyle valueText;
};

/// The framework's vector knob: a handle with a pointer over a value arc,
/// turned by vertical drags (KnobBehaviour), reset by a double-click and
/// stepped by the wheel. Angles are degrees clockwise from twelve o'clock.
class IVKnobControl : public IControl {
 public:
  IVKnobControl(const IRECT& bounds, int paramIdx, std::string label, const IVStyle& style, float startAngle = -135.f,
                float endAngle = 135.f, float anchorAngle = -135.f, float gearing = 4.f, float trackSize = 2.f);

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float delta) override;

  /// The widget's rectangle, its ring radius and the angle of a value.
  IRECT WidgetRect() const;
  float RingRadius() const;
  float AngleOf(double value) const { return mStartAngle + static_cast<float>(value) * (mEndAngle - mStartAngle); }
  bool IsPressed() const { return mPressed; }

 protected:
  /// The arc behind the handle: by default the value arc from the anchor.
  virtual void DrawIndicatorTrack(IGraphics& g, float angle, float cx, float cy, float radius);

  std::string mLabel;
  IVStyle mStyle;
  float mStartAngle;
  float mEndAngle;
  float mAnchorAngle;
  float mTrackSize;
  KnobBehaviour mBehaviour;

 private:
  bool mPressed = false;
};

}  // namespace framework
