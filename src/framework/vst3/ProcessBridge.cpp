#include "framework/vst3/ProcessBridge.h"

#include <algorithm>

namespace framework::vst3 {

void ProcessBridge::Prepare(int maxChannels, int maxFrames) {
  mMaxChannels = std::max(0, maxChannels);
  mMaxFrames = std::max(0, maxFrames);
  const size_t samples = static_cast<size_t>(mMaxChannels) * static_cast<size_t>(mMaxFrames);
  mInputStorage.assign(samples, 0.0);
  mOutputStorage.assign(samples, 0.0);
  mInputs.resize(static_cast<size_t>(mMaxChannels));
  mOutputs.resize(static_cast<size_t>(mMaxChannels));
  for (int c = 0; c < mMaxChannels; ++c) {
    mInputs[static_cast<size_t>(c)] = mInputStorage.data() + static_cast<size_t>(c) * mMaxFrames;
    mOutputs[static_cast<size_t>(c)] = mOutputStorage.data() + static_cast<size_t>(c) * mMaxFrames;
  }
}

void ProcessBridge::Run32(float** inputs, int nInputs, float** outputs, int nOutputs, int nFrames,
                          IPlugProcessor& processor) {
  if (!Prepared()) return;
  nInputs = inputs ? std::clamp(nInputs, 0, mMaxChannels) : 0;
  nOutputs = outputs ? std::clamp(nOutputs, 0, mMaxChannels) : 0;
  for (int done = 0; done < nFrames;) {
    const int slice = std::min(nFrames - done, mMaxFrames);
    for (int c = 0; c < nInputs; ++c) {
      const float* from = inputs[c] + done;
      std::copy(from, from + slice, mInputs[static_cast<size_t>(c)]);
    }
    processor.ProcessBuffers(nInputs > 0 ? mInputs.data() : nullptr, nInputs,
                             nOutputs > 0 ? mOutputs.data() : nullptr, nOutputs, slice);
    for (int c = 0; c < nOutputs; ++c) {
      const double* from = mOutputs[static_cast<size_t>(c)];
      float* to = outputs[c] + done;
      for (int i = 0; i < slice; ++i) to[i] = static_cast<float>(from[i]);
    }
    done += slice;
  }
}

void ProcessBridge::Run64(double** inputs, int nInputs, double** outputs, int nOutputs, int nFrames,
                          IPlugProcessor& processor) {
  nInputs = inputs ? std::clamp(nInputs, 0, mMaxChannels) : 0;
  nOutputs = outputs ? std::clamp(nOutputs, 0, mMaxChannels) : 0;
  processor.ProcessBuffers(nInputs > 0 ? inputs : nullptr, nInputs, nOutputs > 0 ? outputs : nullptr, nOutputs,
                           nFrames);
}

}  // namespace framework::vst3
