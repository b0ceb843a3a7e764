#pragma once

// What the preset bar does with presses, hovering, menu choices and the
// "Save as" text, apart from painting: the cached names, the hovered zone,
// delete arming and stepping. Tests drive it with zones and names alone.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/graphics/IGraphicsTypes.h"
#include "framework/graphics/IPopupMenu.h"

namespace brightwold::controls {

/// The bar holds no preset data: everything it shows or changes goes
/// through these, which the plug-in binds when the editor is built. Every
/// one may be empty; the bar then does without it.
struct PresetBarActions {
  /// 1: every preset's name, in the order the menu lists them.
  std::function<std::vector<std::string>()> listNames;
  /// 2: the current preset's name, empty for none.
  std::function<std::string()> currentName;
  /// 3: loads the preset of that name (nothing when there is none).
  std::function<void(const std::string&)> load;
  /// 4: saves the current settings under that name.
  std::function<void(const std::string&)> save;
  /// 5: deletes the preset of that name (nothing when there is none).
  std::function<void(const std::string&)> remove;
  /// 6: whether the settings changed since the current preset was loaded or saved.
  std::function<bool()> modified;
  /// 7: opens the settings menu below the rectangle; without it the bar has no menu button.
  std::function<void(const framework::IRECT&)> openMenu;
};

/// The preset `d` steps (-1 or +1) away from `current` in `names`, wrapping
/// around; from a name not in the list, back takes the last and forward
/// the first. Nothing for an empty list.
std::optional<std::string> StepTarget(const std::vector<std::string>& names, const std::string& current, int d);

/// Spaces and tabs removed from both ends.
std::string TrimSpacesAndTabs(const std::string& text);

/// The bar's state and rules. Any handler may change what the bar shows,
/// so the control redraws after each one.
///
/// Threads: the user-interface thread only.
class PresetBarBehaviour {
 public:
  /// What a press asks the control to open, which needs the framework.
  enum class Request { None, PresetMenu, SaveAsEntry, SettingsMenu };

  explicit PresetBarBehaviour(PresetBarActions actions);

  /// A press in a zone (PresetBarZone). Any zone but "Delete" disarms;
  /// the arrows step, "Save" saves the current preset, a first "Delete"
  /// arms and a second one on the same current preset deletes it.
  Request Press(int zone);
  /// The mouse moved onto `zone`: entering the bar lists the names afresh,
  /// leaving "Delete" disarms. Returns whether the hovered zone changed.
  bool Hover(int zone);
  /// The mouse left the bar: nothing hovered, delete disarmed.
  void Leave();
  /// Loads the preset `d` (-1, +1) away from the current one.
  void Step(int d);

  /// Lists the names afresh into the menu snapshot and fills `menu` with
  /// them, the current one checked. False (menu untouched) when there are none.
  bool FillPresetMenu(framework::IPopupMenu& menu);
  /// The menu closed: loads snapshot[index]; a dismissal (-1) or an index
  /// outside the snapshot does nothing.
  void PresetMenuChosen(int index);
  /// The "Save as" entry closed with `text`, or nullptr when cancelled.
  void SaveAsCompleted(const char* text);

  /// Lists the names unless they were listed before (the first draw).
  void EnsureListed();
  void RefreshNames();

  std::string Current() const;
  bool Modified() const;
  bool HasMenuButton() const { return static_cast<bool>(mActions.openMenu); }
  const PresetBarActions& Actions() const { return mActions; }

  int Hovered() const { return mHovered; }
  /// Armed with the current preset: "Delete" reads "Sure?".
  bool IsArmedFor(const std::string& current) const { return !mArmed.empty() && mArmed == current; }
  const std::string& ArmedName() const { return mArmed; }
  bool HasPresets() const { return mHasPresets; }
  const std::vector<std::string>& Names() const { return mNames; }
  const std::vector<std::string>& MenuSnapshot() const { return mMenuSnapshot; }

 private:
  void Disarm() { mArmed.clear(); }
  void PressDelete(const std::string& current);

  PresetBarActions mActions;
  int mHovered = 0;   // a PresetBarZone
  std::string mArmed;  // the name "Delete" was armed with; empty when not armed
  std::vector<std::string> mNames;
  bool mListedOnce = false;
  bool mHasPresets = false;
  std::vector<std::string> mMenuSnapshot;  // the names the open menu shows, in its order
};

}  // namespace brightwold::controls
