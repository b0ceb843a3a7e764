#include "framework/graphics/ClickCounter.h"

#include <cstdlib>

namespace framework {

int ClickCounter::Press(uint32_t timeMs, int x, int y, int button) {
  // Unsigned subtraction keeps the interval right across a wrap of the clock.
  const uint32_t elapsed = timeMs - mTime;
  const bool partner = mPending && button == mButton && elapsed <= static_cast<uint64_t>(mMaxIntervalMs) &&
                       std::abs(x - mX) <= mMaxDistance && std::abs(y - mY) <= mMaxDistance;
  if (partner) {
    mPending = false;
    return 2;
  }
  mPending = true;
  mTime = timeMs;
  mX = x;
  mY = y;
  mButton = button;
  return 1;
}

}  // namespace framework
