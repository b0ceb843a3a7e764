#pragma once

// One stream through a bad link, end to end: a sender (our SrtSender fed
// by the counter signal, or ffmpeg sending a counter WAV file) calls
// through a LossyLink to srt-live-transmit, which writes what arrives; the
// capture is then checked for continuity and decoded by ffmpeg, bit for
// bit. Shared by the tests and the link benchmark, so free of any test
// framework.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "support/LossyLink.h"
#include "support/StreamCheck.h"
#include "transport/AudioFeed.h"
#include "transport/srt/SrtSender.h"

namespace srtpeer {

/// Plays the counter signal (48 kHz stereo) into an AudioFeed in real time
/// from its own thread, the way a host's audio thread does.
class CounterPlayer {
 public:
  explicit CounterPlayer(relaycaster::AudioFeed& feed, int blockFrames = 256);
  ~CounterPlayer();  // stops and joins
  CounterPlayer(const CounterPlayer&) = delete;
  CounterPlayer& operator=(const CounterPlayer&) = delete;

  /// Frames pushed so far.
  uint64_t frames() const { return mFrames.load(std::memory_order_relaxed); }

 private:
  void play();

  relaycaster::AudioFeed& mFeed;
  int mBlockFrames;
  std::atomic<bool> mRunning{true};  // owner clears (release); the player loads (acquire)
  std::atomic<uint64_t> mFrames{0};
  std::thread mThread;
};

/// One row of a link trial.
struct LinkTrial {
  testsupport::LinkImpairment eachWay;  // the same impairment forward and backward
  int latencyMs = 200;
  double seconds = 6.0;  // of audio the sender streams
  uint64_t seed = 1;
  std::string scratchFolder = "/tmp";  // for the capture and its decoding
};

/// What arrived, and what the link and the sender said about it.
struct LinkOutcome {
  std::string problem;  // empty when the trial ran; else what went wrong
  testsupport::ContinuityReport continuity;
  testsupport::CounterReport counter;
  std::string decoderErrors;  // what ffmpeg printed while decoding the capture
  relaycaster::SrtLinkStatistics sender;  // ours only: libsrt's counts at the end
  testsupport::LinkCounts forward;
  testsupport::LinkCounts backward;
  double connectSeconds = 0.0;  // from the start until the sender was sending

  std::string describe() const;
};

/// Our sender (caller mode, PCM) through the link.
LinkOutcome streamOursThroughLink(const LinkTrial& trial);

/// ffmpeg sending `counterWav` (see testsupport::writeCounterWav; at least
/// trial.seconds long) as SMPTE 302M in MPEG-TS through the link.
LinkOutcome streamFfmpegThroughLink(const LinkTrial& trial, const std::string& counterWav);

/// Checks a capture: continuity, then ffmpeg's decoding, then the counter.
void checkCapture(const std::string& bytes, const std::string& scratchStem, LinkOutcome& outcome);

}  // namespace srtpeer
