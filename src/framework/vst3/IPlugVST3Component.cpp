// IPlugVST3: IComponent (buses, activation) and the component state.
#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/vst3/Guarded.h"
#include "framework/vst3/IPlugVST3.h"
#include "framework/vst3/StateStream.h"
#include "framework/vst3/Utf16.h"

namespace framework {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

bool IsMainAudioBus(MediaType type, int32 index) { return type == kAudio && index == 0; }

}  // namespace

tresult PLUGIN_API IPlugVST3::getControllerClassId(TUID /*classId*/) {
  return kResultFalse;  // the controller is this object
}

tresult PLUGIN_API IPlugVST3::setIoMode(IoMode /*mode*/) { return kResultOk; }

int32 PLUGIN_API IPlugVST3::getBusCount(MediaType type, BusDirection dir) {
  if (type != kAudio || (dir != kInput && dir != kOutput)) return 0;  // no event buses
  return 1;
}

tresult PLUGIN_API IPlugVST3::getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) {
  if (!IsMainAudioBus(type, index) || (dir != kInput && dir != kOutput)) return kInvalidArgument;
  std::memset(&bus, 0, sizeof bus);
  bus.mediaType = kAudio;
  bus.direction = dir;
  bus.channelCount = dir == kInput ? mBuses.InputChannels() : mBuses.OutputChannels();
  vst3::Utf8ToUtf16(dir == kInput ? "Input" : "Output", bus.name, 128);
  bus.busType = kMain;
  bus.flags = BusInfo::kDefaultActive;
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3::getRoutingInfo(RoutingInfo& /*inInfo*/, RoutingInfo& /*outInfo*/) {
  return kNotImplemented;
}

tresult PLUGIN_API IPlugVST3::activateBus(MediaType type, BusDirection dir, int32 index, TBool state) {
  if (!IsMainAudioBus(type, index) || (dir != kInput && dir != kOutput)) return kInvalidArgument;
  if (mProcessing.load(std::memory_order_acquire)) return kResultFalse;
  if (dir == kInput) mBuses.SetInputActive(state != 0);
  else mBuses.SetOutputActive(state != 0);
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3::setActive(TBool /*state*/) { return kResultOk; }

tresult IPlugVST3::WriteComponentState(IBStream* state) {
  if (!state) return kInvalidArgument;
  return vst3::Guarded([&]() -> tresult {
    ByteChunk chunk;
    if (!mPlugin->SerializeState(chunk)) return kResultFalse;
    chunk.PutInt32(mPlugin->GetHostBypassed() ? 1 : 0);
    return vst3::WriteWholeBuffer(state, chunk.Data(), static_cast<size_t>(chunk.Size())) ? kResultOk : kResultFalse;
  });
}

tresult IPlugVST3::ReadComponentState(IBStream* state) {
  if (!state) return kInvalidArgument;
  return vst3::Guarded([&]() -> tresult {
    std::vector<uint8_t> bytes;
    if (!vst3::ReadWholeStream(state, bytes)) return kResultFalse;
    const ByteChunk chunk(std::move(bytes));

    std::lock_guard lock(mScheduler.ControllerMutex());
    const int end = mPlugin->UnserializeState(chunk, 0);
    // The host bypass follows the plug-in's chunk. The stream was read
    // whole, so the field is taken from the copy at the returned position,
    // which is where seeking the stream would lead.
    int32_t hostBypass = 0;
    const bool bypassRead = end >= 0 && chunk.GetInt32(hostBypass, end) >= 0;
    if (bypassRead) SetHostBypassFromController(hostBypass != 0);

    // The controller reads the plug-in's values directly, so it is current;
    // the editor is told here when this is the user-interface thread, else
    // by the next idle tick.
    if (std::this_thread::get_id() == mUiThread) mPlugin->SendAllParameterValuesToEditor();
    else mEditorNeedsAllValues.store(true, std::memory_order_release);
    return end >= 0 ? kResultOk : kResultFalse;
  });
}

void IPlugVST3::SetHostBypassFromController(bool bypassed) { mPlugin->SetHostBypassed(bypassed); }

}  // namespace framework
