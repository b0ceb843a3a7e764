// The SVG reader: path data, shapes, paints and inheritance, transforms,
// sizes and units, the XML around them, and garbage of every kind.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "framework/graphics/SvgPicture.h"
#include "framework/graphics/XmlReader.h"

namespace framework {
namespace {

using Op = SvgPathCommand::Op;

SvgPicture Doc(const std::string& body, float dpi = 72.f) {
  return ParseSvg("<svg xmlns='http://www.w3.org/2000/svg' width='100' height='100'>" + body + "</svg>", dpi);
}

/// The commands of the only shape of a document holding one path.
std::vector<SvgPathCommand> PathOf(const std::string& d) {
  const SvgPicture p = Doc("<path d='" + d + "' stroke='red'/>");
  return p.shapes.size() == 1 ? p.shapes[0].path : std::vector<SvgPathCommand>{};
}

/// Where a command leaves the current point.
std::pair<float, float> End(const SvgPathCommand& c) {
  return c.op == Op::Cubic ? std::pair{c.x3, c.y3} : std::pair{c.x1, c.y1};
}

/// A cubic's point at t = 1/2.
std::pair<float, float> Mid(const SvgPathCommand& from, const SvgPathCommand& c) {
  const auto [x0, y0] = End(from);
  return {(x0 + 3 * c.x1 + 3 * c.x2 + c.x3) / 8, (y0 + 3 * c.y1 + 3 * c.y2 + c.y3) / 8};
}

#define EXPECT_POINT(point, ex, ey)        \
  do {                                     \
    const auto [px_, py_] = (point);       \
    EXPECT_NEAR(px_, (ex), 1e-3) << #point; \
    EXPECT_NEAR(py_, (ey), 1e-3) << #point; \
  } while (0)

TEST(SvgPathData, EveryCommandAbsoluteAndRelativeEndsWhereExpected) {
  struct Case {
    const char* d;
    Op op;
    float x, y;
  } cases[] = {
      {"M10 20 L30 40", Op::Line, 30, 40},           {"M10 20 l30 40", Op::Line, 40, 60},
      {"M10 20 H50", Op::Line, 50, 20},              {"M10 20 h5", Op::Line, 15, 20},
      {"M10 20 V7", Op::Line, 10, 7},                {"M10 20 v7", Op::Line, 10, 27},
      {"M10 20 C1 2 3 4 50 60", Op::Cubic, 50, 60},  {"M10 20 c1 2 3 4 50 60", Op::Cubic, 60, 80},
      {"M10 20 S3 4 50 60", Op::Cubic, 50, 60},      {"M10 20 s3 4 50 60", Op::Cubic, 60, 80},
      {"M10 20 Q1 2 50 60", Op::Cubic, 50, 60},      {"M10 20 q1 2 50 60", Op::Cubic, 60, 80},
      {"M10 20 T50 60", Op::Cubic, 50, 60},          {"M10 20 t50 60", Op::Cubic, 60, 80},
      {"M10 20 A5 5 0 0 1 50 60", Op::Cubic, 50, 60}, {"M10 20 a5 5 0 0 1 50 60", Op::Cubic, 60, 80},
      {"M10 20 m5 5 l1 1", Op::Line, 16, 26},        {"M10 20 0 0", Op::Line, 0, 0},
      {"m10 20 5 5", Op::Line, 15, 25},              {"M.5.5L-1-2", Op::Line, -1, -2},
      {"M1e1 2E-1 L1e-3,.5e1", Op::Line, 0.001f, 5}, {"M10 0a10 10 0 0110 10", Op::Cubic, 20, 10},
      {"M0,0 L 5 , 5", Op::Line, 5, 5},
  };
  for (const auto& c : cases) {
    const auto path = PathOf(c.d);
    ASSERT_FALSE(path.empty()) << c.d;
    EXPECT_EQ(path.back().op, c.op) << c.d;
    EXPECT_POINT(End(path.back()), c.x, c.y);
  }
}

TEST(SvgPathData, CurvesKeepTheirControlPoints) {
  auto p = PathOf("M10 20 c1 2 3 4 50 60");
  EXPECT_POINT((std::pair{p[1].x1, p[1].y1}), 11, 22);
  EXPECT_POINT((std::pair{p[1].x2, p[1].y2}), 13, 24);
  // S reflects the previous cubic's second control point about the current point.
  p = PathOf("M0 0 C0 10 10 10 10 0 S20 -10 20 0");
  EXPECT_POINT((std::pair{p[2].x1, p[2].y1}), 10, -10);
  // S after anything but a cubic starts at the current point.
  p = PathOf("M0 0 L5 5 S20 -10 20 0");
  EXPECT_POINT((std::pair{p[2].x1, p[2].y1}), 5, 5);
  // A quadratic becomes the cubic with controls two thirds towards its control.
  p = PathOf("M0 0 Q10 10 20 0 T40 0");
  EXPECT_POINT((std::pair{p[1].x1, p[1].y1}), 20.f / 3, 20.f / 3);
  EXPECT_POINT((std::pair{p[1].x2, p[1].y2}), 40.f / 3, 20.f / 3);
  // T reflects the quadratic's control: (30, -10).
  EXPECT_POINT((std::pair{p[2].x1, p[2].y1}), 20 + 20.f / 3, -20.f / 3);
}

TEST(SvgPathData, CloseReturnsToTheSubpathStart) {
  const auto p = PathOf("M10 10 L20 10 Z l5 5 z m1 1 h1");
  ASSERT_EQ(p.size(), 8u);
  EXPECT_EQ(p[2].op, Op::Close);
  EXPECT_EQ(p[3].op, Op::Move);  // the next segment starts a subpath at the start
  EXPECT_POINT(End(p[3]), 10, 10);
  EXPECT_POINT(End(p[4]), 15, 15);
  EXPECT_POINT(End(p[6]), 11, 11);
  EXPECT_POINT(End(p[7]), 12, 11);
}

TEST(SvgPathData, ArcsBecomeCubicsOnTheEllipse) {
  // A half circle of radius 10 around (10, 0); the sweep flag picks the side.
  auto p = PathOf("M0 0 A10 10 0 0 1 20 0");
  ASSERT_EQ(p.size(), 3u);
  EXPECT_POINT(End(p[1]), 10, -10);
  EXPECT_POINT(End(p[2]), 20, 0);
  p = PathOf("M0 0 A10 10 0 0 0 20 0");
  EXPECT_POINT(End(p[1]), 10, 10);
  // Radii too small for the end points grow until the arc fits.
  p = PathOf("M0 0 A1 1 0 0 1 20 0");
  EXPECT_POINT(End(p[1]), 10, -10);
  // Three quarters of a circle around (50, 50): every cubic's middle on the circle.
  p = PathOf("M40 50 A10 10 0 1 1 50 60");
  ASSERT_EQ(p.size(), 4u);
  for (size_t i = 1; i < p.size(); ++i) {
    const auto [x, y] = Mid(p[i - 1], p[i]);
    EXPECT_NEAR(std::hypot(x - 50, y - 50), 10, 0.01);
  }
  EXPECT_POINT(End(p[3]), 50, 60);
  // A rotated ellipse: x-axis rotation 90 swaps the radii.
  p = PathOf("M0 0 A5 10 90 0 1 20 0");
  EXPECT_POINT(End(p[1]), 10, -5);
  // A zero radius draws a line; an arc to the current point draws nothing.
  p = PathOf("M0 0 A0 10 0 0 1 20 0 A5 5 0 0 1 20 0");
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[1].op, Op::Line);
}

TEST(SvgPathData, ReadingStopsAtTheFirstErrorKeepingWhatCameBefore) {
  EXPECT_EQ(PathOf("M0 0 L10 10 L20 x L30 30").size(), 2u);
  EXPECT_EQ(PathOf("M0 0 L10 10 Z 5 5").size(), 3u);  // numbers after Z
  EXPECT_EQ(PathOf("M0 0 L10 10 L20").size(), 2u);    // a command short of numbers
  EXPECT_EQ(PathOf("M0 0 L10 10 A5 5 0 2 1 9 9").size(), 2u);  // a flag that is not 0 or 1
  EXPECT_EQ(PathOf("M0 0 L1e 5").size(), 0u);           // only a move is left: nothing to draw
  EXPECT_TRUE(PathOf("L10 10").empty());                // data must start with a move
  EXPECT_TRUE(PathOf("M0 0").empty());
  EXPECT_TRUE(PathOf("").empty());
}

TEST(SvgShapes, BasicShapesBecomePaths) {
  const auto bounds = [](const std::vector<SvgPathCommand>& path) {
    IRECT r{1e9f, 1e9f, -1e9f, -1e9f};
    for (const auto& c : path) {
      if (c.op == Op::Close) continue;
      const auto [x, y] = End(c);
      r = {std::min(r.L, x), std::min(r.T, y), std::max(r.R, x), std::max(r.B, y)};
    }
    return r;
  };
  auto p = Doc("<circle cx='50' cy='40' r='10'/><ellipse cx='50' cy='40' rx='20'/><rect x='1' y='2' width='30' height='20'/>"
               "<rect x='0' y='0' width='20' height='10' rx='30'/><line x1='1' y1='2' x2='3' y2='4' stroke='red'/>"
               "<polyline points='0,0 10,0 10,10 5'/><polygon points='0 0 10 0 10 10'/>");
  ASSERT_EQ(p.shapes.size(), 7u);
  EXPECT_EQ(bounds(p.shapes[0].path), (IRECT{40, 30, 60, 50}));
  EXPECT_EQ(p.shapes[0].path.back().op, Op::Close);
  EXPECT_EQ(bounds(p.shapes[1].path), (IRECT{30, 20, 70, 60}));  // ry follows rx
  EXPECT_EQ(p.shapes[2].path.size(), 5u);
  EXPECT_EQ(bounds(p.shapes[2].path), (IRECT{1, 2, 31, 22}));
  // rx alone sets both radii, each clamped to half its side: a 20 × 10 pill.
  EXPECT_EQ(bounds(p.shapes[3].path), (IRECT{0, 0, 20, 10}));
  EXPECT_POINT(End(p.shapes[3].path[0]), 10, 0);
  EXPECT_EQ(p.shapes[4].path.size(), 2u);
  EXPECT_EQ(p.shapes[5].path.size(), 3u);  // the odd number is dropped, nothing closed
  EXPECT_EQ(p.shapes[6].path.back().op, Op::Close);

  // Shapes without area or with bad sizes draw nothing.
  p = Doc("<rect width='0' height='5'/><rect width='-1' height='5'/><circle r='-2'/><circle r='x'/><ellipse rx='0' ry='3'/>");
  EXPECT_TRUE(p.shapes.empty());
}

TEST(SvgPaint, DefaultsAndColours) {
  auto p = Doc("<path d='M0 0H1V1z'/>");
  ASSERT_EQ(p.shapes.size(), 1u);
  const SvgShape& s = p.shapes[0];
  EXPECT_FALSE(s.fill.none);
  EXPECT_EQ(s.fill.color, (IColor{255, 0, 0, 0}));
  EXPECT_TRUE(s.stroke.none);
  EXPECT_EQ(s.strokeWidth, 1.f);
  EXPECT_EQ(s.cap, SvgLineCap::Butt);
  EXPECT_EQ(s.join, SvgLineJoin::Miter);
  EXPECT_EQ(s.miterLimit, 4.f);
  EXPECT_FALSE(s.evenOddFill);

  struct Case {
    const char* fill;
    IColor expected;
  } cases[] = {
      {"#f80", {255, 255, 136, 0}},        {"#FC785C", {255, 252, 120, 92}},
      {"rgb(1, 2,3)", {255, 1, 2, 3}},     {"rgb(100%,0%,50%)", {255, 255, 0, 128}},
      {"rgba(1,2,3,0.5)", {128, 1, 2, 3}}, {"Orange", {255, 255, 165, 0}},
      {" white ", {255, 255, 255, 255}},   {"#80ff0000", {0, 128, 255, 0}},
      {"url(#g) #00f", {255, 0, 0, 255}},  {"#12", {255, 0, 0, 0}},  // bad: the inherited black
      {"rgb(1,2)", {255, 0, 0, 0}},        {"notacolour", {255, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    p = Doc(std::string("<path d='M0 0H1V1z' fill='") + c.fill + "'/>");
    ASSERT_EQ(p.shapes.size(), 1u) << c.fill;
    EXPECT_EQ(p.shapes[0].fill.color, c.expected) << c.fill;
  }
  // currentColor follows the color property, black without one; url() alone paints nothing.
  p = Doc("<g color='#0f0'><path d='M0 0H1V1z' fill='currentColor'/></g><path d='M0 0H1V1z' fill='currentColor'/>"
          "<path d='M0 0H1V1z' fill='url(#g)' stroke='blue'/><path d='M0 0H1V1z' fill='none'/>");
  ASSERT_EQ(p.shapes.size(), 3u);  // the last one paints nothing and is left out
  EXPECT_EQ(p.shapes[0].fill.color, (IColor{255, 0, 255, 0}));
  EXPECT_EQ(p.shapes[1].fill.color, (IColor{255, 0, 0, 0}));
  EXPECT_TRUE(p.shapes[2].fill.none);
}

TEST(SvgPaint, StyleAttributeOverridesAttributesAndGroupsAreInherited) {
  const auto p = Doc(
      "<g fill='red' stroke='blue' stroke-width='3' stroke-linecap='round' stroke-linejoin='bevel' opacity='0.5' "
      "fill-rule='evenodd' stroke-miterlimit='8'>"
      "  <path d='M0 0H1V1z'/>"
      "  <g style='fill: lime; stroke-width:2 !important; bogus; :x; stroke-linecap: square' fill='navy' opacity='50%'>"
      "    <path d='M0 0H1V1z' fill-opacity='.5' stroke-opacity='0.25' stroke-width='oops' stroke-linejoin='inherit'/>"
      "    <path d='M0 0H1V1z' style='fill:inherit;opacity:0.5' opacity='1' fill='purple'/>"
      "  </g>"
      "  <path d='M0 0H1V1z' fill='none' stroke='none' stroke-width='9'/>"
      "  <g display='none'><path d='M0 0H1V1z'/></g><path style='display:none' d='M0 0H1V1z'/>"
      "</g>");
  ASSERT_EQ(p.shapes.size(), 3u);
  const SvgShape &outer = p.shapes[0], &inner = p.shapes[1], &styled = p.shapes[2];
  EXPECT_EQ(outer.fill.color, (IColor{255, 255, 0, 0}));
  EXPECT_EQ(outer.stroke.color, (IColor{255, 0, 0, 255}));
  EXPECT_EQ(outer.strokeWidth, 3.f);
  EXPECT_EQ(outer.cap, SvgLineCap::Round);
  EXPECT_EQ(outer.join, SvgLineJoin::Bevel);
  EXPECT_EQ(outer.miterLimit, 8.f);
  EXPECT_TRUE(outer.evenOddFill);
  EXPECT_FLOAT_EQ(outer.opacity, 0.5f);
  // The inner group's style beats its fill attribute; a bad width keeps the inherited one.
  EXPECT_EQ(inner.fill.color, (IColor{128, 0, 255, 0}));
  EXPECT_EQ(inner.stroke.color, (IColor{64, 0, 0, 255}));
  EXPECT_EQ(inner.strokeWidth, 2.f);
  EXPECT_EQ(inner.cap, SvgLineCap::Square);
  EXPECT_EQ(inner.join, SvgLineJoin::Bevel);
  EXPECT_FLOAT_EQ(inner.opacity, 0.25f);
  // style="fill:inherit" wins over fill="purple"; its opacity over the attribute's.
  EXPECT_EQ(styled.fill.color, (IColor{255, 0, 255, 0}));
  EXPECT_FLOAT_EQ(styled.opacity, 0.125f);
}

TEST(SvgTransform, ListsAndNestedGroupsCompose) {
  struct Case {
    const char* transform;
    float x, y;  // where (10, 0) lands
  } cases[] = {
      {"translate(5)", 15, 0},          {"translate(5,6)", 15, 6},         {"scale(2)", 20, 0},
      {"scale(2 3)", 20, 0},            {"rotate(90)", 0, 10},             {"rotate(90 10 10)", 20, 10},
      {"skewY(45)", 10, 10},            {"skewX(45)", 10, 0},              {"matrix(1 2 3 4 5 6)", 15, 26},
      {"translate(10) scale(2)", 30, 0}, {"scale(2),translate(10)", 40, 0}, {"rotate(45 a)", 10, 0},
      {"scale(nan)", 10, 0},            {"skewX(45) bogus(1)", 10, 0},     {"rotate(1 2)", 10, 0},
  };
  for (const auto& c : cases) {
    const auto p = Doc(std::string("<path transform='") + c.transform + "' d='M10 0 L0 10'/>");
    ASSERT_EQ(p.shapes.size(), 1u) << c.transform;
    EXPECT_POINT(End(p.shapes[0].path[0]), c.x, c.y);
  }
  // skewX moves points by their y: (0, 10) goes to (10, 10).
  auto p = Doc("<path transform='skewX(45)' d='M0 10 L1 1'/>");
  EXPECT_POINT(End(p.shapes[0].path[0]), 10, 10);

  p = Doc("<g transform='translate(100 0)'><g transform='scale(2)'><path d='M1 1 L2 2'/></g></g>");
  EXPECT_POINT(End(p.shapes[0].path[0]), 102, 2);
  // A transform that leaves the coordinate range hides what it applies to.
  std::string deep;
  for (int i = 0; i < 4; ++i) deep += "<g transform='scale(1e6)'>";
  p = Doc(deep + "<path d='M1 1 L2 2'/>" + "</g></g></g></g><path d='M1 1 L2 2'/>");
  EXPECT_EQ(p.shapes.size(), 1u);
}

TEST(SvgTransform, StrokeWidthScalesWithTheTransform) {
  const auto p = Doc("<g fill='none' transform='scale(3)'><path d='M0 0L1 1' stroke='red' stroke-width='2'/></g>"
                     "<g fill='none'><path transform='scale(2 8)' d='M0 0L1 1' stroke='red'/>"
                     "<path transform='rotate(30)' d='M0 0L1 1' stroke='red'/>"
                     "<path transform='scale(0)' d='M0 0L1 1' stroke='red'/></g>");
  ASSERT_EQ(p.shapes.size(), 3u);  // a stroke scaled to nothing leaves nothing to paint
  EXPECT_FLOAT_EQ(p.shapes[0].strokeWidth, 6.f);
  EXPECT_FLOAT_EQ(p.shapes[1].strokeWidth, 4.f);
  EXPECT_FLOAT_EQ(p.shapes[2].strokeWidth, 1.f);
}

TEST(SvgSize, UnitsAtTheGivenDpi) {
  struct Case {
    const char* length;
    float at72, at96;
  } cases[] = {
      {"100", 100, 100}, {"100px", 100, 100}, {"1in", 72, 96}, {"72pt", 72, 96}, {"6pc", 72, 96},
      {"25.4mm", 72, 96}, {"2.54cm", 72, 96}, {"1e1pt", 10, 13.3333f},
  };
  for (const auto& c : cases) {
    const std::string doc = std::string("<svg width='") + c.length + "' height='" + c.length + "'/>";
    EXPECT_FLOAT_EQ(ParseSvg(doc, 72.f).width, c.at72) << c.length;
    EXPECT_NEAR(ParseSvg(doc, 96.f).height, c.at96, 1e-3) << c.length;
  }
  // Geometry takes units too; a resolution that is none reads as 72 dpi.
  const auto p = ParseSvg("<svg width='1' height='1'><circle r='1in'/></svg>", std::nanf(""));
  ASSERT_EQ(p.shapes.size(), 1u);
  EXPECT_NEAR(End(p.shapes[0].path[0]).first, 72, 1e-3);
  for (const char* bad : {"1em", "10%", "1 px", "px", "-5", "0", "1e999"})
    EXPECT_EQ(ParseSvg(std::string("<svg width='") + bad + "' height='5'/>").width, 0.f) << bad;
}

TEST(SvgSize, ViewBoxPresentOrAbsent) {
  auto p = ParseSvg("<svg width='200px' height='100px'/>");
  EXPECT_EQ(p.width, 200.f);
  EXPECT_EQ(p.viewBox, (IRECT{0, 0, 200, 100}));
  p = ParseSvg("<svg width='50' height='25' viewBox='10 20 316.04 64'/>");
  EXPECT_EQ(p.width, 50.f);
  EXPECT_EQ(p.viewBox, (IRECT{10, 20, 326.04f, 84}));
  p = ParseSvg("<svg viewBox='0,0,40,20'/>");
  EXPECT_EQ(p.width, 40.f);
  EXPECT_EQ(p.height, 20.f);
  p = ParseSvg("<svg width='100%' height='10' viewBox='0 0 40 20'/>");  // a side not given follows the aspect
  EXPECT_EQ(p.width, 20.f);
  p = ParseSvg("<svg width='10' height='10' viewBox='0 0 -4 20'/>");  // a bad view box is ignored
  EXPECT_EQ(p.viewBox, (IRECT{0, 0, 10, 10}));
  p = ParseSvg("<svg viewBox='0 0 4'><path d='M0 0H1V1z'/></svg>");  // no size at all
  EXPECT_EQ(p.width, 0.f);
  EXPECT_TRUE(p.Empty());
}

TEST(SvgXml, EntitiesAndTheMarkupAroundTags) {
  EXPECT_EQ(DecodeXmlEntities("&amp;&lt;&gt;&quot;&apos;&#65;&#x42;&#x20AC;"), "&<>\"'AB\xE2\x82\xAC");
  EXPECT_EQ(DecodeXmlEntities("&foo; &#0; &#xD800; &#x110000; &#12345678; & &amp"), "&foo; &#0; &#xD800; &#x110000; &#12345678; & &amp");

  const auto p = ParseSvg(
      "<?xml version='1.0'?>\n<!DOCTYPE svg [ <!ENTITY e \"<g>\"> ]>\n<!-- <path d='M0 0L9 9'/> -->"
      "<svg width=\"10\" height='10'><![CDATA[ <path d='M0 0L9 9'/> ]]>text < 3"
      "<path d='M0 0L1 1' fill=\"&#114;ed\" stroke=blue/><unknown><path d='M0 0L9 9'/><b/></unknown>"
      "<defs><path d='M0 0L9 9'/></defs><svg><path d='M0 0L9 9'/></svg><text>hi</text>"
      "<path d='M0 0L2 2' ></path></svg><path d='M0 0L9 9'/>");
  ASSERT_EQ(p.shapes.size(), 2u);
  EXPECT_EQ(p.shapes[0].fill.color, (IColor{255, 255, 0, 0}));
  EXPECT_EQ(p.shapes[0].stroke.color, (IColor{255, 0, 0, 255}));
  EXPECT_POINT(End(p.shapes[1].path[1]), 2, 2);
  EXPECT_TRUE(ParseSvg("<html><svg width='1' height='1'><path d='M0 0H1V1z'/></svg></html>").Empty());
}

TEST(SvgGarbage, GivesAClearResult) {
  EXPECT_TRUE(ParseSvg("").Empty());
  EXPECT_TRUE(ParseSvg("<svg").Empty());
  EXPECT_TRUE(ParseSvg("<svg width='10' height='10'><path d='M0 0L1 1").Empty());  // an attribute left open
  EXPECT_TRUE(ParseSvg("<svg width='10' height='10'><path d='M0 0L1 1'").Empty());  // a tag left open
  EXPECT_TRUE(ParseSvg("<svg width='10' height='10'><!-- <path d='M0 0L1 1'/>").Empty());
  // A truncated file keeps the shapes read so far.
  EXPECT_EQ(ParseSvg("<svg width='10' height='10'><path d='M0 0L1 1'/><g><path d='M0 0L").shapes.size(), 1u);
  EXPECT_EQ(ParseSvg("<svg width='10' height='10'><path d='M0 0L1 1'/><path d='M0 0L1 1'/></g></g>").shapes.size(), 2u);

  std::mt19937 random(11);
  std::string bytes(1 << 16, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  EXPECT_TRUE(ParseSvg(bytes).Empty());
  EXPECT_TRUE(ParseSvg("<svg width='9' height='9'>" + bytes).shapes.size() < 10);

  for (const char* number : {"1e999", "-1e999", "nan", "inf", "1e8", "0x10"}) {
    const auto p = Doc(std::string("<path d='M0 0 L") + number + " 1'/><circle r='" + number + "'/>");
    EXPECT_TRUE(p.shapes.empty()) << number;
  }
  EXPECT_EQ(Doc("<path d='M0 0 L1e-999 1'/>").shapes.size(), 1u);  // too small to matter is zero
}

TEST(SvgGarbage, LimitsHold) {
  // A mebibyte of moves draws nothing; a mebibyte of lines stops at the command limit.
  std::string moves, lines = "M0 0";
  for (size_t i = 0; moves.size() < (1u << 20); ++i) moves += "M1 1";
  for (size_t i = 0; lines.size() < (1u << 20); ++i) lines += "L1 1";
  EXPECT_TRUE(Doc("<path d='" + moves + "'/>").shapes.empty());
  auto p = Doc("<path d='" + lines + "'/><path d='M0 0L1 1'/>");
  ASSERT_EQ(p.shapes.size(), 1u);
  EXPECT_EQ(p.shapes[0].path.size(), kMaxSvgCommands);

  // Ten thousand nested groups: those past the depth limit are skipped,
  // and the reader is back in step once they close.
  std::string nested;
  for (int i = 0; i < 10000; ++i) nested += "<g>";
  nested += "<path d='M0 0L1 1'/>";
  for (int i = 0; i < 10000; ++i) nested += "</g>";
  p = Doc(nested + "<path d='M0 0L2 2'/>");
  ASSERT_EQ(p.shapes.size(), 1u);
  EXPECT_POINT(End(p.shapes[0].path[1]), 2, 2);
  // The root counts as one level: a path inside kMaxSvgDepth - 2 groups is
  // still drawn, one group further in it is not.
  std::string shallow;
  for (int i = 0; i < kMaxSvgDepth - 2; ++i) shallow += "<g>";
  EXPECT_EQ(Doc(shallow + "<path d='M0 0L1 1'/>").shapes.size(), 1u);
  EXPECT_EQ(Doc(shallow + "<g><path d='M0 0L1 1'/>").shapes.size(), 0u);

  std::string many;
  for (size_t i = 0; i <= kMaxSvgShapes; ++i) many += "<path d='M0 0L1 1'/>";
  EXPECT_EQ(Doc(many).shapes.size(), kMaxSvgShapes);
  EXPECT_TRUE(ParseSvg("<svg width='1' height='1'><path d='M0 0H1V1z'/>" + std::string(kMaxSvgBytes, ' ') + "</svg>").Empty());
}

}  // namespace
}  // namespace framework
