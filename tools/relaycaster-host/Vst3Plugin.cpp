#include "Vst3Plugin.h"

#include <cmath>

#include "SrtTextsInState.h"
#include "StatusReport.h"
#include "Vst3Bundle.h"
#include "core/SrtAddress.h"
#include "files/DataFolders.h"
#include "framework/vst3/IEditorSnapshot.h"
#include "framework/vst3/IStatusReport.h"
#include "pluginterfaces/gui/iplugview.h"

namespace relaycaster_host {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr int kMaxPendingChanges = 64;

class Vst3Plugin final : public Vst3HostedPlugin {
 public:
  Vst3Plugin(std::shared_ptr<vst3host::Vst3Module> module, vst3host::ClassInfo cls)
      : mModule(std::move(module)), mClass(std::move(cls)), mPending(kMaxPendingChanges) {}

  bool create(std::string& error) {
    mInstance = vst3host::Vst3Instance::Create(mModule, mClass, mHost, error);
    if (!mInstance) return false;
    mParameters = mInstance->Parameters();
    return true;
  }

  ~Vst3Plugin() override {
    mInstance.reset();  // deactivates and terminates before the module goes
  }

  std::vector<ParameterInfo> parameters() const override {
    std::vector<ParameterInfo> all;
    for (size_t i = 0; i < mParameters.size(); ++i) {
      const vst3host::ParameterDescription& p = mParameters[i];
      ParameterInfo info;
      info.index = static_cast<int>(i);
      info.name = p.title;
      info.unit = p.units;
      info.min = toPlain(info.index, 0.0);
      info.max = toPlain(info.index, 1.0);
      info.defaultValue = toPlain(info.index, p.defaultNormalized);
      info.isList = (p.flags & ParameterInfo_kIsList) != 0;
      info.isInteger = !info.isList && p.stepCount > 0;
      if (info.isList)
        for (int step = 0; step <= p.stepCount; ++step)
          info.entries.push_back(mInstance->ParamText(p.id, static_cast<double>(step) / p.stepCount));
      all.push_back(std::move(info));
    }
    return all;
  }

  std::string parameterText(int index, double plainValue) const override {
    const uint32_t id = idOf(index);
    return mInstance->ParamText(id, mInstance->Controller()->plainParamToNormalized(id, plainValue));
  }

  double parameterValue(int index) const override { return toPlain(index, mInstance->ParamNormalized(idOf(index))); }

  void setParameterPlain(int index, double plainValue) override {
    setParameterNormalized(index, mInstance->Controller()->plainParamToNormalized(idOf(index), plainValue));
  }

  // As a host does: the controller hears of the change at once, the
  // processor with the next block.
  void setParameterNormalized(int index, double normalizedValue) override {
    mInstance->SetParamNormalized(idOf(index), normalizedValue);
    mPending.Add(idOf(index), normalizedValue);
  }

  void setSrtText(int field, const std::string& text) override {
    std::vector<uint8_t> state;
    if (!mInstance->SaveState(state)) return;
    std::optional<StateSrtTexts> texts = readSrtTexts(state);
    if (!texts) {
      std::fprintf(stderr, "relaycaster-host: this plug-in's state holds no SRT texts\n");
      return;
    }
    std::optional<int> port;
    std::optional<int> latency;
    if (field == 0) {
      // What the editor's host field does on commit.
      relaycaster::SrtAddress address = relaycaster::ParseSrtAddress(text);
      texts->host = address.host;
      if (address.streamId) texts->streamId = *address.streamId;
      if (address.passphrase) texts->passphrase = *address.passphrase;
      port = address.port;
      if (address.latencyMs) latency = std::min(std::max(*address.latencyMs, 20), 8000);
    } else if (field == 1) {
      texts->streamId = text;
    } else if (field == 2) {
      texts->passphrase = text;
    }
    if (auto edited = withSrtTexts(state, *texts)) mInstance->LoadState(*edited);
    if (port) setParameterByTitle("SRT port", *port);
    if (latency) setParameterByTitle("SRT latency", *latency);
  }

  void prepare(double sampleRate, int maxBlockFrames, int channels) override {
    if (mInstance->SetChannels(channels, channels) != kResultOk)
      std::fprintf(stderr, "relaycaster-host: the plug-in refused %d channel%s\n", channels, channels == 1 ? "" : "s");
    mInstance->Setup(sampleRate, maxBlockFrames, true);
    mInstance->Activate(true);
  }

  void process(double** inputs, double** outputs, int channels, int frames) override {
    const bool changes = mPending.getParameterCount() > 0;
    mInstance->Process64(inputs, channels, outputs, channels, frames, changes ? &mPending : nullptr);
    if (changes) mPending.Clear();
  }

  // The plug-in runs its own idle timer: with no editor open there is no
  // host run loop for it to use.
  void timerTick() override {}

  // The transports' state, through the plug-in's own status-report
  // extension (plug-ins without it report nothing).
  std::vector<TransportStatus> status() const override {
    Steinberg::FUnknownPtr<framework::vst3::IStatusReport> reporter(mInstance->Component());
    if (!reporter) return {};
    char text[2048];
    if (reporter->getStatusReport(text, sizeof text) != Steinberg::kResultOk) return {};
    return parseStatusReport(text);
  }

  void printInfo(std::FILE* out) const override {
    const vst3host::FactoryInfo factory = mModule->GetFactoryInfo();
    std::fprintf(out, "module    %s\n", mModule->Path().c_str());
    std::fprintf(out, "factory   vendor \"%s\", url \"%s\", email \"%s\", flags 0x%X\n", factory.vendor.c_str(),
                 factory.url.c_str(), factory.email.c_str(), static_cast<unsigned>(factory.flags));
    for (const vst3host::ClassInfo& cls : mModule->Classes()) {
      std::fprintf(out, "class     %s \"%s\", category \"%s\", sub-categories \"%s\"\n",
                   vst3host::ClassIdText(cls.classId).c_str(), cls.name.c_str(), cls.category.c_str(),
                   cls.subCategories.c_str());
      std::fprintf(out, "          cardinality 0x%X, flags %u, vendor \"%s\", version \"%s\", sdk \"%s\"\n",
                   static_cast<unsigned>(cls.cardinality), cls.classFlags, cls.vendor.c_str(), cls.version.c_str(),
                   cls.sdkVersion.c_str());
    }
    printBuses(out);
    std::fprintf(out, "%-6s %-12s %-5s %-6s %-8s %-7s %s\n", "id", "title", "units", "steps", "flags", "default",
                 "text at default");
    for (const vst3host::ParameterDescription& p : mParameters) {
      std::fprintf(out, "%-6u %-12s %-5s %-6d 0x%-6X %-7.4f %s\n", p.id, p.title.c_str(), p.units.c_str(),
                   p.stepCount, static_cast<unsigned>(p.flags), p.defaultNormalized,
                   mInstance->ParamText(p.id, p.defaultNormalized).c_str());
    }
  }

  bool saveState(std::vector<uint8_t>& bytes) override { return mInstance->SaveState(bytes); }

  // Every bus the component declares, audio and event, as a host lists them.
  void printBuses(std::FILE* out) const {
    IComponent* component = mInstance->Component();
    for (const MediaType type : {MediaTypes::kAudio, MediaTypes::kEvent}) {
      for (const BusDirection direction : {BusDirections::kInput, BusDirections::kOutput}) {
        const int32 count = component->getBusCount(type, direction);
        for (int32 i = 0; i < count; ++i) {
          BusInfo bus{};
          if (component->getBusInfo(type, direction, i, bus) != kResultOk) continue;
          std::fprintf(out, "bus       %s %s %d \"%s\", %d channel%s, %s, flags 0x%X\n",
                       type == MediaTypes::kAudio ? "audio" : "event",
                       direction == BusDirections::kInput ? "input" : "output", i,
                       vst3host::ToUtf8(bus.name, 128).c_str(), bus.channelCount, bus.channelCount == 1 ? "" : "s",
                       bus.busType == BusTypes::kMain ? "main" : "aux", static_cast<unsigned>(bus.flags));
        }
      }
    }
  }

  // A host can hand the plug-in only whole states. A preset's chunk is one
  // (the plug-in reads its host bypass from the chunk's own last field); the
  // passphrase the plug-in has is written into it first, as loading a
  // preset keeps the user's passphrase, and so is the preset's name from
  // its file, which loading a preset makes the current one.
  bool applyPreset(const relaycaster::Preset& preset, std::string& error) override {
    std::vector<uint8_t> current;
    const std::optional<StateSrtTexts> currentTexts = saveState(current) ? readSrtTexts(current) : std::nullopt;
    std::optional<StateSrtTexts> texts = readSrtTexts(preset.state);
    if (!texts || !currentTexts) {
      error = "it does not hold an Relaycaster state.";
      return false;
    }
    texts->passphrase = currentTexts->passphrase;
    std::optional<std::vector<uint8_t>> state = withSrtTexts(preset.state, *texts);
    if (state) state = withCurrentPreset(*state, preset.name);
    if (!state || !loadState(*state)) {
      error = "its state is damaged.";
      return false;
    }
    return true;
  }

  // The component state without the host's trailing bypass field is the
  // chunk; a preset keeps it without the passphrase and, as the plug-in's
  // own save does, under the name trimmed of spaces and tabs, which the
  // chunk records as the current preset.
  bool savePreset(const std::string& untrimmedName, std::string& error) override {
    const size_t first = untrimmedName.find_first_not_of(" \t");
    const std::string name =
        first == std::string::npos ? std::string()
                                   : untrimmedName.substr(first, untrimmedName.find_last_not_of(" \t") - first + 1);
    std::vector<uint8_t> state;
    std::optional<StateSrtTexts> texts = saveState(state) ? readSrtTexts(state) : std::nullopt;
    if (name.empty()) {
      error = "the preset needs a name";
      return false;
    }
    if (!texts || state.size() < 4) {
      error = "the state could not be taken";
      return false;
    }
    state.resize(state.size() - 4);
    texts->passphrase.clear();
    std::optional<std::vector<uint8_t>> chunk = withSrtTexts(state, *texts);
    if (chunk) chunk = withCurrentPreset(*chunk, name);
    if (!chunk) {
      error = "the state could not be taken";
      return false;
    }
    return relaycaster::WritePreset(relaycaster::PresetsFolder(), name, *chunk, error);
  }
  bool loadState(const std::vector<uint8_t>& bytes) override { return mInstance->LoadState(bytes) == kResultOk; }

  IPlugView* createEditorView() override { return mInstance->Controller()->createView(ViewType::kEditor); }

  // Through the plug-in's own extension on its editor view, which a host
  // that does not know it never sees.
  bool renderSnapshot(const std::string& path, float scale, std::string& error) override {
    IPlugView* view = createEditorView();
    if (!view) {
      error = "the plug-in has no editor";
      return false;
    }
    void* found = nullptr;
    tresult result = kNoInterface;
    if (view->queryInterface(INLINE_UID_OF(framework::vst3::IEditorSnapshot), &found) == kResultOk && found) {
      auto* snapshot = static_cast<framework::vst3::IEditorSnapshot*>(found);
      result = snapshot->renderSnapshot(path.c_str(), scale);
      snapshot->release();
    }
    view->release();
    if (result == kNoInterface) error = "the plug-in's editor cannot draw snapshots";
    else if (result != kResultOk) error = "the editor could not be drawn into " + path;
    return result == kResultOk;
  }

 private:
  static constexpr int32_t ParameterInfo_kIsList = Steinberg::Vst::ParameterInfo::kIsList;

  uint32_t idOf(int index) const { return mParameters.at(static_cast<size_t>(index)).id; }
  double toPlain(int index, double normalized) const {
    return mInstance->Controller()->normalizedParamToPlain(idOf(index), normalized);
  }
  void setParameterByTitle(const std::string& title, double plainValue) {
    for (size_t i = 0; i < mParameters.size(); ++i)
      if (mParameters[i].title == title) setParameterPlain(static_cast<int>(i), plainValue);
  }

  std::shared_ptr<vst3host::Vst3Module> mModule;
  vst3host::ClassInfo mClass;
  vst3host::HostApplication mHost;  // outlives the instance, which holds it
  std::unique_ptr<vst3host::Vst3Instance> mInstance;
  std::vector<vst3host::ParameterDescription> mParameters;
  vst3host::ParameterChanges mPending;  // set-up thread fills, audio thread drains (never at once)
};

}  // namespace

std::unique_ptr<Vst3HostedPlugin> makeVst3Plugin(const std::string& bundlePath, std::string& error) {
  std::shared_ptr<vst3host::Vst3Module> module = vst3host::Vst3Module::Load(bundlePath, error);
  if (!module) return nullptr;
  return makeVst3Plugin(std::move(module), error);
}

std::unique_ptr<Vst3HostedPlugin> makeVst3Plugin(std::shared_ptr<vst3host::Vst3Module> module, std::string& error) {
  const std::vector<vst3host::ClassInfo> classes = module->Classes();
  if (classes.empty()) {
    error = module->Path() + " offers no plug-in class";
    return nullptr;
  }
  auto plugin = std::make_unique<Vst3Plugin>(module, classes.front());
  if (!plugin->create(error)) return nullptr;
  return plugin;
}

std::string defaultBundlePath() { return RELAYCASTER_VST3_BUNDLE_PATH; }

}  // namespace relaycaster_host
