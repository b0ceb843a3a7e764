#include <gtest/gtest.h>

#include "core/WindowScale.h"

namespace relaycaster {
namespace {

struct Case {
  int width, height;
  float screen;
  int expectedWidth, expectedHeight;
  bool acceptable;
};

TEST(ConstrainWindowSize, BoundsAndAspect) {
  const Case cases[] = {
      {880, 562, 1.0f, 880, 562, true},       {1320, 843, 1.0f, 1320, 843, true},
      {1000, 1000, 1.0f, 1000, 639, false},   {3000, 1000, 1.0f, 1566, 1000, false},
      {500, 300, 1.0f, 660, 422, false},      {660, 429, 1.0f, 660, 422, false},
      {2000, 1200, 1.5f, 1879, 1200, false},  {2640, 1716, 1.5f, 2640, 1686, false},
      {1760, 1124, 1.0f, 1760, 1124, true},   {0, 0, 1.0f, 660, 422, false},
      {-5, 99999, 1.0f, 660, 422, false},     {1760, 1144, 0.5f, 1760, 1124, false},
  };
  for (const Case& c : cases) {
    int w = c.width, h = c.height;
    EXPECT_EQ(ConstrainWindowSizeFor(w, h, c.screen), c.acceptable) << c.width << "x" << c.height;
    EXPECT_EQ(w, c.expectedWidth) << c.width << "x" << c.height << " at " << c.screen;
    EXPECT_EQ(h, c.expectedHeight) << c.width << "x" << c.height << " at " << c.screen;
  }
}

}  // namespace
}  // namespace relaycaster
