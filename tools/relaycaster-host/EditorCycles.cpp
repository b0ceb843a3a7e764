#include "EditorCycles.h"

#include <algorithm>
#include <string>
#include <thread>

#include "EditorSession.h"

namespace relaycaster_host {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Long enough for the editor to draw a few frames and run idle ticks.
constexpr auto kOpenFor = 100ms;
// Before the first census the plug-in's first idle ticks start what runs
// without an editor (transport workers, the update check).
constexpr auto kWarmUp = 500ms;
// After each close, for what the plug-in finishes on the next messages.
constexpr auto kSettle = 20ms;

}  // namespace

EditorCycles::EditorCycles(Vst3HostedPlugin& plugin, int cycles, double uiScale, std::unique_ptr<MainThreadWork> idle,
                           std::FILE* out)
    : mPlugin(plugin), mCycles(cycles), mUiScale(uiScale), mIdle(std::move(idle)), mOut(out) {}

EditorCycles::~EditorCycles() { mEditor.reset(); }

void EditorCycles::idleFor(std::chrono::milliseconds time) {
  const auto until = Clock::now() + time;
  for (auto now = Clock::now(); now < until; now = Clock::now()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now) + 1ms;
    if (mIdle) mIdle->step(std::min(left, 10ms));
    else std::this_thread::sleep_for(std::min(left, 10ms));
  }
}

bool EditorCycles::openNext() {
  std::string error;
  mEditor = openEditorSession(mPlugin, mUiScale, error);
  if (!mEditor) {
    std::fprintf(mOut, "relaycaster-host: cannot show the editor in cycle %d: %s\n", mClosed + 1, error.c_str());
    std::fflush(mOut);
    mFinished = true;
    return false;
  }
  mOpenedAt = Clock::now();
  return true;
}

void EditorCycles::closeCurrent() {
  mEditor.reset();
  ++mClosed;
  idleFor(kSettle);
  if (mClosed == 1) mAfterFirst = takeResourceCensus();
}

bool EditorCycles::step(std::chrono::milliseconds maxWait) {
  if (!mBefore) {
    idleFor(kWarmUp);
    mBefore = takeResourceCensus();
  }
  if (!mEditor) {
    if (mClosed == mCycles) {
      report();
      return false;
    }
    return openNext();
  }
  const bool open = mEditor->step(maxWait);
  if (!open || Clock::now() - mOpenedAt >= kOpenFor) closeCurrent();
  return true;
}

void EditorCycles::report() {
  const ResourceCensus afterLast = takeResourceCensus();
  mSucceeded = reportCensuses(mOut, mCycles, *mBefore, *mAfterFirst, afterLast);
  mFinished = true;
}

}  // namespace relaycaster_host
