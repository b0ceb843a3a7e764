#pragma once

#include <functional>
#include <string>

namespace framework {

/// Message-box types and answers, as the platform's message box uses them.
enum MessageBoxType { kMB_OK = 0, kMB_YESNO = 4 };
enum MessageBoxResult { kNoResult = 0, kIDOK = 1, kIDYES = 6, kIDNO = 7 };

/// What the plug-in core may ask of an open editor window. The drawing
/// toolkit implements it; tests use a recording stand-in. All calls happen
/// on the user-interface thread.
class IEditor {
 public:
  virtual ~IEditor() = default;

  /// Sets the text of the control with this tag, if there is one. Returns
  /// whether such a control exists.
  virtual bool SetControlText(int tag, const std::string& text) = 0;
  /// True while a text-entry field is open for typing.
  virtual bool HasTextEntry() const = 0;
  /// Removes every control, runs the plug-in's layout function again.
  virtual void Rebuild() = 0;
  virtual void SetAllControlsDirty() = 0;
  /// Hands a parameter's normalised value to the controls bound to it.
  virtual void SendParameterValue(int paramIdx, double normalizedValue) = 0;
  /// The factor the editor is currently drawn at (1.0 = design size).
  virtual float DrawScale() const = 0;
  /// The screen scale reported by the editor's graphics context.
  virtual float ScreenScale() const = 0;
  virtual void SetDrawScale(float scale) = 0;
  /// Shows a message box over the editor and returns at once; `answer` is
  /// called later with kIDOK, kIDYES or kIDNO (closing the editor answers
  /// kIDNO to a question, kIDOK otherwise). Never a nested modal loop.
  virtual void ShowMessageBox(const std::string& text, const std::string& caption, MessageBoxType type,
                              std::function<void(int)> answer) = 0;
};

}  // namespace framework
