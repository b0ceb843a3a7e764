// IPlugVST3: IAudioProcessor and IProcessContextRequirements.
#include <algorithm>

#include "framework/vst3/Guarded.h"
#include "framework/vst3/IPlugVST3.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

namespace framework {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

/// Channels the plug-in may read from one host bus: what the arrangement
/// gives, no more than the host sent, and none when a channel pointer is
/// missing.
template <class Sample>
int UsableChannels(const AudioBusBuffers* buses, int32 busCount, int arranged, Sample** AudioBusBuffers::*buffers) {
  if (!buses || busCount < 1 || arranged <= 0) return 0;
  const AudioBusBuffers& bus = buses[0];
  Sample** channels = bus.*buffers;
  const int count = std::min<int>(arranged, bus.numChannels);
  if (!channels || count <= 0) return 0;
  for (int c = 0; c < count; ++c)
    if (!channels[c]) return 0;
  return count;
}

}  // namespace

tresult PLUGIN_API IPlugVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                 SpeakerArrangement* outputs, int32 numOuts) {
  if (numIns != 1 || numOuts != 1 || !inputs || !outputs) return kResultFalse;
  if (mProcessing.load(std::memory_order_acquire)) return kResultFalse;
  return mBuses.Request(inputs[0], outputs[0]) ? kResultOk : kResultFalse;
}

tresult PLUGIN_API IPlugVST3::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) {
  if (index != 0 || (dir != kInput && dir != kOutput)) return kInvalidArgument;
  arr = dir == kInput ? mBuses.InputArrangement() : mBuses.OutputArrangement();
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3::canProcessSampleSize(int32 symbolicSampleSize) {
  return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultTrue : kResultFalse;
}

uint32 PLUGIN_API IPlugVST3::getLatencySamples() { return static_cast<uint32>(std::max(0, mPlugin->GetLatency())); }

uint32 PLUGIN_API IPlugVST3::getTailSamples() { return kNoTail; }

uint32 PLUGIN_API IPlugVST3::getProcessContextRequirements() { return 0; }

tresult PLUGIN_API IPlugVST3::setupProcessing(ProcessSetup& setup) {
  if (mProcessing.load(std::memory_order_acquire)) return kResultFalse;
  if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue) return kResultFalse;
  if (setup.maxSamplesPerBlock <= 0 || !(setup.sampleRate > 0.0)) return kInvalidArgument;
  return vst3::Guarded([&]() -> tresult {
    mBridge.Prepare(mBuses.MaxChannels(), setup.maxSamplesPerBlock);
    mPlugin->SetSampleRate(setup.sampleRate);
    mPlugin->SetBlockSize(setup.maxSamplesPerBlock);
    mPlugin->SetRenderingOffline(setup.processMode == kOffline);
    return kResultOk;
  });
}

tresult PLUGIN_API IPlugVST3::setProcessing(TBool state) {
  // release: the set-up above is complete before the audio thread sees it.
  mProcessing.store(state != 0, std::memory_order_release);
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3::process(ProcessData& data) {
  if (!mBridge.Prepared()) return kNotInitialized;
  ApplyProcessParameterChanges(data.inputParameterChanges);
  if (data.processContext) mProcessContext = *data.processContext;
  mPlugin->SetRenderingOffline(data.processMode == kOffline);
  if (data.numSamples <= 0) return kResultOk;  // a flush: parameters only

  if (data.numOutputs > 0 && data.outputs) data.outputs[0].silenceFlags = 0;
  const int arrangedIn = mBuses.ConnectedInputChannels();
  const int arrangedOut = mBuses.ConnectedOutputChannels();
  if (data.symbolicSampleSize == kSample64) {
    const int nIn = UsableChannels(data.inputs, data.numInputs, arrangedIn, &AudioBusBuffers::channelBuffers64);
    const int nOut = UsableChannels(data.outputs, data.numOutputs, arrangedOut, &AudioBusBuffers::channelBuffers64);
    mBridge.Run64(nIn ? data.inputs[0].channelBuffers64 : nullptr, nIn,
                  nOut ? data.outputs[0].channelBuffers64 : nullptr, nOut, data.numSamples, *mPlugin);
  } else if (data.symbolicSampleSize == kSample32) {
    const int nIn = UsableChannels(data.inputs, data.numInputs, arrangedIn, &AudioBusBuffers::channelBuffers32);
    const int nOut = UsableChannels(data.outputs, data.numOutputs, arrangedOut, &AudioBusBuffers::channelBuffers32);
    mBridge.Run32(nIn ? data.inputs[0].channelBuffers32 : nullptr, nIn,
                  nOut ? data.outputs[0].channelBuffers32 : nullptr, nOut, data.numSamples, *mPlugin);
  } else {
    return kInvalidArgument;
  }
  return kResultOk;
}

void IPlugVST3::ApplyProcessParameterChanges(IParameterChanges* changes) {
  if (!changes) return;
  const int32 queues = changes->getParameterCount();
  for (int32 q = 0; q < queues; ++q) {
    IParamValueQueue* queue = changes->getParameterData(q);
    if (!queue) continue;
    const int32 points = queue->getPointCount();
    int32 offset = 0;
    ParamValue value = 0.0;
    // The block's last value stands for the whole block.
    if (points <= 0 || queue->getPoint(points - 1, offset, value) != kResultOk) continue;
    const ParamID id = queue->getParameterId();
    if (mParameters.IsPluginParam(id)) {
      mPlugin->GetParam(static_cast<int>(id))->SetNormalized(value);
      mPendingChanges.Mark(static_cast<int>(id));
    } else if (vst3::ParameterTable::IsHostBypass(id)) {
      mPlugin->SetHostBypassed(value >= 0.5);
    }
  }
}

}  // namespace framework
