#pragma once

#include <cstdint>

namespace relaycaster {

/// SMPTE 302M packing of 24-bit stereo PCM (AES3 data in a transport
/// stream): a 4-byte header and 7 bytes per sample pair.
class Smpte302mPacker {
 public:
  static constexpr int kFramesPerGroup = 480;  // 10 ms at 48 kHz
  static constexpr int kHeaderBytes = 4;
  static constexpr int kBytesPerFrame = 7;
  static constexpr int kGroupBytes = kHeaderBytes + kFramesPerGroup * kBytesPerFrame;  // 3364
  static constexpr int kAes3BlockFrames = 192;

  /// Packs `frames` (at most kFramesPerGroup) sample pairs into `out`, which
  /// must hold kHeaderBytes + frames * kBytesPerFrame bytes. The AES3
  /// block-start flag marks every 192nd frame of the running count, which
  /// carries on from group to group.
  void pack(const float* left, const float* right, int frames, uint8_t* out);

  /// Position of the next frame in the 192-frame AES3 block.
  int aesFrameIndex() const { return mAesFrameIndex; }

  /// One sample pair as its 7 bytes (v = 24-bit two's complement values).
  static void packPair(int32_t left, int32_t right, bool blockStart, uint8_t* out);

 private:
  int mAesFrameIndex = 0;  // 0..191; never reset after creation
};

}  // namespace relaycaster
