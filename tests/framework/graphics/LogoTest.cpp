// The committed logo lockup: make-logo still writes it byte for byte, and
// the SVG reader sees the gauge and the word as they were designed.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "framework/graphics/SvgPicture.h"
#include "support/Subprocess.h"

namespace framework {
namespace {

using namespace std::chrono_literals;
using Op = SvgPathCommand::Op;

std::string ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(Logo, TheToolStillWritesTheCommittedFile) {
  const auto run = testsupport::Subprocess::run({RELAYCASTER_MAKE_LOGO, RELAYCASTER_LOGO_FONT}, 20s);
  ASSERT_TRUE(run.succeeded()) << run.describe();
  const std::string committed = ReadFile(RELAYCASTER_LOGO_SVG);
  ASSERT_FALSE(committed.empty());
  EXPECT_TRUE(run.out == committed) << "src/resources/relaycaster-lockup.svg differs from make-logo's output; "
                                       "run make-logo and commit what it writes";
  // Without a usable font the tool fails instead of writing a wrong logo.
  EXPECT_EQ(testsupport::Subprocess::run({RELAYCASTER_MAKE_LOGO, RELAYCASTER_LOGO_SVG}, 20s).exitCode, 1);
}

TEST(Logo, ReadsAsTheGaugeAndTheWord) {
  const SvgPicture logo = ParseSvg(ReadFile(RELAYCASTER_LOGO_SVG), 72.f);
  EXPECT_FLOAT_EQ(logo.width, 316.04f);
  EXPECT_FLOAT_EQ(logo.height, 64.f);
  EXPECT_EQ(logo.viewBox, (IRECT{0, 0, 316.04f, 64}));
  ASSERT_EQ(logo.shapes.size(), 2u + 11u);  // arc, needle, one path per letter of RELAYCASTER

  const IColor light{255, 250, 250, 250}, accent{255, 252, 120, 92};
  const SvgShape &arc = logo.shapes[0], &needle = logo.shapes[1];
  EXPECT_TRUE(arc.fill.none);
  EXPECT_EQ(arc.stroke.color, light);
  EXPECT_EQ(arc.strokeWidth, 5.f);
  EXPECT_EQ(arc.cap, SvgLineCap::Round);
  EXPECT_TRUE(needle.fill.none);
  EXPECT_EQ(needle.stroke.color, accent);
  EXPECT_EQ(needle.strokeWidth, 9.f);
  EXPECT_EQ(needle.cap, SvgLineCap::Round);

  // The needle starts at the arc's centre and points up and to the right.
  ASSERT_EQ(needle.path.size(), 2u);
  const float cx = needle.path[0].x1, cy = needle.path[0].y1;
  EXPECT_GT(needle.path[1].x1, cx);
  EXPECT_LT(needle.path[1].y1, cy);
  EXPECT_NEAR(cy, 32.f, 0.01f);
  // The arc: radius 22 around that centre, its ends below the centre (open at the bottom).
  ASSERT_GE(arc.path.size(), 3u);
  for (const auto& c : arc.path) {
    const float x = c.op == Op::Cubic ? c.x3 : c.x1, y = c.op == Op::Cubic ? c.y3 : c.y1;
    EXPECT_NEAR(std::hypot(x - cx, y - cy), 22.f, 0.02f);
  }
  EXPECT_GT(arc.path.front().y1, cy);
  EXPECT_GT(arc.path.back().y3, cy);

  // The letters: filled, no stroke, ink ending at about x = 314 and centred on the gauge's line.
  IRECT ink{1e9f, 1e9f, -1e9f, -1e9f};
  for (size_t i = 2; i < logo.shapes.size(); ++i) {
    const SvgShape& glyph = logo.shapes[i];
    EXPECT_EQ(glyph.fill.color, light);
    EXPECT_TRUE(glyph.stroke.none);
    EXPECT_EQ(glyph.path.back().op, Op::Close);
    for (const auto& c : glyph.path) {
      if (c.op == Op::Close) continue;
      const float x = c.op == Op::Cubic ? c.x3 : c.x1, y = c.op == Op::Cubic ? c.y3 : c.y1;
      ink = {std::min(ink.L, x), std::min(ink.T, y), std::max(ink.R, x), std::max(ink.B, y)};
    }
  }
  EXPECT_NEAR(ink.R, 314.f, 0.05f);
  EXPECT_NEAR(ink.MH(), 32.f, 0.5f);
  EXPECT_GT(ink.L, cx + 22.f + 2.5f);  // the word starts after the gauge
  EXPECT_GT(ink.H(), 28.f);

  // Everything, strokes included, stays inside the view box (checked at
  // the points the paths pass through, where a round cap or stroke is widest).
  for (const auto& shape : logo.shapes) {
    const float pad = shape.stroke.none ? 0.f : shape.strokeWidth / 2;
    for (const auto& c : shape.path) {
      if (c.op == Op::Close) continue;
      const float x = c.op == Op::Cubic ? c.x3 : c.x1, y = c.op == Op::Cubic ? c.y3 : c.y1;
      EXPECT_GE(x - pad, 0.f);
      EXPECT_LE(x + pad, 316.04f);
      EXPECT_GE(y - pad, 0.f);
      EXPECT_LE(y + pad, 64.f);
    }
  }
}

}  // namespace
}  // namespace framework
