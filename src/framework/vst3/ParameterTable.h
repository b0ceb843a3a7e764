#pragma once

#include "framework/IPlugAPIBase.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace framework::vst3 {

/// The parameters as the host sees them: the plug-in's own, with ids equal
/// to their indices, and after them the host bypass. Answers the edit
/// controller's parameter questions; holds no state of its own (values live
/// in the plug-in's parameters and its host-bypass flag).
///
/// Threads: any; every value read or written is a single atomic word.
class ParameterTable {
 public:
  static constexpr Steinberg::Vst::ParamID kHostBypassId = 65536;

  explicit ParameterTable(IPlugAPIBase& plugin) : mPlugin(plugin) {}

  /// The plug-in's parameters plus the host bypass.
  int Count() const { return mPlugin.NParams() + 1; }
  bool FillInfo(int index, Steinberg::Vst::ParameterInfo& info) const;
  /// The display text for a normalised value, UTF-16, at most 127 units.
  bool Text(Steinberg::Vst::ParamID id, double normalized, Steinberg::Vst::String128 out) const;
  /// Reads a list entry or a number in the parameter's plain units.
  bool ValueFromText(Steinberg::Vst::ParamID id, const Steinberg::Vst::TChar* text, double& normalized) const;
  double ToPlain(Steinberg::Vst::ParamID id, double normalized) const;
  double ToNormalized(Steinberg::Vst::ParamID id, double plain) const;
  /// The current value, normalised.
  double Normalized(Steinberg::Vst::ParamID id) const;

  bool IsPluginParam(Steinberg::Vst::ParamID id) const {
    return id < static_cast<Steinberg::Vst::ParamID>(mPlugin.NParams());
  }
  static bool IsHostBypass(Steinberg::Vst::ParamID id) { return id == kHostBypassId; }
  bool Exists(Steinberg::Vst::ParamID id) const { return IsPluginParam(id) || IsHostBypass(id); }

 private:
  IPlugAPIBase& mPlugin;
};

}  // namespace framework::vst3
