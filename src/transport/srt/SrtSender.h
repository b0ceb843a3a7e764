#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "transport/AudioFeed.h"
#include "transport/srt/SrtSettings.h"
#include "transport/srt/SrtStatus.h"

namespace relaycaster {

/// The SRT transport of one plug-in instance: its audio feed and, while SRT
/// is on, one worker thread that calls a receiver or waits for one, and
/// streams the feed to it as an MPEG-2 transport stream.
///
/// Threads: start/stop and the status getters are called on the idle
/// (user-interface) thread; the editor reads status too; the audio thread
/// only touches feed(). Everything the worker creates (sockets, the output,
/// the encoder, the timer) is created and released on the worker thread.
class SrtSender {
 public:
  SrtSender();
  ~SrtSender();  // stops the worker
  SrtSender(const SrtSender&) = delete;
  SrtSender& operator=(const SrtSender&) = delete;

  AudioFeed& feed() { return mFeed; }
  const AudioFeed& feed() const { return mFeed; }

  /// Idle thread, every tick while SRT should run: stores the settings
  /// (raising the generation when they differ) and starts the worker if it
  /// is not running. Idempotent.
  void start(const SrtSettings& settings);
  /// Idle thread: stops and joins the worker. Idempotent.
  void stop();
  bool running() const;

  SrtState state() const;
  std::string message() const;  // copy under the lock
  std::string peer() const;     // copy under the lock
  /// libsrt's counts for the current or last connection, refreshed by the
  /// worker four times a second and when the connection ends.
  SrtLinkStatistics linkStatistics() const { return mStatus.linkStatistics(); }

  /// For tests: how often the running worker (re)configured itself, the
  /// settings generation it applied last, the generation start() requested
  /// last, and how many worker threads were started.
  int configureCount() const { return mStatus.configureCount(); }
  uint64_t appliedGeneration() const { return mStatus.appliedGeneration(); }
  uint64_t requestedGeneration() const { return mStatus.requestedGeneration(); }
  int workerStarts() const { return mWorkerStarts; }

 private:
  void runWorker();  // worker thread body

  AudioFeed mFeed;  // first: the audio thread's hand-over point
  SrtStatus mStatus;      // shared with the worker; see SrtStatus for who writes what
  std::thread mThread;    // idle thread starts and joins it
  int mWorkerStarts = 0;  // idle thread only
};

}  // namespace relaycaster
