#include "editor/stream_panel/FeedNameControl.h"

#include "editor/DrawWrapped.h"
#include "framework/graphics/IGraphics.h"

namespace relaycaster::stream_panel {

using framework::IRECT;

namespace {
constexpr float kCornerRadius = 5.f;
constexpr float kBoxTop = 16.f;  // below the label
constexpr float kBoxBottom = 42.f;
constexpr float kNameInset = 9.f;
}  // namespace

FeedNameControl::FeedNameControl(const IRECT& bounds, const framework::TextStyle& labelStyle,
                                 const framework::TextStyle& nameStyle, const framework::TextStyle& noteStyle,
                                 Provider provider, const Colours& colours)
    : IControl(bounds),
      mLabelStyle(labelStyle),
      mNameStyle(nameStyle),
      mNoteStyle(noteStyle),
      mProvider(std::move(provider)),
      mColours(colours) {
  SetIgnoreMouse(true);
}

bool FeedNameControl::IsDirty() {
  FeedName feed = mProvider ? mProvider() : FeedName{};
  const bool changed = feed.name != mShown.name || feed.explanation != mShown.explanation ||
                       feed.warning != mShown.warning || feed.isError != mShown.isError;
  mShown = std::move(feed);
  return changed || IControl::IsDirty();
}

void FeedNameControl::Draw(framework::IGraphics& g) {
  const framework::IBlend blend = GetBlend();
  const IRECT& r = GetRECT();
  g.DrawText(mLabelStyle, "FEED NAME", {r.L, r.T, r.R, r.T + 14}, &blend);
  const IRECT box{r.L, r.T + kBoxTop, r.R, r.T + kBoxBottom};
  g.FillRoundRect(mColours.boxFill, box, kCornerRadius, &blend);
  g.DrawRoundRect(mColours.boxBorder, box, kCornerRadius, &blend, 1.f);
  const IRECT nameArea{box.L + kNameInset, box.T, box.R - kNameInset, box.B};
  g.PathClipRegion(nameArea);  // a long name ends at the box, not across the divider
  g.DrawText(mNameStyle, mShown.name, nameArea, &blend);
  g.PathClipRegionEnd();

  float y = box.B + kExplanationGap;
  if (!mShown.explanation.empty()) {
    const framework::TextStyle style = mShown.isError ? mNoteStyle.WithColor(mColours.error) : mNoteStyle;
    y = DrawWrapped(g, *this, style, mShown.explanation, y);
  }
  if (!mShown.warning.empty()) DrawWrapped(g, *this, mNoteStyle.WithColor(mColours.warning), mShown.warning, y + kWarningGap);
}

}  // namespace relaycaster::stream_panel
