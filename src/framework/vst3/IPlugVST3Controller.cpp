// IPlugVST3: IEditController, IEditController2, IUnitInfo, IConnectionPoint,
// IMidiMapping and the channel-context listener.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "framework/vst3/EditorView.h"
#include "framework/vst3/Guarded.h"
#include "framework/vst3/IPlugVST3.h"
#include "framework/vst3/Utf16.h"
#include "pluginterfaces/vst/ivstattributes.h"

namespace framework {

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API IPlugVST3::setComponentState(IBStream* /*state*/) {
  // The controller shares the component's parameters, so the state the
  // host loaded into the component is already the controller's.
  return kResultOk;
}

tresult IPlugVST3::ReadControllerState(IBStream* state) { return state ? kResultOk : kInvalidArgument; }
tresult IPlugVST3::WriteControllerState(IBStream* state) { return state ? kResultOk : kInvalidArgument; }

int32 PLUGIN_API IPlugVST3::getParameterCount() { return mParameters.Count(); }

tresult PLUGIN_API IPlugVST3::getParameterInfo(int32 paramIndex, ParameterInfo& info) {
  return vst3::Guarded([&] { return mParameters.FillInfo(paramIndex, info) ? kResultOk : kInvalidArgument; });
}

tresult PLUGIN_API IPlugVST3::getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) {
  if (!string) return kInvalidArgument;
  return vst3::Guarded([&] { return mParameters.Text(id, valueNormalized, string) ? kResultOk : kInvalidArgument; });
}

tresult PLUGIN_API IPlugVST3::getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) {
  return vst3::Guarded(
      [&] { return mParameters.ValueFromText(id, string, valueNormalized) ? kResultOk : kResultFalse; });
}

ParamValue PLUGIN_API IPlugVST3::normalizedParamToPlain(ParamID id, ParamValue valueNormalized) {
  return mParameters.ToPlain(id, valueNormalized);
}

ParamValue PLUGIN_API IPlugVST3::plainParamToNormalized(ParamID id, ParamValue plainValue) {
  return mParameters.ToNormalized(id, plainValue);
}

ParamValue PLUGIN_API IPlugVST3::getParamNormalized(ParamID id) { return mParameters.Normalized(id); }

tresult PLUGIN_API IPlugVST3::setParamNormalized(ParamID id, ParamValue value) {
  if (!mParameters.Exists(id)) return kInvalidArgument;
  return vst3::Guarded([&]() -> tresult {
    std::lock_guard lock(mScheduler.ControllerMutex());
    if (vst3::ParameterTable::IsHostBypass(id)) SetHostBypassFromController(value >= 0.5);
    else mPlugin->SetParameterValueFromHost(static_cast<int>(id), value);
    return kResultOk;
  });
}

tresult PLUGIN_API IPlugVST3::setComponentHandler(IComponentHandler* handler) {
  std::lock_guard lock(mScheduler.ControllerMutex());
  if (handler == mComponentHandler) return kResultOk;
  if (handler) handler->addRef();
  if (mComponentHandler) mComponentHandler->release();
  mComponentHandler = handler;
  return kResultOk;
}

IPlugView* PLUGIN_API IPlugVST3::createView(FIDString name) {
  // The view is cheap until attached; the editor opens there. While it is
  // attached it drives the idle tick from the host's run loop.
  if (!name || std::strcmp(name, ViewType::kEditor) != 0 || !mPlugin->HasEditor()) return nullptr;
  try {
    return new vst3::EditorView(*this);
  } catch (...) {
    return nullptr;
  }
}

tresult PLUGIN_API IPlugVST3::setKnobMode(KnobMode mode) { return mode == kLinearMode ? kResultOk : kResultFalse; }
tresult PLUGIN_API IPlugVST3::openHelp(TBool /*onlyCheck*/) { return kResultFalse; }
tresult PLUGIN_API IPlugVST3::openAboutBox(TBool /*onlyCheck*/) { return kResultFalse; }

int32 PLUGIN_API IPlugVST3::getUnitCount() { return 1; }

tresult PLUGIN_API IPlugVST3::getUnitInfo(int32 unitIndex, UnitInfo& info) {
  if (unitIndex != 0) return kInvalidArgument;
  std::memset(&info, 0, sizeof info);
  info.id = kRootUnitId;
  info.parentUnitId = kNoParentUnitId;
  info.programListId = kNoProgramListId;
  vst3::Utf8ToUtf16("Root", info.name, 128);
  return kResultOk;
}

int32 PLUGIN_API IPlugVST3::getProgramListCount() { return 0; }
tresult PLUGIN_API IPlugVST3::getProgramListInfo(int32, ProgramListInfo&) { return kInvalidArgument; }
tresult PLUGIN_API IPlugVST3::getProgramName(ProgramListID, int32, String128) { return kInvalidArgument; }
tresult PLUGIN_API IPlugVST3::getProgramInfo(ProgramListID, int32, Vst::CString, String128) { return kInvalidArgument; }
tresult PLUGIN_API IPlugVST3::hasProgramPitchNames(ProgramListID, int32) { return kResultFalse; }
tresult PLUGIN_API IPlugVST3::getProgramPitchName(ProgramListID, int32, int16, String128) { return kResultFalse; }
UnitID PLUGIN_API IPlugVST3::getSelectedUnit() { return kRootUnitId; }
tresult PLUGIN_API IPlugVST3::selectUnit(UnitID unitId) { return unitId == kRootUnitId ? kResultOk : kResultFalse; }

tresult PLUGIN_API IPlugVST3::getUnitByBus(MediaType type, BusDirection dir, int32 busIndex, int32 /*channel*/,
                                           UnitID& unitId) {
  if (type != kAudio || (dir != kInput && dir != kOutput) || busIndex != 0) return kResultFalse;
  unitId = kRootUnitId;
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3::setUnitProgramData(int32, int32, IBStream*) { return kResultFalse; }

tresult PLUGIN_API IPlugVST3::connect(IConnectionPoint* other) { return other ? kResultOk : kInvalidArgument; }
tresult PLUGIN_API IPlugVST3::disconnect(IConnectionPoint* other) { return other ? kResultOk : kInvalidArgument; }
tresult PLUGIN_API IPlugVST3::notify(IMessage* message) { return message ? kResultFalse : kInvalidArgument; }

tresult PLUGIN_API IPlugVST3::getMidiControllerAssignment(int32, int16, CtrlNumber, ParamID&) { return kResultFalse; }

tresult PLUGIN_API IPlugVST3::setChannelContextInfos(IAttributeList* list) {
  if (!list) return kInvalidArgument;
  return vst3::Guarded([&]() -> tresult {
    ChannelInfo info = mPlugin->GetChannelInfo();
    int64 value = 0;
    // Names may be longer than a String128; the host says how long when it
    // can. Hosts disagree on whether getString's size counts bytes or code
    // units, so the buffer holds as many units as the size says bytes:
    // neither reading can overrun it, and the bytes reading still leaves a
    // String128's worth.
    int64 units = 128;
    if (list->getInt(ChannelContext::kChannelNameLengthKey, value) == kResultTrue && value >= units && value < 4096)
      units = value + 1;
    const auto sizeInBytes = static_cast<uint32>(units * static_cast<int64>(sizeof(TChar)));
    std::vector<TChar> name(sizeInBytes + 1, 0);
    if (list->getString(ChannelContext::kChannelNameKey, name.data(), sizeInBytes) == kResultTrue) {
      name.back() = 0;
      info.name = vst3::Utf16ToUtf8(name.data(), static_cast<int>(name.size()));
    }
    if (list->getInt(ChannelContext::kChannelIndexKey, value) == kResultTrue) info.index = static_cast<int>(value);
    if (list->getInt(ChannelContext::kChannelColorKey, value) == kResultTrue) info.argb = static_cast<uint32_t>(value);
    std::lock_guard lock(mScheduler.ControllerMutex());
    mPlugin->SetChannelInfo(info);
    return kResultOk;
  });
}

// --- IStatusReport -------------------------------------------------------------------

tresult PLUGIN_API IPlugVST3::getStatusReport(Steinberg::char8* text, int32 size) {
  if (!text || size < 1) return kInvalidArgument;
  return vst3::Guarded([&]() -> tresult {
    std::string report;
    {
      // The report reads what the idle tick writes.
      std::lock_guard lock(mScheduler.ControllerMutex());
      report = mPlugin->StatusReport();
    }
    const size_t length = std::min(report.size(), static_cast<size_t>(size) - 1);
    std::memcpy(text, report.data(), length);
    text[length] = 0;
    return kResultOk;
  });
}

}  // namespace framework
