#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "framework/IPlugAPIBase.h"
#include "framework/vst3/BusLayout.h"
#include "framework/vst3/HostContext.h"
#include "framework/vst3/IStatusReport.h"
#include "framework/vst3/IdleScheduler.h"
#include "framework/vst3/ParameterTable.h"
#include "framework/vst3/PendingParamChanges.h"
#include "framework/vst3/ProcessBridge.h"
#include "framework/vst3/StateShims.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstchannelcontextinfo.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/ivstunits.h"

namespace framework {

/// A plug-in as one VST 3 object that is both its audio processor and its
/// edit controller (a single-component effect). It owns the plug-in and
/// turns the host's calls into the framework's parameter, processing, state
/// and idle calls; it knows nothing of any particular plug-in.
///
/// The COM-style methods are thin: each checks its arguments and state,
/// hands the work to a plain class (BusLayout, ParameterTable,
/// ProcessBridge, IdleScheduler, HostContext) or to the plug-in, and
/// returns a result code. No exception leaves a method.
///
/// The methods are spread over files by interface group: IPlugVST3.cpp
/// (lifetime, FUnknown, IPluginBase, host notification, idle tick),
/// IPlugVST3Component.cpp (IComponent and state), IPlugVST3Processor.cpp
/// (IAudioProcessor), IPlugVST3Controller.cpp (IEditController and the
/// controller's small interfaces).
///
/// Threads, in VST 3's model: process on the audio thread; the controller
/// calls and initialize/terminate on the user-interface thread; state calls
/// on a host thread. The idle tick runs under the scheduler's controller
/// mutex, which the controller calls that change what the tick reads take
/// as well (see IdleScheduler).
class IPlugVST3 final : public vst3::ComponentWithNamedState,
                        public Steinberg::Vst::IAudioProcessor,
                        public Steinberg::Vst::IProcessContextRequirements,
                        public vst3::ControllerWithNamedState,
                        public Steinberg::Vst::IEditController2,
                        public Steinberg::Vst::IUnitInfo,
                        public Steinberg::Vst::IConnectionPoint,
                        public Steinberg::Vst::IMidiMapping,
                        public Steinberg::Vst::ChannelContext::IInfoListener,
                        public vst3::IStatusReport,
                        private IHostNotifier {
 public:
  using tresult = Steinberg::tresult;
  using TBool = Steinberg::TBool;
  using int32 = Steinberg::int32;
  using uint32 = Steinberg::uint32;
  using ParamID = Steinberg::Vst::ParamID;
  using ParamValue = Steinberg::Vst::ParamValue;

  /// Takes the plug-in; the object starts with one reference.
  explicit IPlugVST3(std::unique_ptr<IPlugAPIBase> plugin);

  IPlugAPIBase& Plugin() { return *mPlugin; }
  /// The idle scheduler, for an editor view that drives it from the host's run loop.
  vst3::IdleScheduler& Scheduler() { return mScheduler; }
  /// The last process context the host sent (audio thread only).
  const Steinberg::Vst::ProcessContext& LastProcessContext() const { return mProcessContext; }

  // FUnknown
  tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  uint32 PLUGIN_API addRef() override;
  uint32 PLUGIN_API release() override;

  // IPluginBase (shared by IComponent and IEditController)
  tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
  tresult PLUGIN_API terminate() override;

  // IComponent
  tresult PLUGIN_API getControllerClassId(Steinberg::TUID classId) override;
  tresult PLUGIN_API setIoMode(Steinberg::Vst::IoMode mode) override;
  int32 PLUGIN_API getBusCount(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir) override;
  tresult PLUGIN_API getBusInfo(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir, int32 index,
                                Steinberg::Vst::BusInfo& bus) override;
  tresult PLUGIN_API getRoutingInfo(Steinberg::Vst::RoutingInfo& inInfo, Steinberg::Vst::RoutingInfo& outInfo) override;
  tresult PLUGIN_API activateBus(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir, int32 index,
                                 TBool state) override;
  tresult PLUGIN_API setActive(TBool state) override;
  // IComponent::setState and getState: the plug-in's chunk, then the host bypass as an int32.
  tresult ReadComponentState(Steinberg::IBStream* state) override;
  tresult WriteComponentState(Steinberg::IBStream* state) override;

  // IAudioProcessor
  tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs, int32 numIns,
                                        Steinberg::Vst::SpeakerArrangement* outputs, int32 numOuts) override;
  tresult PLUGIN_API getBusArrangement(Steinberg::Vst::BusDirection dir, int32 index,
                                       Steinberg::Vst::SpeakerArrangement& arr) override;
  tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override;
  uint32 PLUGIN_API getLatencySamples() override;
  tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
  tresult PLUGIN_API setProcessing(TBool state) override;
  tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;
  uint32 PLUGIN_API getTailSamples() override;

  // IProcessContextRequirements
  uint32 PLUGIN_API getProcessContextRequirements() override;

  // IEditController
  tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;
  // IEditController::setState and getState: the controller keeps nothing of its own.
  tresult ReadControllerState(Steinberg::IBStream* state) override;
  tresult WriteControllerState(Steinberg::IBStream* state) override;
  tresult PLUGIN_API getParameterInfo(int32 paramIndex, Steinberg::Vst::ParameterInfo& info) override;
  int32 PLUGIN_API getParameterCount() override;
  tresult PLUGIN_API getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                           Steinberg::Vst::String128 string) override;
  tresult PLUGIN_API getParamValueByString(ParamID id, Steinberg::Vst::TChar* string,
                                           ParamValue& valueNormalized) override;
  ParamValue PLUGIN_API normalizedParamToPlain(ParamID id, ParamValue valueNormalized) override;
  ParamValue PLUGIN_API plainParamToNormalized(ParamID id, ParamValue plainValue) override;
  ParamValue PLUGIN_API getParamNormalized(ParamID id) override;
  tresult PLUGIN_API setParamNormalized(ParamID id, ParamValue value) override;
  tresult PLUGIN_API setComponentHandler(Steinberg::Vst::IComponentHandler* handler) override;
  Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;

  // IEditController2
  tresult PLUGIN_API setKnobMode(Steinberg::Vst::KnobMode mode) override;
  tresult PLUGIN_API openHelp(TBool onlyCheck) override;
  tresult PLUGIN_API openAboutBox(TBool onlyCheck) override;

  // IUnitInfo: the root unit only, no program lists.
  int32 PLUGIN_API getUnitCount() override;
  tresult PLUGIN_API getUnitInfo(int32 unitIndex, Steinberg::Vst::UnitInfo& info) override;
  int32 PLUGIN_API getProgramListCount() override;
  tresult PLUGIN_API getProgramListInfo(int32 listIndex, Steinberg::Vst::ProgramListInfo& info) override;
  tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId, int32 programIndex,
                                    Steinberg::Vst::String128 name) override;
  tresult PLUGIN_API getProgramInfo(Steinberg::Vst::ProgramListID listId, int32 programIndex,
                                    Steinberg::Vst::CString attributeId,
                                    Steinberg::Vst::String128 attributeValue) override;
  tresult PLUGIN_API hasProgramPitchNames(Steinberg::Vst::ProgramListID listId, int32 programIndex) override;
  tresult PLUGIN_API getProgramPitchName(Steinberg::Vst::ProgramListID listId, int32 programIndex,
                                         Steinberg::int16 midiPitch, Steinberg::Vst::String128 name) override;
  Steinberg::Vst::UnitID PLUGIN_API getSelectedUnit() override;
  tresult PLUGIN_API selectUnit(Steinberg::Vst::UnitID unitId) override;
  tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir, int32 busIndex,
                                  int32 channel, Steinberg::Vst::UnitID& unitId) override;
  tresult PLUGIN_API setUnitProgramData(int32 listOrUnitId, int32 programIndex, Steinberg::IBStream* data) override;

  // IConnectionPoint: a single component has no peer to talk to.
  tresult PLUGIN_API connect(Steinberg::Vst::IConnectionPoint* other) override;
  tresult PLUGIN_API disconnect(Steinberg::Vst::IConnectionPoint* other) override;
  tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;

  // IMidiMapping: no MIDI input, so nothing is mapped.
  tresult PLUGIN_API getMidiControllerAssignment(int32 busIndex, Steinberg::int16 channel,
                                                 Steinberg::Vst::CtrlNumber midiControllerNumber,
                                                 ParamID& id) override;

  // ChannelContext::IInfoListener
  tresult PLUGIN_API setChannelContextInfos(Steinberg::Vst::IAttributeList* list) override;
  // IStatusReport (our own extension)
  tresult PLUGIN_API getStatusReport(Steinberg::char8* text, int32 size) override;

 private:
  ~IPlugVST3();  // through release() only

  // IHostNotifier: the plug-in's own edits, told to the host.
  void BeginEdit(int paramIdx) override;
  void PerformEdit(int paramIdx, double normalizedValue) override;
  void EndEdit(int paramIdx) override;

  /// The idle tick (under the controller mutex): tell the user-interface
  /// side about changes that arrived with audio, then the plug-in's timer.
  void IdleTick();
  void ApplyProcessParameterChanges(Steinberg::Vst::IParameterChanges* changes);
  void SetHostBypassFromController(bool bypassed);

  std::atomic<uint32> mRefCount{1};

  // From initialize to terminate. Declared before the plug-in so that, when
  // a host destroys the object without terminating it, the interfaces the
  // plug-in keeps outlive it.
  std::unique_ptr<vst3::HostContext> mHostContext;
  std::unique_ptr<IPlugAPIBase> mPlugin;

  vst3::ParameterTable mParameters;
  vst3::BusLayout mBuses;
  vst3::ProcessBridge mBridge;
  vst3::PendingParamChanges mPendingChanges;
  std::atomic<bool> mEditorNeedsAllValues{false};  // a state load off the tick's thread
  Steinberg::Vst::ProcessContext mProcessContext{};  // audio thread only
  std::atomic<bool> mProcessing{false};
  bool mInitialized = false;  // user-interface thread
  std::thread::id mUiThread;  // the thread that initialised: the host's user-interface thread
  Steinberg::Vst::IComponentHandler* mComponentHandler = nullptr;  // one reference; under the controller mutex

  // Last: its thread calls into everything above, so it stops first.
  vst3::IdleScheduler mScheduler;
};

}  // namespace framework
