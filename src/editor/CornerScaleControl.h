#pragma once

#include "framework/graphics/IControl.h"

namespace relaycaster {

/// The resize grip in the editor's bottom-right corner: dragging it zooms
/// the whole editor between a minimum and a maximum scale, a double-click
/// returns it to 1. It resizes the editor directly, with the exact scale
/// the drag asks for, bypassing the window-size rules of SetWindowScale.
class CornerScaleControl : public framework::IControl {
 public:
  CornerScaleControl(const framework::IRECT& bounds, float baseWidth, float minScale, float maxScale,
                     const framework::IColor& grip, const framework::IColor& hover);

  void OnMouseDown(float x, float y, const framework::IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const framework::IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const framework::IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const framework::IMouseMod& mod) override;
  void OnMouseOut() override;
  void Draw(framework::IGraphics& g) override;

 private:
  float mBaseWidth;
  float mMinScale;
  float mMaxScale;
  framework::IColor mGrip;
  framework::IColor mHover;
  int mDragStartWidth = 0;
  float mDragDistance = 0.f;
  bool mCursorSet = false;
  framework::ECursor mPreviousCursor = framework::ECursor::Arrow;
};

}  // namespace relaycaster
