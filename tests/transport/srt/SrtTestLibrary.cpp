#include "SrtTestLibrary.h"

#include <gtest/gtest.h>
#include <srt/srt.h>

#include <atomic>

namespace srtpeer {
namespace {

std::atomic<bool> gStarted{false};

class BalanceLibSrtStart : public ::testing::Environment {
 public:
  void TearDown() override {
    if (gStarted.exchange(false)) srt_cleanup();
  }
};

// Registered before main runs, so the tear-down follows the last test.
::testing::Environment* const gBalance = ::testing::AddGlobalTestEnvironment(new BalanceLibSrtStart);

}  // namespace

void useLibSrt() {
  static const bool started = [] {
    srt_setloglevel(LOG_CRIT);  // peers that fail on purpose need no log
    srt_startup();
    gStarted.store(true);
    return true;
  }();
  (void)started;
}

}  // namespace srtpeer
