#include "framework/IPlugAPIBase.h"

#include "framework/graphics/IGraphics.h"

namespace framework {

IPlugAPIBase::IPlugAPIBase(const PluginConfig& config)
    : IPluginBase(config), mWindowWidth(config.editorWidth), mWindowHeight(config.editorHeight) {
  SetLatency(config.latency);
}

IPlugAPIBase::~IPlugAPIBase() { CloseEditor(); }

void IPlugAPIBase::SetEditorFunctions(MakeGraphicsFunc make, LayoutFunc layout) {
  mMakeGraphics = std::move(make);
  mLayout = std::move(layout);
}

IGraphics* IPlugAPIBase::OpenEditor() {
  if (mGraphics || !mMakeGraphics) return nullptr;
  std::unique_ptr<IGraphics> graphics = mMakeGraphics();
  if (!graphics) return nullptr;
  graphics->SetLayoutFunc(mLayout);
  mGraphics = std::move(graphics);
  mEditor = mGraphics.get();
  mGraphics->RunLayout();
  SendAllParameterValuesToEditor();
  return mGraphics.get();
}

void IPlugAPIBase::CloseEditor() {
  if (!mGraphics) return;
  // The editor goes first as far as the core can tell, so nothing its
  // teardown answers (an open message box) opens another window.
  std::unique_ptr<IGraphics> graphics = std::move(mGraphics);
  mEditor = nullptr;
  graphics.reset();
}

void IPlugAPIBase::SetParameterValueFromHost(int paramIdx, double normalizedValue) {
  if (paramIdx < 0 || paramIdx >= NParams()) return;
  GetParam(paramIdx)->SetNormalized(normalizedValue);
  OnParamChange(paramIdx, ParamSource::Host);
  OnParamChangeUI(paramIdx, ParamSource::Host);
  if (mEditor) mEditor->SendParameterValue(paramIdx, GetParam(paramIdx)->GetNormalized());
}

void IPlugAPIBase::SetChannelInfo(const ChannelInfo& info) {
  std::lock_guard lock(mChannelMutex);
  mChannel = info;
}

ChannelInfo IPlugAPIBase::GetChannelInfo() const {
  std::lock_guard lock(mChannelMutex);
  return mChannel;
}

void IPlugAPIBase::BeginInformHostOfParamChange(int paramIdx) {
  if (mHost) mHost->BeginEdit(paramIdx);
}

void IPlugAPIBase::SendParameterValueFromUI(int paramIdx, double normalizedValue) {
  if (paramIdx < 0 || paramIdx >= NParams()) return;
  IParam* param = GetParam(paramIdx);
  param->SetNormalized(normalizedValue);
  if (mHost) mHost->PerformEdit(paramIdx, param->GetNormalized());
  OnParamChange(paramIdx, ParamSource::UI);
  OnParamChangeUI(paramIdx, ParamSource::UI);
}

void IPlugAPIBase::EndInformHostOfParamChange(int paramIdx) {
  if (mHost) mHost->EndEdit(paramIdx);
}

void IPlugAPIBase::SendAllParameterValuesToEditor() {
  if (!mEditor) return;
  for (int i = 0; i < NParams(); ++i) mEditor->SendParameterValue(i, GetParam(i)->GetNormalized());
}

void IPlugAPIBase::SetWindowSize(int width, int height) {
  mWindowWidth.store(width, std::memory_order_relaxed);
  mWindowHeight.store(height, std::memory_order_relaxed);
}

void IPlugAPIBase::ShowMessageBox(const std::string& text, const std::string& caption, MessageBoxType type,
                                  std::function<void(int)> answer) {
  if (!answer) answer = [](int) {};
  if (!mEditor) {
    answer(kNoResult);
    return;
  }
  mEditor->ShowMessageBox(text, caption, type, std::move(answer));
}

}  // namespace framework
