#pragma once

// Helpers for the SRT sender tests that stream to real peers: free ports, a
// real-time tone source, polling with deadlines, ffmpeg command lines, and
// a WAV reader with a tone analysis that finds gaps.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/LoopbackPorts.h"
#include "transport/AudioFeed.h"
#include "transport/srt/SrtSender.h"

namespace srtpeer {

using namespace std::chrono_literals;

/// A UDP port on 127.0.0.1 that was free a moment ago, and waiting until
/// some process has bound one (see support/LoopbackPorts.h).
using testsupport::freeUdpPort;
using testsupport::waitForUdpPort;

/// Polls `condition` every 2 ms until it holds or `limit` passes.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);

/// Records every state a sender passes through, polling every millisecond
/// on its own thread, with the message at that moment.
class StateRecorder {
 public:
  struct Entry {
    relaycaster::SrtState state;
    std::string message;
  };
  explicit StateRecorder(const relaycaster::SrtSender& sender);
  ~StateRecorder();
  StateRecorder(const StateRecorder&) = delete;
  StateRecorder& operator=(const StateRecorder&) = delete;

  std::vector<Entry> entries() const;
  /// The states in order, e.g. "2 4 5 2".
  std::string sequence() const;
  /// Waits (up to 2 s) until the recorded sequence is `expected`; true if so.
  bool reaches(const std::string& expected) const;
  bool saw(relaycaster::SrtState state) const;

 private:
  const relaycaster::SrtSender& mSender;
  std::atomic<bool> mRunning{true};
  mutable std::mutex mMutex;
  std::vector<Entry> mEntries;  // guarded by mMutex
  std::thread mThread;
};

/// Plays a sine into an AudioFeed in real time from its own thread, the way
/// a host's audio thread does: one block per block duration, each sent at
/// its deadline on a steady clock. The phase runs on across blocks.
class TonePlayer {
 public:
  TonePlayer(relaycaster::AudioFeed& feed, double rate, int channels, double frequency, double peakDb,
             int blockFrames = 256);
  ~TonePlayer();  // stops and joins
  TonePlayer(const TonePlayer&) = delete;
  TonePlayer& operator=(const TonePlayer&) = delete;

  /// Blocks pushed so far.
  long blocks() const { return mBlocks.load(std::memory_order_relaxed); }
  /// While paused the player keeps time but pushes nothing, like a host
  /// whose audio thread stalls.
  void setPaused(bool paused) { mPaused.store(paused, std::memory_order_relaxed); }

 private:
  void play();

  relaycaster::AudioFeed& mFeed;
  double mRate;
  int mChannels;
  double mFrequency;
  double mAmplitude;
  int mBlockFrames;
  std::atomic<bool> mRunning{true};  // test thread clears (release); player loads (acquire)
  std::atomic<long> mBlocks{0};
  std::atomic<bool> mPaused{false};
  std::thread mThread;
};

/// Decoded audio from a WAV file: interleaved floats.
struct WavAudio {
  int rate = 0;
  int channels = 0;
  std::vector<float> samples;
  double seconds() const { return channels > 0 && rate > 0 ? double(samples.size()) / channels / rate : 0.0; }
};

/// Reads 16-bit, 24-bit, 32-bit integer or 32-bit float WAV (plain or
/// extensible); nothing for anything else.
std::optional<WavAudio> readWav(const std::string& path);

/// What a decoded tone looks like, channel 0 after `skipSeconds` and any
/// silence that follows them.
struct ToneReport {
  double leadingQuietSeconds = 0.0;  // silence before the tone, after the skipped part
  double seconds = 0.0;      // analysed length
  double frequency = 0.0;    // from positive-going zero crossings
  double peakDb = -200.0;    // largest absolute sample, dBFS
  int irregularCycles = 0;   // crossing intervals off the expected period by more than 5 %
  int quietWindows = 0;      // 10 ms windows more than 3 dB below the tone's RMS
  double channelDifferenceDb = -200.0;  // largest |ch0 - ch1| in dBFS (stereo only)
  std::string describe() const;
};
ToneReport analyseTone(const WavAudio& audio, double expectedFrequency, double skipSeconds);

/// ffmpeg as an SRT receiver that decodes what arrives to a float WAV and
/// stops after `seconds` of output. As a listener on 127.0.0.1:port, or as a
/// caller of it. An empty passphrase means none.
std::vector<std::string> ffmpegListenerToWav(int port, double seconds, const std::string& wavPath,
                                             const std::string& passphrase = {});
std::vector<std::string> ffmpegCallerToWav(int port, double seconds, const std::string& wavPath,
                                           const std::string& passphrase = {});
/// ffmpeg decoding a transport-stream file to a float WAV.
std::vector<std::string> ffmpegFileToWav(const std::string& tsPath, const std::string& wavPath);

/// A fresh path in the test's temporary folder (the file does not exist).
std::string tempPath(const std::string& stem, const std::string& extension);

/// Writes bytes to a file; false on failure.
bool writeFile(const std::string& path, const std::string& bytes);

}  // namespace srtpeer
