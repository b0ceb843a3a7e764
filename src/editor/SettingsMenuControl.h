#pragma once

#include <functional>
#include <string>

#include "framework/graphics/IControl.h"
#include "framework/graphics/IPopupMenu.h"

namespace relaycaster {

/// Owns the settings popup menu: the accent colour, the window scale, the
/// update-check switch, the product and version line and the NDI
/// trademark notice with its link. It has no area of its own (hidden,
/// never hit); the preset bar's menu button opens it through Open().
class SettingsMenuControl : public framework::IControl {
 public:
  /// Menu indices of the fixed items (the update section starts at kFirstUpdateItem).
  static constexpr int kFirstColourItem = 0;
  static constexpr int kFirstScaleItem = 7;
  static constexpr int kFirstUpdateItem = 12;
  static constexpr int kVendorLinkItem = 16;

  struct Actions {
    std::function<float()> getScale;
    std::function<void(float)> setScale;
    std::function<int()> getColour;
    std::function<void(int)> setColour;
    /// Appends the update section's items to the menu.
    std::function<void(framework::IPopupMenu&)> addUpdateItems;
    /// An update item was chosen: its index counted from the first update item.
    std::function<void(int)> updateSelected;
    std::function<void()> openVendorSite;
  };

  SettingsMenuControl(Actions actions, std::string version);

  /// Builds the menu afresh (check marks as of now) and opens it under `anchor`.
  void Open(const framework::IRECT& anchor);
  void OnPopupMenuSelection(framework::IPopupMenu* menu, int valIdx) override;
  void Draw(framework::IGraphics&) override {}

  /// The menu as the last Open built it.
  const framework::IPopupMenu& Menu() const { return mMenu; }

 private:
  void Build();

  Actions mActions;
  std::string mVersion;
  framework::IPopupMenu mMenu;
};

}  // namespace relaycaster
