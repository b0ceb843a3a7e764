#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "HostObjects.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

namespace vst3host {

/// What a module's factory says about its maker.
struct FactoryInfo {
  std::string vendor;
  std::string url;
  std::string email;
  int32_t flags = 0;
};

/// What a module's factory says about one class (IPluginFactory2 where the
/// factory has it, else the plain fields).
struct ClassInfo {
  std::array<uint8_t, 16> classId{};
  int32_t cardinality = 0;
  std::string category;
  std::string name;
  uint32_t classFlags = 0;
  std::string subCategories;
  std::string vendor;
  std::string version;
  std::string sdkVersion;
};

/// One parameter as the edit controller describes it.
struct ParameterDescription {
  uint32_t id = 0;
  std::string title;
  std::string shortTitle;
  std::string units;
  int32_t stepCount = 0;
  double defaultNormalized = 0.0;
  int32_t unitId = 0;
  int32_t flags = 0;
};

/// The shared library inside a VST 3 bundle, loaded and entered.
///
/// Load: open the module's library, call its entry function (ModuleEntry
/// on Linux, InitDll on Windows), take the factory. The destructor releases
/// the factory, calls the exit function (ModuleExit, ExitDll) and closes
/// the library. Instances keep their module alive.
///
/// Threads: any, one call at a time per module.
class Vst3Module {
 public:
  /// `path` is a bundle ("Relaycaster.vst3") or the module file inside it.
  static std::shared_ptr<Vst3Module> Load(const std::string& path, std::string& error);
  /// The module file a bundle holds on this platform.
  static std::string ModulePathInBundle(const std::string& bundlePath);
  ~Vst3Module();
  Vst3Module(const Vst3Module&) = delete;
  Vst3Module& operator=(const Vst3Module&) = delete;

  const std::string& Path() const { return mPath; }
  Steinberg::IPluginFactory* Factory() const { return mFactory; }
  FactoryInfo GetFactoryInfo() const;
  std::vector<ClassInfo> Classes() const;
  /// An exported symbol of the module, or nullptr.
  void* Symbol(const char* name) const;

 private:
  Vst3Module() = default;

  std::string mPath;
  void* mLibrary = nullptr;
  bool mEntered = false;
  Steinberg::IPluginFactory* mFactory = nullptr;  // one reference
};

/// One plug-in instance, initialised with a host application object,
/// with its processor and edit controller. The destructor stops
/// processing, deactivates, terminates and releases it.
///
/// Threads: set-up, state and controller calls on one thread; Process* on
/// one (audio) thread at a time, between Activate(true) and Activate(false).
class Vst3Instance {
 public:
  /// Creates the class's instance and initialises it (and a separate
  /// controller, for plug-ins that have one).
  static std::unique_ptr<Vst3Instance> Create(std::shared_ptr<Vst3Module> module, const ClassInfo& cls,
                                              HostApplication& host, std::string& error);
  ~Vst3Instance();
  Vst3Instance(const Vst3Instance&) = delete;
  Vst3Instance& operator=(const Vst3Instance&) = delete;

  Steinberg::Vst::IComponent* Component() const { return mComponent; }
  Steinberg::Vst::IAudioProcessor* Processor() const { return mProcessor; }
  Steinberg::Vst::IEditController* Controller() const { return mController; }
  bool SingleComponent() const { return mSingleComponent; }

  /// One main input and one main output bus with these channel counts.
  Steinberg::tresult SetChannels(int inputs, int outputs);
  /// setupProcessing; sizes this host's own buffers for 32 or 64 bit.
  Steinberg::tresult Setup(double sampleRate, int maxBlock, bool use64Bit,
                           int processMode = Steinberg::Vst::kRealtime);
  /// setActive + setProcessing (true), or the reverse.
  Steinberg::tresult Activate(bool active);
  /// One block. `changes` may be null. Channel arrays as the host holds them.
  Steinberg::tresult Process32(float** inputs, int nInputs, float** outputs, int nOutputs, int frames,
                               ParameterChanges* changes = nullptr, int processMode = Steinberg::Vst::kRealtime);
  Steinberg::tresult Process64(double** inputs, int nInputs, double** outputs, int nOutputs, int frames,
                               ParameterChanges* changes = nullptr, int processMode = Steinberg::Vst::kRealtime);

  /// Component state, and the controller told of it as hosts do.
  bool SaveState(std::vector<uint8_t>& bytes);
  Steinberg::tresult LoadState(const std::vector<uint8_t>& bytes);

  std::vector<ParameterDescription> Parameters() const;
  std::string ParamText(uint32_t id, double normalized) const;
  double ParamNormalized(uint32_t id) const;
  Steinberg::tresult SetParamNormalized(uint32_t id, double normalized);

 private:
  Vst3Instance() = default;
  Steinberg::tresult Process(Steinberg::Vst::ProcessData& data, void** inputs, int nInputs, void** outputs,
                             int nOutputs);

  std::shared_ptr<Vst3Module> mModule;
  Steinberg::Vst::IComponent* mComponent = nullptr;
  Steinberg::Vst::IAudioProcessor* mProcessor = nullptr;
  Steinberg::Vst::IEditController* mController = nullptr;
  bool mSingleComponent = false;
  bool mActive = false;
  int mSampleSize = Steinberg::Vst::kSample32;
  Steinberg::Vst::ProcessContext mContext{};
  Steinberg::Vst::AudioBusBuffers mInputBus{};
  Steinberg::Vst::AudioBusBuffers mOutputBus{};
};

/// "F2AEE70D00DE4F4E42776C6442775263": the class id as hosts print it.
std::string ClassIdText(const std::array<uint8_t, 16>& classId);

}  // namespace vst3host
