// The built bundle as a host sees it from outside: factory, class,
// parameters, texts, buses and arrangements.
#include <cmath>
#include <cstring>
#include <vector>

#include "BundleFixture.h"
#include "pluginterfaces/vst/ivstchannelcontextinfo.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstunits.h"

namespace hosttest {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

TEST_F(BundleFixture, FactoryDescribesTheMakerAndOneClass) {
  const vst3host::FactoryInfo factory = module->GetFactoryInfo();
  EXPECT_EQ(factory.vendor, "Brightwold");
  EXPECT_EQ(factory.url, "https://brightwold.com");
  EXPECT_EQ(factory.email, "");
  EXPECT_EQ(factory.flags, 0x10);

  // Linux hosts read the id's words big-endian: the GUID
  // {F2AEE70D-00DE-4F4E-4277-6C6442775263} byte for byte.
  const std::array<uint8_t, 16> expectedId = {0xF2, 0xAE, 0xE7, 0x0D, 0x00, 0xDE, 0x4F, 0x4E,
                                              0x42, 0x77, 0x6C, 0x64, 0x42, 0x77, 0x52, 0x63};
  EXPECT_EQ(cls.classId, expectedId);
  EXPECT_EQ(vst3host::ClassIdText(cls.classId), "F2AEE70D00DE4F4E42776C6442775263");
  EXPECT_EQ(cls.cardinality, 0x7FFFFFFF);
  EXPECT_EQ(cls.category, "Audio Module Class");
  EXPECT_EQ(cls.name, "Relaycaster");
  EXPECT_EQ(cls.classFlags, 2u);
  EXPECT_EQ(cls.subCategories, "Fx|Network");
  EXPECT_EQ(cls.vendor, "");
  EXPECT_EQ(cls.version, "0.4.2");
  EXPECT_EQ(cls.sdkVersion, "VST 3.8.1");
}

TEST_F(BundleFixture, UnicodeClassInfoAndCreationRules) {
  void* found = nullptr;
  ASSERT_EQ(module->Factory()->queryInterface(IPluginFactory3::iid, &found), kResultOk);
  auto* factory3 = static_cast<IPluginFactory3*>(found);
  PClassInfoW info{};
  ASSERT_EQ(factory3->getClassInfoUnicode(0, &info), kResultOk);
  EXPECT_EQ(vst3host::ToUtf8(info.name, 64), "Relaycaster");
  EXPECT_EQ(vst3host::ToUtf8(info.version, 64), "0.4.2");
  EXPECT_EQ(vst3host::ToUtf8(info.sdkVersion, 64), "VST 3.8.1");
  EXPECT_STREQ(info.subCategories, "Fx|Network");
  EXPECT_NE(factory3->getClassInfoUnicode(1, &info), kResultOk);
  factory3->release();

  // An unknown class id or interface creates nothing.
  TUID unknown = {};
  void* obj = reinterpret_cast<void*>(1);
  EXPECT_NE(module->Factory()->createInstance(unknown, IComponent::iid, &obj), kResultOk);
  EXPECT_EQ(obj, nullptr);
  TUID cid;
  std::memcpy(cid, cls.classId.data(), 16);
  EXPECT_EQ(module->Factory()->createInstance(cid, IPluginFactory::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
}

TEST_F(BundleFixture, OneObjectAnswersEveryInterface) {
  FUnknown* component = instance->Component();
  const TUID* interfaces[] = {&IComponent::iid.toTUID(), &IAudioProcessor::iid.toTUID(),
                              &IProcessContextRequirements::iid.toTUID(), &IEditController::iid.toTUID(),
                              &IEditController2::iid.toTUID(), &IUnitInfo::iid.toTUID(),
                              &IConnectionPoint::iid.toTUID(), &IMidiMapping::iid.toTUID(),
                              &IPluginBase::iid.toTUID(), &ChannelContext::IInfoListener::iid.toTUID()};
  for (const TUID* iid : interfaces) {
    void* obj = nullptr;
    ASSERT_EQ(component->queryInterface(*iid, &obj), kResultOk);
    static_cast<FUnknown*>(obj)->release();
  }
  void* obj = nullptr;
  EXPECT_EQ(component->queryInterface(IPluginFactory::iid, &obj), kNoInterface);
  EXPECT_TRUE(instance->SingleComponent());
}

struct ExpectedParameter {
  uint32_t id;
  const char* title;
  const char* units;
  int32_t stepCount;
  int32_t flags;
};

TEST_F(BundleFixture, ParametersAsTheHostSeesThem) {
  constexpr int32_t kAutomate = ParameterInfo::kCanAutomate;
  constexpr int32_t kList = ParameterInfo::kCanAutomate | ParameterInfo::kIsList;
  const ExpectedParameter expected[] = {
      {0, "Bypass", "", 1, kList},        {1, "NDI", "", 1, kList},
      {2, "NDI level", "dB", 0, kAutomate}, {3, "NDI buffer", "smp", 0, kAutomate},
      {4, "SRT", "", 1, kList},           {5, "SRT mode", "", 1, kList},
      {6, "SRT codec", "", 1, kList},     {7, "SRT bitrate", "", 4, kList},
      {8, "SRT port", "", 65534, kAutomate}, {9, "SRT latency", "ms", 0, kAutomate},
      {10, "SRT level", "dB", 0, kAutomate}, {11, "SRT buffer", "smp", 0, kAutomate},
      {65536, "Host bypass", "", 1, 0x10009},
  };
  const auto parameters = instance->Parameters();
  ASSERT_EQ(parameters.size(), std::size(expected));
  for (size_t i = 0; i < parameters.size(); ++i) {
    SCOPED_TRACE(expected[i].title);
    EXPECT_EQ(parameters[i].id, expected[i].id);
    EXPECT_EQ(parameters[i].title, expected[i].title);
    EXPECT_EQ(parameters[i].units, expected[i].units);
    EXPECT_EQ(parameters[i].stepCount, expected[i].stepCount);
    EXPECT_EQ(parameters[i].flags, expected[i].flags);
    EXPECT_EQ(parameters[i].unitId, kRootUnitId);
  }
  // Defaults: "NDI" on, "SRT port" 9000, the rest at their lower ends or 40 ms.
  EXPECT_DOUBLE_EQ(parameters[1].defaultNormalized, 1.0);
  EXPECT_NEAR(instance->Controller()->normalizedParamToPlain(8, parameters[8].defaultNormalized), 9000.0, 1e-9);
  EXPECT_NEAR(instance->Controller()->normalizedParamToPlain(3, parameters[3].defaultNormalized), 40.0, 1e-9);
}

TEST_F(BundleFixture, DisplayTextsComeFromThePlugin) {
  IEditController* controller = instance->Controller();
  ASSERT_EQ(instance->Setup(48000.0, 512, false), kResultOk);
  const double forty = controller->plainParamToNormalized(3, 40.0);
  EXPECT_NEAR(forty, std::log(4.0) / std::log(100.0), 1e-12);  // the exponential mapping
  EXPECT_EQ(instance->ParamText(3, forty), "40 ms \u00B7 1920");  // the middle dot survives both conversions
  ASSERT_EQ(instance->Setup(44100.0, 512, false), kResultOk);
  EXPECT_EQ(instance->ParamText(3, forty), "40 ms \u00B7 1764");

  EXPECT_EQ(instance->ParamText(2, 0.0), "-inf");
  EXPECT_EQ(instance->ParamText(2, 1.0), "12.0");
  EXPECT_EQ(instance->ParamText(5, 1.0), "Listener");
  EXPECT_EQ(instance->ParamText(0, 1.0), "on");
  EXPECT_EQ(instance->ParamText(65536, 0.0), "off");
  EXPECT_EQ(instance->ParamText(65536, 1.0), "on");
  EXPECT_EQ(instance->ParamText(9, controller->plainParamToNormalized(9, 200.0)), "200");

  String128 text{};
  EXPECT_EQ(controller->getParamStringByValue(12, 0.5, text), kInvalidArgument);
}

TEST_F(BundleFixture, TypedTextsBecomeValues) {
  IEditController* controller = instance->Controller();
  const auto valueOf = [&](ParamID id, const char* typed, ParamValue& value) {
    std::u16string text = vst3host::ToUtf16(typed);
    std::vector<TChar> buffer(text.begin(), text.end());
    buffer.push_back(0);
    return controller->getParamValueByString(id, buffer.data(), value);
  };
  ParamValue value = -1.0;
  ASSERT_EQ(valueOf(5, "Listener", value), kResultOk);
  EXPECT_DOUBLE_EQ(value, 1.0);
  ASSERT_EQ(valueOf(8, " 9001 ", value), kResultOk);
  EXPECT_NEAR(controller->normalizedParamToPlain(8, value), 9001.0, 1e-6);
  ASSERT_EQ(valueOf(3, "40 ms \u00B7 1920", value), kResultOk);
  EXPECT_NEAR(controller->normalizedParamToPlain(3, value), 40.0, 1e-9);
  ASSERT_EQ(valueOf(2, "-inf", value), kResultOk);
  EXPECT_DOUBLE_EQ(value, 0.0);
  ASSERT_EQ(valueOf(65536, "on", value), kResultOk);
  EXPECT_DOUBLE_EQ(value, 1.0);
  EXPECT_EQ(valueOf(2, "loud", value), kResultFalse);
  EXPECT_EQ(valueOf(99, "1", value), kResultFalse);
}

TEST_F(BundleFixture, BusesAndArrangements) {
  IComponent* component = instance->Component();
  EXPECT_EQ(component->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(component->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(component->getBusCount(kEvent, kInput), 0);
  EXPECT_EQ(component->getBusCount(kEvent, kOutput), 0);
  BusInfo bus{};
  ASSERT_EQ(component->getBusInfo(kAudio, kInput, 0, bus), kResultOk);
  EXPECT_EQ(vst3host::ToUtf8(bus.name, 128), "Input");
  EXPECT_EQ(bus.channelCount, 2);
  EXPECT_EQ(bus.busType, kMain);
  ASSERT_EQ(component->getBusInfo(kAudio, kOutput, 0, bus), kResultOk);
  EXPECT_EQ(vst3host::ToUtf8(bus.name, 128), "Output");
  EXPECT_NE(component->getBusInfo(kAudio, kOutput, 1, bus), kResultOk);

  EXPECT_EQ(instance->SetChannels(1, 1), kResultOk);
  SpeakerArrangement arrangement = 0;
  ASSERT_EQ(instance->Processor()->getBusArrangement(kInput, 0, arrangement), kResultOk);
  EXPECT_EQ(arrangement, SpeakerArr::kMono);
  ASSERT_EQ(component->getBusInfo(kAudio, kOutput, 0, bus), kResultOk);
  EXPECT_EQ(bus.channelCount, 1);
  EXPECT_EQ(instance->SetChannels(2, 2), kResultOk);
  for (auto [in, out] : {std::pair{1, 2}, {2, 1}, {6, 6}, {0, 2}, {2, 0}}) {
    SCOPED_TRACE(std::to_string(in) + "-" + std::to_string(out));
    EXPECT_EQ(instance->SetChannels(in, out), kResultFalse);
  }
  ASSERT_EQ(instance->Processor()->getBusArrangement(kOutput, 0, arrangement), kResultOk);
  EXPECT_EQ(arrangement, SpeakerArr::kStereo);  // a refused request changes nothing
  SpeakerArrangement stereo = SpeakerArr::kStereo;
  EXPECT_EQ(instance->Processor()->setBusArrangements(&stereo, 1, &stereo, 2), kResultFalse);

  EXPECT_EQ(instance->Processor()->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(instance->Processor()->canProcessSampleSize(kSample64), kResultTrue);
  EXPECT_EQ(instance->Processor()->getLatencySamples(), 0u);
  EXPECT_EQ(instance->Processor()->getTailSamples(), 0u);
}

TEST_F(BundleFixture, RootUnitOnlyAndNoMidiMapping) {
  void* obj = nullptr;
  ASSERT_EQ(instance->Component()->queryInterface(IUnitInfo::iid, &obj), kResultOk);
  auto* units = static_cast<IUnitInfo*>(obj);
  EXPECT_EQ(units->getUnitCount(), 1);
  UnitInfo unit{};
  ASSERT_EQ(units->getUnitInfo(0, unit), kResultOk);
  EXPECT_EQ(unit.id, kRootUnitId);
  EXPECT_EQ(unit.parentUnitId, kNoParentUnitId);
  EXPECT_EQ(units->getProgramListCount(), 0);
  units->release();

  ASSERT_EQ(instance->Component()->queryInterface(IMidiMapping::iid, &obj), kResultOk);
  auto* midi = static_cast<IMidiMapping*>(obj);
  ParamID id = 0;
  EXPECT_EQ(midi->getMidiControllerAssignment(0, 0, 7, id), kResultFalse);
  midi->release();
}

}  // namespace
}  // namespace hosttest
