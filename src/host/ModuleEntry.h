#pragma once

#include "host/ModuleCounter.h"
#include "pluginterfaces/base/ipluginbase.h"

namespace relaycaster::host {

/// The module's state behind its exported entry points: the load counter
/// and the factory, kept from the first GetPluginFactory until the last
/// exit (or until the library unloads).
///
/// Threads: any; serialised internally.
class Module {
 public:
  static Module& Instance();

  /// Counts an entry (InitDll, ModuleEntry). Always true.
  bool Enter();
  /// Counts an exit (ExitDll, ModuleExit); see ModuleCounter::Leave.
  bool Leave();
  /// The factory, created on first use, with a reference for the caller.
  Steinberg::IPluginFactory* Factory();

  ~Module();

 private:
  Module() = default;
  void ReleaseFactory();

  ModuleCounter mCounter;
  std::mutex mFactoryMutex;
  Steinberg::IPluginFactory* mFactory = nullptr;  // the module's own reference; guarded by mFactoryMutex
};

}  // namespace relaycaster::host
