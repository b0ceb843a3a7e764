#pragma once

#include <string>

#include "framework/graphics/IControl.h"
#include "framework/graphics/IPopupMenu.h"
#include "presets/NameFitter.h"
#include "presets/PresetBarBehaviour.h"
#include "presets/PresetBarLayout.h"

namespace brightwold::controls {

/// The preset bar's colours (alpha, red, green, blue), text style and insets.
struct PresetBarStyle {
  framework::IColor fill;        // name field and button faces
  framework::IColor outline;     // 1-unit frames
  framework::IColor text;        // active text, arrows, menu icon when hovered
  framework::IColor dimText;     // "no preset", disabled buttons and arrows, menu icon at rest
  framework::IColor hover;       // translucent highlight under the mouse
  framework::IColor warning;     // frame and text of the armed delete button
  framework::TextStyle textStyle;  // all texts; its entry colours style the "Save as" entry
  float scale = 1.f;             // multiplies the name field's and the entry's width limits
  framework::IColor background;  // the whole bar
  framework::IColor bottomLine;  // along the bar's bottom edge
  float leftInset = 28.f;
  float rightInset = 28.f;
};

/// The strip across the top of the editor: previous and next arrows around
/// the current preset's name (a click on it lists the presets), "Save",
/// "Save as", "Delete" (armed by a first click, reading "Sure?") and, when
/// the open-menu action is bound, the settings menu button. The name shows
/// "*" after it while the settings differ from the preset's.
///
/// Behaviour lives in PresetBarBehaviour and the geometry in
/// PresetBarLayout; this class turns the framework's events into them and
/// paints.
///
/// Threads: the user-interface thread only.
class PresetBarControl : public framework::IControl {
 public:
  static constexpr int kMaxNameChars = 80;

  PresetBarControl(const framework::IRECT& bounds, const PresetBarStyle& style, PresetBarActions actions);

  void OnMouseDown(float x, float y, const framework::IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const framework::IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnPopupMenuSelection(framework::IPopupMenu* menu, int valIdx) override;
  void OnTextEntryCompletion(const char* text, int valIdx) override;
  void Draw(framework::IGraphics& g) override;

  PresetBarLayout Layout() const;
  const PresetBarBehaviour& Behaviour() const { return mBehaviour; }
  /// The name as last drawn ("no preset", or the fitted name with its "*").
  const std::string& ShownName() const { return mShownName; }

 private:
  void OpenPresetMenu(const PresetBarLayout& layout);
  void OpenSaveAsEntry(const PresetBarLayout& layout);
  void DrawNameField(framework::IGraphics& g, const PresetBarLayout& layout, const std::string& current);
  void DrawArrow(framework::IGraphics& g, const framework::IRECT& zone, bool hovered, bool pointsLeft);
  void DrawButton(framework::IGraphics& g, const framework::IRECT& zone, const char* label, bool enabled, bool hovered,
                  bool armed);
  void DrawMenuButton(framework::IGraphics& g, const framework::IRECT& zone, bool hovered);

  PresetBarStyle mStyle;
  PresetBarBehaviour mBehaviour;
  framework::IPopupMenu mMenu;
  NameFitter mFitter;
  std::string mShownName;
};

}  // namespace brightwold::controls
