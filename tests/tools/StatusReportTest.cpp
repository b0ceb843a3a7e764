#include <gtest/gtest.h>

#include "StatusReport.h"

namespace relaycaster_host {
namespace {

TEST(StatusReport, ReadsOneTransportPerLine) {
  const auto statuses = parseStatusReport(
      "NDI\t3\tNDI is unavailable\t\t2\tThe runtime is missing.\n"
      "SRT\t1\tSending to 127.0.0.1:9000\tit called in\t0\t\n");
  ASSERT_EQ(statuses.size(), 2u);
  EXPECT_EQ(statuses[0].name, "NDI");
  EXPECT_EQ(statuses[0].kind, 3);
  EXPECT_EQ(statuses[0].text, "NDI is unavailable");
  EXPECT_EQ(statuses[0].detail, "");
  EXPECT_EQ(statuses[0].dropouts, 2);
  EXPECT_EQ(statuses[0].note, "The runtime is missing.");
  EXPECT_EQ(statuses[1].detail, "it called in");
  EXPECT_EQ(statuses[1].note, "");
}

TEST(StatusReport, SkipsLinesOfAnotherShape) {
  EXPECT_TRUE(parseStatusReport("").empty());
  EXPECT_TRUE(parseStatusReport("garbage\nNDI\t1\n\t\t\t\t\t\t\t\n").empty());
  EXPECT_EQ(parseStatusReport("SRT\t2\tStarting\t\t0").size(), 1u);  // five fields, no final newline
}

}  // namespace
}  // namespace relaycaster_host
