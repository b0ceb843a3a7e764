#include "framework/IPlugProcessor.h"

#include <algorithm>
#include <cstring>

namespace framework {

void IPlugProcessor::ProcessBuffers(double** inputs, int nInputs, double** outputs, int nOutputs,
                                    int nFrames) {
  mInputsConnected = inputs ? std::max(0, nInputs) : 0;
  mOutputsConnected = outputs ? std::max(0, nOutputs) : 0;
  if (GetHostBypassed()) {
    PassThrough(inputs, mInputsConnected, outputs, mOutputsConnected, nFrames);
    return;
  }
  RenderBlock(inputs, outputs, nFrames);
}

void IPlugProcessor::PassThrough(double** inputs, int nInputs, double** outputs, int nOutputs,
                                 int nFrames) {
  if (nFrames <= 0 || nOutputs <= 0 || !outputs) return;
  const int common = inputs ? std::min(nInputs, nOutputs) : 0;
  const size_t bytes = sizeof(double) * static_cast<size_t>(nFrames);
  for (int i = 0; i < common; ++i) {
    if (outputs[i] != inputs[i]) std::memcpy(outputs[i], inputs[i], bytes);
  }
  for (int i = common; i < nOutputs; ++i) {
    if (common > 0) {
      if (outputs[i] != outputs[0]) std::memcpy(outputs[i], outputs[0], bytes);
    } else
      std::memset(outputs[i], 0, bytes);
  }
}

}  // namespace framework
