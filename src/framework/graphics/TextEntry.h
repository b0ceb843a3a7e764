#pragma once

// The toolkit's own single-line text entry: TextEntryModel keeps the text,
// caret and selection and turns key presses into edits (no drawing);
// TextEntryLayer places it over a control's rectangle, draws it in the
// entry style and maps mouse positions to caret positions.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "framework/graphics/DrawingBackend.h"
#include "framework/graphics/IGraphicsTypes.h"

namespace framework {

class IControl;

/// Text, caret and selection of a text entry, in UTF-8. Positions are byte
/// offsets that always sit on character boundaries; the length limit counts
/// characters (code points), not bytes.
class TextEntryModel {
 public:
  /// What a key press asks of the entry's owner.
  enum class Outcome {
    None,            // nothing to do (the key was ignored or moved the caret)
    Changed,         // the text changed
    Commit,          // Return: the entry closes with its text
    Abandon,         // Escape: the entry closes without it
    Copy,            // put `clipboardText` on the clipboard
    Cut,             // put `clipboardText` on the clipboard (the selection was removed)
    PasteClipboard,  // ask the platform for the clipboard's text, then Insert() it
  };
  struct KeyResult {
    Outcome outcome = Outcome::None;
    std::string clipboardText;
  };

  /// `initial` is cut to `maxChars` characters; invalid UTF-8 becomes U+FFFD.
  TextEntryModel(std::string_view initial, int maxChars);

  const std::string& Text() const { return mText; }
  size_t Caret() const { return mCaret; }
  size_t SelectionStart() const;
  size_t SelectionEnd() const;
  bool HasSelection() const { return mCaret != mAnchor; }
  std::string SelectedText() const;
  int MaxChars() const { return mMaxChars; }
  int CharCount() const;

  /// Typing, caret movement (Left/Right/Home/End, with Shift extending the
  /// selection), Backspace/Delete, Ctrl+A/C/X/V, Return and Escape.
  KeyResult HandleKey(const KeyPress& key);
  /// Replaces the selection with `utf8` (typed or pasted). Line breaks and
  /// tabs become spaces, other control characters are dropped, and the
  /// text stops growing at the length limit. Returns whether anything changed.
  bool Insert(std::string_view utf8);
  void SelectAll();
  /// Puts the caret at a byte offset (snapped back to a character
  /// boundary); with `extend` the selection grows to it.
  void SetCaret(size_t offset, bool extend);

 private:
  std::string mText;
  size_t mCaret = 0;
  size_t mAnchor = 0;
  int mMaxChars = 0;
};

/// An open text entry: the model over a rectangle, in a text style.
class TextEntryLayer {
 public:
  TextEntryLayer(IControl& owner, const TextStyle& style, const IRECT& bounds, std::string_view initial, int maxChars,
                 int valIdx);

  IControl& Owner() const { return mOwner; }
  int ValIdx() const { return mValIdx; }
  const IRECT& Bounds() const { return mBounds; }
  TextEntryModel& Model() { return mModel; }
  const TextEntryModel& Model() const { return mModel; }

  /// Entry background, the visible part of the text (scrolled so the caret
  /// shows), the selection and the caret, in the style's entry colours.
  void Draw(DrawingBackend& g);
  /// Mouse in design units: a press places the caret (Shift extends), a drag selects.
  void OnMouseDown(float x, float y, const IMouseMod& mod, DrawingBackend& g);
  void OnMouseDrag(float x, float y, DrawingBackend& g);
  /// The byte offset of the character boundary nearest to `x`.
  size_t OffsetAt(float x, DrawingBackend& g) const;

 private:
  float TextLeft(DrawingBackend& g) const;

  IControl& mOwner;
  TextStyle mStyle;
  IRECT mBounds;
  int mValIdx;
  TextEntryModel mModel;
  float mScroll = 0.f;  // design units the text is shifted left to keep the caret in view
};

}  // namespace framework
