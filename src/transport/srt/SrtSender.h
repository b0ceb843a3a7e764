#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "transport/AudioFeed.h"
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

/// The SRT transport of one plug-in instance: its audio feed and, while SRT
/// is on, one worker thread that calls a receiver or waits for one, and
/// streams the feed to it as an MPEG-2 transport stream.
///
/// Threads: start/stop and the status getters are called on the idle
/// (user-interface) thread; the editor reads status too; the audio thread
/// only touches feed(). (Public interface fixed here so the idle loop can be
/// written against it; the implementation adds its private worker state.)
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

 private:
  AudioFeed mFeed;  // first: the audio thread's hand-over point
};

}  // namespace relaycaster
