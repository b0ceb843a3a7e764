#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace relaycaster::srt {

/// Receives one raw AAC-LC frame (1024 samples per channel, no ADTS header).
/// A non-owning reference to any callable, so encoding never allocates for it.
class AacFrameSink {
 public:
  template <typename F>
  AacFrameSink(F& callable)  // NOLINT: implicit, like a function reference
      : mObject(&callable),
        mCall([](void* object, const uint8_t* data, int size) { (*static_cast<F*>(object))(data, size); }) {}
  void operator()(const uint8_t* data, int size) const { mCall(mObject, data, size); }

 private:
  void* mObject;
  void (*mCall)(void*, const uint8_t*, int);
};

/// An AAC-LC encoder for one stream. Created, used and destroyed on the SRT
/// worker thread.
class AacEncoder {
 public:
  virtual ~AacEncoder() = default;
  /// Encodes `frames` interleaved float frames (values beyond +/-1 are
  /// clipped) and hands every AAC frame that becomes ready to `sink`, in
  /// stream order, before returning. A count below 1 does nothing.
  virtual void encode(const float* interleaved, int32_t frames, AacFrameSink sink) = 0;
};

/// Makes an encoder for the platform, or returns null with `error` set to a
/// sentence the user can read.
std::unique_ptr<AacEncoder> createAacEncoder(int sampleRate, int channels, int bitrateKbps, std::string& error);

}  // namespace relaycaster::srt
