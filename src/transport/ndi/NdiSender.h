#pragma once

#include <string>

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

/// The NDI transport of one plug-in instance: its audio feed and, while NDI
/// is on, one worker thread that runs an NDI source under the requested
/// name and sends the feed to it in 10 ms frames.
///
/// Threads: start/stop and status on the idle (user-interface) thread; the
/// audio thread only touches feed(). (Public interface fixed here so the
/// idle loop can be written against it; the implementation adds its private
/// worker state.)
class NdiSender {
 public:
  NdiSender();
  ~NdiSender();  // stops the worker
  NdiSender(const NdiSender&) = delete;
  NdiSender& operator=(const NdiSender&) = delete;

  AudioFeed& feed() { return mFeed; }
  const AudioFeed& feed() const { return mFeed; }

  /// Idle thread, every tick while NDI should run: a different name raises
  /// the name generation; starts the worker if it is not running.
  void start(const std::string& requestedName);
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
  AudioFeed mFeed;  // first: the audio thread's hand-over point
};

}  // namespace relaycaster
