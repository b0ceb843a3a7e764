#pragma once

#if defined(__SSE__) || defined(_M_X64) || defined(_M_IX86)
#include <xmmintrin.h>
#define FRAMEWORK_HAS_MXCSR 1
#endif

namespace framework {

/// Switches on flush-to-zero and denormals-are-zero for its lifetime and
/// restores the previous floating-point control state afterwards, so that
/// decaying signals cost the same as loud ones.
class ScopedFlushDenormals {
 public:
#ifdef FRAMEWORK_HAS_MXCSR
  ScopedFlushDenormals() : mSaved(_mm_getcsr()) { _mm_setcsr(mSaved | kFlushBits); }
  ~ScopedFlushDenormals() { _mm_setcsr(mSaved); }
  static constexpr unsigned kFlushBits = 0x8040;  // FTZ (bit 15) | DAZ (bit 6)

 private:
  unsigned mSaved;
#else
  ScopedFlushDenormals() = default;
#endif
  ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
  ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;
};

}  // namespace framework
