#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "files/TempFolder.h"
#include "support/WaitFor.h"
#include "updates/UpdateWorker.h"
#include "web/LoopbackHttpServer.h"

namespace brightwold::updates {
namespace {

using namespace std::chrono_literals;
using testsupport::LoopbackHttpServer;
using testsupport::TempFolder;

class UpdateWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* previous = getenv(kFeedUrlVariable)) previousFeedUrl = previous;
    setenv(kFeedUrlVariable, server.url("/updates.json").c_str(), 1);
    server.setResponse({200, R"({"relaycaster":{"version":"0.5.0","page":"/downloads/relaycaster"}})"});
  }
  // Back to what the test program set up (a loopback port where nothing listens).
  void TearDown() override {
    if (previousFeedUrl) setenv(kFeedUrlVariable, previousFeedUrl->c_str(), 1);
    else unsetenv(kFeedUrlVariable);
  }

  /// Each call is ten minutes after the previous one, so every run fetches.
  std::shared_ptr<UpdateCheck> makeCheck() {
    return std::make_shared<UpdateCheck>(folder.path(), "relaycaster", "0.4.2",
                                         [this] { return 1'700'000'000 + 600 * calls.fetch_add(1); });
  }

  template <typename Condition>
  static bool eventually(Condition condition) {
    return testsupport::WaitFor(condition, 10s);
  }

  std::optional<std::string> previousFeedUrl;
  TempFolder folder;
  LoopbackHttpServer server;
  std::atomic<int64_t> calls{0};
};

TEST_F(UpdateWorkerTest, LooksAfterTheFirstDelayThenEveryPeriodAndRefreshes) {
  auto check = makeCheck();
  {
    UpdateWorker worker(check, UpdateWorkerTiming{0ms, 0ms, 20ms, 1ms});
    ASSERT_TRUE(eventually([&] { return worker.runs() >= 3; }));
    EXPECT_TRUE(check->availableUpdate());
  }
  EXPECT_GE(server.requests().size(), 3u);
}

TEST_F(UpdateWorkerTest, DoesNotLookBeforeThePeriodIsOver) {
  auto check = makeCheck();
  UpdateWorker worker(check, UpdateWorkerTiming{0ms, 0ms, 1h, 1ms});
  ASSERT_TRUE(eventually([&] { return worker.runs() == 1; }));
  // A hundred wake-ups later there is still only the first run.
  const int64_t clockCalls = calls.load();
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(worker.runs(), 1);
  EXPECT_EQ(calls.load(), clockCalls);
}

TEST_F(UpdateWorkerTest, StopsPromptlyDuringAnyWait) {
  auto check = makeCheck();
  for (const UpdateWorkerTiming timing : {UpdateWorkerTiming{}, UpdateWorkerTiming{0ms, 0ms, 1h, 1h}}) {
    const auto start = std::chrono::steady_clock::now();
    {
      UpdateWorker worker(check, timing);
      if (timing.firstLookMin == 0ms) {
        ASSERT_TRUE(eventually([&] { return worker.runs() == 1; }));
      }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  }
  EXPECT_EQ(server.requests().size(), 1u);  // only the worker that looked at once
}

TEST_F(UpdateWorkerTest, TheWorkerKeepsTheCheckAlive) {
  auto check = makeCheck();
  std::weak_ptr<UpdateCheck> watcher = check;
  auto worker = std::make_unique<UpdateWorker>(std::move(check), UpdateWorkerTiming{0ms, 0ms, 1h, 1ms});
  EXPECT_FALSE(watcher.expired());
  ASSERT_TRUE(eventually([&] { return worker->runs() == 1; }));
  worker.reset();
  EXPECT_TRUE(watcher.expired());
}

}  // namespace
}  // namespace brightwold::updates
