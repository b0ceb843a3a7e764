#include "updates/UpdatePillControl.h"

#include <algorithm>
#include <optional>

#include "framework/graphics/IGraphics.h"
#include "updates/UpdateCheck.h"

namespace brightwold::controls {

using framework::ECursor;
using framework::IRECT;

namespace {

constexpr const char* kLabelSuffix = " AVAILABLE";
constexpr float kEndsFraction = 2.f / 3.f;  // of the height: room for the rounded ends around the label
constexpr float kVerticalInset = 0.1f;     // of the height, top and bottom

}  // namespace

UpdatePillControl::UpdatePillControl(const IRECT& bounds, const UpdatePillStyle& style,
                                     const updates::UpdateCheck& check, LayoutCallback onLayout)
    : IControl(bounds), mStyle(style), mCheck(check), mOnLayout(std::move(onLayout)) {}

bool UpdatePillControl::IsDirty() {
  const int64_t generation = mCheck.generation();
  if (generation == mLastGeneration) return IControl::IsDirty();
  mLastGeneration = generation;
  Synchronise();
  return true;
}

void UpdatePillControl::Synchronise() {
  const std::optional<updates::AvailableUpdate> update = mCheck.availableUpdate();
  mLabel.clear();
  mUrl.clear();
  IRECT visible;
  framework::IGraphics* g = GetUI();
  if (update && g != nullptr) {
    mLabel = update->version + kLabelSuffix;
    mUrl = update->downloadUrl;
    const IRECT& bounds = GetRECT();
    const float width = kEndsFraction * bounds.H() + g->MeasureTextWidth(mStyle.textStyle, mLabel);
    visible = {bounds.R - std::min(width, bounds.W()), bounds.T, bounds.R, bounds.B};
  }
  if (visible == mVisible) return;
  mVisible = visible;
  if (mOnLayout) mOnLayout(mVisible);
}

void UpdatePillControl::OnResize() {
  mVisible = {};
  Synchronise();
}

void UpdatePillControl::SetTextStyle(const framework::TextStyle& style) {
  mStyle.textStyle = style;
  mVisible = {};
  Synchronise();
  SetDirty(false);
}

void UpdatePillControl::Draw(framework::IGraphics& g) {
  if (mVisible.Empty()) Synchronise();
  if (mVisible.Empty()) return;
  const float inset = kVerticalInset * mVisible.H();
  const IRECT face{mVisible.L, mVisible.T + inset, mVisible.R, mVisible.B - inset};
  const framework::IBlend blend = GetBlend();
  g.FillRoundRect(mHovered ? mStyle.hoveredFace : mStyle.face, face, face.H() / 6.f, &blend);
  g.DrawText(mStyle.textStyle.WithColor(mStyle.text), mLabel, face, &blend);
}

bool UpdatePillControl::IsHit(float x, float y) const { return !mVisible.Empty() && mVisible.Contains(x, y); }

void UpdatePillControl::OnMouseOver(float x, float y, const framework::IMouseMod&) {
  const bool inside = IsHit(x, y);
  if (inside == mHovered) return;
  mHovered = inside;
  if (framework::IGraphics* g = GetUI()) g->SetMouseCursor(inside ? ECursor::Hand : ECursor::Arrow);
  SetDirty(false);
}

void UpdatePillControl::OnMouseOut() {
  if (mHovered) {
    if (framework::IGraphics* g = GetUI()) g->SetMouseCursor(ECursor::Arrow);
  }
  mHovered = false;
  SetDirty(false);
}

// Straight to the browser without a question: the pill itself is the
// offer, and the page is on the maker's site (the feed may only name a path).
void UpdatePillControl::OnMouseDown(float, float, const framework::IMouseMod&) {
  if (!mUrl.empty()) {
    if (framework::IGraphics* g = GetUI()) g->OpenURL(mUrl);
  }
}

}  // namespace brightwold::controls
