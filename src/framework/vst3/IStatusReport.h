#pragma once

#include "pluginterfaces/base/funknown.h"

namespace framework::vst3 {

/// An extension interface of our own that the plug-in object answers next
/// to the standard ones: a short status text for hosts and tools that know
/// to ask (our command-line host prints it). Hosts that do not know it never
/// see it.
class IStatusReport : public Steinberg::FUnknown {
 public:
  /// Writes the plug-in's status report as UTF-8 with a terminating zero,
  /// cut to `size` bytes. Each line is one item; its fields are separated by
  /// tabs (see IPlugAPIBase::StatusReport). Returns kInvalidArgument for a
  /// null buffer or a size below 1.
  virtual Steinberg::tresult PLUGIN_API getStatusReport(Steinberg::char8* text, Steinberg::int32 size) = 0;

  static const Steinberg::FUID iid;
};

DECLARE_CLASS_IID(IStatusReport, 0x0BDCFFDC, 0x5D294A0A, 0xAF5FA03F, 0x1B4B6984)

}  // namespace framework::vst3
