#pragma once

#include <vector>

#include "framework/IPlugProcessor.h"

namespace framework::vst3 {

/// Hands the host's audio buffers to the plug-in as 64-bit channel arrays.
/// 64-bit buffers pass straight through; 32-bit ones are widened into
/// scratch sized when processing is set up, and the result narrowed back,
/// in slices of at most the set-up block size, so processing never
/// allocates.
///
/// Threads: Prepare on a host thread while not processing; Run32 and Run64
/// on the audio thread.
class ProcessBridge {
 public:
  /// Sizes the scratch for up to maxChannels per direction and maxFrames per slice.
  void Prepare(int maxChannels, int maxFrames);
  bool Prepared() const { return mMaxFrames > 0; }
  int MaxChannels() const { return mMaxChannels; }

  /// Channel counts above the prepared maximum are cut to it.
  void Run32(float** inputs, int nInputs, float** outputs, int nOutputs, int nFrames, IPlugProcessor& processor);
  void Run64(double** inputs, int nInputs, double** outputs, int nOutputs, int nFrames, IPlugProcessor& processor);

 private:
  int mMaxChannels = 0;
  int mMaxFrames = 0;
  std::vector<double> mInputStorage;   // mMaxChannels × mMaxFrames
  std::vector<double> mOutputStorage;  // mMaxChannels × mMaxFrames
  std::vector<double*> mInputs;        // channel starts in mInputStorage
  std::vector<double*> mOutputs;       // channel starts in mOutputStorage
};

}  // namespace framework::vst3
