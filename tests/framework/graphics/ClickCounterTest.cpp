#include "framework/graphics/ClickCounter.h"

#include <gtest/gtest.h>

namespace {

using framework::ClickCounter;

TEST(ClickCounter, SecondPressCloseInTimeAndPlaceIsADoubleClick) {
  ClickCounter clicks(400, 4);
  EXPECT_EQ(clicks.Press(1000, 10, 10, 1), 1);
  EXPECT_EQ(clicks.Press(1400, 14, 6, 1), 2);  // at both limits
  // The press after a double-click starts a new pair.
  EXPECT_EQ(clicks.Press(1500, 14, 6, 1), 1);
  EXPECT_EQ(clicks.Press(1600, 14, 6, 1), 2);
}

TEST(ClickCounter, TooLateTooFarOrAnotherButtonStartsAgain) {
  ClickCounter clicks(400, 4);
  clicks.Press(1000, 10, 10, 1);
  EXPECT_EQ(clicks.Press(1401, 10, 10, 1), 1);  // late: a new first press
  EXPECT_EQ(clicks.Press(1500, 15, 10, 1), 1);  // 5 px away
  EXPECT_EQ(clicks.Press(1600, 15, 10, 3), 1);  // the other button
  EXPECT_EQ(clicks.Press(1700, 15, 10, 3), 2);
}

TEST(ClickCounter, ServerClockWrapAndResetAreHandled) {
  ClickCounter clicks(400, 4);
  clicks.Press(0xFFFFFF00u, 0, 0, 1);
  EXPECT_EQ(clicks.Press(0x00000010u, 0, 0, 1), 2);  // 272 ms later, across the wrap
  clicks.Press(5000, 0, 0, 1);
  clicks.Reset();
  EXPECT_EQ(clicks.Press(5010, 0, 0, 1), 1);
  // A clock that went backwards (another server time base) is not a double-click.
  clicks.Press(9000, 0, 0, 1);
  EXPECT_EQ(clicks.Press(8000, 0, 0, 1), 1);
}

}  // namespace
