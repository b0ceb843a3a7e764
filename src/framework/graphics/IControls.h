#pragma once

// The framework's stock controls: a filled panel, a static text, a
// parameter's caption that prompts for a value, and an SVG picture.
#include <string>

#include "framework/graphics/IControl.h"
#include "framework/graphics/IPopupMenu.h"
#include "framework/graphics/SvgPicture.h"

namespace framework {

/// A filled rectangle that ignores the mouse.
class IPanelControl : public IControl {
 public:
  IPanelControl(const IRECT& bounds, const IColor& colour);
  void Draw(IGraphics& g) override;

 private:
  IColor mColour;
};

/// One line of static text over an optional background. It does not size
/// itself to the text.
class ITextControl : public IControl {
 public:
  ITextControl(const IRECT& bounds, std::string text, const TextStyle& style, const IColor& background = {0, 0, 0, 0});
  void Draw(IGraphics& g) override;
  void SetStr(const std::string& text) override;
  const std::string& GetStr() const { return mText; }

 protected:
  std::string mText;
  TextStyle mStyle;
  IColor mBackground;
};

/// A parameter's display text (with its unit label when asked). A click,
/// left or right, prompts for a value: a popup menu of the entries for a
/// list parameter (which also shows a small menu triangle), a text entry
/// otherwise. Redraws whenever the text changes, even when the value does
/// not (a text may depend on other state).
class ICaptionControl : public IControl {
 public:
  ICaptionControl(const IRECT& bounds, int paramIdx, const TextStyle& style, const IColor& background,
                  bool showParamLabel);
  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnPopupMenuSelection(IPopupMenu* menu, int valIdx) override;
  void OnTextEntryCompletion(const char* text, int valIdx) override;
  bool IsDirty() override;

  /// The text shown: display text, then a space and the unit label.
  std::string CaptionText() const;

 protected:
  TextStyle mStyle;
  IColor mBackground;
  bool mShowParamLabel;

 private:
  bool IsListParameter() const;
  std::string mShownText;
  IPopupMenu mMenu;
};

/// An SVG picture drawn into the control's rectangle.
class ISVGControl : public IControl {
 public:
  ISVGControl(const IRECT& bounds, SvgPicture picture);
  void Draw(IGraphics& g) override;

 private:
  SvgPicture mPicture;
};

}  // namespace framework
