#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "files/TempFolder.h"
#include "updates/UpdateCheck.h"
#include "files/FileHelpers.h"
#include "web/HttpClient.h"
#include "web/Json.h"
#include "web/LoopbackHttpServer.h"

namespace brightwold::updates {
namespace {

using testsupport::LoopbackHttpServer;
using testsupport::ReadTestFile;
using testsupport::TempFolder;
using testsupport::WriteTestFile;

constexpr int64_t kNow = 1'700'000'000;

std::string Feed(const std::string& version, const std::string& page = "/downloads/relaycaster") {
  return R"({"other":{"version":"9.9.9","page":"/x"},"relaycaster":{"version":")" + version + R"(","page":")" + page +
         R"("}})";
}

std::string CacheLine(int64_t checkedAt, const std::string& feed) {
  return "{\"version\":1,\"checked_at\":" + std::to_string(checkedAt) + ",\"feed\":" + relaycaster::JsonQuote(feed) +
         "}\n";
}

/// Every test: a temporary shared folder, a loopback feed server named by
/// the environment (never the real web site), and a clock the test sets.
class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* previous = getenv(kFeedUrlVariable)) previousFeedUrl = previous;
    setenv(kFeedUrlVariable, server.url("/updates.json").c_str(), 1);
    server.setResponse({200, Feed("0.5.0")});
  }
  // Back to what the test program set up (a loopback port where nothing listens).
  void TearDown() override {
    if (previousFeedUrl) setenv(kFeedUrlVariable, previousFeedUrl->c_str(), 1);
    else unsetenv(kFeedUrlVariable);
  }

  std::unique_ptr<UpdateCheck> makeCheck() {
    return std::make_unique<UpdateCheck>(folder.path(), "relaycaster", "0.4.2", [this] { return now.load(); });
  }
  void writeCache(int64_t checkedAt, const std::string& feed) { WriteTestFile(folder / kCacheName, CacheLine(checkedAt, feed)); }
  std::optional<std::string> cache() const { return ReadTestFile(folder / kCacheName); }
  int fetches() const { return static_cast<int>(server.requests().size()); }

  std::optional<std::string> previousFeedUrl;
  TempFolder folder;
  LoopbackHttpServer server;
  std::atomic<int64_t> now{kNow};
};

TEST_F(UpdateCheckTest, AnUpdateInTheCacheShowsAtConstructionWithoutTraffic) {
  writeCache(kNow, Feed("0.4.3"));
  auto check = makeCheck();
  EXPECT_EQ(check->feedUrl(), server.url("/updates.json"));
  EXPECT_TRUE(check->IsEnabled());
  EXPECT_EQ(check->availableUpdate(), (AvailableUpdate{"0.4.3", "https://brightwold.com/downloads/relaycaster"}));
  EXPECT_EQ(check->generation(), 1u);
  EXPECT_EQ(server.connections(), 0);
}

TEST_F(UpdateCheckTest, TheDefaultFeedIsTheMakersWhenTheVariableIsEmpty) {
  setenv(kFeedUrlVariable, "", 1);
  EXPECT_EQ(makeCheck()->feedUrl(), "https://brightwold.com/updates.json");
  unsetenv(kFeedUrlVariable);
  EXPECT_EQ(makeCheck()->feedUrl(), "https://brightwold.com/updates.json");
}

TEST_F(UpdateCheckTest, FetchesOnlyWhenTheLastAttemptIsAtLeast600SecondsOld) {
  auto check = makeCheck();
  writeCache(kNow - 599, "");
  check->Run();
  EXPECT_EQ(fetches(), 0);
  EXPECT_EQ(cache(), CacheLine(kNow - 599, ""));

  writeCache(kNow - 600, "");
  check->Run();
  EXPECT_EQ(fetches(), 1);
  EXPECT_EQ(cache(), CacheLine(kNow, Feed("0.5.0")));
  EXPECT_FALSE(check->availableUpdate());  // until the next Refresh
  check->Refresh();
  EXPECT_EQ(check->availableUpdate()->version, "0.5.0");
}

TEST_F(UpdateCheckTest, AClockThatWentBackFetchesAtTheNextRun) {
  auto check = makeCheck();
  writeCache(kNow + 1, "");
  check->Run();
  EXPECT_EQ(fetches(), 1);
  EXPECT_TRUE(cache() == CacheLine(kNow, Feed("0.5.0")));  // no megabyte of output on failure
}

TEST_F(UpdateCheckTest, NoCacheAtAllFetchesAndTheFeedIsStoredExactlyAsReceived) {
  const std::string body = "{ \"relaycaster\" : {\"version\":\"0.4.9\", \"page\":\"/r\"},\n\"note\":\"tab\\t\xC3\xA9\" }";
  server.setResponse({200, body});
  auto check = makeCheck();
  check->Run();
  EXPECT_EQ(cache(), CacheLine(kNow, body));
  check->Refresh();
  EXPECT_EQ(check->availableUpdate(), (AvailableUpdate{"0.4.9", "https://brightwold.com/r"}));
}

TEST_F(UpdateCheckTest, UnusableAnswersKeepThePreviousFeedAndAreNotRetriedEarly) {
  const std::vector<LoopbackHttpServer::Response> answers = {
      {304, ""}, {500, Feed("0.6.0")}, {200, "<html>error</html>"}, {200, "[1,2]"}, {200, "{\"relaycaster\":"},
      {200, "\"just a string\""}, {301, Feed("0.6.0"), {"Location: /elsewhere"}},
      {200, "{\"pad\":\"" + std::string(relaycaster::kMaxHttpBodyBytes, 'x') + "\"}"}};
  auto check = makeCheck();
  for (const auto& answer : answers) {
    SCOPED_TRACE(answer.status);
    now += 1000;
    writeCache(now - 1000, Feed("0.5.0"));
    check->Refresh();
    const uint32_t generation = check->generation();
    server.setResponse(answer);
    const int before = server.connections();
    check->Run();
    EXPECT_EQ(server.connections(), before + 1);
    EXPECT_EQ(cache(), CacheLine(now, Feed("0.5.0")));
    check->Refresh();
    EXPECT_EQ(check->availableUpdate()->version, "0.5.0");
    EXPECT_EQ(check->generation(), generation);

    now += 599;
    check->Run();
    EXPECT_EQ(server.connections(), before + 1);
  }
}

TEST_F(UpdateCheckTest, AFeedTooLargeForTheCacheKeepsThePreviousOne) {
  // Quoting doubles every '"' and '\\': a 40000-byte body no longer fits.
  std::string pad;
  for (int i = 0; i < 20000; ++i) pad += "\\\"";
  const std::string body = R"({"relaycaster":{"version":"0.6.0","page":"/r"},"pad":")" + pad + R"("})";
  ASSERT_LE(body.size(), relaycaster::kMaxHttpBodyBytes);
  server.setResponse({200, body});
  writeCache(kNow - 600, Feed("0.5.0"));
  auto check = makeCheck();
  check->Run();
  EXPECT_EQ(fetches(), 1);
  EXPECT_TRUE(cache() == CacheLine(kNow, Feed("0.5.0")));  // no megabyte of output on failure
}

TEST_F(UpdateCheckTest, TheMarkerStopsRequestsAndHidesTheUpdateEvenAsAFolder) {
  writeCache(kNow - 10000, Feed("0.5.0"));
  for (const bool asFolder : {false, true}) {
    SCOPED_TRACE(asFolder ? "folder" : "file");
    if (asFolder) std::filesystem::create_directory(folder / kMarkerName);
    else WriteTestFile(folder / kMarkerName, "");
    auto check = makeCheck();
    EXPECT_FALSE(check->IsEnabled());
    EXPECT_FALSE(check->availableUpdate());
    check->Run();
    EXPECT_EQ(server.connections(), 0);

    std::filesystem::remove(folder / kMarkerName);  // by hand: effective at the next Refresh
    const uint32_t generation = check->generation();
    check->Refresh();
    EXPECT_TRUE(check->IsEnabled());
    EXPECT_EQ(check->availableUpdate()->version, "0.5.0");
    EXPECT_EQ(check->generation(), generation + 1);
  }
}

TEST_F(UpdateCheckTest, SwitchingOffWritesTheMarkerAndOnRemovesItWithoutFetching) {
  writeCache(kNow - 10000, Feed("0.5.0"));
  auto check = makeCheck();
  auto other = makeCheck();
  const uint32_t generation = check->generation();

  check->SetEnabled(false);
  EXPECT_EQ(ReadTestFile(folder / kMarkerName), std::string(kMarkerText));
  EXPECT_EQ(kMarkerText.size(), 74u);
  EXPECT_FALSE(check->IsEnabled());
  EXPECT_FALSE(check->availableUpdate());
  EXPECT_EQ(check->generation(), generation + 1);
  EXPECT_TRUE(other->availableUpdate());  // until its own next Refresh
  other->Refresh();
  EXPECT_FALSE(other->availableUpdate());

  check->SetEnabled(true);
  EXPECT_FALSE(std::filesystem::exists(folder / kMarkerName));
  EXPECT_TRUE(check->IsEnabled());
  EXPECT_EQ(check->availableUpdate()->version, "0.5.0");
  EXPECT_EQ(check->generation(), generation + 2);
  check->Refresh();
  EXPECT_EQ(check->generation(), generation + 2);  // nothing changed
  EXPECT_EQ(server.connections(), 0);
}

TEST_F(UpdateCheckTest, ASwitchWhileTheWorkerRefreshesIsNotUndoneByIt) {
  writeCache(kNow, Feed("0.5.0"));
  auto check = makeCheck();
  int stale = 0;
  for (int round = 0; round < 200; ++round) {
    const bool enabled = round % 2 != 0;  // off, on, off, ...
    std::atomic<bool> stop{false};
    std::thread worker([&] {
      while (!stop.load(std::memory_order_acquire)) check->Refresh();
    });
    check->SetEnabled(enabled);
    stop.store(true, std::memory_order_release);
    worker.join();
    // Everything has settled: the answer must match the marker as it is now.
    if (check->IsEnabled() != enabled || check->availableUpdate().has_value() != enabled) ++stale;
  }
  EXPECT_EQ(stale, 0);
  EXPECT_EQ(server.connections(), 0);
}

TEST_F(UpdateCheckTest, TwoInstancesShareOneCache) {
  auto first = makeCheck();
  auto second = makeCheck();
  first->Run();
  second->Run();
  EXPECT_EQ(fetches(), 1);
  second->Refresh();
  EXPECT_EQ(second->availableUpdate()->version, "0.5.0");
  now += 600;
  second->Run();
  first->Run();
  EXPECT_EQ(fetches(), 2);
}

TEST_F(UpdateCheckTest, AFolderThatCannotBeWrittenCausesNoTraffic) {
  WriteTestFile(folder / "not-a-folder", "x");
  UpdateCheck blocked(folder / "not-a-folder", "relaycaster", "0.4.2", [this] { return now.load(); });
  blocked.Run();
  UpdateCheck nowhere({}, "relaycaster", "0.4.2", [this] { return now.load(); });
  nowhere.Run();
  nowhere.SetEnabled(false);
  EXPECT_TRUE(nowhere.IsEnabled());
  EXPECT_EQ(server.connections(), 0);
  EXPECT_FALSE(std::filesystem::exists(kMarkerName));
}

TEST_F(UpdateCheckTest, DamagedCachesReadAsEmpty) {
  auto check = makeCheck();
  const std::vector<std::string> damaged = {
      "", "not json", "[1]", std::string(relaycaster::kMaxWholeFileBytes + 1, ' '),
      R"({"version":1,"checked_at":1700000000.5,"feed":""})",
      R"({"version":1,"checked_at":"1700000000","feed":""})",
      R"({"version":1,"checked_at":1e300,"feed":""})"};
  for (const auto& text : damaged) {
    WriteTestFile(folder / kCacheName, text);
    const int before = fetches();
    check->Run();
    EXPECT_EQ(fetches(), before + 1) << text;
  }
  // A feed member that is not JSON text counts as no feed.
  WriteTestFile(folder / kCacheName, R"({"checked_at":1700000000,"feed":"{not json"})");
  check->Refresh();
  EXPECT_FALSE(check->availableUpdate());
  // The most negative time converts exactly and is simply very old.
  WriteTestFile(folder / kCacheName, R"({"checked_at":-9223372036854775808,"feed":""})");
  const int before = fetches();
  check->Run();
  EXPECT_EQ(fetches(), before + 1);
}

// --- feed rules ----------------------------------------------------------------------

TEST(FeedRules, VersionsAreThreeComponentsOfOneToFourDigits) {
  EXPECT_EQ(ParseVersion("0.4.10"), (std::array<int, 3>{0, 4, 10}));
  EXPECT_EQ(ParseVersion("00.4.2"), (std::array<int, 3>{0, 4, 2}));
  EXPECT_EQ(ParseVersion("9999.0.0001"), (std::array<int, 3>{9999, 0, 1}));
  for (const char* bad : {"1.0", "1.0.0-beta", "0.4.12345", "", "1..2", ".1.2", "1.2.", " 1.2.3", "1.2.3 ",
                          "1.2.3.4", "+1.2.3", "a.b.c"}) {
    EXPECT_FALSE(ParseVersion(bad)) << bad;
  }
}

TEST(FeedRules, OnlyNewerVersionsAreOffered) {
  const auto offered = [](const std::string& version) { return EvaluateFeed(Feed(version), "relaycaster", "0.4.2"); };
  EXPECT_EQ(offered("0.4.10"), (AvailableUpdate{"0.4.10", "https://brightwold.com/downloads/relaycaster"}));
  EXPECT_EQ(offered("0.04.3")->version, "0.04.3");  // shown as written
  EXPECT_EQ(offered("1.0.0")->version, "1.0.0");
  for (const char* none : {"0.4.2", "00.4.2", "0.4.1", "0.3.99", "1.0", "1.0.0-beta", "0.4.12345"}) {
    EXPECT_FALSE(offered(none)) << none;
  }
  EXPECT_FALSE(EvaluateFeed(Feed("0.5.0"), "relaycaster", "not a version"));
}

TEST(FeedRules, DownloadPages) {
  EXPECT_TRUE(IsValidDownloadPage("/downloads/relaycaster"));
  EXPECT_TRUE(IsValidDownloadPage("/a-b_c#D9/"));
  EXPECT_TRUE(IsValidDownloadPage("/" + std::string(99, 'a')));
  for (const std::string& bad : {std::string("/relaycaster.html"), std::string("//host/x"), std::string("downloads/x"),
                                 "/" + std::string(100, 'a'), std::string(""), std::string("/a?b=1"),
                                 std::string("/a b"), std::string("/caf\xC3\xA9")}) {
    EXPECT_FALSE(IsValidDownloadPage(bad)) << bad;
    EXPECT_FALSE(EvaluateFeed(Feed("0.5.0", bad), "relaycaster", "0.4.2")) << bad;
  }
}

TEST(FeedRules, TheProductEntryMustBeAnObjectWithStringMembers) {
  const auto evaluate = [](const std::string& feed) { return EvaluateFeed(feed, "relaycaster", "0.4.2"); };
  EXPECT_FALSE(evaluate(R"({"other":{"version":"0.5.0","page":"/x"}})"));
  EXPECT_FALSE(evaluate(R"({"relaycaster":["0.5.0","/x"]})"));
  EXPECT_FALSE(evaluate(R"({"relaycaster":{"version":0.5,"page":"/x"}})"));
  EXPECT_FALSE(evaluate(R"({"relaycaster":{"version":"0.5.0"}})"));
  EXPECT_FALSE(evaluate(R"([{"relaycaster":{"version":"0.5.0","page":"/x"}}])"));
  EXPECT_FALSE(evaluate("{"));
  // The first member of a name counts, at both levels.
  EXPECT_EQ(evaluate(R"({"relaycaster":{"version":"0.5.0","page":"/a","version":"0.6.0"},"relaycaster":{}})")
                ->version, "0.5.0");
  EXPECT_FALSE(evaluate(R"({"relaycaster":{},"relaycaster":{"version":"0.5.0","page":"/x"}})"));
}

}  // namespace
}  // namespace brightwold::updates
