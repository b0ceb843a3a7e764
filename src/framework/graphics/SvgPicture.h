#pragma once

// A parsed SVG picture as plain data: every shape reduced to a path of
// moves, lines and cubic curves in the picture's user space (transforms
// already applied), with its paint. The drawing back end replays it.
#include <cstddef>
#include <string_view>
#include <vector>

#include "framework/graphics/IGraphicsTypes.h"

namespace framework {

struct SvgPathCommand {
  enum class Op { Move, Line, Cubic, Close };
  Op op = Op::Move;
  // Move and Line use (x1, y1); Cubic uses both control points and the end point (x3, y3).
  float x1 = 0.f, y1 = 0.f, x2 = 0.f, y2 = 0.f, x3 = 0.f, y3 = 0.f;
};

enum class SvgLineCap { Butt, Round, Square };
enum class SvgLineJoin { Miter, Round, Bevel };

struct SvgPaint {
  bool none = true;
  IColor color;  // alpha carries fill-opacity / stroke-opacity
};

struct SvgShape {
  std::vector<SvgPathCommand> path;
  SvgPaint fill;
  SvgPaint stroke;
  float strokeWidth = 1.f;  // in user units, already scaled by the shape's transform
  SvgLineCap cap = SvgLineCap::Butt;
  SvgLineJoin join = SvgLineJoin::Miter;
  float miterLimit = 4.f;
  bool evenOddFill = false;
  float opacity = 1.f;  // the product of the shape's and its groups' opacity
};

struct SvgPicture {
  /// The picture's size in pixels (its width and height attributes in the
  /// units given, at the dpi it was read with; the view box's size without them).
  float width = 0.f;
  float height = 0.f;
  /// The part of user space shown in width × height.
  IRECT viewBox;
  std::vector<SvgShape> shapes;

  bool Empty() const { return shapes.empty() || !(width > 0.f) || !(height > 0.f) || viewBox.NoArea(); }
};

/// The bounds ParseSvg keeps to whatever it is given. A longer text is
/// refused as a whole; elements nested deeper (the root counting as the
/// first level) are skipped with their contents; reading stops
/// at the shape or path command beyond its limit, keeping what it has; a
/// number larger in magnitude makes its attribute (or the path data from
/// that point) invalid.
inline constexpr size_t kMaxSvgBytes = size_t{4} << 20;
inline constexpr int kMaxSvgDepth = 64;
inline constexpr size_t kMaxSvgShapes = 10000;
inline constexpr size_t kMaxSvgCommands = 100000;
inline constexpr double kMaxSvgNumber = 1e7;

/// Reads the SVG subset the editor's pictures use: svg, g, path (every
/// path command, absolute and relative), circle, ellipse, line, rect,
/// polyline, polygon; fill, stroke, stroke-width, stroke-linecap,
/// stroke-linejoin, stroke-miterlimit, fill-rule, opacity, fill-opacity and
/// stroke-opacity as attributes or in a style attribute; transform; viewBox;
/// width and height in px, pt, mm, cm, in or without a unit, at `dpi`.
/// Anything else is skipped. Text that is not such an SVG gives an empty
/// picture; nothing crashes, loops without end or grows without bound.
SvgPicture ParseSvg(std::string_view text, float dpi = 72.f);

}  // namespace framework
