#include "framework/graphics/TextEntry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "framework/graphics/Utf8.h"

namespace framework {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

/// One character read from UTF-8: a code point and the bytes it took. An
/// ill-formed sequence is one replacement character for its longest
/// well-formed-looking start, so "\xE2\x82x" reads as U+FFFD then "x".
struct Decoded {
  char32_t codePoint = kReplacement;
  size_t length = 1;
};

Decoded DecodeAt(std::string_view s, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const unsigned char b0 = byte(0);
  if (b0 < 0x80) return {b0, 1};

  // The sequence length and the range the second byte must fall in; the
  // narrowed ranges exclude overlong forms, surrogates and values past U+10FFFF.
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return {kReplacement, 1};
  }

  char32_t cp = b0 & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
  for (size_t k = 1; k < length; ++k) {
    if (i + k >= s.size()) return {kReplacement, k};
    const unsigned char b = byte(k);
    const bool inRange = k == 1 ? (b >= low && b <= high) : IsContinuation(b);
    if (!inRange) return {kReplacement, k};
    cp = (cp << 6) | (b & 0x3F);
  }
  return {cp, length};
}

bool IsLineBreakOrTab(char32_t cp) { return cp == '\n' || cp == '\r' || cp == '\t' || cp == 0x2028 || cp == 0x2029; }

/// C0 and C1 controls and DEL: they have no place in a one-line field.
bool IsControl(char32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F); }

/// What of `in` a single-line entry keeps, at most `maxChars` characters:
/// line breaks and tabs as spaces ("\r\n" as one), other controls dropped,
/// ill-formed sequences as U+FFFD. Stops reading once the room is used up,
/// so a huge paste costs no more than the part that fits.
std::string Sanitize(std::string_view in, int maxChars) {
  std::string out;
  int chars = 0;
  for (size_t i = 0; i < in.size() && chars < maxChars;) {
    const Decoded d = DecodeAt(in, i);
    i += d.length;
    char32_t cp = d.codePoint;
    if (IsLineBreakOrTab(cp)) {
      if (cp == '\r' && i < in.size() && in[i] == '\n') ++i;
      cp = ' ';
    } else if (IsControl(cp)) {
      continue;
    }
    AppendUtf8(out, cp);
    ++chars;
  }
  return out;
}

int CountChars(std::string_view utf8) {
  return static_cast<int>(std::count_if(utf8.begin(), utf8.end(),
                                        [](char c) { return !IsContinuation(static_cast<unsigned char>(c)); }));
}

/// The letter of a Ctrl shortcut, lower case; 0 when the key typed something else.
char ShortcutLetter(const std::string& text) {
  if (text.size() != 1) return 0;
  const char c = text[0];
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return (c >= 'a' && c <= 'z') ? c : 0;
}

}  // namespace

// --- TextEntryModel ------------------------------------------------------------------

TextEntryModel::TextEntryModel(std::string_view initial, int maxChars)
    : mText(Sanitize(initial, std::max(0, maxChars))), mMaxChars(std::max(0, maxChars)) {
  mCaret = mAnchor = mText.size();
}

size_t TextEntryModel::SelectionStart() const { return std::min(mCaret, mAnchor); }
size_t TextEntryModel::SelectionEnd() const { return std::max(mCaret, mAnchor); }

std::string TextEntryModel::SelectedText() const {
  return mText.substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

int TextEntryModel::CharCount() const { return CountChars(mText); }

TextEntryModel::KeyResult TextEntryModel::HandleKey(const KeyPress& key) {
  // Alt alone belongs to the host's menus; Ctrl+Alt is AltGr on Windows.
  if (key.alt && !key.ctrl) return {};
  const bool extend = key.shift;
  switch (key.key) {
    case Key::Character:
      if (key.ctrl && !key.alt) return HandleShortcut(key);
      return {Insert(key.text) ? Outcome::Changed : Outcome::None, {}};
    case Key::Return:
      return {Outcome::Commit, {}};
    case Key::Escape:
      return {Outcome::Abandon, {}};
    case Key::Backspace:
      return {Erase(true) ? Outcome::Changed : Outcome::None, {}};
    case Key::Delete:
      return {Erase(false) ? Outcome::Changed : Outcome::None, {}};
    case Key::Left:
      MoveCaret(HasSelection() && !extend ? SelectionStart() : PreviousBoundary(mCaret), extend);
      return {};
    case Key::Right:
      MoveCaret(HasSelection() && !extend ? SelectionEnd() : NextBoundary(mCaret), extend);
      return {};
    case Key::Home:
      MoveCaret(0, extend);
      return {};
    case Key::End:
      MoveCaret(mText.size(), extend);
      return {};
    default:
      return {};
  }
}

TextEntryModel::KeyResult TextEntryModel::HandleShortcut(const KeyPress& key) {
  switch (ShortcutLetter(key.text)) {
    case 'a':
      SelectAll();
      return {};
    case 'c':
      // Nothing selected: the clipboard keeps what it had.
      if (!HasSelection()) return {};
      return {Outcome::Copy, SelectedText()};
    case 'x': {
      if (!HasSelection()) return {};
      std::string cut = SelectedText();
      EraseSelection();
      return {Outcome::Cut, std::move(cut)};
    }
    case 'v':
      return {Outcome::PasteClipboard, {}};
    default:
      return {};  // never typed: Ctrl+letter is a shortcut or nothing
  }
}

bool TextEntryModel::Insert(std::string_view utf8) {
  const size_t start = SelectionStart();
  const size_t end = SelectionEnd();
  const int kept = CharCount() - CountChars(std::string_view(mText).substr(start, end - start));
  const std::string addition = Sanitize(utf8, std::max(0, mMaxChars - kept));
  if (addition.empty()) return false;
  mText.replace(start, end - start, addition);
  mCaret = mAnchor = start + addition.size();
  return true;
}

void TextEntryModel::SelectAll() {
  mAnchor = 0;
  mCaret = mText.size();
}

void TextEntryModel::SetCaret(size_t offset, bool extend) {
  offset = std::min(offset, mText.size());
  while (offset > 0 && offset < mText.size() && IsContinuation(static_cast<unsigned char>(mText[offset]))) --offset;
  MoveCaret(offset, extend);
}

void TextEntryModel::MoveCaret(size_t offset, bool extend) {
  mCaret = offset;
  if (!extend) mAnchor = offset;
}

bool TextEntryModel::Erase(bool backwards) {
  if (HasSelection()) {
    EraseSelection();
    return true;
  }
  const size_t from = backwards ? PreviousBoundary(mCaret) : mCaret;
  const size_t to = backwards ? mCaret : NextBoundary(mCaret);
  if (from == to) return false;
  mText.erase(from, to - from);
  mCaret = mAnchor = from;
  return true;
}

void TextEntryModel::EraseSelection() {
  const size_t start = SelectionStart();
  mText.erase(start, SelectionEnd() - start);
  mCaret = mAnchor = start;
}

size_t TextEntryModel::PreviousBoundary(size_t offset) const {
  if (offset == 0) return 0;
  --offset;
  while (offset > 0 && IsContinuation(static_cast<unsigned char>(mText[offset]))) --offset;
  return offset;
}

size_t TextEntryModel::NextBoundary(size_t offset) const {
  if (offset >= mText.size()) return mText.size();
  ++offset;
  while (offset < mText.size() && IsContinuation(static_cast<unsigned char>(mText[offset]))) ++offset;
  return offset;
}

// --- TextEntryLayer ------------------------------------------------------------------

namespace {

constexpr int kSelectionAlpha = 70;
constexpr float kLineHeightPerEm = 1.3f;

std::vector<size_t> CharacterBoundaries(const std::string& text) {
  std::vector<size_t> offsets;
  for (size_t i = 0; i < text.size(); ++i)
    if (!IsContinuation(static_cast<unsigned char>(text[i]))) offsets.push_back(i);
  offsets.push_back(text.size());
  return offsets;
}

}  // namespace

TextEntryLayer::TextEntryLayer(IControl& owner, const TextStyle& style, const IRECT& bounds, std::string_view initial,
                               int maxChars, int valIdx)
    : mOwner(owner), mStyle(style), mBounds(bounds), mValIdx(valIdx), mModel(initial, maxChars) {
  mModel.SelectAll();
}

TextStyle TextEntryLayer::DrawStyle() const {
  TextStyle s = mStyle.WithColor(mStyle.entryFg).WithAlign(EAlign::Near);
  s.angle = 0.f;
  return s;
}

float TextEntryLayer::Width(DrawingBackend& g, std::string_view text) const {
  if (text.empty()) return 0.f;
  const IRECT r = g.MeasureText(DrawStyle(), text, mBounds);
  return std::max(0.f, r.W());
}

float TextEntryLayer::TextLeft(float textWidth) const {
  const float left = mBounds.L + kPadding;
  const float right = mBounds.R - kPadding;
  if (textWidth > right - left) return left - mScroll;
  switch (mStyle.align) {
    case EAlign::Center:
      return 0.5f * (left + right - textWidth);
    case EAlign::Far:
      return right - textWidth;
    default:
      return left;
  }
}

void TextEntryLayer::UpdateScroll(DrawingBackend& g) {
  const std::string& text = mModel.Text();
  const float room = mBounds.W() - 2.f * kPadding;
  const float textWidth = Width(g, text);
  if (textWidth <= room) {
    mScroll = 0.f;
    return;
  }
  // The caret is one unit wide and must show whole at the right edge too.
  const float caret = Width(g, std::string_view(text).substr(0, mModel.Caret()));
  const float usable = std::max(0.f, room - 1.f);
  if (caret - mScroll > usable) mScroll = caret - usable;
  if (caret < mScroll) mScroll = caret;
  mScroll = std::clamp(mScroll, 0.f, std::max(0.f, textWidth - usable));
}

IRECT TextEntryLayer::LineBand() const {
  const float height = std::min(mBounds.H(), std::round(mStyle.size * kLineHeightPerEm));
  switch (mStyle.valign) {
    case EVAlign::Top:
      return {mBounds.L, mBounds.T, mBounds.R, mBounds.T + height};
    case EVAlign::Bottom:
      return {mBounds.L, mBounds.B - height, mBounds.R, mBounds.B};
    default:
      return {mBounds.L, mBounds.MH() - 0.5f * height, mBounds.R, mBounds.MH() + 0.5f * height};
  }
}

float TextEntryLayer::CaretX(DrawingBackend& g) {
  UpdateScroll(g);
  const std::string& text = mModel.Text();
  const float x = TextLeft(Width(g, text)) + Width(g, std::string_view(text).substr(0, mModel.Caret()));
  // On a whole pixel, so the one-unit caret is a sharp line at every scale.
  const float scale = g.Scale() > 0.f ? g.Scale() : 1.f;
  return std::round(x * scale) / scale;
}

void TextEntryLayer::Draw(DrawingBackend& g) {
  const float caretX = CaretX(g);  // also brings the scroll up to date
  const std::string& text = mModel.Text();
  const float textWidth = Width(g, text);
  const float left = TextLeft(textWidth);
  const IRECT band = LineBand();

  g.PushClip(mBounds);
  g.FillRect(mStyle.entryBg, mBounds, 1.f);
  if (mModel.HasSelection()) {
    const std::string_view all(text);
    const float from = left + Width(g, all.substr(0, mModel.SelectionStart()));
    const float to = left + Width(g, all.substr(0, mModel.SelectionEnd()));
    g.FillRect(mStyle.entryFg.WithAlpha(kSelectionAlpha * mStyle.entryFg.A / 255), {from, band.T, to, band.B}, 1.f);
  }
  if (!text.empty()) {
    // Near-aligned from `left`; the right edge only has to leave room.
    g.DrawText(DrawStyle(), text, {left, mBounds.T, left + textWidth + mBounds.W(), mBounds.B}, 1.f);
  }
  g.FillRect(mStyle.entryFg, {caretX, band.T, caretX + 1.f, band.B}, 1.f);
  g.PopClip();
}

size_t TextEntryLayer::OffsetAt(float x, DrawingBackend& g) const {
  const std::string& text = mModel.Text();
  const std::string_view all(text);
  const float textWidth = Width(g, text);
  const float along = x - TextLeft(textWidth);
  if (!(along > 0.f)) return 0;  // also NaN
  if (along >= textWidth) return text.size();

  // Prefix widths grow with the prefix, so a binary search finds the last
  // boundary at or before `along`; then the nearer of it and the next one.
  const std::vector<size_t> bounds = CharacterBoundaries(text);
  size_t lo = 0, hi = bounds.size() - 1;
  while (hi - lo > 1) {
    const size_t mid = lo + (hi - lo) / 2;
    if (Width(g, all.substr(0, bounds[mid])) <= along)
      lo = mid;
    else
      hi = mid;
  }
  const float before = Width(g, all.substr(0, bounds[lo]));
  const float after = Width(g, all.substr(0, bounds[hi]));
  return (along - before) <= (after - along) ? bounds[lo] : bounds[hi];
}

void TextEntryLayer::OnMouseDown(float x, float /*y*/, const IMouseMod& mod, DrawingBackend& g) {
  UpdateScroll(g);  // the text may have changed since the last frame
  mModel.SetCaret(OffsetAt(x, g), mod.S);
}

void TextEntryLayer::OnMouseDrag(float x, float /*y*/, DrawingBackend& g) {
  // The scroll stays put during the drag; the next frame follows the caret,
  // so dragging past an edge scrolls the text a little at each move.
  mModel.SetCaret(OffsetAt(x, g), true);
}

}  // namespace framework
