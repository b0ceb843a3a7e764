#pragma once

#include <vector>

#include "framework/IPlugAPIBase.h"
#include "pluginterfaces/base/funknown.h"

namespace framework::vst3 {

/// The host context the host passes to initialize, offered to the plug-in
/// as a framework::IHostContext. Every interface the plug-in obtains is
/// kept referenced until this object goes at terminate, so the plug-in may
/// hold the pointers while it is initialised.
///
/// Threads: the host's initialising thread, then whichever thread the
/// plug-in queries from (serialised by the controller mutex).
class HostContext final : public IHostContext {
 public:
  explicit HostContext(Steinberg::FUnknown* context);
  ~HostContext() override;
  HostContext(const HostContext&) = delete;
  HostContext& operator=(const HostContext&) = delete;

  void* QueryHostInterface(const uint8_t (&interfaceId)[16]) override;
  Steinberg::FUnknown* Context() const { return mContext; }

 private:
  Steinberg::FUnknown* mContext;
  std::vector<Steinberg::FUnknown*> mHeld;  // one reference each, released in the destructor
};

}  // namespace framework::vst3
