#pragma once

// REAPER's extension interface as the plug-in uses it, declared here: the
// interface REAPER's VST 3 host context answers to, and the C signatures of
// the three host functions looked up through it by name.

#include <cstdint>

#include "core/ReaperInterfaceId.h"

namespace relaycaster::reaper {

/// The base of every VST 3 interface: COM-style reference counting and
/// lookup by 16-byte interface id. Never deleted through this type.
class Unknown {
 public:
  virtual int32_t queryInterface(const char interfaceId[16], void** object) = 0;
  virtual uint32_t addRef() = 0;
  virtual uint32_t release() = 0;

 protected:
  ~Unknown() = default;
};

/// REAPER's host application interface: host functions by name, and the
/// plug-in's parent objects by kind.
class IReaperHostApplication : public Unknown {
 public:
  /// A host function by name, or null.
  virtual void* getReaperApi(const char* functionName) = 0;
  /// The plug-in's parent object of one kind (kParentTrack), or null.
  virtual void* getReaperParent(uint32_t kind) = 0;

 protected:
  ~IReaperHostApplication() = default;
};

inline constexpr uint32_t kParentTrack = 1;

/// Reads (setNewValue false) a text property of a track into the buffer.
using GetSetMediaTrackInfo_String = bool (*)(void* track, const char* parmname, char* stringNeedBig, bool setNewValue);
/// Reads a numeric property of a track.
using GetMediaTrackInfo_Value = double (*)(void* track, const char* parmname);
/// Splits a colour in the host's native form into red, green and blue.
using ColorFromNative = void (*)(int col, int* r, int* g, int* b);

}  // namespace relaycaster::reaper
