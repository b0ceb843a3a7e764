#pragma once

// A bad network between two programs on loopback, for tests and benchmarks
// that want to see what arrives through it: a UDP relay that loses,
// delays, reorders and duplicates datagrams, independently in each
// direction. Free of any test framework, so benchmark programs build it in
// as well.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

namespace testsupport {

/// How one direction of the link treats the datagrams that enter it.
struct LinkImpairment {
  double lossRate = 0.0;       // long-run fraction of datagrams lost, 0..1
  int burstLength = 1;         // losses come in runs of this many datagrams (1: each on its own)
  double delayMs = 0.0;        // one-way delay
  double jitterMs = 0.0;       // each datagram's delay differs by up to ± this, uniformly, so datagrams reorder
  double duplicateRate = 0.0;  // fraction of the datagrams that pass and arrive twice, each copy with its own delay
  /// SRT handshake packets pass untouched (delayed, never lost). Receivers
  /// such as srt-live-transmit stop listening once they accept a caller,
  /// so a lost last answer of the handshake could never be repeated and
  /// the call would fail; with this the link's losses hit the stream alone.
  bool spareSrtHandshakes = false;
};

/// What one direction did with the datagrams that entered it.
struct LinkCounts {
  long received = 0;    // datagrams that entered
  long spared = 0;      // handshakes let through untouched
  long dropped = 0;     // lost on purpose
  long duplicated = 0;  // extra copies made
  long delivered = 0;   // datagrams sent on, copies included
  long reordered = 0;   // delivered after a datagram that entered later
  long overflowed = 0;  // lost because too many were in flight (should stay 0)
};

/// A UDP relay on 127.0.0.1 between a caller and a listener. The caller
/// sends to frontPort(); the relay passes its datagrams ("forward") to the
/// listener at 127.0.0.1:`backPort` from a socket of its own, and the
/// listener's answers ("backward") to the address the caller last sent
/// from. Each direction applies its own impairment with its own random
/// generator, seeded from `seed`: the same seed and the same datagrams in
/// the same order give the same losses, delays and copies.
///
/// The relay runs on a thread of its own, which stops when `limit` has
/// passed or stop() is called; the destructor stops and joins it.
///
/// Threads: construct, stop, destroy on one thread; the counts from any.
class LossyLink {
 public:
  LossyLink(int backPort, const LinkImpairment& forward, const LinkImpairment& backward, uint64_t seed,
            std::chrono::milliseconds limit);
  ~LossyLink();
  LossyLink(const LossyLink&) = delete;
  LossyLink& operator=(const LossyLink&) = delete;

  /// False when a socket could not be had; nothing is relayed then.
  bool ready() const { return mFrontSocket >= 0 && mBackSocket >= 0; }
  /// The port a caller calls (0 when not ready).
  int frontPort() const { return mFrontPort; }
  /// True while the relay runs (until its limit or stop()).
  bool relaying() const { return mRelaying.load(std::memory_order_acquire); }
  /// Stops relaying now and joins the thread. Idempotent.
  void stop();

  LinkCounts forwardCounts() const;
  LinkCounts backwardCounts() const;

 private:
  void run(std::chrono::steady_clock::time_point until);

  int mFrontSocket = -1;
  int mBackSocket = -1;
  int mFrontPort = 0;
  int mBackPort = 0;
  LinkImpairment mForward;
  LinkImpairment mBackward;
  uint64_t mSeed;
  std::atomic<bool> mRunning{true};  // stop() clears (release); the relay loads (acquire)
  std::atomic<bool> mRelaying{false};  // the relay sets it while it runs (release); anyone loads (acquire)
  mutable std::mutex mMutex;
  LinkCounts mForwardCounts;   // guarded by mMutex; the relay writes
  LinkCounts mBackwardCounts;  // guarded by mMutex; the relay writes
  std::thread mThread;
};

/// The probability with which a burst of `burstLength` losses starts at a
/// datagram outside a burst, so that the long-run loss is `lossRate`.
double burstStartProbability(double lossRate, int burstLength);

/// True for an SRT control packet of type handshake.
bool isSrtHandshake(const uint8_t* data, size_t size);

}  // namespace testsupport
