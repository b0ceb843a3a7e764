#include "support/AllocationCounter.h"

#include <dlfcn.h>
#include <pthread.h>

#include <cstdlib>
#include <new>

namespace {

thread_local bool tCounting = false;
thread_local size_t tAllocations = 0;
thread_local size_t tLocks = 0;

void* allocate(size_t size) {
  if (tCounting) ++tAllocations;
  if (size == 0) size = 1;
  if (void* p = std::malloc(size)) return p;
  throw std::bad_alloc();
}

void* allocateAligned(size_t size, std::align_val_t alignment) {
  if (tCounting) ++tAllocations;
  const size_t align = static_cast<size_t>(alignment);
  size = (size + align - 1) / align * align;
  if (void* p = std::aligned_alloc(align, size == 0 ? align : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t size) { return allocate(size); }
void* operator new[](size_t size) { return allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try { return allocate(size); } catch (...) { return nullptr; }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  try { return allocate(size); } catch (...) { return nullptr; }
}
void* operator new(size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void* operator new[](size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { std::free(p); }

// Every std::mutex lock in the program comes through here.
extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex) {
  using LockFunction = int (*)(pthread_mutex_t*);
  static LockFunction next = reinterpret_cast<LockFunction>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
  if (tCounting) ++tLocks;
  return next(mutex);
}

namespace testsupport {

AllocationCounter::AllocationCounter() : mAllocationsAtStart(tAllocations), mLocksAtStart(tLocks) {
  tCounting = true;
}

AllocationCounter::~AllocationCounter() { tCounting = false; }

size_t AllocationCounter::allocations() const { return tAllocations - mAllocationsAtStart; }
size_t AllocationCounter::locks() const { return tLocks - mLocksAtStart; }

}  // namespace testsupport
