#include "framework/graphics/IControl.h"

#include <algorithm>

#include "framework/IPlugAPIBase.h"
#include "framework/graphics/IGraphics.h"

namespace framework {

IControl::IControl(const IRECT& bounds, int paramIdx) : mRECT(bounds), mDrawRECT(bounds), mParamIdx(paramIdx) {}

void IControl::OnMouseDown(float, float, const IMouseMod&) {}
void IControl::OnMouseUp(float, float, const IMouseMod&) {}
void IControl::OnMouseDrag(float, float, float, float, const IMouseMod&) {}
void IControl::OnMouseDblClick(float x, float y, const IMouseMod& mod) { OnMouseDown(x, y, mod); }

void IControl::OnMouseOver(float, float, const IMouseMod&) {
  if (!mMouseIsOver) {
    mMouseIsOver = true;
    SetDirty(false);
  }
}

void IControl::OnMouseOut() {
  if (mMouseIsOver) {
    mMouseIsOver = false;
    SetDirty(false);
  }
}

void IControl::OnMouseWheel(float, float, const IMouseMod&, float) {}
void IControl::OnTextEntryCompletion(const char*, int) {}
void IControl::OnPopupMenuSelection(IPopupMenu*, int) {}

bool IControl::IsDirty() { return mDirty; }

void IControl::SetValueFromDelegate(double normalizedValue) {
  if (normalizedValue == mValue) return;
  mValue = std::clamp(normalizedValue, 0.0, 1.0);
  SetDirty(false);
}

void IControl::SetRECT(const IRECT& bounds) {
  // The old area must be painted over too, or the control leaves a trace.
  if (mGraphics) mGraphics->MarkAreaDirty(mDrawRECT);
  mRECT = bounds;
  mDrawRECT = bounds;
  SetDirty(false);
}

void IControl::SetValue(double normalizedValue) { mValue = std::clamp(normalizedValue, 0.0, 1.0); }

const IParam* IControl::GetParam() const {
  if (!mGraphics || mParamIdx < 0 || mParamIdx >= mGraphics->Delegate().NParams()) return nullptr;
  return mGraphics->Delegate().GetParam(mParamIdx);
}

void IControl::SetDirty(bool triggerAction) {
  mDirty = true;
  if (triggerAction && mGraphics && mParamIdx != kNoParameter) mGraphics->SendControlValue(*this);
}

void IControl::Hide(bool hidden) {
  if (hidden == mHidden) return;
  mHidden = hidden;
  // A control that disappears leaves nothing dirty to redraw its area.
  if (mGraphics) mGraphics->MarkAreaDirty(mDrawRECT);
  SetDirty(false);
}

void IControl::SetDisabled(bool disabled) {
  if (disabled == mDisabled) return;
  mDisabled = disabled;
  SetDirty(false);
}

void IControl::AttachTo(IGraphics& graphics, int tag) {
  mGraphics = &graphics;
  mTag = tag;
}

}  // namespace framework
