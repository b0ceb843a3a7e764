#include "host/RelaycasterClass.h"

#include <memory>
#include <mutex>

#include "core/Relaycaster.h"
#include "framework/PluginConfig.h"
#include "framework/vst3/IPlugVST3.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

namespace relaycaster::host {

using namespace Steinberg;

namespace {

/// Creates one effect. Instances are never constructed concurrently: the
/// constructor touches process-wide state (the instance registry, the
/// libraries the transports start), so construction holds a process-wide lock.
FUnknown* CreateRelaycaster() {
  static std::mutex creationMutex;
  std::lock_guard lock(creationMutex);
  try {
    auto* effect = new framework::IPlugVST3(std::make_unique<Relaycaster>());
    return static_cast<Vst::IComponent*>(effect);
  } catch (...) {
    return nullptr;
  }
}

const FactoryDescription kFactory = {
    "Brightwold",
    "https://brightwold.com",
    "",
    PFactoryInfo::kUnicode,  // 0x10
};

// The class id is given as four 32-bit words. INLINE_UID lays them out the
// way the platform's hosts read class ids: on Windows (COM-compatible) the
// first word little-endian and the second as two little-endian halves, so
// the bytes are 0D E7 AE F2 DE 00 4E 4F 42 77 6C 64 42 77 52 63; elsewhere
// every word big-endian, F2 AE E7 0D 00 DE 4F 4E 42 77 6C 64 42 77 52 63.
// Both are the one GUID {F2AEE70D-00DE-4F4E-4277-6C6442775263}.
constexpr uint32 kClassIdWord1 = 0xF2AEE70D;
constexpr uint32 kClassIdWord2 = 0x00DE4F4E;
constexpr uint32 kMakerId = static_cast<uint32>(framework::FourCharCode("Bwld"));
constexpr uint32 kUniqueId = static_cast<uint32>(framework::FourCharCode("BwRc"));

const ClassDescription kClass = {
    INLINE_UID(kClassIdWord1, kClassIdWord2, kMakerId, kUniqueId),
    PClassInfo::kManyInstances,  // 0x7FFFFFFF
    kVstAudioEffectClass,        // "Audio Module Class"
    "Relaycaster",
    Vst::kSimpleModeSupported,  // 2
    "Fx|Network",
    "",
    kVersionText,
    "VST 3.8.1",
    &CreateRelaycaster,
};

}  // namespace

const FactoryDescription& RelaycasterFactoryDescription() { return kFactory; }
const ClassDescription& RelaycasterClassDescription() { return kClass; }

}  // namespace relaycaster::host
