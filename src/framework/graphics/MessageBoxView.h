#pragma once

// The framework's message box, drawn over the editor: a caption, the
// wrapped text and OK or Yes/No buttons. Questions are asynchronous (no
// nested modal loop): the owner calls back with the answer.
#include <string>
#include <vector>

#include "framework/IEditor.h"
#include "framework/graphics/DrawingBackend.h"

namespace framework {

/// Layout, in design units: a dialog kWidth wide centred in the area, the
/// caption, the text wrapped at word boundaries to the dialog's inner width
/// (a word longer than a line stands on a line of its own), the buttons in
/// a row at the bottom right. A text too tall for the area is cut off with
/// an ellipsis.
class MessageBoxView {
 public:
  static constexpr float kWidth = 360.f;
  static constexpr float kPadding = 16.f;
  static constexpr float kButtonWidth = 72.f;
  static constexpr float kButtonHeight = 24.f;
  static constexpr float kButtonGap = 8.f;

  /// `area` is the editor's design rectangle, which the box dims and centres in.
  MessageBoxView(std::string text, std::string caption, MessageBoxType type, const IRECT& area);

  MessageBoxType Type() const { return mType; }
  const std::string& Text() const { return mText; }
  const std::string& Caption() const { return mCaption; }
  /// The answer when the box goes without one (the editor closes): No for a question, else OK.
  int DismissAnswer() const { return mType == kMB_YESNO ? kIDNO : kIDOK; }

  /// A press on a button answers (kIDOK, kIDYES or kIDNO); elsewhere kNoResult.
  int OnMouseDown(float x, float y);
  /// Hover over the buttons; true when the hovered button changed.
  bool OnMouseMove(float x, float y);
  /// Return answers the first button (OK or Yes), Escape the last (OK or
  /// No), Left/Right/Tab move the focus between buttons and Return then
  /// answers the focused one; other keys kNoResult.
  int OnKey(const KeyPress& key, bool& redraw);

  /// Lays out with the back end's text measurement, then draws.
  void Draw(DrawingBackend& g);
  /// The dialog's rectangle and its buttons, after the first Draw.
  const IRECT& DialogRect() const { return mDialog; }
  const std::vector<IRECT>& ButtonRects() const { return mButtons; }
  /// The text as wrapped, after the first Draw.
  const std::vector<std::string>& Lines() const { return mLines; }
  int ButtonCount() const { return mType == kMB_YESNO ? 2 : 1; }
  /// "OK", or "Yes" and "No", left to right.
  const char* ButtonLabel(int index) const;
  int FocusedButton() const { return mFocused; }
  int HoveredButton() const { return mHovered; }

  static TextStyle CaptionStyle();
  static TextStyle BodyStyle();

 private:
  void Layout(DrawingBackend& g);
  int AnswerOfButton(int index) const;
  bool SetFocused(int index);
  void DrawButton(DrawingBackend& g, int index) const;

  std::string mText;
  std::string mCaption;
  MessageBoxType mType;
  IRECT mArea;
  IRECT mDialog;
  std::vector<IRECT> mButtons;
  std::vector<std::string> mLines;
  int mHovered = -1;
  int mFocused = 0;
  bool mLaidOut = false;
};

}  // namespace framework
