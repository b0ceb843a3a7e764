// The HostedPlugin backend that links the Relaycaster class itself and
// calls it through the framework, as the VST 3 binding would.
#include <functional>

#include "core/Relaycaster.h"
#include "framework/IParam.h"
#include "HostedPlugin.h"
#include "StatusReport.h"

namespace relaycaster_host {
namespace {

using framework::IParam;

// Stands in for an open editor while a preset command runs, so that the
// command's report reaches the command line instead of a message box.
class MessageCatcher final : public framework::IEditor {
 public:
  bool SetControlText(int, const std::string&) override { return false; }
  bool HasTextEntry() const override { return false; }
  void Rebuild() override {}
  void SetAllControlsDirty() override {}
  void SendParameterValue(int, double) override {}
  float DrawScale() const override { return 1.0f; }
  float ScreenScale() const override { return 1.0f; }
  void SetDrawScale(float) override {}
  void ShowMessageBox(const std::string& text, const std::string&, framework::MessageBoxType,
                      std::function<void(int)> answer) override {
    message = text;
    answer(framework::kNoResult);
  }
  std::string message;
};

class DirectPlugin final : public HostedPlugin {
 public:
  std::vector<ParameterInfo> parameters() const override {
    std::vector<ParameterInfo> all;
    for (int i = 0; i < mPlugin.NParams(); ++i) {
      const IParam& param = *mPlugin.GetParam(i);
      ParameterInfo info;
      info.index = i;
      info.name = param.Name();
      info.unit = param.Label();
      info.min = param.Min();
      info.max = param.Max();
      info.defaultValue = param.Default();
      info.isList = param.IsList();
      info.isInteger = param.GetType() == IParam::Type::Int;
      for (int e = 0; e < param.NumListEntries(); ++e) info.entries.push_back(param.ListEntry(e));
      all.push_back(std::move(info));
    }
    return all;
  }

  std::string parameterText(int index, double plainValue) const override {
    return mPlugin.GetParam(index)->DisplayText(plainValue);
  }
  double parameterValue(int index) const override { return mPlugin.GetParam(index)->Value(); }

  // A host changes parameters through the edit controller.
  void setParameterPlain(int index, double plainValue) override {
    setParameterNormalized(index, mPlugin.GetParam(index)->ToNormalized(plainValue));
  }
  void setParameterNormalized(int index, double normalizedValue) override {
    mPlugin.SetParameterValueFromHost(index, normalizedValue);
  }
  void setSrtText(int field, const std::string& text) override { mPlugin.SetSrtText(field, text); }

  void prepare(double sampleRate, int maxBlockFrames, int /*channels*/) override {
    mPlugin.SetSampleRate(sampleRate);
    mPlugin.SetBlockSize(maxBlockFrames);
    mPlugin.SetRenderingOffline(false);
  }

  // The plug-in's own preset commands, with an editor stand-in that turns
  // their message boxes into the error text.
  bool applyPreset(const relaycaster::Preset& preset, std::string& error) override {
    return runPresetCommand(error, [&] { mPlugin.presets().LoadPreset(preset); });
  }
  bool savePreset(const std::string& name, std::string& error) override {
    return runPresetCommand(error, [&] { mPlugin.presets().SavePreset(name, false); });
  }

  void process(double** inputs, double** outputs, int channels, int frames) override {
    mPlugin.ProcessBuffers(inputs, channels, outputs, channels, frames);
  }

  void timerTick() override { mPlugin.OnTimer(); }

  // The same report a host gets through the bundle.
  std::vector<TransportStatus> status() const override { return parseStatusReport(mPlugin.StatusReport()); }

 private:
  template <typename Command>
  bool runPresetCommand(std::string& error, Command&& command) {
    MessageCatcher catcher;
    mPlugin.AttachEditor(&catcher);
    command();
    mPlugin.DetachEditor();
    error = catcher.message;
    return error.empty();
  }

  relaycaster::Relaycaster mPlugin;
};

}  // namespace

std::unique_ptr<HostedPlugin> makeDirectPlugin() { return std::make_unique<DirectPlugin>(); }

}  // namespace relaycaster_host
