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

std::string countText(const std::optional<long>& count) { return count ? std::to_string(*count) : "n/a"; }

const ResourceCount* find(const ResourceCensus& census, const std::string& what) {
  for (const ResourceCount& count : census.counts)
    if (count.what == what) return &count;
  return nullptr;
}

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

bool reportCensuses(std::FILE* out, int cycles, const ResourceCensus& before, const ResourceCensus& afterFirst,
                    const ResourceCensus& afterLast) {
  std::fprintf(out, "relaycaster-host: %d editor cycle%s; what the process holds\n", cycles, cycles == 1 ? "" : "s");
  std::fprintf(out, "  %-38s %8s %8s %8s\n", "", "before", "after 1", ("after " + std::to_string(cycles)).c_str());
  std::string grown;
  for (const ResourceCount& last : afterLast.counts) {
    const ResourceCount* first = find(afterFirst, last.what);
    const ResourceCount* start = find(before, last.what);
    const std::optional<long> atStart = start ? start->count : std::nullopt;
    const std::optional<long> atFirst = first ? first->count : std::nullopt;
    std::fprintf(out, "  %-38s %8s %8s %8s\n", last.what.c_str(), countText(atStart).c_str(),
                 countText(atFirst).c_str(), countText(last.count).c_str());
    // The baseline: after the first cycle for what first use may add, else before it.
    const std::optional<long> baseline = last.firstUseMayAdd ? atFirst : atStart;
    if (last.count && baseline && *last.count > *baseline)
      grown += (grown.empty() ? "" : ", ") + last.what + " +" + std::to_string(*last.count - *baseline);
  }
  for (const std::string& note : afterLast.notes) std::fprintf(out, "  (%s)\n", note.c_str());
  if (grown.empty()) std::fprintf(out, "relaycaster-host: the editor cycles left nothing behind\n");
  else std::fprintf(out, "relaycaster-host: the editor cycles left behind: %s\n", grown.c_str());
  std::fflush(out);
  return grown.empty();
}

}  // namespace relaycaster_host
