#pragma once

#include <cstddef>

namespace testsupport {

/// Counts calls to the global allocation functions and to pthread mutex
/// locking made by the current thread between start() and stop(). Linking
/// this file replaces operator new/delete for the whole test program.
class AllocationCounter {
 public:
  AllocationCounter();   // starts counting on this thread
  ~AllocationCounter();  // stops
  size_t allocations() const;
  size_t locks() const;

 private:
  size_t mAllocationsAtStart;
  size_t mLocksAtStart;
};

}  // namespace testsupport
