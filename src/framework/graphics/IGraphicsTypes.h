#pragma once

// The drawing toolkit's value types: colours, rectangles in design units,
// text styles, mouse modifiers, cursors and key presses.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace framework {

/// A colour {alpha, red, green, blue}, each 0..255, not premultiplied.
struct IColor {
  int A = 255;
  int R = 0;
  int G = 0;
  int B = 0;

  constexpr IColor() = default;
  constexpr IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}
  constexpr IColor WithAlpha(int alpha) const { return {alpha, R, G, B}; }
  constexpr bool operator==(const IColor&) const = default;
};

/// A rectangle {left, top, right, bottom} in the editor's design space.
struct IRECT {
  float L = 0.f;
  float T = 0.f;
  float R = 0.f;
  float B = 0.f;

  constexpr IRECT() = default;
  constexpr IRECT(float l, float t, float r, float b) : L(l), T(t), R(r), B(b) {}

  constexpr float W() const { return R - L; }
  constexpr float H() const { return B - T; }
  constexpr float MW() const { return 0.5f * (L + R); }
  constexpr float MH() const { return 0.5f * (T + B); }
  /// All four edges zero: the "no rectangle" value.
  constexpr bool Empty() const { return L == 0.f && T == 0.f && R == 0.f && B == 0.f; }
  /// No area (zero or negative width or height).
  constexpr bool NoArea() const { return !(R > L && B > T); }
  /// Left and top inclusive, right and bottom exclusive.
  constexpr bool Contains(float x, float y) const { return x >= L && x < R && y >= T && y < B; }
  constexpr bool Intersects(const IRECT& o) const { return L < o.R && o.L < R && T < o.B && o.T < B; }
  constexpr IRECT Intersect(const IRECT& o) const {
    IRECT r{std::max(L, o.L), std::max(T, o.T), std::min(R, o.R), std::min(B, o.B)};
    return r.NoArea() ? IRECT{} : r;
  }
  constexpr IRECT Union(const IRECT& o) const {
    if (NoArea()) return o;
    if (o.NoArea()) return *this;
    return {std::min(L, o.L), std::min(T, o.T), std::max(R, o.R), std::max(B, o.B)};
  }
  /// Grown by `d` on every side (shrunk for negative `d`).
  constexpr IRECT Padded(float d) const { return {L - d, T - d, R + d, B + d}; }
  constexpr IRECT Scaled(float s) const { return {L * s, T * s, R * s, B * s}; }
  /// The smallest whole-number rectangle holding this one.
  IRECT RoundedOut() const { return {std::floor(L), std::floor(T), std::ceil(R), std::ceil(B)}; }
  constexpr bool operator==(const IRECT&) const = default;
};

/// A control's opacity for drawing; the framework lowers it for a disabled control.
struct IBlend {
  float weight = 1.f;
};

enum class EAlign { Near, Center, Far };
enum class EVAlign { Top, Middle, Bottom };

/// How text is drawn: font id, size in design units (the em size), colour,
/// the colours of a text entry opened with this style, and alignment.
struct TextStyle {
  std::string font = "Roboto-Regular";
  float size = 12.f;
  IColor fg{255, 0, 0, 0};
  IColor entryBg{255, 255, 255, 255};
  IColor entryFg{255, 0, 0, 0};
  float angle = 0.f;
  EAlign align = EAlign::Center;
  EVAlign valign = EVAlign::Middle;

  TextStyle WithColor(const IColor& c) const {
    TextStyle s = *this;
    s.fg = c;
    return s;
  }
  TextStyle WithAlign(EAlign a) const {
    TextStyle s = *this;
    s.align = a;
    return s;
  }
};

/// Mouse buttons held or pressed, and keyboard modifiers, with an event.
struct IMouseMod {
  bool L = false;  // left button
  bool R = false;  // right button
  bool S = false;  // Shift
  bool C = false;  // Control (fine adjustment on knobs)
  bool A = false;  // Alt
};

enum class ECursor { Arrow, Hand, SizeNWSE, IBeam };

/// The keys the toolkit's text entry, popup menus and message boxes use.
enum class Key {
  None,
  Character,  // `text` holds what the key typed
  Return,
  Escape,
  Tab,
  Backspace,
  Delete,
  Left,
  Right,
  Up,
  Down,
  Home,
  End,
};

/// One key press as the platform translated it with the user's layout.
/// With Control held, `text` is the unshifted character of the key ("a"
/// for Ctrl+A), so shortcuts work on every layout that has the letter.
struct KeyPress {
  Key key = Key::None;
  std::string text;  // UTF-8; for Key::Character only
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

/// The two X-style selections; platforms with one clipboard use Clipboard only.
enum class ClipboardKind { Clipboard, Primary };

/// A rectangle of whole pixels in a window or back buffer.
struct PixelRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  constexpr bool operator==(const PixelRect&) const = default;
};

/// Pixels of a back buffer: 32-bit premultiplied ARGB in native byte
/// order, rows `stride` bytes apart. Valid until the buffer is resized.
struct PixelBuffer {
  const uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;

  /// Un-premultiplied colour of one pixel (tests probe pictures with it).
  IColor At(int x, int y) const;
};

}  // namespace framework
