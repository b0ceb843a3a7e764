#include "presets/PresetBarBehaviour.h"

#include <algorithm>

#include "presets/PresetBarLayout.h"

namespace brightwold::controls {

std::optional<std::string> StepTarget(const std::vector<std::string>& names, const std::string& current, int d) {
  if (names.empty()) return std::nullopt;
  const auto found = std::find(names.begin(), names.end(), current);
  if (found == names.end()) return d < 1 ? names.back() : names.front();
  const auto count = static_cast<long>(names.size());
  const long index = ((found - names.begin()) + d % count + count) % count;
  return names[static_cast<size_t>(index)];
}

std::string TrimSpacesAndTabs(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

PresetBarBehaviour::PresetBarBehaviour(PresetBarActions actions) : mActions(std::move(actions)) {}

std::string PresetBarBehaviour::Current() const { return mActions.currentName ? mActions.currentName() : std::string(); }

bool PresetBarBehaviour::Modified() const { return mActions.modified && mActions.modified(); }

void PresetBarBehaviour::RefreshNames() {
  mNames = mActions.listNames ? mActions.listNames() : std::vector<std::string>{};
  mListedOnce = true;
  mHasPresets = !mNames.empty();
}

void PresetBarBehaviour::EnsureListed() {
  if (!mListedOnce) RefreshNames();
}

PresetBarBehaviour::Request PresetBarBehaviour::Press(int zone) {
  const std::string current = Current();
  if (zone == kZoneDelete) {
    PressDelete(current);
    return Request::None;
  }
  Disarm();
  switch (zone) {
    case kZonePrevious: Step(-1); return Request::None;
    case kZoneName: return Request::PresetMenu;
    case kZoneNext: Step(+1); return Request::None;
    case kZoneSave:
      if (!current.empty() && mActions.save) mActions.save(current);
      return Request::None;
    case kZoneSaveAs: return Request::SaveAsEntry;
    case kZoneMenu: return HasMenuButton() ? Request::SettingsMenu : Request::None;
    default: return Request::None;
  }
}

// Two presses to delete, so that a stray click never loses a preset; the
// second must come while the same preset is still current, or it would
// delete one the user was never asked about.
void PresetBarBehaviour::PressDelete(const std::string& current) {
  if (current.empty()) return;
  if (mArmed == current) {
    Disarm();
    if (mActions.remove) mActions.remove(current);
    RefreshNames();
  } else {
    mArmed = current;
  }
}

bool PresetBarBehaviour::Hover(int zone) {
  if (zone == mHovered) return false;
  // Entering the bar is the moment to catch presets saved by another
  // instance or copied in by hand, before the arrows are drawn lit or dim.
  if (mHovered == kZoneNone) RefreshNames();
  if (mHovered == kZoneDelete) Disarm();
  mHovered = zone;
  return true;
}

void PresetBarBehaviour::Leave() {
  mHovered = kZoneNone;
  Disarm();
}

void PresetBarBehaviour::Step(int d) {
  RefreshNames();
  if (const std::optional<std::string> target = StepTarget(mNames, Current(), d); target && mActions.load)
    mActions.load(*target);
}

bool PresetBarBehaviour::FillPresetMenu(framework::IPopupMenu& menu) {
  RefreshNames();
  mMenuSnapshot = mNames;
  if (mMenuSnapshot.empty()) return false;
  const std::string current = Current();
  menu.Clear();
  for (const std::string& name : mMenuSnapshot) menu.AddItem(name, true, name == current);
  return true;
}

// The snapshot, not a fresh listing: the folder may have changed while the
// menu was open, and the user chose the name the menu showed.
void PresetBarBehaviour::PresetMenuChosen(int index) {
  if (index < 0 || index >= static_cast<int>(mMenuSnapshot.size())) return;
  if (mActions.load) mActions.load(mMenuSnapshot[static_cast<size_t>(index)]);
}

void PresetBarBehaviour::SaveAsCompleted(const char* text) {
  if (text == nullptr || !mActions.save) return;
  const std::string name = TrimSpacesAndTabs(text);
  if (name.empty()) return;
  mActions.save(name);
  RefreshNames();
}

}  // namespace brightwold::controls
