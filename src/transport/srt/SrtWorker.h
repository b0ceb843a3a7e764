#pragma once

#include <cstdint>

#include "transport/AudioFeed.h"
#include "transport/FeedReader.h"
#include "transport/WorkerClock.h"
#include "transport/srt/SrtCaller.h"
#include "transport/srt/SrtLink.h"
#include "transport/srt/SrtListener.h"
#include "transport/srt/SrtOutput.h"
#include "transport/srt/SrtSettings.h"
#include "transport/srt/SrtStatus.h"

namespace relaycaster {

/// The SRT worker thread's own state and loop: pacing clock, feed reader,
/// transport-stream output, sockets and the caller or listener machine. It
/// is constructed, run and destroyed on the worker thread, so every socket,
/// the encoder and the timer live and die there.
///
/// Each pass: take new settings, follow the feed's rate, channels and
/// buffer, honour a drop-out reset, (re)configure when needed, step the
/// machine, pump the reader (into the output while a receiver is attached,
/// after the connection's lead-in, otherwise discarding), publish the
/// drop-out count, then sleep until the reader's next block is owed (at
/// most 10 ms).
class SrtWorker {
 public:
  SrtWorker(AudioFeed& feed, SrtStatus& status);
  SrtWorker(const SrtWorker&) = delete;
  SrtWorker& operator=(const SrtWorker&) = delete;

  /// Loops until the status's run flag drops.
  void run();
  /// One pass without the wait.
  void runOnce();

 private:
  void takeSettings();
  void followFeed();
  void configure();
  bool validate();
  void stepMachine(double now);
  void setupReader();
  void refreshStatistics(double now);

  AudioFeed& mFeed;
  SrtStatus& mStatus;

  WorkerClock mClock;
  FeedReader mReader;
  SrtOutput mOutput;
  // After the output: on the way out the link drops the connection and
  // closes the listening socket before the output goes, then the reader
  // and the clock (the timer) follow.
  SrtLink mLink;
  SrtCaller mCaller{mLink};
  SrtListener mListener{mLink};

  SrtSettings mSettings;
  uint64_t mGeneration = 0;
  bool mHaveGeneration = false;
  double mReaderRate = 0.0;   // the feed's rate and channels the reader was set up with
  int mReaderChannels = 0;
  double mReaderBuffer = 0.0;
  bool mConfigured = false;  // the current settings have been applied
  bool mReady = false;       // ... and they were valid
  double mNextStatistics = 0.0;  // worker-clock seconds of the next statistics refresh
};

}  // namespace relaycaster
