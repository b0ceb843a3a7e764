#pragma once

// An open editor whose plug-in keeps its presets and the shared update
// files in a fresh temporary data folder, with helpers to find its header
// controls, type into entries, answer message boxes and probe colours.
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/EditorSupport.h"
#include "files/TempFolder.h"
#include "framework/graphics/IGraphics.h"
#include "framework/graphics/MessageBoxView.h"
#include "framework/graphics/PopupMenuView.h"

namespace editortest {

/// `over` at its alpha on an opaque background, as the screen shows it.
inline framework::IColor Over(const framework::IColor& over, const framework::IColor& background) {
  auto mix = [&](int a, int b) { return static_cast<int>(std::lround(b + (a - b) * over.A / 255.0)); };
  return {255, mix(over.R, background.R), mix(over.G, background.G), mix(over.B, background.B)};
}

template <class T>
T* FindControl(framework::IGraphics& g) {
  for (int i = 0; i < g.NControls(); ++i)
    if (auto* control = dynamic_cast<T*>(g.GetControl(i))) return control;
  return nullptr;
}

/// Points the per-user data folder at a temporary folder for the lifetime
/// of the object (the plug-in reads it at construction and every preset
/// operation), and puts the previous one back afterwards.
class DataFolder {
 public:
  DataFolder() {
    if (const char* previous = getenv("XDG_DATA_HOME")) mPrevious = previous;
    setenv("XDG_DATA_HOME", mFolder.path().c_str(), 1);
  }
  ~DataFolder() {
    if (mPrevious) setenv("XDG_DATA_HOME", mPrevious->c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
  }
  DataFolder(const DataFolder&) = delete;
  DataFolder& operator=(const DataFolder&) = delete;

  const std::filesystem::path& path() const { return mFolder.path(); }
  std::filesystem::path presets() const { return mFolder.path() / "Relaycaster" / "Presets"; }
  std::filesystem::path shared() const { return mFolder.path() / "Brightwold" / "Shared"; }

 private:
  testsupport::TempFolder mFolder;
  std::optional<std::string> mPrevious;
};

inline framework::IMouseMod LeftButton() {
  framework::IMouseMod mod;
  mod.L = true;
  return mod;
}

/// Types UTF-8 text into the open entry one character per key press.
inline void Type(framework::IGraphics& g, std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    size_t n = 1;
    while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
    framework::KeyPress key;
    key.key = framework::Key::Character;
    key.text = std::string(text.substr(i, n));
    g.OnKeyDown(key);
    i += n;
  }
}

inline void Press(framework::IGraphics& g, framework::Key key) {
  framework::KeyPress press;
  press.key = key;
  g.OnKeyDown(press);
}

/// Clicks the open message box's button with this label ("OK", "Yes", "No").
inline bool ClickBoxButton(framework::IGraphics& g, std::string_view label) {
  framework::MessageBoxView* box = g.GetMessageBox();
  if (box == nullptr) return false;
  g.DrawAll();  // the box lays out its buttons when drawn
  for (int i = 0; i < box->ButtonCount(); ++i) {
    if (label != box->ButtonLabel(i)) continue;
    const framework::IRECT button = box->ButtonRects().at(static_cast<size_t>(i));  // the box goes with the press
    g.OnMouseDown(button.MW(), button.MH(), LeftButton());
    g.OnMouseUp(button.MW(), button.MH(), LeftButton());
    return true;
  }
  return false;
}

/// Chooses an item of the open popup menu with the mouse, as a user would.
inline bool ChooseMenuItem(framework::IGraphics& g, int index) {
  framework::PopupMenuView* menu = g.GetPopupMenu();
  if (menu == nullptr) return false;
  const framework::IRECT item = menu->ItemRect(index);
  if (item.NoArea()) return false;
  g.OnPopupMouseMove(item.MW(), item.MH());
  g.OnPopupMouseDown(item.MW(), item.MH());
  g.OnPopupMouseUp(item.MW(), item.MH());
  return true;
}

/// The brightest red channel in a design rectangle: text drawn at full
/// strength reaches far above a dimmed one.
inline int BrightestRed(OpenEditor& editor, const framework::IRECT& r) {
  const float s = editor.g().GetTotalScale();
  const framework::PixelBuffer pixels = editor.g().Pixels();
  int brightest = 0;
  for (int y = static_cast<int>(r.T * s); y < static_cast<int>(r.B * s); ++y)
    for (int x = static_cast<int>(r.L * s); x < static_cast<int>(r.R * s); ++x)
      brightest = std::max(brightest, pixels.At(x, y).R);
  return brightest;
}

/// Whether any pixel in the rectangle is orange (red well above blue): the
/// warning look.
inline bool HasWarmInk(OpenEditor& editor, const framework::IRECT& r) {
  const float s = editor.g().GetTotalScale();
  const framework::PixelBuffer pixels = editor.g().Pixels();
  for (int y = static_cast<int>(r.T * s); y < static_cast<int>(r.B * s); ++y)
    for (int x = static_cast<int>(r.L * s); x < static_cast<int>(r.R * s); ++x) {
      const framework::IColor c = pixels.At(x, y);
      if (c.R - c.B > 60) return true;
    }
  return false;
}

}  // namespace editortest
