#include "framework/graphics/IControls.h"

#include <charconv>
#include <cstring>

#include "framework/IParam.h"
#include "framework/graphics/IGraphics.h"

namespace framework {

IPanelControl::IPanelControl(const IRECT& bounds, const IColor& colour) : IControl(bounds), mColour(colour) {
  SetIgnoreMouse(true);
}

void IPanelControl::Draw(IGraphics& g) {
  const IBlend blend = GetBlend();
  g.FillRect(mColour, GetRECT(), &blend);
}

ITextControl::ITextControl(const IRECT& bounds, std::string text, const TextStyle& style, const IColor& background)
    : IControl(bounds), mText(std::move(text)), mStyle(style), mBackground(background) {
  SetIgnoreMouse(true);
}

void ITextControl::Draw(IGraphics& g) {
  const IBlend blend = GetBlend();
  if (mBackground.A > 0) g.FillRect(mBackground, GetRECT(), &blend);
  g.DrawText(mStyle, mText, GetRECT(), &blend);
}

void ITextControl::SetStr(const std::string& text) {
  if (text == mText) return;
  mText = text;
  SetDirty(false);
}

ICaptionControl::ICaptionControl(const IRECT& bounds, int paramIdx, const TextStyle& style, const IColor& background,
                                 bool showParamLabel)
    : IControl(bounds, paramIdx), mStyle(style), mBackground(background), mShowParamLabel(showParamLabel) {}

std::string ICaptionControl::CaptionText() const {
  const IParam* param = GetParam();
  if (!param) return {};
  std::string text = param->DisplayText(param->FromNormalized(GetValue()));
  if (mShowParamLabel && !param->Label().empty()) text += " " + param->Label();
  return text;
}

bool ICaptionControl::IsListParameter() const {
  const IParam* param = GetParam();
  return param && param->GetType() == IParam::Type::Enum;
}

bool ICaptionControl::IsDirty() {
  std::string text = CaptionText();
  const bool changed = text != mShownText;
  mShownText = std::move(text);
  return changed || IControl::IsDirty();
}

void ICaptionControl::Draw(IGraphics& g) {
  const IBlend blend = GetBlend();
  const IRECT& r = GetRECT();
  if (mBackground.A > 0) g.FillRect(mBackground, r, &blend);
  g.DrawText(mStyle, mShownText, r, &blend);
  if (IsListParameter()) {
    // A small downward triangle at the right end says "this opens a menu".
    const float size = 0.3f * r.H();
    const float cx = r.R - size;
    g.FillTriangle(mStyle.fg, cx - size * 0.5f, r.MH() - size * 0.25f, cx + size * 0.5f, r.MH() - size * 0.25f, cx,
                   r.MH() + size * 0.35f, &blend);
  }
}

void ICaptionControl::OnMouseDown(float, float, const IMouseMod& mod) {
  IGraphics* g = GetUI();
  const IParam* param = GetParam();
  if (!g || !param || (!mod.L && !mod.R)) return;
  if (IsListParameter()) {
    mMenu.Clear();
    const int current = static_cast<int>(param->FromNormalized(GetValue()));
    for (int i = 0; i < param->NumListEntries(); ++i) mMenu.AddItem(param->ListEntry(i), true, i == current);
    g->CreatePopupMenu(*this, mMenu, GetRECT());
    return;
  }
  if (g->HasTextEntry()) return;
  g->CreateTextEntry(*this, mStyle, GetRECT(), param->DisplayText(param->FromNormalized(GetValue())));
}

void ICaptionControl::OnPopupMenuSelection(IPopupMenu* menu, int) {
  const IParam* param = GetParam();
  if (!menu || !param) return;
  const int chosen = menu->GetChosenItemIdx();
  if (chosen < 0 || chosen >= param->NumListEntries()) return;
  SetValue(param->ToNormalized(chosen));
  SetDirty(true);
}

void ICaptionControl::OnTextEntryCompletion(const char* text, int) {
  const IParam* param = GetParam();
  if (!text || !param) return;
  // from_chars, not strtod: a host's locale must not change how "0.5" reads.
  const char* begin = text;
  while (*begin == ' ') ++begin;
  const char* end = begin + std::strlen(begin);
  double value = 0.0;
  if (std::from_chars(begin, end, value).ec != std::errc()) return;  // not a number: the old value shows again
  SetValue(param->ToNormalized(value));
  SetDirty(true);
}

ISVGControl::ISVGControl(const IRECT& bounds, SvgPicture picture) : IControl(bounds), mPicture(std::move(picture)) {
  SetIgnoreMouse(true);
}

void ISVGControl::Draw(IGraphics& g) {
  const IBlend blend = GetBlend();
  g.DrawSVG(mPicture, GetRECT(), &blend);
}

}  // namespace framework
