#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "transport/srt/SrtSettings.h"

namespace relaycaster {

/// Status codes of the SRT worker.
enum class SrtState : int {
  Off = 0,        // not running
  NeedsHost = 1,  // caller mode without a host: nothing is attempted
  Calling = 2,    // caller mode, connecting or about to
  Listening = 3,  // listener mode, waiting for a caller
  Sending = 4,    // a receiver is connected
  Retrying = 5,   // an error; message() says which; another attempt in 2 s
  Failed = 6,     // a settings error; nothing more until the settings change
};

/// What libsrt counts on the data socket of the current connection (or of
/// the last one, after it ended): the sender's side of the link's health.
struct SrtLinkStatistics {
  int64_t packetsSent = 0;    // data packets put on the wire, retransmissions included
  int64_t retransmitted = 0;  // packets sent again after the receiver missed them
  int64_t reportedLost = 0;   // packets the receiver reported missing
  int64_t dropped = 0;        // packets given up because they could no longer arrive in time
  double roundTripMs = 0.0;   // libsrt's smoothed round-trip estimate
  int leadInMs = 0;           // how long the stream's lead-in of null packets lasted
};

/// What the idle thread and the SRT worker share: the requested settings
/// with their generation, the published status, and the run flag.
///
/// Threads: the idle thread writes the settings and the run flag and reads
/// the status; the worker reads the settings and writes the status. The
/// mutex is held only for copies, never across a libsrt call or a wait.
class SrtStatus {
 public:
  // --- idle thread ------------------------------------------------------------
  /// Stores `settings`; raises the generation when they differ from the
  /// stored ones (the service name alone does not count).
  void requestSettings(const SrtSettings& settings) {
    std::lock_guard lock(mMutex);
    if (settings != mSettings) ++mGeneration;
    mSettings = settings;
  }
  void setRunning(bool running) { mRunning.store(running, std::memory_order_release); }  // pairs with the worker's acquire

  // --- worker thread ------------------------------------------------------------
  bool running() const { return mRunning.load(std::memory_order_acquire); }
  /// Copies the settings when their generation differs from `generation`
  /// (which is then updated); false when nothing changed.
  bool takeSettingsIfNewer(uint64_t& generation, bool haveGeneration, SrtSettings& settings) const {
    std::lock_guard lock(mMutex);
    if (haveGeneration && generation == mGeneration) return false;
    generation = mGeneration;
    settings = mSettings;
    return true;
  }
  void setMessage(std::string message) {
    std::lock_guard lock(mMutex);
    mMessage = std::move(message);
  }
  void setPeer(std::string peer) {
    std::lock_guard lock(mMutex);
    mPeer = std::move(peer);
  }
  void setLinkStatistics(const SrtLinkStatistics& statistics) {
    std::lock_guard lock(mMutex);
    mLinkStatistics = statistics;
  }

  // --- any thread -------------------------------------------------------------
  // The worker stores the message and peer first and the state last
  // (release), so a reader that loads the state (acquire) and then copies
  // the texts sees texts at least as new as the state.
  SrtState state() const { return static_cast<SrtState>(mState.load(std::memory_order_acquire)); }
  void setState(SrtState state) { mState.store(static_cast<int>(state), std::memory_order_release); }
  std::string message() const {
    std::lock_guard lock(mMutex);
    return mMessage;
  }
  std::string peer() const {
    std::lock_guard lock(mMutex);
    return mPeer;
  }
  SrtLinkStatistics linkStatistics() const {
    std::lock_guard lock(mMutex);
    return mLinkStatistics;
  }

  /// For tests and diagnostics: how often the worker (re)configured itself
  /// and the settings generation it applied last. Worker writes, anyone
  /// reads; relaxed: plain counters with no data hanging off them.
  int configureCount() const { return mConfigureCount.load(std::memory_order_relaxed); }
  uint64_t appliedGeneration() const { return mAppliedGeneration.load(std::memory_order_relaxed); }
  void noteConfigured(uint64_t generation) {
    mConfigureCount.fetch_add(1, std::memory_order_relaxed);
    mAppliedGeneration.store(generation, std::memory_order_relaxed);
  }
  uint64_t requestedGeneration() const {
    std::lock_guard lock(mMutex);
    return mGeneration;
  }

 private:
  std::atomic<bool> mRunning{false};
  std::atomic<int> mState{0};
  std::atomic<int> mConfigureCount{0};
  std::atomic<uint64_t> mAppliedGeneration{0};

  mutable std::mutex mMutex;
  SrtSettings mSettings;     // guarded by mMutex; idle thread writes, worker copies
  uint64_t mGeneration = 0;  // guarded by mMutex; idle thread raises
  std::string mMessage;      // guarded by mMutex; worker writes
  std::string mPeer;         // guarded by mMutex; worker and stop write
  SrtLinkStatistics mLinkStatistics;  // guarded by mMutex; worker writes
};

}  // namespace relaycaster
