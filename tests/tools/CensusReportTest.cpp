// The verdict of --editor-cycles: which growth counts as left behind, and
// how the table reads when a count cannot be taken.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "ResourceCensus.h"

namespace {

using namespace relaycaster_host;

struct Report {
  bool clean = false;
  std::string text;
};

Report ReportOf(const ResourceCensus& before, const ResourceCensus& afterFirst, const ResourceCensus& afterLast) {
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  Report report;
  report.clean = reportCensuses(out, 50, before, afterFirst, afterLast);
  std::fclose(out);
  report.text.assign(buffer, size);
  std::free(buffer);
  return report;
}

// Windows are never kept by a first use; GDI objects may be.
ResourceCensus Census(long windows, long gdi) {
  return {{{"windows of this thread", windows, Baseline::BeforeFirst}, {"GDI objects", gdi, Baseline::AfterFirst}}, {}};
}

TEST(CensusReport, TheSameCountsLeaveNothingBehind) {
  const Report report = ReportOf(Census(1, 40), Census(1, 40), Census(1, 40));
  EXPECT_TRUE(report.clean);
  EXPECT_NE(report.text.find("relaycaster-host: 50 editor cycles; what the process holds"), std::string::npos);
  EXPECT_NE(report.text.find("  windows of this thread                        1        1        1\n"),
            std::string::npos)
      << report.text;
  EXPECT_NE(report.text.find("the editor cycles left nothing behind"), std::string::npos) << report.text;
}

TEST(CensusReport, WhatTheFirstUseKeepsIsNotLeftBehindButLaterGrowthIs) {
  EXPECT_TRUE(ReportOf(Census(1, 40), Census(1, 64), Census(1, 64)).clean);
  const Report grown = ReportOf(Census(1, 40), Census(1, 64), Census(1, 66));
  EXPECT_FALSE(grown.clean);
  EXPECT_NE(grown.text.find("the editor cycles left behind: GDI objects +2\n"), std::string::npos) << grown.text;
}

TEST(CensusReport, AWindowLeftByTheFirstCycleIsLeftBehindEvenIfNoLaterOneAdds) {
  const Report report = ReportOf(Census(1, 40), Census(2, 40), Census(2, 41));
  EXPECT_FALSE(report.clean);
  EXPECT_NE(report.text.find("left behind: windows of this thread +1, GDI objects +1\n"), std::string::npos)
      << report.text;
  // Fewer than before is no leak.
  EXPECT_TRUE(ReportOf(Census(2, 40), Census(1, 40), Census(1, 40)).clean);
}

TEST(CensusReport, ACountThatCannotBeTakenIsShownAndNotJudged) {
  ResourceCensus unknown = Census(1, 0);
  unknown.counts[1].count.reset();
  unknown.notes.push_back("GetGuiResources is not implemented here");
  const Report report = ReportOf(unknown, Census(1, 10), unknown);
  EXPECT_TRUE(report.clean) << report.text;
  EXPECT_NE(report.text.find("  GDI objects                                 n/a       10      n/a\n"), std::string::npos)
      << report.text;
  EXPECT_NE(report.text.find("  (GetGuiResources is not implemented here)\n"), std::string::npos) << report.text;
  // A count that the last census has and an earlier one lacks is not judged either.
  EXPECT_TRUE(ReportOf(unknown, unknown, Census(1, 10)).clean);
}

TEST(CensusReport, ACountThatIsNotJudgedIsShownWhateverItDoes) {
  ResourceCensus before = Census(1, 40);
  before.counts.push_back({"threads (not judged)", 4, Baseline::NotJudged});
  ResourceCensus after = Census(1, 40);
  after.counts.push_back({"threads (not judged)", 9, Baseline::NotJudged});
  const Report report = ReportOf(before, before, after);
  EXPECT_TRUE(report.clean) << report.text;
  EXPECT_NE(report.text.find("  threads (not judged)                          4        4        9\n"), std::string::npos)
      << report.text;
}

}  // namespace
