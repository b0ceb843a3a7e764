// The bounded peer-process helper the peer tests rely on.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>

#include "support/Subprocess.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Subprocess;

TEST(Subprocess, CapturesOutputAndExitStatus) {
  const auto ok = Subprocess::run({"sh", "-c", "echo out; echo err >&2; exit 0"}, 10s);
  EXPECT_TRUE(ok.succeeded()) << ok.describe();
  EXPECT_EQ(ok.out, "out\n");
  EXPECT_EQ(ok.err, "err\n");
  const auto failed = Subprocess::run({"sh", "-c", "exit 3"}, 10s);
  EXPECT_FALSE(failed.succeeded());
  EXPECT_EQ(failed.exitCode, 3);
  const auto inDir = Subprocess::run({"pwd"}, 10s, "/");
  EXPECT_EQ(inDir.out, "/\n");
}

TEST(Subprocess, MissingProgramIsNotStarted) {
  EXPECT_FALSE(Subprocess::available("no-such-program-for-relaycaster"));
  EXPECT_TRUE(Subprocess::available("sh"));
  const auto result = Subprocess::run({"no-such-program-for-relaycaster"}, 10s);
  EXPECT_FALSE(result.started);
  EXPECT_FALSE(result.succeeded());
}

TEST(Subprocess, KillsAtItsLimitTogetherWithItsChildren) {
  const auto start = std::chrono::steady_clock::now();
  // The shell starts a child of its own; both must go at the limit.
  const auto result = Subprocess::run({"sh", "-c", "sleep 30 & wait"}, 200ms);
  EXPECT_TRUE(result.timedOut);
  EXPECT_EQ(result.signal, SIGKILL);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

TEST(Subprocess, DestructorEndsARunningProcess) {
  pid_t pid = -1;
  {
    Subprocess process({"sleep", "30"}, 60s);
    ASSERT_TRUE(process.started());
    EXPECT_TRUE(process.running());
    pid = process.pid();
  }
  EXPECT_NE(kill(pid, 0), 0);  // reaped: no such process any more
}

}  // namespace
