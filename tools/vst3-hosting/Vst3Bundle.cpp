#include "Vst3Bundle.h"

#include <cstring>

#include "ModuleLibrary.h"

namespace vst3host {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

using GetFactoryFunction = IPluginFactory* (*)();
using ModuleExitFunction = bool (*)();

template <size_t N>
std::string FieldText(const char8 (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

/// queryInterface into a typed pointer; nullptr when not offered.
template <class Interface>
Interface* Query(FUnknown* object) {
  void* found = nullptr;
  if (!object || object->queryInterface(Interface::iid, &found) != kResultOk) return nullptr;
  return static_cast<Interface*>(found);
}

template <class Interface>
void Release(Interface*& object) {
  if (object) object->release();
  object = nullptr;
}

}  // namespace

// --- Vst3Module ----------------------------------------------------------------

std::string Vst3Module::ModulePathInBundle(const std::string& bundlePath) {
  std::string bundle = bundlePath;
  while (bundle.size() > 1 && (bundle.back() == '/' || bundle.back() == '\\')) bundle.pop_back();
  const size_t slash = bundle.find_last_of("/\\");
  std::string name = bundle.substr(slash == std::string::npos ? 0 : slash + 1);
  if (name.size() > 5 && name.compare(name.size() - 5, 5, ".vst3") == 0) name.resize(name.size() - 5);
  return bundle + "/Contents/" + module_library::ArchitectureFolder() + "/" + name + module_library::ModuleSuffix();
}

std::shared_ptr<Vst3Module> Vst3Module::Load(const std::string& path, std::string& error) {
  std::shared_ptr<Vst3Module> module(new Vst3Module());
  const bool bundle = module_library::IsDirectory(path) || (path.size() > 5 && path.compare(path.size() - 5, 5, ".vst3") == 0);
  module->mPath = bundle ? ModulePathInBundle(path) : path;
  std::string why;
  module->mLibrary = module_library::OpenLibrary(module->mPath, why);
  if (!module->mLibrary) {
    error = "could not load " + module->mPath + ": " + why;
    return nullptr;
  }
  const std::string entryName = module_library::EntryName();
  void* entry = module->Symbol(entryName.c_str());
  auto getFactory = reinterpret_cast<GetFactoryFunction>(module->Symbol("GetPluginFactory"));
  if (!entry || !getFactory) {
    error = module->mPath + " is not a VST 3 module (no " + entryName + " or GetPluginFactory)";
    return nullptr;
  }
  if (!module_library::CallEntry(module->mLibrary, entry)) {
    error = entryName + " of " + module->mPath + " failed";
    return nullptr;
  }
  module->mEntered = true;
  module->mFactory = getFactory();
  if (!module->mFactory) {
    error = "GetPluginFactory of " + module->mPath + " returned no factory";
    return nullptr;
  }
  return module;
}

Vst3Module::~Vst3Module() {
  Release(mFactory);
  if (mEntered) {
    if (auto exit = reinterpret_cast<ModuleExitFunction>(Symbol(module_library::ExitName()))) exit();
  }
  module_library::CloseLibrary(mLibrary);
}

void* Vst3Module::Symbol(const char* name) const { return module_library::FindSymbol(mLibrary, name); }

FactoryInfo Vst3Module::GetFactoryInfo() const {
  FactoryInfo result;
  PFactoryInfo info;
  if (!mFactory || mFactory->getFactoryInfo(&info) != kResultOk) return result;
  result.vendor = FieldText(info.vendor);
  result.url = FieldText(info.url);
  result.email = FieldText(info.email);
  result.flags = info.flags;
  return result;
}

std::vector<ClassInfo> Vst3Module::Classes() const {
  std::vector<ClassInfo> classes;
  if (!mFactory) return classes;
  IPluginFactory2* factory2 = Query<IPluginFactory2>(mFactory);
  const int32 count = mFactory->countClasses();
  for (int32 i = 0; i < count; ++i) {
    ClassInfo cls;
    PClassInfo2 info2;
    PClassInfo info;
    if (factory2 && factory2->getClassInfo2(i, &info2) == kResultOk) {
      std::memcpy(cls.classId.data(), info2.cid, 16);
      cls.cardinality = info2.cardinality;
      cls.category = FieldText(info2.category);
      cls.name = FieldText(info2.name);
      cls.classFlags = info2.classFlags;
      cls.subCategories = FieldText(info2.subCategories);
      cls.vendor = FieldText(info2.vendor);
      cls.version = FieldText(info2.version);
      cls.sdkVersion = FieldText(info2.sdkVersion);
    } else if (mFactory->getClassInfo(i, &info) == kResultOk) {
      std::memcpy(cls.classId.data(), info.cid, 16);
      cls.cardinality = info.cardinality;
      cls.category = FieldText(info.category);
      cls.name = FieldText(info.name);
    } else {
      continue;
    }
    classes.push_back(std::move(cls));
  }
  Release(factory2);
  return classes;
}

std::string ClassIdText(const std::array<uint8_t, 16>& classId) {
  TUID tuid;
  std::memcpy(tuid, classId.data(), 16);
  char8 text[40] = {};
  FUID::fromTUID(tuid).toString(text);
  return text;
}

// --- Vst3Instance ----------------------------------------------------------------

std::unique_ptr<Vst3Instance> Vst3Instance::Create(std::shared_ptr<Vst3Module> module, const ClassInfo& cls,
                                                   HostApplication& host, std::string& error) {
  std::unique_ptr<Vst3Instance> instance(new Vst3Instance());
  instance->mModule = module;
  TUID cid;
  std::memcpy(cid, cls.classId.data(), 16);
  void* created = nullptr;
  if (module->Factory()->createInstance(cid, IComponent::iid, &created) != kResultOk || !created) {
    error = "the factory could not create " + cls.name;
    return nullptr;
  }
  instance->mComponent = static_cast<IComponent*>(created);
  if (instance->mComponent->initialize(static_cast<IHostApplication*>(&host)) != kResultOk) {
    error = cls.name + " failed to initialise";
    Release(instance->mComponent);
    return nullptr;
  }
  instance->mProcessor = Query<IAudioProcessor>(instance->mComponent);
  if (!instance->mProcessor) {
    error = cls.name + " has no audio processor";
    return nullptr;
  }

  instance->mController = Query<IEditController>(instance->mComponent);
  instance->mSingleComponent = instance->mController != nullptr;
  if (!instance->mController) {
    TUID controllerId;
    void* controller = nullptr;
    if (instance->mComponent->getControllerClassId(controllerId) == kResultOk &&
        module->Factory()->createInstance(controllerId, IEditController::iid, &controller) == kResultOk) {
      instance->mController = static_cast<IEditController*>(controller);
      instance->mController->initialize(static_cast<IHostApplication*>(&host));
    }
  }
  if (instance->mController) instance->mController->setComponentHandler(&host);
  return instance;
}

Vst3Instance::~Vst3Instance() {
  if (mActive) Activate(false);
  if (mController) {
    mController->setComponentHandler(nullptr);
    if (!mSingleComponent) mController->terminate();
  }
  Release(mController);
  Release(mProcessor);
  if (mComponent) mComponent->terminate();
  Release(mComponent);
}

tresult Vst3Instance::SetChannels(int inputs, int outputs) {
  SpeakerArrangement in = inputs == 1 ? SpeakerArr::kMono : inputs == 2 ? SpeakerArr::kStereo : 0;
  SpeakerArrangement out = outputs == 1 ? SpeakerArr::kMono : outputs == 2 ? SpeakerArr::kStereo : 0;
  for (int i = 2; i < inputs && i < 64; ++i) in |= SpeakerArrangement{1} << i;
  for (int i = 2; i < outputs && i < 64; ++i) out |= SpeakerArrangement{1} << i;
  if (inputs > 2) in |= SpeakerArr::kStereo;
  if (outputs > 2) out |= SpeakerArr::kStereo;
  return mProcessor->setBusArrangements(&in, 1, &out, 1);
}

tresult Vst3Instance::Setup(double sampleRate, int maxBlock, bool use64Bit, int processMode) {
  ProcessSetup setup{};
  setup.processMode = processMode;
  setup.symbolicSampleSize = use64Bit ? kSample64 : kSample32;
  setup.maxSamplesPerBlock = maxBlock;
  setup.sampleRate = sampleRate;
  mSampleSize = setup.symbolicSampleSize;
  mContext = {};
  mContext.sampleRate = sampleRate;
  mContext.tempo = 120.0;
  mContext.state = ProcessContext::kPlaying | ProcessContext::kTempoValid;
  mComponent->activateBus(kAudio, kInput, 0, true);
  mComponent->activateBus(kAudio, kOutput, 0, true);
  return mProcessor->setupProcessing(setup);
}

tresult Vst3Instance::Activate(bool active) {
  tresult result = kResultOk;
  if (active) {
    result = mComponent->setActive(true);
    if (result == kResultOk) result = mProcessor->setProcessing(true);
    // Hosts may answer kNotImplemented from setProcessing; that is no failure.
    if (result == kNotImplemented) result = kResultOk;
  } else {
    mProcessor->setProcessing(false);
    result = mComponent->setActive(false);
  }
  mActive = active && result == kResultOk;
  return result;
}

tresult Vst3Instance::Process(ProcessData& data, void** inputs, int nInputs, void** outputs, int nOutputs) {
  mInputBus.numChannels = nInputs;
  mInputBus.silenceFlags = 0;
  mInputBus.channelBuffers32 = reinterpret_cast<Sample32**>(inputs);
  mOutputBus.numChannels = nOutputs;
  mOutputBus.silenceFlags = 0;
  mOutputBus.channelBuffers32 = reinterpret_cast<Sample32**>(outputs);
  data.numInputs = inputs ? 1 : 0;
  data.numOutputs = outputs ? 1 : 0;
  data.inputs = inputs ? &mInputBus : nullptr;
  data.outputs = outputs ? &mOutputBus : nullptr;
  data.processContext = &mContext;
  const tresult result = mProcessor->process(data);
  if (data.numSamples > 0) mContext.projectTimeSamples += data.numSamples;
  return result;
}

tresult Vst3Instance::Process32(float** inputs, int nInputs, float** outputs, int nOutputs, int frames,
                                ParameterChanges* changes, int processMode) {
  ProcessData data;
  data.processMode = processMode;
  data.symbolicSampleSize = kSample32;
  data.numSamples = frames;
  data.inputParameterChanges = changes;
  return Process(data, reinterpret_cast<void**>(inputs), nInputs, reinterpret_cast<void**>(outputs), nOutputs);
}

tresult Vst3Instance::Process64(double** inputs, int nInputs, double** outputs, int nOutputs, int frames,
                                ParameterChanges* changes, int processMode) {
  ProcessData data;
  data.processMode = processMode;
  data.symbolicSampleSize = kSample64;
  data.numSamples = frames;
  data.inputParameterChanges = changes;
  return Process(data, reinterpret_cast<void**>(inputs), nInputs, reinterpret_cast<void**>(outputs), nOutputs);
}

bool Vst3Instance::SaveState(std::vector<uint8_t>& bytes) {
  MemoryStream stream;
  if (mComponent->getState(&stream) != kResultOk) return false;
  bytes = stream.Bytes();
  return true;
}

tresult Vst3Instance::LoadState(const std::vector<uint8_t>& bytes) {
  MemoryStream stream(bytes);
  const tresult result = mComponent->setState(&stream);
  if (result == kResultOk && mController) {
    MemoryStream forController(bytes);
    mController->setComponentState(&forController);
  }
  return result;
}

std::vector<ParameterDescription> Vst3Instance::Parameters() const {
  std::vector<ParameterDescription> parameters;
  if (!mController) return parameters;
  const int32 count = mController->getParameterCount();
  for (int32 i = 0; i < count; ++i) {
    ParameterInfo info{};
    if (mController->getParameterInfo(i, info) != kResultOk) continue;
    ParameterDescription p;
    p.id = info.id;
    p.title = ToUtf8(info.title, 128);
    p.shortTitle = ToUtf8(info.shortTitle, 128);
    p.units = ToUtf8(info.units, 128);
    p.stepCount = info.stepCount;
    p.defaultNormalized = info.defaultNormalizedValue;
    p.unitId = info.unitId;
    p.flags = info.flags;
    parameters.push_back(std::move(p));
  }
  return parameters;
}

std::string Vst3Instance::ParamText(uint32_t id, double normalized) const {
  String128 text{};
  if (!mController || mController->getParamStringByValue(id, normalized, text) != kResultOk) return {};
  return ToUtf8(text, 128);
}

double Vst3Instance::ParamNormalized(uint32_t id) const {
  return mController ? mController->getParamNormalized(id) : 0.0;
}

tresult Vst3Instance::SetParamNormalized(uint32_t id, double normalized) {
  return mController ? mController->setParamNormalized(id, normalized) : kNotInitialized;
}

}  // namespace vst3host
