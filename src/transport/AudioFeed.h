#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>

namespace relaycaster {

#if defined(__SANITIZE_THREAD__)
#define RELAYCASTER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define RELAYCASTER_TSAN 1
#endif
#endif

/// Functions that touch ring samples while the other side may be writing
/// them. A reader that was lapped copies torn frames on purpose and throws
/// them away after checking `reserved`, so in race-detector builds these
/// plain accesses are exempt; the counters around them stay instrumented.
#if defined(RELAYCASTER_TSAN)
#define RELAYCASTER_RING_SAMPLE_ACCESS __attribute__((no_sanitize("thread")))
#else
#define RELAYCASTER_RING_SAMPLE_ACCESS
#endif

struct AudioRing;

/// Writer: publishes `reserved` so that it is visible before any sample
/// store that follows. Reader: loads `reserved` only after every sample load
/// before it. Plain-store samples need fences for that; the race detector
/// does not model fences (and never sees the sample accesses, see above), so
/// its builds use ordered atomic operations instead.
void reserveBeforeWriting(AudioRing& ring, uint64_t reserved);
uint64_t reservedAfterCopy(const AudioRing& ring);

/// Single-producer, single-consumer ring of interleaved two-channel float
/// frames. Counters are absolute frame counts since creation; the slot of
/// frame f is f & mask.
///
/// Writer (audio thread): stores `reserved` = written + n, then the samples
/// of the n frames, then `written` = written + n with release ordering.
/// Reader (worker thread): loads `written` with acquire, copies, then loads
/// `reserved` to see whether the writer has started overwriting the copy.
struct AudioRing {
  static constexpr uint64_t capacity = uint64_t{1} << 18;
  static constexpr uint64_t mask = capacity - 1;

  AudioRing() : samples(new float[2 * capacity]()) {}

  std::unique_ptr<float[]> samples;      // 2 floats per slot, zero at creation
  std::atomic<uint64_t> written{0};      // audio thread writes (release); reader loads (acquire)
  std::atomic<uint64_t> reserved{0};     // audio thread writes before a block; reader checks after a copy
  uint64_t read = 0;                     // reader only

  static_assert(std::atomic<uint64_t>::is_always_lock_free);
};

/// The hand-over point between the host's audio thread and one transport's
/// worker: the ring plus what the audio thread needs for gain ramps and
/// level meters, and the settings the worker follows.
class AudioFeed {
 public:
  AudioFeed() = default;
  AudioFeed(const AudioFeed&) = delete;
  AudioFeed& operator=(const AudioFeed&) = delete;

  /// Audio thread. Writes `frames` frames of the first two `channelCount`
  /// inputs into the ring, scaled by a gain that ramps linearly from the
  /// previous block's gain to `gain`, and raises the peak meters. Does
  /// nothing unless the feed is enabled. Never blocks, allocates or fails.
  void push(const double* const* inputs, int channelCount, int frames, float gain);

  /// Editor thread. The largest absolute sample value per channel since the
  /// previous call (resetting both to 0), and the live channel count.
  std::pair<std::array<float, 2>, int> takePeaks();

  /// Idle thread, on transport start: creates the ring on first use and
  /// lets the audio thread write. Later starts reuse the same ring.
  void enable();
  /// Idle thread, on transport stop: the audio thread stops writing after
  /// any push already under way.
  void disable();
  bool isEnabled() const { return mEnabled.load(std::memory_order_acquire); }

  /// The ring, or null before the first start. For the worker and tests.
  AudioRing* ring() const { return mRing.get(); }

  /// Channel count of the last pushed block, 1 or 2 (2 before any audio).
  /// Written by the audio thread; read by the worker and display texts.
  int channels() const { return mChannels.load(std::memory_order_relaxed); }

  /// Host sample rate and target fill in seconds; written by the idle tick,
  /// read by the worker.
  double sampleRate() const { return mSampleRate.load(std::memory_order_relaxed); }
  void setSampleRate(double rate) { mSampleRate.store(rate, std::memory_order_relaxed); }
  double bufferSeconds() const { return mBufferSeconds.load(std::memory_order_relaxed); }
  void setBufferSeconds(double seconds) { mBufferSeconds.store(seconds, std::memory_order_relaxed); }

  /// Drop-out count as the worker last published it (editor reads it).
  int dropoutCount() const { return mDropoutCount.load(std::memory_order_relaxed); }
  /// Editor: shows 0 at once and asks the worker to zero its own count.
  void resetDropouts();
  /// Worker: publishes its count after each cycle.
  void publishDropouts(int count) { mDropoutCount.store(count, std::memory_order_relaxed); }
  /// Worker: true once per editor reset request.
  bool takeDropoutResetRequest() { return mDropoutResetRequest.exchange(false, std::memory_order_acq_rel); }

 private:
  void raisePeak(int channel, float localPeak);

  // Idle thread creates it at the first start, before any worker thread
  // exists; freed with the feed.
  std::unique_ptr<AudioRing> mRing;
  // Idle thread publishes it (release) once the ring is built; the audio
  // thread loads it (acquire) so that it sees a fully zeroed ring.
  std::atomic<AudioRing*> mAudioRing{nullptr};
  // Idle thread writes (release); the audio thread reads it (acquire) at the
  // start of every push. A push already past that check finishes normally.
  std::atomic<bool> mEnabled{false};

  float mLastGain = 0.0f;    // audio thread only
  bool mGainPrimed = false;  // audio thread only

  // Single words with no data hanging off them, hence relaxed:
  std::atomic<int> mChannels{2};              // audio thread writes; worker, editor and display texts read
  std::array<std::atomic<float>, 2> mPeak{};  // audio thread raises (CAS); editor exchanges with 0
  std::atomic<double> mSampleRate{48000.0};   // idle thread writes; worker reads
  std::atomic<double> mBufferSeconds{0.04};   // idle thread writes; worker reads
  std::atomic<int> mDropoutCount{0};          // worker publishes; editor reads and zeroes
  // Editor raises it (release, after zeroing the shown count); the worker
  // takes it by exchange, so each request is seen exactly once.
  std::atomic<bool> mDropoutResetRequest{false};

  static_assert(std::atomic<float>::is_always_lock_free);
  static_assert(std::atomic<double>::is_always_lock_free);
};

#if defined(RELAYCASTER_TSAN)
inline void reserveBeforeWriting(AudioRing& ring, uint64_t reserved) {
  ring.reserved.store(reserved, std::memory_order_seq_cst);
}
inline uint64_t reservedAfterCopy(const AudioRing& ring) { return ring.reserved.load(std::memory_order_seq_cst); }
#else
inline void reserveBeforeWriting(AudioRing& ring, uint64_t reserved) {
  ring.reserved.store(reserved, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);  // orders the store above before later sample stores
}
inline uint64_t reservedAfterCopy(const AudioRing& ring) {
  std::atomic_thread_fence(std::memory_order_acquire);  // orders earlier sample loads before the load below
  return ring.reserved.load(std::memory_order_relaxed);
}
#endif

}  // namespace relaycaster
