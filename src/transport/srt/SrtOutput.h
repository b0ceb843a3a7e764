#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "transport/srt/AacEncoder.h"
#include "transport/srt/MessageSink.h"
#include "transport/srt/Resampler.h"
#include "transport/srt/Smpte302m.h"
#include "transport/srt/SrtSettings.h"
#include "transport/srt/TsMuxer.h"

namespace relaycaster {

/// Turns the worker's 10 ms float blocks into an MPEG-2 transport stream:
/// resampled to the output rate, packed as SMPTE 302M PCM or AAC in ADTS,
/// PES packets behind PAT, PMT and SDT, sent in 1316-byte messages.
///
/// Threads: one owner, the SRT worker, for the life of its thread. Blocks
/// are consumed without allocating once the first block has been seen (the
/// AAC path excepted inside libavcodec).
class SrtOutput {
 public:
  static constexpr int kCodecAac = 0;
  static constexpr int kCodecPcm = 1;

  SrtOutput();
  ~SrtOutput();
  SrtOutput(const SrtOutput&) = delete;
  SrtOutput& operator=(const SrtOutput&) = delete;

  /// Applies settings for a host rate (rounded to whole Hz) and channel
  /// count; on success the stream restarts as after reset(), with the one
  /// fresh encoder made here. False with `error` set when the AAC encoder
  /// cannot be made.
  bool configure(const SrtSettings& settings, int hostRate, int channels, std::string& error);
  /// Restarts the stream for a new receiver: tables first, time from 0.
  /// The resampler's history and the AES3 block position carry on.
  void reset();
  /// The reader's sink while a receiver is connected: planar floats,
  /// channel c's frame i at samples[c * stride + i].
  void consumeBlock(const float* samples, int stride, int frames, MessageSink& sink);

  /// Sends the transport packets already made as one last whole message,
  /// padded with null packets, so that a receiver gets the last access unit
  /// complete, and then a few messages of null packets: libsrt repairs a
  /// lost packet only once the receiver sees a later one, so without them
  /// a lost last message would stay lost. Audio not yet packed into an
  /// access unit stays behind.
  void finishStream(MessageSink& sink) { mMuxer.finishMessage(sink, kTrailingNullMessages); }
  static constexpr int kTrailingNullMessages = 4;
  /// One message of null packets, which a receiver ignores: the lead-in of
  /// a connection (see SrtLink::takeLeadInBlock). Only before the stream's
  /// first access unit, when no packet waits.
  void sendNullMessage(MessageSink& sink) { mMuxer.finishMessage(sink, 1); }

  int outputRate() const;
  int channels() const { return mChannels; }
  int codec() const { return mCodec; }
  /// The AAC bit rate in use (automatic choice resolved); 0 for PCM.
  int bitrateKbps() const { return mCodec == kCodecAac ? mBitrateKbps : 0; }
  bool hasEncoder() const { return mEncoder != nullptr; }
  /// Output-rate samples stamped since the last reset.
  uint64_t sampleCounter() const { return mSampleCounter; }

 private:
  /// Tables first and time from 0, with the encoder as it is.
  void restartStream();
  void takePcmFrame(const float* frame, MessageSink& sink);
  void takeAacFrame(const uint8_t* data, int size, MessageSink& sink);
  void writeAccessUnit(size_t size, MessageSink& sink);
  void reserveAacInput(int hostRate);

  SrtSettings mSettings;
  int mCodec = kCodecAac;
  int mChannels = 2;
  int mOutRate = 48000;
  int mBitrateKbps = 192;
  Resampler mResampler;
  std::unique_ptr<srt::AacEncoder> mEncoder;  // only while the codec is AAC
  Smpte302mPacker mPacker;                    // holds the running AES3 block position
  TsMuxer mMuxer;
  std::vector<float> mAacInput;    // interleaved output-rate frames of one block
  std::array<float, Smpte302mPacker::kFramesPerGroup> mPcmLeft{};
  std::array<float, Smpte302mPacker::kFramesPerGroup> mPcmRight{};
  int mPcmCount = 0;
  std::vector<uint8_t> mFrameBytes;  // the access unit being handed to the muxer
  uint64_t mSampleCounter = 0;
};

}  // namespace relaycaster
