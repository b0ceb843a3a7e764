#pragma once

// Double-click detection from button presses, for window systems that
// report single presses only (X11). Platform-neutral: it sees times and
// positions, nothing of a window system.
#include <cstdint>

namespace framework {

/// Counts presses of one button that follow each other closely enough in
/// time and place to be one double-click. The second press of a pair is a
/// double-click; the press after it starts a new pair, so four quick
/// clicks are two double-clicks rather than a run a control cannot use.
///
/// Threads: one owner (the window's thread).
class ClickCounter {
 public:
  static constexpr int64_t kDefaultIntervalMs = 400;
  static constexpr int kDefaultDistancePx = 4;

  explicit ClickCounter(int64_t maxIntervalMs = kDefaultIntervalMs, int maxDistancePx = kDefaultDistancePx)
      : mMaxIntervalMs(maxIntervalMs), mMaxDistance(maxDistancePx) {}

  /// A press of `button` at window pixel (x, y) at `timeMs` (any monotonic
  /// millisecond clock; X server timestamps wrap after 49 days and are
  /// compared as differences). Returns 2 for the second press of a
  /// double-click, otherwise 1.
  int Press(uint32_t timeMs, int x, int y, int button);
  /// Forgets the last press (the pointer left, a grab changed the target).
  void Reset() { mPending = false; }

 private:
  int64_t mMaxIntervalMs;
  int mMaxDistance;
  bool mPending = false;  // a first press is waiting for its partner
  uint32_t mTime = 0;
  int mX = 0;
  int mY = 0;
  int mButton = 0;
};

}  // namespace framework
