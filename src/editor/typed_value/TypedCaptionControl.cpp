#include "editor/typed_value/TypedCaptionControl.h"

#include "editor/ParseTypedNumber.h"
#include "framework/IParam.h"
#include "framework/IPlugAPIBase.h"
#include "framework/graphics/IGraphics.h"

namespace relaycaster::typed_value {

using framework::IRECT;

TypedCaptionControl::TypedCaptionControl(const IRECT& bounds, int paramIdx, const framework::TextStyle& style,
                                         const framework::IColor& background, bool showParamLabel,
                                         const framework::TextStyle& entryStyle)
    : ICaptionControl(bounds, paramIdx, style, background, showParamLabel), mEntryStyle(entryStyle) {}

IRECT TypedCaptionControl::EntryRect(const IRECT& bounds) {
  const float cy = bounds.MH();
  return {bounds.L, cy - 9, bounds.R, cy + 9};
}

void TypedCaptionControl::Draw(framework::IGraphics& g) {
  const framework::IColor dim = mStyle.fg;
  if (GetMouseIsOver()) mStyle.fg = mEntryStyle.entryFg;
  ICaptionControl::Draw(g);
  mStyle.fg = dim;
}

void TypedCaptionControl::OnMouseDown(float, float, const framework::IMouseMod& mod) {
  framework::IGraphics* g = GetUI();
  const framework::IParam* param = GetParam();
  if (!mod.L || !g || !param || g->HasTextEntry()) return;
  // The entry starts with the bare value, without the unit label, and is
  // not tied to the parameter: this control reads what was typed itself.
  g->SetTextEntryLength(kMaxEntryLength);
  g->CreateTextEntry(*this, mEntryStyle, EntryRect(GetRECT()), param->DisplayText(param->FromNormalized(GetValue())));
}

void TypedCaptionControl::OnMouseDblClick(float x, float y, const framework::IMouseMod& mod) { OnMouseDown(x, y, mod); }

void TypedCaptionControl::OnTextEntryCompletion(const char* text, int) {
  framework::IGraphics* g = GetUI();
  const framework::IParam* param = GetParam();
  if (g && param && text) {
    const TypedNumber typed = ParseTypedNumber(text, param->Min(), param->Max());
    if (typed.ok) {
      const int paramIdx = GetParamIdx();
      framework::IPlugAPIBase& delegate = g->Delegate();
      delegate.BeginInformHostOfParamChange(paramIdx);
      delegate.SendParameterValueFromUI(paramIdx, param->ToNormalized(typed.value));
      delegate.EndInformHostOfParamChange(paramIdx);
      // The knob above and this caption show the stored value at once.
      const double stored = param->GetNormalized();
      g->ForControlWithParam(paramIdx, [stored](framework::IControl& control) {
        control.SetValue(stored);
        control.SetDirty(false);
      });
    }
  }
  SetDirty(false);
}

}  // namespace relaycaster::typed_value
