#include "editor/stream_panel/TextFieldControl.h"

#include "framework/graphics/IGraphics.h"

namespace relaycaster::stream_panel {

using framework::IRECT;

namespace {
constexpr const char* kBullet = "\xE2\x80\xA2";  // U+2022
constexpr float kCornerRadius = 5.f;
}  // namespace

TextFieldControl::TextFieldControl(const IRECT& bounds, const framework::TextStyle& style,
                                   const framework::TextStyle& entryStyle, Getter getter, Setter setter,
                                   int maxLength, bool masked, Reveal reveal, std::string suffix,
                                   const Colours& colours)
    : IControl(bounds),
      mStyle(style),
      mEntryStyle(entryStyle),
      mGetter(std::move(getter)),
      mSetter(std::move(setter)),
      mMaxLength(maxLength),
      mMasked(masked),
      mReveal(std::move(reveal)),
      mSuffix(std::move(suffix)),
      mColours(colours) {}

std::string TextFieldControl::DisplayedText(const std::string& value, bool masked, bool revealed) {
  if (!masked || revealed) return value;
  // One bullet per byte, not per character: the mask then says nothing
  // about which characters were typed, only roughly how long the text is.
  std::string bullets;
  bullets.reserve(value.size() * 3);
  for (size_t i = 0; i < value.size(); ++i) bullets += kBullet;
  return bullets;
}

bool TextFieldControl::IsDirty() {
  std::string text = mGetter ? mGetter() : std::string();
  const bool revealed = mReveal ? mReveal() : false;
  const bool changed = text != mShownText || revealed != mShownRevealed;
  mShownText = std::move(text);
  mShownRevealed = revealed;
  return changed || IControl::IsDirty();
}

void TextFieldControl::Draw(framework::IGraphics& g) {
  const framework::IBlend blend = GetBlend();
  const IRECT& r = GetRECT();
  g.FillRoundRect(mColours.fill, r, kCornerRadius, &blend);
  g.DrawRoundRect(GetMouseIsOver() ? mColours.hoverBorder : mColours.border, r, kCornerRadius, &blend, 1.f);
  IRECT textArea{r.L + kInset, r.T, r.R - kInset, r.B};
  if (!mSuffix.empty()) {
    g.DrawText(mStyle.WithColor(mColours.suffix).WithAlign(framework::EAlign::Far), mSuffix, textArea, &blend);
    textArea.R -= kSuffixSpace;
  }
  // A long value (a URL, 79 bullets) is cut at the text area rather than
  // running over the unit and the controls beside the field.
  g.PathClipRegion(textArea);
  g.DrawText(mStyle, DisplayedText(mShownText, mMasked, mShownRevealed), textArea, &blend);
  g.PathClipRegionEnd();
}

void TextFieldControl::OnMouseDown(float, float, const framework::IMouseMod& mod) {
  framework::IGraphics* g = GetUI();
  if (!mod.L || !g || g->HasTextEntry()) return;
  g->SetTextEntryLength(mMaxLength);
  // The entry starts with the clear text, also for a masked field: the
  // user edits what is stored, not bullets.
  g->CreateTextEntry(*this, mEntryStyle, GetRECT(), mShownText);
}

void TextFieldControl::OnTextEntryCompletion(const char* text, int) {
  if (text && mSetter) mSetter(text);
  SetDirty(false);
}

void TextFieldControl::OnMouseOver(float x, float y, const framework::IMouseMod& mod) {
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void TextFieldControl::OnMouseOut() {
  IControl::OnMouseOut();
  SetDirty(false);
}

}  // namespace relaycaster::stream_panel
