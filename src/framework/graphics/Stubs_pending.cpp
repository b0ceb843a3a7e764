// Placeholders until the SVG reader, the text entry, the menu view and the
// message box land; each is replaced by its own file.
#include "framework/graphics/MessageBoxView.h"
#include "framework/graphics/PopupMenuView.h"
#include "framework/graphics/SvgPicture.h"
#include "framework/graphics/TextEntry.h"

namespace framework {

SvgPicture ParseSvg(std::string_view, float) { return {}; }

TextEntryModel::TextEntryModel(std::string_view initial, int maxChars) : mText(initial), mMaxChars(maxChars) {}
size_t TextEntryModel::SelectionStart() const { return std::min(mCaret, mAnchor); }
size_t TextEntryModel::SelectionEnd() const { return std::max(mCaret, mAnchor); }
TextEntryModel::KeyResult TextEntryModel::HandleKey(const KeyPress& key) {
  if (key.key == Key::Return) return {Outcome::Commit, {}};
  if (key.key == Key::Escape) return {Outcome::Abandon, {}};
  if (key.key == Key::Character && !key.ctrl) Insert(key.text);
  return {Outcome::Changed, {}};
}
bool TextEntryModel::Insert(std::string_view utf8) {
  mText.erase(SelectionStart(), SelectionEnd() - SelectionStart());
  mText.insert(SelectionStart(), utf8);
  mCaret = mAnchor = SelectionStart() + utf8.size();
  return true;
}
void TextEntryModel::SelectAll() {
  mAnchor = 0;
  mCaret = mText.size();
}
TextEntryLayer::TextEntryLayer(IControl& owner, const TextStyle& style, const IRECT& bounds, std::string_view initial,
                               int maxChars, int valIdx)
    : mOwner(owner), mStyle(style), mBounds(bounds), mValIdx(valIdx), mModel(initial, maxChars) {}
void TextEntryLayer::Draw(DrawingBackend& g) {
  g.FillRect(mStyle.entryBg, mBounds, 1.f);
  g.DrawText(mStyle.WithColor(mStyle.entryFg), mModel.Text(), mBounds.Padded(-4), 1.f);
}
void TextEntryLayer::OnMouseDown(float, float, const IMouseMod&, DrawingBackend&) {}
void TextEntryLayer::OnMouseDrag(float, float, DrawingBackend&) {}

PopupMenuView::PopupMenuView(const IPopupMenu& menu, const Measure&) : mMenu(menu) {
  mWidth = 160;
  mHeight = 20.f * static_cast<float>(menu.NItems());
}
bool PopupMenuView::OnMouseMove(float x, float y) {
  mHighlighted = ItemAt(x, y);
  return true;
}
int PopupMenuView::ItemAt(float x, float y) const {
  if (x < 0 || x >= mWidth || y < 0 || y >= mHeight) return -1;
  return static_cast<int>(y / 20.f);
}
PopupMenuView::Result PopupMenuView::OnMouseDown(float x, float y) {
  return ItemAt(x, y) < 0 ? Result::Dismissed : Result::Open;
}
PopupMenuView::Result PopupMenuView::OnMouseUp(float x, float y) {
  const int item = ItemAt(x, y);
  if (!mMenu.IsChoosable(item)) return Result::Open;
  mChosen = item;
  return Result::Chosen;
}
PopupMenuView::Result PopupMenuView::OnKey(const KeyPress& key, bool&) {
  return key.key == Key::Escape ? Result::Dismissed : Result::Open;
}
void PopupMenuView::Draw(DrawingBackend& g) const { g.FillRect({255, 28, 28, 28}, {0, 0, mWidth, mHeight}, 1.f); }
TextStyle PopupMenuView::ItemStyle() { return {}; }

MessageBoxView::MessageBoxView(std::string text, std::string caption, MessageBoxType type, const IRECT& area)
    : mText(std::move(text)), mCaption(std::move(caption)), mType(type), mArea(area) {}
int MessageBoxView::OnMouseDown(float, float) { return kNoResult; }
bool MessageBoxView::OnMouseMove(float, float) { return false; }
int MessageBoxView::OnKey(const KeyPress& key, bool&) {
  if (key.key == Key::Return) return mType == kMB_YESNO ? kIDYES : kIDOK;
  if (key.key == Key::Escape) return DismissAnswer();
  return kNoResult;
}
void MessageBoxView::Draw(DrawingBackend& g) { g.FillRect({160, 0, 0, 0}, mArea, 1.f); }

}  // namespace framework
