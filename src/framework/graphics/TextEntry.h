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
  /// selection), Backspace/Delete, Ctrl+A/C/X/V, Return and Escape. Tab,
  /// Up/Down, other Ctrl letters and Alt combinations do nothing; Ctrl+Alt
  /// with a character types it (AltGr arrives that way on Windows).
  KeyResult HandleKey(const KeyPress& key);
  /// Replaces the selection with `utf8` (typed or pasted). Line breaks and
  /// tabs become spaces, other control characters are dropped, invalid
  /// UTF-8 becomes U+FFFD, and the text stops growing at the length limit
  /// (never half a character). Text that is empty after this leaves the
  /// selection alone. Returns whether anything changed.
  bool Insert(std::string_view utf8);
  void SelectAll();
  /// Puts the caret at a byte offset (snapped back to a character
  /// boundary); with `extend` the selection grows to it.
  void SetCaret(size_t offset, bool extend);

 private:
  KeyResult HandleShortcut(const KeyPress& key);
  void MoveCaret(size_t offset, bool extend);
  /// Removes the selection, or when there is none the character before
  /// (`backwards`) or after the caret.
  bool Erase(bool backwards);
  void EraseSelection();
  size_t PreviousBoundary(size_t offset) const;
  size_t NextBoundary(size_t offset) const;

  std::string mText;
  size_t mCaret = 0;
  size_t mAnchor = 0;
  int mMaxChars = 0;
};

/// An open text entry: the model over a rectangle, in a text style. It
/// opens with the whole text selected, so typing replaces it.
///
/// The text is laid out one line, with the style's alignment inside the
/// bounds less kPadding on each side; text wider than that is scrolled so
/// the caret stays in view (a centred or right-aligned text then behaves
/// like a left-aligned one).
class TextEntryLayer {
 public:
  static constexpr float kPadding = 4.f;

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
  /// The caret's left edge in design units, as the next Draw places it.
  float CaretX(DrawingBackend& g);
  /// How far the text is scrolled left (design units).
  float Scroll() const { return mScroll; }

 private:
  /// The entry's style as drawn: entry foreground, always near-aligned
  /// (the layer places the text itself).
  TextStyle DrawStyle() const;
  float Width(DrawingBackend& g, std::string_view text) const;
  /// Keeps the caret inside the text area and the text from scrolling
  /// further than it needs to.
  void UpdateScroll(DrawingBackend& g);
  /// Where the text's first character starts, for a text `textWidth` wide.
  float TextLeft(float textWidth) const;
  /// The band the caret and selection cover vertically.
  IRECT LineBand() const;

  IControl& mOwner;
  TextStyle mStyle;
  IRECT mBounds;
  int mValIdx;
  TextEntryModel mModel;
  float mScroll = 0.f;  // design units the text is shifted left to keep the caret in view
};

}  // namespace framework
