#include "editor/stream_panel/AttributionControl.h"

#include "editor/Theme.h"
#include "framework/graphics/IGraphics.h"

namespace relaycaster::stream_panel {

using framework::EAlign;
using framework::IRECT;

AttributionLayout AttributionLayout::For(const IRECT& bounds, float noticeWidth, float linkWidth) {
  const float left = bounds.MW() - 0.5f * (noticeWidth + kGap + linkWidth);
  const float linkLeft = left + noticeWidth + kGap;
  return {left, {linkLeft, bounds.T, linkLeft + linkWidth, bounds.B}};
}

AttributionControl::AttributionControl(const IRECT& bounds, const framework::TextStyle& noticeStyle,
                                       const framework::TextStyle& linkStyle)
    : IControl(bounds), mNoticeStyle(noticeStyle), mLinkStyle(linkStyle) {}

void AttributionControl::Draw(framework::IGraphics& g) {
  const framework::IBlend blend = GetBlend();
  const IRECT& r = GetRECT();
  const float noticeWidth = g.MeasureTextWidth(mNoticeStyle, theme::kNdiTrademarkNotice);
  const float linkWidth = g.MeasureTextWidth(mLinkStyle, theme::kNdiVendorDomain);
  const AttributionLayout layout = AttributionLayout::For(r, noticeWidth, linkWidth);
  g.DrawText(mNoticeStyle.WithAlign(EAlign::Near), theme::kNdiTrademarkNotice, {layout.noticeLeft, r.T, r.R, r.B},
             &blend);
  mLinkRect = layout.linkRect;
  const framework::IColor link = GetMouseIsOver() ? mLinkStyle.fg.WithAlpha(255) : mLinkStyle.fg;
  g.DrawText(mLinkStyle.WithColor(link).WithAlign(EAlign::Near), theme::kNdiVendorDomain, mLinkRect, &blend);
  const float underline = r.MH() + 0.5f * mLinkStyle.size;
  g.DrawLine(link, mLinkRect.L, underline, mLinkRect.R, underline, &blend, 1.f);
}

void AttributionControl::OnMouseDown(float x, float y, const framework::IMouseMod& mod) {
  if (!mod.L || mLinkRect.Empty() || !mLinkRect.Contains(x, y)) return;
  if (framework::IGraphics* g = GetUI()) g->OpenURL(theme::kNdiVendorUrl);  // failure is not reported
}

}  // namespace relaycaster::stream_panel
