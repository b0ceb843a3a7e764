#include "editor/SettingsMenuControl.h"

#include <cmath>

#include "editor/Theme.h"
#include "framework/graphics/IGraphics.h"

namespace relaycaster {
namespace {

constexpr const char* kColourNames[] = {"Green", "Red", "Orange", "Blue", "Purple", "DAW color"};

struct ScaleItem {
  const char* text;
  float scale;
};
constexpr ScaleItem kScaleItems[] = {{"Window 0.75x", 0.75f}, {"Window 1x", 1.f}, {"Window 1.5x", 1.5f},
                                     {"Window 2x", 2.f}};

}  // namespace

SettingsMenuControl::SettingsMenuControl(Actions actions, std::string version)
    : IControl({}), mActions(std::move(actions)), mVersion(std::move(version)) {
  Hide(true);
  SetIgnoreMouse(true);
}

void SettingsMenuControl::Build() {
  mMenu.Clear();
  const int colour = mActions.getColour ? mActions.getColour() : 0;
  for (int i = 0; i < 6; ++i) mMenu.AddItem(kColourNames[i], true, i == colour);
  mMenu.AddSeparator();
  const float scale = mActions.getScale ? mActions.getScale() : 1.f;
  for (const ScaleItem& item : kScaleItems) mMenu.AddItem(item.text, true, std::fabs(scale - item.scale) < 0.02f);
  mMenu.AddSeparator();
  if (mActions.addUpdateItems) mActions.addUpdateItems(mMenu);
  mMenu.AddItem("Relaycaster " + mVersion, false);
  mMenu.AddItem(theme::kNdiTrademarkNotice, false);
  mMenu.AddItem(theme::kNdiVendorDomain, true);
}

void SettingsMenuControl::Open(const framework::IRECT& anchor) {
  Build();
  if (framework::IGraphics* g = GetUI()) g->CreatePopupMenu(*this, mMenu, anchor);
}

void SettingsMenuControl::OnPopupMenuSelection(framework::IPopupMenu* menu, int) {
  if (!menu) return;  // dismissed
  const int chosen = menu->GetChosenItemIdx();
  if (chosen >= kFirstColourItem && chosen < kFirstColourItem + 6) {
    if (mActions.setColour) mActions.setColour(chosen - kFirstColourItem);
  } else if (chosen >= kFirstScaleItem && chosen < kFirstScaleItem + 4) {
    if (mActions.setScale) mActions.setScale(kScaleItems[chosen - kFirstScaleItem].scale);
  } else if (chosen == kFirstUpdateItem || chosen == kFirstUpdateItem + 1) {
    if (mActions.updateSelected) mActions.updateSelected(chosen - kFirstUpdateItem);
  } else if (chosen == kVendorLinkItem) {
    if (mActions.openVendorSite) mActions.openVendorSite();
  }
}

}  // namespace relaycaster
