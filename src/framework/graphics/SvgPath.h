#pragma once

// Path geometry for the SVG reader: a builder that reduces lines, curves
// and elliptical arcs to the moves, lines and cubics of SvgPathCommand,
// mapped through the element's transform, and the reader of path data
// ("M10 10h5a5 5 0 01-5 5z") that drives it.
//
// Threads: any; no shared state.
#include <cstddef>
#include <string_view>
#include <vector>

#include "framework/graphics/SvgPicture.h"
#include "framework/graphics/SvgValues.h"

namespace framework::svg {

/// Collects one shape's path in its own coordinates; every point is
/// mapped through `transform` as it is stored. Once `budget` commands are
/// stored (or a point cannot be represented) the builder is Full() and
/// drops everything after.
class PathBuilder {
 public:
  PathBuilder(const Matrix& transform, size_t budget) : mTransform(transform), mBudget(budget) {}

  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  void CubicTo(double x1, double y1, double x2, double y2, double x, double y);
  /// A quadratic curve, stored as the cubic that draws the same curve.
  void QuadTo(double qx, double qy, double x, double y);
  /// An elliptical arc as SVG's A command gives it (radii corrected when
  /// too small, a zero radius drawing a line), as up to four cubics.
  void ArcTo(double rx, double ry, double rotationDegrees, bool largeArc, bool sweep, double x, double y);
  void Close();

  bool Full() const { return mFull; }
  /// The current point and the start of the current subpath, untransformed.
  double X() const { return mX; }
  double Y() const { return mY; }
  /// True when the path has something to draw (more than moves).
  bool Draws() const { return mDraws; }
  std::vector<SvgPathCommand> Take() { return std::move(mCommands); }

 private:
  /// Starts a subpath at the current point when the last one was closed.
  void beginSegment();
  bool push(SvgPathCommand::Op op, double x1, double y1, double x2 = 0, double y2 = 0, double x3 = 0, double y3 = 0);

  Matrix mTransform;
  size_t mBudget;
  std::vector<SvgPathCommand> mCommands;
  double mX = 0.0, mY = 0.0;
  double mStartX = 0.0, mStartY = 0.0;
  bool mClosed = false;
  bool mFull = false;
  bool mDraws = false;
};

/// Reads path data into `path` up to its end or its first error (SVG draws
/// a path up to the first error, so the part before it is kept). True when
/// all of it was read.
bool ReadPathData(std::string_view data, PathBuilder& path);

}  // namespace framework::svg
