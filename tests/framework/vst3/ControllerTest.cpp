// IPlugVST3 as edit controller and component: initialisation, host
// context, edits told to the host, state, channel context, result codes.
#include <gtest/gtest.h>

#include <cstring>

#include "HostObjects.h"
#include "TestPlugin.h"
#include "framework/ByteChunk.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstchannelcontextinfo.h"

namespace vst3test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

/// A host whose application object also offers one extension interface,
/// as REAPER offers its own.
class ExtendedHost final : public IHostApplication {
 public:
  class Extension final : public FUnknown {
   public:
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override { return *obj = nullptr, kNoInterface; }
    uint32 PLUGIN_API addRef() override { return ++refs; }
    uint32 PLUGIN_API release() override { return --refs; }
    int refs = 0;
  };

  tresult PLUGIN_API getName(String128 name) override { return name[0] = 0, kResultOk; }
  tresult PLUGIN_API createInstance(TUID, TUID, void** obj) override { return *obj = nullptr, kResultFalse; }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
    if (std::memcmp(iid, TestPlugin::kExtensionId, 16) == 0) {
      extension.addRef();
      *obj = &extension;
      return kResultOk;
    }
    if (FUnknownPrivate::iidEqual(iid, IHostApplication::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
      addRef();
      *obj = this;
      return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return ++refs; }
  uint32 PLUGIN_API release() override { return --refs; }

  Extension extension;
  int refs = 0;
};

/// A recording stand-in for an open editor.
class RecordingEditor final : public framework::IEditor {
 public:
  bool SetControlText(int, const std::string&) override { return false; }
  bool HasTextEntry() const override { return false; }
  void Rebuild() override {}
  void SetAllControlsDirty() override {}
  void SendParameterValue(int paramIdx, double normalizedValue) override {
    std::lock_guard lock(mutex);
    sent.emplace_back(paramIdx, normalizedValue);
  }
  std::vector<std::pair<int, double>> Sent() {
    std::lock_guard lock(mutex);
    return sent;
  }
  void Clear() {
    std::lock_guard lock(mutex);
    sent.clear();
  }
  float DrawScale() const override { return 1.f; }
  float ScreenScale() const override { return 1.f; }
  void SetDrawScale(float) override {}
  void ShowMessageBox(const std::string&, const std::string&, framework::MessageBoxType,
                      std::function<void(int)>) override {}

 private:
  std::mutex mutex;
  std::vector<std::pair<int, double>> sent;  // guarded by mutex: ticks may send from their thread
};

TEST(BindingController, InitialiseOffersTheHostContextFirstAndKeepsItsInterfaces) {
  ExtendedHost host;
  {
    BoundPlugin bound;
    ASSERT_EQ(bound.effect->initialize(&host), kResultOk);
    EXPECT_EQ(bound.plugin->ticksAtHostInitialize, 0);  // before the framework's own start
    EXPECT_EQ(bound.plugin->extension, &host.extension);
    EXPECT_EQ(host.extension.refs, 1);  // held while initialised
    EXPECT_EQ(bound.effect->initialize(&host), kResultFalse);
    EXPECT_EQ(bound.effect->terminate(), kResultOk);
    EXPECT_EQ(host.extension.refs, 0);  // terminate gives every host reference back
    EXPECT_EQ(host.refs, 0);
    ASSERT_EQ(bound.effect->initialize(&host), kResultOk);  // a second life
    EXPECT_EQ(host.extension.refs, 1);
  }
  // Destroyed without terminate: the references still go.
  EXPECT_EQ(host.extension.refs, 0);
  EXPECT_EQ(host.refs, 0);
}

TEST(BindingController, InterfacesAndReferenceCounting) {
  BoundPlugin bound;
  void* obj = nullptr;
  ASSERT_EQ(bound.effect->queryInterface(IEditController::iid, &obj), kResultOk);
  auto* controller = static_cast<IEditController*>(obj);
  ASSERT_EQ(bound.effect->queryInterface(IComponent::iid, &obj), kResultOk);
  auto* component = static_cast<IComponent*>(obj);
  void* unknownFromController = nullptr;
  void* unknownFromComponent = nullptr;
  controller->queryInterface(FUnknown::iid, &unknownFromController);
  component->queryInterface(FUnknown::iid, &unknownFromComponent);
  EXPECT_EQ(unknownFromController, unknownFromComponent);  // one object, one identity
  static_cast<FUnknown*>(unknownFromController)->release();
  static_cast<FUnknown*>(unknownFromComponent)->release();
  EXPECT_EQ(component->release(), 2u);
  EXPECT_EQ(controller->release(), 1u);  // the holder's reference remains
  EXPECT_EQ(bound.effect->queryInterface(IPlugView::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(bound.effect->queryInterface(IComponent::iid, nullptr), kInvalidArgument);
}

TEST(BindingController, ComponentAndControllerStatesAreApart) {
  BoundPlugin bound;
  vst3host::HostApplication host;
  ASSERT_EQ(bound.effect->initialize(host.Context()), kResultOk);
  ASSERT_EQ(bound.effect->setParamNormalized(TestPlugin::kGain, 1.0), kResultOk);
  vst3host::MemoryStream componentState;
  IComponent* component = bound.effect;
  IEditController* controller = bound.effect;
  ASSERT_EQ(component->getState(&componentState), kResultOk);
  vst3host::MemoryStream controllerState;
  ASSERT_EQ(controller->getState(&controllerState), kResultOk);
  EXPECT_TRUE(controllerState.Bytes().empty());
  // Three doubles, the plug-in's trailer, then the host bypass.
  EXPECT_EQ(componentState.Bytes().size(), 3 * 8 + 4 + 4u);
  bound.effect->terminate();
}

TEST(BindingController, StateReadsTheHostBypassWhereThePluginsChunkEnds) {
  BoundPlugin bound;
  vst3host::HostApplication host;
  ASSERT_EQ(bound.effect->initialize(host.Context()), kResultOk);
  RecordingEditor editor;
  bound.plugin->AttachEditor(&editor);

  framework::ByteChunk chunk;
  chunk.PutDouble(1.0);    // switch
  chunk.PutDouble(-6.0);   // gain
  chunk.PutDouble(2.0);    // mode
  chunk.PutInt32(0x7A7A);  // the plug-in's trailer: its reader returns the position after it
  chunk.PutInt32(1);       // host bypass
  chunk.PutInt32(0);       // anything after is not read
  vst3host::MemoryStream stream(chunk.Bytes());
  IComponent* component = bound.effect;
  ASSERT_EQ(component->setState(&stream), kResultOk);
  EXPECT_TRUE(bound.plugin->GetHostBypassed());
  EXPECT_DOUBLE_EQ(bound.effect->getParamNormalized(65536), 1.0);
  EXPECT_DOUBLE_EQ(bound.plugin->GetParam(TestPlugin::kGain)->Value(), -6.0);
  // Loaded on the user-interface thread: the editor has every value at once.
  ASSERT_EQ(editor.Sent().size(), 3u);
  EXPECT_EQ(editor.Sent()[2], std::make_pair(int{TestPlugin::kMode}, 1.0));

  // A state from another thread reaches the editor through the next tick.
  editor.Clear();
  std::thread([&] {
    vst3host::MemoryStream again(chunk.Bytes());
    EXPECT_EQ(component->setState(&again), kResultOk);
  }).join();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (editor.Sent().size() < 3) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  bound.effect->terminate();
  bound.plugin->DetachEditor();

  // A chunk the plug-in cannot read is refused.
  vst3host::MemoryStream broken(std::vector<uint8_t>(5, 0));
  EXPECT_EQ(component->setState(&broken), kResultFalse);
}

TEST(BindingController, FailuresBecomeResultCodes) {
  BoundPlugin bound;
  bound.plugin->failSaving = true;
  vst3host::MemoryStream stream;
  IComponent* component = bound.effect;
  EXPECT_EQ(component->getState(&stream), kInternalError);  // the exception stopped at the boundary
  EXPECT_EQ(bound.effect->setParamNormalized(3, 0.5), kInvalidArgument);
  ParameterInfo info{};
  EXPECT_EQ(bound.effect->getParameterInfo(4, info), kInvalidArgument);
  EXPECT_EQ(bound.effect->getParameterInfo(-1, info), kInvalidArgument);
  EXPECT_EQ(bound.effect->getParamStringByValue(0, 0.0, nullptr), kInvalidArgument);
  EXPECT_EQ(bound.effect->setChannelContextInfos(nullptr), kInvalidArgument);
  EXPECT_EQ(bound.effect->connect(nullptr), kInvalidArgument);
  EXPECT_EQ(bound.effect->terminate(), kResultOk);  // terminate without initialise is harmless
}

TEST(BindingController, HostEditsAndPluginEditsTravelBothWays) {
  BoundPlugin bound;
  vst3host::HostApplication host;
  ASSERT_EQ(bound.effect->initialize(host.Context()), kResultOk);
  RecordingEditor editor;
  bound.plugin->AttachEditor(&editor);
  ASSERT_EQ(bound.effect->setParamNormalized(TestPlugin::kMode, 1.0), kResultOk);
  EXPECT_DOUBLE_EQ(bound.plugin->GetParam(TestPlugin::kMode)->Value(), 2.0);
  ASSERT_FALSE(bound.plugin->UiChanges().empty());
  EXPECT_EQ(bound.plugin->UiChanges().back().first, TestPlugin::kMode);
  EXPECT_EQ(editor.Sent().back(), std::make_pair(int{TestPlugin::kMode}, 1.0));
  bound.plugin->DetachEditor();

  ASSERT_EQ(bound.effect->setComponentHandler(&host), kResultOk);
  bound.plugin->BeginInformHostOfParamChange(TestPlugin::kGain);
  bound.plugin->SendParameterValueFromUI(TestPlugin::kGain, 0.5);
  bound.plugin->EndInformHostOfParamChange(TestPlugin::kGain);
  const auto edits = host.Edits();
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_EQ(edits[0].kind, vst3host::HostApplication::Edit::Kind::Begin);
  EXPECT_EQ(edits[1].kind, vst3host::HostApplication::Edit::Kind::Perform);
  EXPECT_DOUBLE_EQ(edits[1].value, 0.5);
  EXPECT_EQ(edits[2].id, ParamID{TestPlugin::kGain});
  ASSERT_EQ(bound.effect->terminate(), kResultOk);
  EXPECT_EQ(host.References(), 0u);  // terminate let go of the handler and the context
}

TEST(BindingController, ChannelContextIsStoredAsUtf8) {
  BoundPlugin bound;
  vst3host::AttributeList list;
  const std::u16string name = u"Voc\u00E4ls \u00B7 1";
  std::vector<TChar> text(name.begin(), name.end());
  text.push_back(0);
  list.setString(ChannelContext::kChannelNameKey, text.data());
  list.setInt(ChannelContext::kChannelNameLengthKey, static_cast<int64>(name.size()));
  list.setInt(ChannelContext::kChannelIndexKey, 3);
  list.setInt(ChannelContext::kChannelColorKey, int64{0xFF102030});
  ASSERT_EQ(bound.effect->setChannelContextInfos(&list), kResultOk);
  framework::ChannelInfo info = bound.plugin->GetChannelInfo();
  EXPECT_EQ(info.name, "Voc\u00E4ls \u00B7 1");
  EXPECT_EQ(info.index, 3);
  EXPECT_EQ(info.argb, 0xFF102030u);

  // Long names arrive whole when the host gives their length.
  const std::u16string longName(300, u'n');
  std::vector<TChar> longText(longName.begin(), longName.end());
  longText.push_back(0);
  vst3host::AttributeList longList;
  longList.setString(ChannelContext::kChannelNameKey, longText.data());
  longList.setInt(ChannelContext::kChannelNameLengthKey, 300);
  ASSERT_EQ(bound.effect->setChannelContextInfos(&longList), kResultOk);
  EXPECT_EQ(bound.plugin->GetChannelInfo().name, std::string(300, 'n'));
  EXPECT_EQ(bound.plugin->GetChannelInfo().index, 3);  // what the host left out stays

  // Hosts that read the size as code units, with or without the length:
  // the whole name arrives and nothing is overrun.
  for (bool giveLength : {false, true}) {
    SCOPED_TRACE(giveLength ? "with length" : "without length");
    vst3host::AttributeList unitsList(true);
    unitsList.setString(ChannelContext::kChannelNameKey, longText.data());
    if (giveLength) unitsList.setInt(ChannelContext::kChannelNameLengthKey, 300);
    ASSERT_EQ(bound.effect->setChannelContextInfos(&unitsList), kResultOk);
    EXPECT_EQ(bound.plugin->GetChannelInfo().name, giveLength ? std::string(300, 'n') : std::string(255, 'n'));
  }
  // A short name from a host that gives its length in code units.
  vst3host::AttributeList shortList(true);
  shortList.setString(ChannelContext::kChannelNameKey, text.data());
  shortList.setInt(ChannelContext::kChannelNameLengthKey, static_cast<int64>(name.size()));
  ASSERT_EQ(bound.effect->setChannelContextInfos(&shortList), kResultOk);
  EXPECT_EQ(bound.plugin->GetChannelInfo().name, "Voc\u00E4ls \u00B7 1");
}

TEST(BindingController, ParameterInfoForListsAndTheHostBypass) {
  BoundPlugin bound;
  ASSERT_EQ(bound.effect->getParameterCount(), 4);
  ParameterInfo info{};
  ASSERT_EQ(bound.effect->getParameterInfo(TestPlugin::kMode, info), kResultOk);
  EXPECT_EQ(info.stepCount, 2);
  EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate | ParameterInfo::kIsList);
  ASSERT_EQ(bound.effect->getParameterInfo(3, info), kResultOk);
  EXPECT_EQ(info.id, 65536u);
  EXPECT_EQ(info.flags, 0x10009);
  EXPECT_DOUBLE_EQ(bound.effect->normalizedParamToPlain(TestPlugin::kGain, 0.5), -24.0);
  EXPECT_DOUBLE_EQ(bound.effect->plainParamToNormalized(TestPlugin::kGain, 12.0), 1.0);
  EXPECT_DOUBLE_EQ(bound.effect->normalizedParamToPlain(65536, 0.7), 1.0);
  EXPECT_EQ(bound.effect->setKnobMode(kLinearMode), kResultOk);
  EXPECT_EQ(bound.effect->setKnobMode(kCircularMode), kResultFalse);
}

}  // namespace
}  // namespace vst3test
