#include "editor/CornerScaleControl.h"

#include <algorithm>

#include "framework/graphics/IGraphics.h"

namespace relaycaster {

using framework::IGraphics;
using framework::IMouseMod;

CornerScaleControl::CornerScaleControl(const framework::IRECT& bounds, float baseWidth, float minScale, float maxScale,
                                       const framework::IColor& grip, const framework::IColor& hover)
    : IControl(bounds), mBaseWidth(baseWidth), mMinScale(minScale), mMaxScale(maxScale), mGrip(grip), mHover(hover) {}

void CornerScaleControl::Draw(IGraphics& g) {
  const framework::IRECT& r = GetRECT();
  // The lower-right half of the square, its right angle in the corner.
  g.FillTriangle(GetMouseIsOver() ? mHover : mGrip, r.L, r.B, r.R, r.T, r.R, r.B);
}

void CornerScaleControl::OnMouseDown(float, float, const IMouseMod&) {
  IGraphics* g = GetUI();
  if (!g) return;
  mDragStartWidth = static_cast<int>(static_cast<float>(g->Width()) * g->GetDrawScale());
  mDragDistance = 0.f;
}

void CornerScaleControl::OnMouseDrag(float, float, float dX, float dY, const IMouseMod&) {
  IGraphics* g = GetUI();
  if (!g) return;
  // The deltas are design units; times the draw scale they are pixels. The
  // larger one counts, so only a drag both left and up shrinks the editor.
  mDragDistance += std::max(dX, dY) * g->GetDrawScale();
  const float scale =
      std::clamp((static_cast<float>(mDragStartWidth) + mDragDistance) / mBaseWidth, mMinScale, mMaxScale);
  if (scale != g->GetDrawScale()) g->Resize(g->Width(), g->Height(), scale, true);
}

void CornerScaleControl::OnMouseDblClick(float, float, const IMouseMod&) {
  if (IGraphics* g = GetUI()) g->Resize(g->Width(), g->Height(), 1.f, true);
}

void CornerScaleControl::OnMouseOver(float x, float y, const IMouseMod& mod) {
  if (!mCursorSet) {
    if (IGraphics* g = GetUI()) mPreviousCursor = g->SetMouseCursor(framework::ECursor::SizeNWSE);
    mCursorSet = true;
  }
  IControl::OnMouseOver(x, y, mod);
}

void CornerScaleControl::OnMouseOut() {
  if (mCursorSet) {
    if (IGraphics* g = GetUI()) g->SetMouseCursor(mPreviousCursor);
  }
  mCursorSet = false;
  IControl::OnMouseOut();
}

}  // namespace relaycaster
