#include "framework/vst3/HostContext.h"

namespace framework::vst3 {

HostContext::HostContext(Steinberg::FUnknown* context) : mContext(context) {
  if (mContext) mContext->addRef();
}

HostContext::~HostContext() {
  for (Steinberg::FUnknown* held : mHeld) held->release();
  if (mContext) mContext->release();
}

void* HostContext::QueryHostInterface(const uint8_t (&interfaceId)[16]) {
  if (!mContext) return nullptr;
  Steinberg::TUID iid;
  static_assert(sizeof iid == sizeof interfaceId);
  for (int i = 0; i < 16; ++i) iid[i] = static_cast<Steinberg::int8>(interfaceId[i]);
  void* found = nullptr;
  if (mContext->queryInterface(iid, &found) != Steinberg::kResultOk || !found) return nullptr;
  try {
    mHeld.push_back(static_cast<Steinberg::FUnknown*>(found));
  } catch (...) {
    static_cast<Steinberg::FUnknown*>(found)->release();
    return nullptr;
  }
  return found;
}

}  // namespace framework::vst3
