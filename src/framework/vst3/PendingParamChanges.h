#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace framework::vst3 {

/// Parameters the audio thread changed (automation arriving with a process
/// call) that the user-interface side has not yet been told about. One bit
/// per parameter; marking is a single lock-free fetch_or, so the audio
/// thread never waits or allocates.
///
/// Threads: Mark on the audio thread, MarkAll on any thread, Drain on the
/// idle tick.
class PendingParamChanges {
 public:
  explicit PendingParamChanges(int count)
      : mCount(count > 0 ? count : 0), mWords(std::make_unique<std::atomic<uint32_t>[]>(WordCount())) {}

  void Mark(int index) {
    if (index < 0 || index >= mCount) return;
    // release: the parameter's new value, stored before, is visible to Drain.
    mWords[static_cast<size_t>(index / 32)].fetch_or(1u << (index % 32), std::memory_order_release);
  }
  void MarkAll() {
    for (int i = 0; i < mCount; ++i) Mark(i);
  }
  /// Calls visit(index) once for every parameter marked since the last Drain.
  template <class Visit>
  void Drain(Visit&& visit) {
    for (size_t w = 0; w < WordCount(); ++w) {
      // acquire: pairs with Mark's release.
      uint32_t bits = mWords[w].exchange(0, std::memory_order_acquire);
      for (int bit = 0; bits != 0; ++bit, bits >>= 1)
        if (bits & 1u) visit(static_cast<int>(w * 32) + bit);
    }
  }

 private:
  static_assert(std::atomic<uint32_t>::is_always_lock_free);
  size_t WordCount() const { return static_cast<size_t>((mCount + 31) / 32); }

  int mCount;
  std::unique_ptr<std::atomic<uint32_t>[]> mWords;
};

}  // namespace framework::vst3
