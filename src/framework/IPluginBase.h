#pragma once

#include <memory>
#include <vector>

#include "framework/ByteChunk.h"
#include "framework/IParam.h"
#include "framework/PluginConfig.h"

namespace framework {

/// Where a parameter change came from, passed to the change notifications.
enum class ParamSource { Reset, Host, PresetRecall, UI, Delegate };

/// The generic plug-in: its configuration, its parameters and the state
/// hooks. A plug-in declares its parameters in its constructor.
class IPluginBase {
 public:
  explicit IPluginBase(const PluginConfig& config);
  virtual ~IPluginBase() = default;
  IPluginBase(const IPluginBase&) = delete;
  IPluginBase& operator=(const IPluginBase&) = delete;

  const PluginConfig& Config() const { return mConfig; }
  int NParams() const { return static_cast<int>(mParams.size()); }
  IParam* GetParam(int index) { return mParams.at(static_cast<size_t>(index)).get(); }
  const IParam* GetParam(int index) const { return mParams.at(static_cast<size_t>(index)).get(); }

  /// State save (host thread). The default writes each parameter's plain
  /// value as a double, in index order.
  virtual bool SerializeState(ByteChunk& chunk) const;
  /// State load (host thread). Returns the position after what was read, or
  /// -1. The default is UnserializeParams().
  virtual int UnserializeState(const ByteChunk& chunk, int startPos);

  /// The plain parameter reader: one double per parameter from startPos, each
  /// constrained; stops at the first that does not fit and returns -1. Then
  /// notifies OnParamReset(PresetRecall).
  int UnserializeParams(const ByteChunk& chunk, int startPos);
  bool SerializeParams(ByteChunk& chunk) const;

  /// Called after a parameter changed through the host or a state load.
  virtual void OnParamChange(int /*paramIdx*/, ParamSource /*source*/) {}
  /// Called after many parameters changed at once (a state or preset recall).
  virtual void OnParamReset(ParamSource source);

 private:
  PluginConfig mConfig;
  std::vector<std::unique_ptr<IParam>> mParams;
};

}  // namespace framework
