// IPlugVST3: lifetime, FUnknown, IPluginBase, host notification, idle tick.
#include "framework/vst3/IPlugVST3.h"

#include "framework/vst3/Guarded.h"

namespace framework {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

/// Hands out `candidate` as the interface asked for, with a reference.
template <class Interface>
bool Offer(const TUID iid, Interface* candidate, void** obj) {
  if (!FUnknownPrivate::iidEqual(iid, Interface::iid)) return false;
  candidate->addRef();
  *obj = candidate;
  return true;
}

}  // namespace

IPlugVST3::IPlugVST3(std::unique_ptr<IPlugAPIBase> plugin)
    : mPlugin(std::move(plugin)),
      mParameters(*mPlugin),
      mBuses(mPlugin->Config().channelIO),
      mPendingChanges(mPlugin->NParams()),
      mScheduler([this] { IdleTick(); }) {
  mPlugin->SetHostNotifier(this);
}

IPlugVST3::~IPlugVST3() {
  mScheduler.Stop();
  if (mComponentHandler) mComponentHandler->release();
  mPlugin->SetHostNotifier(nullptr);
}

tresult PLUGIN_API IPlugVST3::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  IComponent* component = this;
  IEditController* controller = this;
  const bool found =
      Offer<FUnknown>(iid, component, obj) || Offer<IPluginBase>(iid, component, obj) ||
      Offer<IComponent>(iid, component, obj) || Offer<IAudioProcessor>(iid, this, obj) ||
      Offer<IProcessContextRequirements>(iid, this, obj) || Offer<IEditController>(iid, controller, obj) ||
      Offer<IEditController2>(iid, this, obj) || Offer<IUnitInfo>(iid, this, obj) ||
      Offer<IConnectionPoint>(iid, this, obj) || Offer<IMidiMapping>(iid, this, obj) ||
      Offer<ChannelContext::IInfoListener>(iid, this, obj) || Offer<vst3::IStatusReport>(iid, this, obj);
  return found ? kResultOk : kNoInterface;
}

uint32 PLUGIN_API IPlugVST3::addRef() {
  return mRefCount.fetch_add(1, std::memory_order_relaxed) + 1;  // taking a reference needs no ordering
}

uint32 PLUGIN_API IPlugVST3::release() {
  // acq_rel: every use by other threads happens before the deletion.
  const uint32 left = mRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

tresult PLUGIN_API IPlugVST3::initialize(FUnknown* context) {
  return vst3::Guarded([&]() -> tresult {
    if (mInitialized) return kResultFalse;
    // The plug-in sees the host first (it may look up host extensions),
    // then the framework initialises itself.
    auto hostContext = std::make_unique<vst3::HostContext>(context);
    {
      std::lock_guard lock(mScheduler.ControllerMutex());
      mPlugin->OnHostInitialize(hostContext.get());
      mHostContext.swap(hostContext);
    }
    mUiThread = std::this_thread::get_id();
    mInitialized = true;
    mScheduler.Start();
    return kResultOk;
  });
}

tresult PLUGIN_API IPlugVST3::terminate() {
  // No tick runs after this, so nothing of the plug-in reaches the host
  // any more; every host reference is given back, as terminate requires.
  mScheduler.Stop();
  mInitialized = false;
  std::lock_guard lock(mScheduler.ControllerMutex());
  if (mComponentHandler) mComponentHandler->release();
  mComponentHandler = nullptr;
  mHostContext.reset();
  return kResultOk;
}

void IPlugVST3::BeginEdit(int paramIdx) {
  if (mComponentHandler) mComponentHandler->beginEdit(static_cast<ParamID>(paramIdx));
}

void IPlugVST3::PerformEdit(int paramIdx, double normalizedValue) {
  if (mComponentHandler) mComponentHandler->performEdit(static_cast<ParamID>(paramIdx), normalizedValue);
}

void IPlugVST3::EndEdit(int paramIdx) {
  if (mComponentHandler) mComponentHandler->endEdit(static_cast<ParamID>(paramIdx));
}

void IPlugVST3::IdleTick() {
  try {
    mPendingChanges.Drain([this](int index) {
      mPlugin->OnParamChange(index, ParamSource::Host);
      mPlugin->OnParamChangeUI(index, ParamSource::Host);
      if (IEditor* editor = mPlugin->GetEditor()) editor->SendParameterValue(index, mPlugin->GetParam(index)->GetNormalized());
    });
    if (mEditorNeedsAllValues.exchange(false, std::memory_order_acq_rel)) mPlugin->SendAllParameterValuesToEditor();
    mPlugin->OnTimer();
  } catch (...) {
    // A failing tick must not end the timer; the next tick tries again.
  }
}

}  // namespace framework
