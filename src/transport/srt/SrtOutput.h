#pragma once

#include <cstdint>
#include <string>

#include "transport/srt/SrtSettings.h"

namespace relaycaster {

/// Where finished 1316-byte messages (seven transport packets) go. The SRT
/// worker sends them with srt_sendmsg2 on its connected socket; tests
/// capture them.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void sendMessage(const uint8_t* data, int size) = 0;
};

/// Turns the worker's 10 ms float blocks into an MPEG-2 transport stream:
/// resampled to the output rate, packed as SMPTE 302M PCM or AAC in ADTS,
/// PES packets behind PAT, PMT and SDT, sent in 1316-byte messages.
///
/// Threads: one owner, the SRT worker, for the life of its thread.
///
/// (Public interface fixed here so the worker can be written against it;
/// the implementation adds its private state.)
class SrtOutput {
 public:
  SrtOutput();
  ~SrtOutput();

  /// Applies settings for a host rate (rounded to whole Hz) and channel
  /// count; on success also runs reset(). False with `error` set when the
  /// AAC encoder cannot be made.
  bool configure(const SrtSettings& settings, int hostRate, int channels, std::string& error);
  /// Restarts the stream for a new receiver: tables first, time from 0.
  void reset();
  /// The reader's sink while a receiver is connected.
  void consumeBlock(const float* samples, int stride, int frames, MessageSink& sink);

  int outputRate() const;
};

}  // namespace relaycaster
