// make-logo: writes Relaycaster's logo lockup as SVG.
//
//   make-logo <RobotoCondensed-Bold.ttf> [output.svg]
//
// The lockup is a gauge mark (an arc open at the bottom and a needle
// pointing to the upper right) followed by the product word. The word is
// drawn as outlines taken from the font with FreeType, so the picture
// needs no font when it is shown. Outlines are read unscaled and unhinted
// and scaled here with rounding to hundredths, so the output depends only
// on the font file, never on FreeType's version or settings: the
// committed logo is this program's output, byte for byte.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H
#include FT_GLYPH_H

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The picture, in its own units.
constexpr double kWidth = 316.04;
constexpr double kHeight = 64.0;
constexpr double kMargin = 2.04;  // left of the gauge and right of the word

// The gauge: an arc of 270 degrees around the top, open at the bottom.
constexpr double kArcRadius = 22.0;
constexpr double kArcStroke = 5.0;
constexpr double kCentreX = kMargin + kArcRadius + kArcStroke / 2;
constexpr double kCentreY = kHeight / 2;
constexpr double kNeedleLength = 12.5;  // centre to tip; the round caps add half the stroke
constexpr double kNeedleStroke = 9.0;

// The word: its ink starts a little over two stroke widths after the gauge's
// ink and ends at the right margin; its height follows from that width.
constexpr double kWordLeft = kCentreX + kArcRadius + kArcStroke / 2 + 11.0;
constexpr double kWordRight = kWidth - kMargin;
constexpr const char* kWord = "RELAYCASTER";

const char* const kLight = "#fafafa";
const char* const kAccent = "#fc785c";

/// A coordinate in hundredths, as written.
long long Hundredths(double v) { return std::llround(v * 100.0); }

/// Hundredths as the shortest decimal text: 1250 -> "12.5", -5 -> "-.05".
std::string FormatHundredths(long long n) {
  std::string out = n < 0 ? "-" : "";
  const long long a = n < 0 ? -n : n;
  if (a / 100 != 0 || a % 100 == 0) out += std::to_string(a / 100);
  if (a % 100 != 0) {
    const int frac = static_cast<int>(a % 100);
    out += '.';
    out += static_cast<char>('0' + frac / 10);
    if (frac % 10 != 0) out += static_cast<char>('0' + frac % 10);
  }
  return out;
}

/// Path data with the separators SVG needs and no more: a space between
/// numbers unless the next one starts with a minus sign or a point that
/// cannot belong to the previous number.
class PathText {
 public:
  void Command(char c) {
    mText += c;
    mAfterNumber = false;
    mLastHadPoint = false;
  }
  void Number(long long hundredths) {
    const std::string n = FormatHundredths(hundredths);
    const bool startsWithPoint = n[0] == '.';
    if (mAfterNumber && n[0] != '-' && !(startsWithPoint && mLastHadPoint)) mText += ' ';
    mText += n;
    mAfterNumber = true;
    mLastHadPoint = n.find('.') != std::string::npos;
  }
  void Point(long long x, long long y) {
    Number(x);
    Number(y);
  }
  const std::string& Text() const { return mText; }

 private:
  std::string mText;
  bool mAfterNumber = false;
  bool mLastHadPoint = false;
};

/// One glyph's outline as path data, font units mapped to the picture;
/// FreeType's outline walk calls the static members.
class OutlineWriter {
 public:
  OutlineWriter(double originX, double baseline, double scale) : mOriginX(originX), mBaseline(baseline), mScale(scale) {}

  /// Walks the outline; the path data of all its contours.
  std::string Write(FT_Outline& outline) {
    const FT_Outline_Funcs funcs{&MoveTo, &LineTo, &ConicTo, &CubicTo, 0, 0};
    if (FT_Outline_Decompose(&outline, &funcs, this) != 0) return {};
    closeContour();
    return mPath.Text();
  }

 private:
  static OutlineWriter& Self(void* user) { return *static_cast<OutlineWriter*>(user); }

  static int MoveTo(const FT_Vector* to, void* user) {
    OutlineWriter& w = Self(user);
    w.closeContour();
    w.mStartX = w.mLastX = w.x(*to);
    w.mStartY = w.mLastY = w.y(*to);
    w.mPath.Command('M');
    w.mPath.Point(w.mStartX, w.mStartY);
    w.mOpen = true;
    return 0;
  }

  static int LineTo(const FT_Vector* to, void* user) {
    OutlineWriter& w = Self(user);
    w.flushLine();
    w.mLastX = w.x(*to);
    w.mLastY = w.y(*to);
    w.mLineHeld = true;
    return 0;
  }

  static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    OutlineWriter& w = Self(user);
    w.flushLine();
    w.mPath.Command('Q');
    w.mPath.Point(w.x(*control), w.y(*control));
    w.curveEnd(*to);
    return 0;
  }

  static int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    OutlineWriter& w = Self(user);
    w.flushLine();
    w.mPath.Command('C');
    w.mPath.Point(w.x(*c1), w.y(*c1));
    w.mPath.Point(w.x(*c2), w.y(*c2));
    w.curveEnd(*to);
    return 0;
  }

  long long x(const FT_Vector& v) const { return Hundredths(mOriginX + static_cast<double>(v.x) * mScale); }
  long long y(const FT_Vector& v) const { return Hundredths(mBaseline - static_cast<double>(v.y) * mScale); }

  void curveEnd(const FT_Vector& to) {
    mLastX = x(to);
    mLastY = y(to);
    mPath.Point(mLastX, mLastY);
  }

  /// A line is held back until the next command: the one that only returns
  /// to the contour's start is left out, since Z draws it.
  void flushLine() {
    if (!mLineHeld) return;
    mLineHeld = false;
    mPath.Command('L');
    mPath.Point(mLastX, mLastY);
  }

  void closeContour() {
    if (!mOpen) return;
    if (mLineHeld && mLastX == mStartX && mLastY == mStartY) mLineHeld = false;
    flushLine();
    mPath.Command('Z');
    mOpen = false;
  }

  double mOriginX, mBaseline, mScale;
  PathText mPath;
  long long mStartX = 0, mStartY = 0, mLastX = 0, mLastY = 0;
  bool mOpen = false;
  bool mLineHeld = false;
};

/// One glyph of the word in font units: its outline, ink box and pen position.
struct Glyph {
  FT_BBox ink{};
  FT_Pos penX = 0;
  FT_Outline outline{};  // owned by `copy`
  FT_Glyph copy = nullptr;
};

/// Loads the word's glyphs unscaled and unhinted, kerned when the font has
/// a kerning table. (Roboto Condensed keeps its pairs in GPOS, which
/// FreeType does not apply, so the word is set with plain advances; in
/// capitals at this size that reads evenly.) False with a message when the
/// font cannot give the glyphs.
bool LoadWord(FT_Face face, std::vector<Glyph>& glyphs) {
  FT_Pos pen = 0;
  FT_UInt previous = 0;
  for (const char* c = kWord; *c; ++c) {
    const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(*c));
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
      std::cerr << "make-logo: the font has no outline for '" << *c << "'\n";
      return false;
    }
    if (previous != 0 && FT_HAS_KERNING(face)) {
      FT_Vector kern{};
      if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNSCALED, &kern) == 0) pen += kern.x;
    }
    Glyph g;
    g.penX = pen;
    if (FT_Get_Glyph(face->glyph, &g.copy) != 0) return false;
    g.outline = reinterpret_cast<FT_OutlineGlyph>(g.copy)->outline;
    FT_Outline_Get_BBox(&g.outline, &g.ink);
    glyphs.push_back(g);
    pen += face->glyph->advance.x;
    previous = index;
  }
  return !glyphs.empty();
}

std::string Number(double v) { return FormatHundredths(Hundredths(v)); }

std::string GaugePaths() {
  // From 135 degrees (lower left) clockwise over the top to 45 degrees
  // (lower right); the needle points at -45 degrees (upper right).
  const double d = kArcRadius * std::sqrt(0.5);
  const double tip = kNeedleLength * std::sqrt(0.5);
  std::ostringstream out;
  out << "<g fill=\"none\" stroke-linecap=\"round\">\n"
      << "<path stroke=\"" << kLight << "\" stroke-width=\"" << Number(kArcStroke) << "\" d=\"M" << Number(kCentreX - d)
      << ' ' << Number(kCentreY + d) << "A" << Number(kArcRadius) << ' ' << Number(kArcRadius) << " 0 1 1 "
      << Number(kCentreX + d) << ' ' << Number(kCentreY + d) << "\"/>\n"
      << "<path stroke=\"" << kAccent << "\" stroke-width=\"" << Number(kNeedleStroke) << "\" d=\"M" << Number(kCentreX)
      << ' ' << Number(kCentreY) << "L" << Number(kCentreX + tip) << ' ' << Number(kCentreY - tip) << "\"/>\n"
      << "</g>\n";
  return out.str();
}

std::string WordPaths(const std::vector<Glyph>& glyphs) {
  FT_Pos left = glyphs.front().penX + glyphs.front().ink.xMin, right = left;
  FT_Pos top = glyphs.front().ink.yMax, bottom = glyphs.front().ink.yMin;
  for (const Glyph& g : glyphs) {
    left = std::min(left, g.penX + g.ink.xMin);
    right = std::max(right, g.penX + g.ink.xMax);
    top = std::max(top, g.ink.yMax);
    bottom = std::min(bottom, g.ink.yMin);
  }
  // The ink spans kWordLeft..kWordRight and is centred on the gauge's centre line.
  const double scale = (kWordRight - kWordLeft) / static_cast<double>(right - left);
  const double originX = kWordLeft - static_cast<double>(left) * scale;
  const double baseline = kCentreY + static_cast<double>(top + bottom) / 2 * scale;
  std::ostringstream out;
  out << "<g fill=\"" << kLight << "\">\n";
  for (const Glyph& g : glyphs) {
    FT_Outline outline = g.outline;
    OutlineWriter writer(originX + static_cast<double>(g.penX) * scale, baseline, scale);
    out << "<path d=\"" << writer.Write(outline) << "\"/>\n";
  }
  out << "</g>\n";
  return out.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: make-logo <RobotoCondensed-Bold.ttf> [output.svg]\n";
    return 2;
  }
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) != 0) return 1;
  if (FT_New_Face(library, argv[1], 0, &face) != 0) {
    std::cerr << "make-logo: cannot read the font " << argv[1] << "\n";
    FT_Done_FreeType(library);
    return 1;
  }
  std::vector<Glyph> glyphs;
  const bool loaded = LoadWord(face, glyphs);
  std::string svg;
  if (loaded) {
    svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(kWidth) + "px\" height=\"" + Number(kHeight) +
          "px\" viewBox=\"0 0 " + Number(kWidth) + ' ' + Number(kHeight) + "\">\n" + GaugePaths() + WordPaths(glyphs) +
          "</svg>\n";
  }
  for (Glyph& g : glyphs) FT_Done_Glyph(g.copy);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  if (!loaded) return 1;

  if (argc == 2) {
    std::cout << svg;
    return std::cout.flush() ? 0 : 1;
  }
  std::ofstream file(argv[2], std::ios::binary);
  file << svg;
  file.close();
  if (!file) {
    std::cerr << "make-logo: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
