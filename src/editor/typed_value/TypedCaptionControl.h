#pragma once

#include "framework/graphics/IControls.h"

namespace relaycaster::typed_value {

/// The value caption under a knob: the parameter's display text (and unit
/// label), lit to full white under the mouse. A left click or double-click
/// opens a text entry over it; what is typed is read leniently
/// (ParseTypedNumber: "−12,5 dB" reads -12.5), clamped to the parameter's
/// range and sent as one edit gesture, and the knob above follows at once.
/// Text that is not a number changes nothing. A right click does nothing.
class TypedCaptionControl : public framework::ICaptionControl {
 public:
  TypedCaptionControl(const framework::IRECT& bounds, int paramIdx, const framework::TextStyle& style,
                      const framework::IColor& background, bool showParamLabel,
                      const framework::TextStyle& entryStyle);

  void OnMouseDown(float x, float y, const framework::IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const framework::IMouseMod& mod) override;
  void OnTextEntryCompletion(const char* text, int valIdx) override;
  void Draw(framework::IGraphics& g) override;

  /// Where the entry opens: the caption's width, 18 units high, centred on it.
  static framework::IRECT EntryRect(const framework::IRECT& bounds);
  /// Characters the entry takes.
  static constexpr int kMaxEntryLength = 16;

 private:
  framework::TextStyle mEntryStyle;
};

}  // namespace relaycaster::typed_value
