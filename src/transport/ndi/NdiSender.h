#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "transport/AudioFeed.h"

namespace relaycaster {

/// Status codes of the NDI worker.
enum class NdiState : int {
  Off = 0,          // not running
  Starting = 1,     // started, no source yet
  Sending = 2,      // a source exists and audio flows to it
  Unavailable = 3,  // the NDI runtime could not be loaded; message() says why
  NoSource = 4,     // the source could not be created; retrying every 2 s
};

class NdiRuntime;

/// Where a sender's worker gets the NDI runtime when it starts. Normally the
/// process-wide NdiRuntime::get; tests hand in a runtime of their own, which
/// must outlive the sender.
using NdiRuntimeProvider = std::function<const NdiRuntime&()>;

/// The NDI transport of one plug-in instance: its audio feed and, while NDI
/// is on, one worker thread that runs an NDI source under the requested
/// name and sends the feed to it in 10 ms frames.
///
/// Threads: start/stop and status on the idle (user-interface) thread; the
/// editor reads status too; the audio thread only touches feed(). The source,
/// the feed reader and the timer live and die on the worker thread.
class NdiSender {
 public:
  NdiSender();  // uses NdiRuntime::get
  explicit NdiSender(NdiRuntimeProvider runtime);
  ~NdiSender();  // stops the worker
  NdiSender(const NdiSender&) = delete;
  NdiSender& operator=(const NdiSender&) = delete;

  AudioFeed& feed() { return mFeed; }
  const AudioFeed& feed() const { return mFeed; }

  /// Idle thread, every tick while NDI should run: a different name raises
  /// the name generation; starts the worker if it is not running.
  void start(const std::string& requestedName);
  /// Idle thread: stops the feed, joins the worker (which destroys its
  /// source), then reports Off with no receivers. Idempotent.
  void stop();
  bool running() const;

  NdiState state() const;
  int receivers() const;
  /// The source had to be numbered because the plain name was refused.
  bool numbered() const;
  std::string requestedName() const;  // copies under the lock
  std::string message() const;
  std::string sourceName() const;     // the announced name; empty without a source

 private:
  class Worker;
  friend class Worker;

  void workerMain() noexcept;  // worker thread: runWorker, started over after a failure
  void runWorker();            // worker thread
  void setMessage(std::string text);
  void setSourceName(std::string text);

  AudioFeed mFeed;  // first: the audio thread's hand-over point
  NdiRuntimeProvider mRuntime;  // called on the worker thread at each start

  std::thread mThread;  // idle thread starts and joins it
  // Idle thread writes (release, so the worker sees the feed enabled before
  // it runs); worker reads every loop (acquire).
  std::atomic<bool> mRunning{false};
  // Single-word status shared without the lock. Relaxed: each is a value
  // of its own, read for display; nothing else is published through them.
  std::atomic<int> mState{static_cast<int>(NdiState::Off)};  // start, stop and worker write; idle reads
  std::atomic<int> mReceivers{0};                            // worker and stop write; idle reads
  std::atomic<bool> mNumbered{false};                        // worker writes; idle reads

  mutable std::mutex mLock;    // guards the four below; never held across a runtime call or a wait
  std::string mRequestedName;  // start writes; worker and idle read
  uint64_t mNameGeneration = 0;  // start raises it whenever the name changes; worker reads
  std::string mMessage;        // worker writes; idle reads
  std::string mSourceName;     // worker writes; idle reads
};

}  // namespace relaycaster
