#include "framework/graphics/SvgPath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace framework::svg {

namespace {

bool IsCommandLetter(char c) {
  switch (c) {
    case 'M': case 'm': case 'L': case 'l': case 'H': case 'h': case 'V': case 'v':
    case 'C': case 'c': case 'S': case 's': case 'Q': case 'q': case 'T': case 't':
    case 'A': case 'a': case 'Z': case 'z':
      return true;
    default:
      return false;
  }
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

/// `count` numbers with separators between and after them.
bool ReadNumbers(NumberScanner& scan, double* out, int count) {
  for (int i = 0; i < count; ++i) {
    if (!scan.Number(out[i])) return false;
    scan.SkipSeparators();
  }
  return true;
}

/// rx ry x-axis-rotation large-arc-flag sweep-flag x y
bool ReadArc(NumberScanner& scan, double (&v)[5], bool& largeArc, bool& sweep) {
  if (!ReadNumbers(scan, v, 3)) return false;
  if (!scan.Flag(largeArc)) return false;
  scan.SkipSeparators();
  if (!scan.Flag(sweep)) return false;
  scan.SkipSeparators();
  return ReadNumbers(scan, v + 3, 2);
}

double AngleBetween(double ux, double uy, double vx, double vy) { return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy); }

/// The state the smooth curve commands (S, T) reflect.
struct LastControl {
  enum class Kind { None, Cubic, Quadratic };
  Kind kind = Kind::None;
  double x = 0.0, y = 0.0;
};

/// One command's segment with its arguments read off `scan`; false on an error.
bool ReadSegment(char command, NumberScanner& scan, PathBuilder& path, LastControl& last) {
  const bool relative = command >= 'a';
  const double ox = relative ? path.X() : 0.0, oy = relative ? path.Y() : 0.0;
  const double cx = path.X(), cy = path.Y();
  double v[6] = {};
  LastControl next;
  switch (Upper(command)) {
    case 'M':
      if (!ReadNumbers(scan, v, 2)) return false;
      path.MoveTo(ox + v[0], oy + v[1]);
      break;
    case 'L':
      if (!ReadNumbers(scan, v, 2)) return false;
      path.LineTo(ox + v[0], oy + v[1]);
      break;
    case 'H':
      if (!ReadNumbers(scan, v, 1)) return false;
      path.LineTo(ox + v[0], cy);
      break;
    case 'V':
      if (!ReadNumbers(scan, v, 1)) return false;
      path.LineTo(cx, oy + v[0]);
      break;
    case 'C':
      if (!ReadNumbers(scan, v, 6)) return false;
      path.CubicTo(ox + v[0], oy + v[1], ox + v[2], oy + v[3], ox + v[4], oy + v[5]);
      next = {LastControl::Kind::Cubic, ox + v[2], oy + v[3]};
      break;
    case 'S': {
      if (!ReadNumbers(scan, v, 4)) return false;
      const bool reflect = last.kind == LastControl::Kind::Cubic;
      const double x1 = reflect ? 2 * cx - last.x : cx, y1 = reflect ? 2 * cy - last.y : cy;
      path.CubicTo(x1, y1, ox + v[0], oy + v[1], ox + v[2], oy + v[3]);
      next = {LastControl::Kind::Cubic, ox + v[0], oy + v[1]};
      break;
    }
    case 'Q':
      if (!ReadNumbers(scan, v, 4)) return false;
      path.QuadTo(ox + v[0], oy + v[1], ox + v[2], oy + v[3]);
      next = {LastControl::Kind::Quadratic, ox + v[0], oy + v[1]};
      break;
    case 'T': {
      if (!ReadNumbers(scan, v, 2)) return false;
      const bool reflect = last.kind == LastControl::Kind::Quadratic;
      const double qx = reflect ? 2 * cx - last.x : cx, qy = reflect ? 2 * cy - last.y : cy;
      path.QuadTo(qx, qy, ox + v[0], oy + v[1]);
      next = {LastControl::Kind::Quadratic, qx, qy};
      break;
    }
    case 'A': {
      double a[5] = {};
      bool largeArc = false, sweep = false;
      if (!ReadArc(scan, a, largeArc, sweep)) return false;
      path.ArcTo(a[0], a[1], a[2], largeArc, sweep, ox + a[3], oy + a[4]);
      break;
    }
    default:
      return false;
  }
  last = next;
  return true;
}

}  // namespace

void PathBuilder::MoveTo(double x, double y) {
  // Moves in a row draw nothing; only the last one counts.
  if (!mCommands.empty() && mCommands.back().op == SvgPathCommand::Op::Move) mCommands.pop_back();
  if (!push(SvgPathCommand::Op::Move, x, y)) return;
  mX = mStartX = x;
  mY = mStartY = y;
  mClosed = false;
}

void PathBuilder::LineTo(double x, double y) {
  beginSegment();
  if (!push(SvgPathCommand::Op::Line, x, y)) return;
  mX = x;
  mY = y;
  mDraws = true;
}

void PathBuilder::CubicTo(double x1, double y1, double x2, double y2, double x, double y) {
  beginSegment();
  if (!push(SvgPathCommand::Op::Cubic, x1, y1, x2, y2, x, y)) return;
  mX = x;
  mY = y;
  mDraws = true;
}

void PathBuilder::QuadTo(double qx, double qy, double x, double y) {
  const double k = 2.0 / 3.0;
  CubicTo(mX + k * (qx - mX), mY + k * (qy - mY), x + k * (qx - x), y + k * (qy - y), x, y);
}

void PathBuilder::ArcTo(double rx, double ry, double rotationDegrees, bool largeArc, bool sweep, double x, double y) {
  // The endpoint-to-centre conversion of SVG's arc implementation notes.
  const double x0 = mX, y0 = mY;
  if (x0 == x && y0 == y) return;
  rx = std::fabs(rx);
  ry = std::fabs(ry);
  if (rx == 0.0 || ry == 0.0) return LineTo(x, y);
  const double phi = rotationDegrees * std::numbers::pi / 180.0;
  const double cs = std::cos(phi), sn = std::sin(phi);
  const double dx = (x0 - x) / 2, dy = (y0 - y) / 2;
  const double x1 = cs * dx + sn * dy, y1 = -sn * dx + cs * dy;
  const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
  if (lambda > 1.0) {
    rx *= std::sqrt(lambda);
    ry *= std::sqrt(lambda);
  }
  const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
  const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
  double coef = den > 0.0 ? std::sqrt(std::max(0.0, num / den)) : 0.0;
  if (largeArc == sweep) coef = -coef;
  const double cxp = coef * rx * y1 / ry, cyp = -coef * ry * x1 / rx;
  const double cx = cs * cxp - sn * cyp + (x0 + x) / 2, cy = sn * cxp + cs * cyp + (y0 + y) / 2;
  const double ux = (x1 - cxp) / rx, uy = (y1 - cyp) / ry;
  const double theta = AngleBetween(1.0, 0.0, ux, uy);
  double delta = AngleBetween(ux, uy, (-x1 - cxp) / rx, (-y1 - cyp) / ry);
  if (!sweep && delta > 0) delta -= 2 * std::numbers::pi;
  if (sweep && delta < 0) delta += 2 * std::numbers::pi;
  if (!std::isfinite(theta) || !std::isfinite(delta) || !std::isfinite(cx) || !std::isfinite(cy)) return LineTo(x, y);

  // At most a quarter turn per cubic keeps the error far below a pixel.
  const int segments = std::clamp(static_cast<int>(std::ceil(std::fabs(delta) / (std::numbers::pi / 2) - 1e-9)), 1, 4);
  const double step = delta / segments;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  const auto mapX = [&](double ex, double ey) { return cx + rx * ex * cs - ry * ey * sn; };
  const auto mapY = [&](double ex, double ey) { return cy + rx * ex * sn + ry * ey * cs; };
  double a1 = theta;
  for (int i = 0; i < segments; ++i) {
    const double a2 = a1 + step;
    const double c1x = std::cos(a1) - k * std::sin(a1), c1y = std::sin(a1) + k * std::cos(a1);
    const double c2x = std::cos(a2) + k * std::sin(a2), c2y = std::sin(a2) - k * std::cos(a2);
    const bool lastSegment = i == segments - 1;
    const double ex = lastSegment ? x : mapX(std::cos(a2), std::sin(a2));
    const double ey = lastSegment ? y : mapY(std::cos(a2), std::sin(a2));
    CubicTo(mapX(c1x, c1y), mapY(c1x, c1y), mapX(c2x, c2y), mapY(c2x, c2y), ex, ey);
    a1 = a2;
  }
}

void PathBuilder::Close() {
  if (mCommands.empty() || mClosed) return;
  if (!push(SvgPathCommand::Op::Close, 0, 0)) return;
  mX = mStartX;
  mY = mStartY;
  mClosed = true;
}

void PathBuilder::beginSegment() {
  if (mCommands.empty() || mClosed) MoveTo(mX, mY);
}

bool PathBuilder::push(SvgPathCommand::Op op, double x1, double y1, double x2, double y2, double x3, double y3) {
  if (mFull) return false;
  if (mCommands.size() >= mBudget) {
    mFull = true;
    return false;
  }
  SvgPathCommand c;
  c.op = op;
  c.x1 = static_cast<float>(mTransform.MapX(x1, y1));
  c.y1 = static_cast<float>(mTransform.MapY(x1, y1));
  c.x2 = static_cast<float>(mTransform.MapX(x2, y2));
  c.y2 = static_cast<float>(mTransform.MapY(x2, y2));
  c.x3 = static_cast<float>(mTransform.MapX(x3, y3));
  c.y3 = static_cast<float>(mTransform.MapY(x3, y3));
  if (op == SvgPathCommand::Op::Close) c = SvgPathCommand{op};
  for (float v : {c.x1, c.y1, c.x2, c.y2, c.x3, c.y3}) {
    if (!std::isfinite(v)) {
      mFull = true;
      return false;
    }
  }
  mCommands.push_back(c);
  return true;
}

bool ReadPathData(std::string_view data, PathBuilder& path) {
  NumberScanner scan(data);
  char command = 0;
  LastControl last;
  scan.SkipSpace();
  while (!path.Full()) {
    if (scan.AtEnd()) return true;
    const char c = scan.Peek();
    if (IsCommandLetter(c)) {
      // Path data starts with a move; anything else is an error at once.
      if (command == 0 && c != 'M' && c != 'm') return false;
      command = c;
      scan.Advance();
      scan.SkipSpace();
    } else if (command == 0 || command == 'Z' || command == 'z' || !scan.AtNumber()) {
      return false;  // numbers after Z, or a character no command takes
    }
    if (command == 'Z' || command == 'z') {
      path.Close();
      last = {};
      scan.SkipSeparators();
      continue;
    }
    if (!ReadSegment(command, scan, path, last)) return false;
    // Coordinates repeated after a move are lines.
    if (command == 'M') command = 'L';
    if (command == 'm') command = 'l';
  }
  return false;
}

}  // namespace framework::svg
