#include "framework/IPluginBase.h"

namespace framework {

IPluginBase::IPluginBase(const PluginConfig& config) : mConfig(config) {
  mParams.reserve(static_cast<size_t>(config.nParams));
  for (int i = 0; i < config.nParams; ++i) mParams.push_back(std::make_unique<IParam>());
}

bool IPluginBase::SerializeState(ByteChunk& chunk) const { return SerializeParams(chunk); }

int IPluginBase::UnserializeState(const ByteChunk& chunk, int startPos) {
  return UnserializeParams(chunk, startPos);
}

bool IPluginBase::SerializeParams(ByteChunk& chunk) const {
  for (const auto& param : mParams) chunk.PutDouble(param->Value());
  return true;
}

int IPluginBase::UnserializeParams(const ByteChunk& chunk, int startPos) {
  int pos = startPos;
  for (auto& param : mParams) {
    double value = 0.0;
    pos = chunk.GetDouble(value, pos);
    if (pos < 0) break;
    param->Set(value);
  }
  OnParamReset(ParamSource::PresetRecall);
  return pos;
}

void IPluginBase::OnParamReset(ParamSource source) {
  for (int i = 0; i < NParams(); ++i) OnParamChange(i, source);
}

}  // namespace framework
