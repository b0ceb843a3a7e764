// The module's entry points common to every platform: GetPluginFactory,
// InitDll and ExitDll.
#include "host/ModuleEntry.h"

#include "host/PluginFactory.h"
#include "host/RelaycasterClass.h"

namespace relaycaster::host {

Module& Module::Instance() {
  static Module module;
  return module;
}

Module::~Module() { ReleaseFactory(); }  // library unload without a last exit

bool Module::Enter() {
  return mCounter.Enter([] {});  // nothing to set up before the first factory
}

bool Module::Leave() {
  return mCounter.Leave([this] { ReleaseFactory(); });
}

Steinberg::IPluginFactory* Module::Factory() {
  std::lock_guard lock(mFactoryMutex);
  if (!mFactory) {
    mFactory = new (std::nothrow) PluginFactory(RelaycasterFactoryDescription(), RelaycasterClassDescription());
    if (!mFactory) return nullptr;
  }
  mFactory->addRef();
  return mFactory;
}

void Module::ReleaseFactory() {
  std::lock_guard lock(mFactoryMutex);
  if (mFactory) mFactory->release();  // hosts still holding the factory keep it alive
  mFactory = nullptr;
}

}  // namespace relaycaster::host

using relaycaster::host::Module;

extern "C" {

SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory() { return Module::Instance().Factory(); }

SMTG_EXPORT_SYMBOL bool PLUGIN_API InitDll() { return Module::Instance().Enter(); }

SMTG_EXPORT_SYMBOL bool PLUGIN_API ExitDll() { return Module::Instance().Leave(); }

}  // extern "C"
