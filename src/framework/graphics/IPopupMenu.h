#pragma once

#include <string>
#include <vector>

namespace framework {

/// A popup menu's items as a control fills them; the framework shows it and
/// reports the chosen index through the control's OnPopupMenuSelection.
class IPopupMenu {
 public:
  struct Item {
    std::string text;
    bool enabled = true;
    bool checked = false;
    bool separator = false;
  };

  void Clear() {
    mItems.clear();
    mChosen = -1;
  }
  /// Returns the new item's index.
  int AddItem(std::string text, bool enabled = true, bool checked = false) {
    mItems.push_back({std::move(text), enabled, checked, false});
    return NItems() - 1;
  }
  int AddSeparator() {
    mItems.push_back({"", false, false, true});
    return NItems() - 1;
  }
  int NItems() const { return static_cast<int>(mItems.size()); }
  const Item& GetItem(int index) const { return mItems.at(static_cast<size_t>(index)); }
  /// An item can be chosen when it is enabled and not a separator.
  bool IsChoosable(int index) const {
    return index >= 0 && index < NItems() && mItems[static_cast<size_t>(index)].enabled &&
           !mItems[static_cast<size_t>(index)].separator;
  }

  int GetChosenItemIdx() const { return mChosen; }
  void SetChosenItemIdx(int index) { mChosen = index; }

 private:
  std::vector<Item> mItems;
  int mChosen = -1;
};

}  // namespace framework
