#pragma once

#include <functional>
#include <string>

#include "framework/graphics/IControl.h"

namespace relaycaster::stream_panel {

/// A momentary button: its action hears true when the left button goes
/// down on it and false when the press ends, with no delay in between.
class HoldButtonControl : public framework::IControl {
 public:
  using Action = std::function<void(bool held)>;

  HoldButtonControl(const framework::IRECT& bounds, std::string label, const framework::TextStyle& style,
                    Action action, const framework::IColor& outline, const framework::IColor& heldFill);
  /// A press still held when the editor closes or is rebuilt ends here, so
  /// what it holds (the clear passphrase) does not outlive the button.
  ~HoldButtonControl() override;

  void OnMouseDown(float x, float y, const framework::IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const framework::IMouseMod& mod) override;
  void Draw(framework::IGraphics& g) override;

  bool IsHeld() const { return mHeld; }

 private:
  void SetHeld(bool held);

  std::string mLabel;
  framework::TextStyle mStyle;
  Action mAction;
  bool mHeld = false;
  framework::IColor mOutline;
  framework::IColor mHeldFill;
};

}  // namespace relaycaster::stream_panel
