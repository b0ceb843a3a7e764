#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstattributes.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

namespace vst3host {

/// The host-side objects a VST 3 host hands to a plug-in. Each is owned by
/// the host program (a member or a local that outlives every plug-in call):
/// references the plug-in takes are counted but never delete the object.

/// Counts references for objects the host owns.
class HostOwnedRefCount {
 public:
  Steinberg::uint32 Add() { return mCount.fetch_add(1, std::memory_order_relaxed) + 1; }  // bookkeeping only
  Steinberg::uint32 Remove() { return mCount.fetch_sub(1, std::memory_order_relaxed) - 1; }
  Steinberg::uint32 Count() const { return mCount.load(std::memory_order_relaxed); }

 private:
  std::atomic<Steinberg::uint32> mCount{0};
};

/// A growable in-memory IBStream, as hosts use for saving and loading state.
class MemoryStream final : public Steinberg::IBStream, public Steinberg::ISizeableStream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<uint8_t> bytes) : mBytes(std::move(bytes)) {}

  const std::vector<uint8_t>& Bytes() const { return mBytes; }
  int64_t Position() const { return mPosition; }

  Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes, Steinberg::int32* numBytesRead) override;
  Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                      Steinberg::int32* numBytesWritten) override;
  Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode, Steinberg::int64* result) override;
  Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;
  Steinberg::tresult PLUGIN_API getStreamSize(Steinberg::int64& size) override;
  Steinberg::tresult PLUGIN_API setStreamSize(Steinberg::int64 size) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return mRefs.Add(); }
  Steinberg::uint32 PLUGIN_API release() override { return mRefs.Remove(); }

 private:
  std::vector<uint8_t> mBytes;
  int64_t mPosition = 0;
  HostOwnedRefCount mRefs;
};

/// One parameter's changes within a block, with room for a fixed number of
/// points reserved up front (adding points never allocates).
class ParamValueQueue final : public Steinberg::Vst::IParamValueQueue {
 public:
  static constexpr int kMaxPoints = 64;

  void Reset(Steinberg::Vst::ParamID id) { mId = id, mCount = 0; }

  Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return mId; }
  Steinberg::int32 PLUGIN_API getPointCount() override { return mCount; }
  Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                         Steinberg::Vst::ParamValue& value) override;
  Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset, Steinberg::Vst::ParamValue value,
                                         Steinberg::int32& index) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return mRefs.Add(); }
  Steinberg::uint32 PLUGIN_API release() override { return mRefs.Remove(); }

 private:
  Steinberg::Vst::ParamID mId = 0;
  Steinberg::int32 mCount = 0;
  Steinberg::int32 mOffsets[kMaxPoints] = {};
  Steinberg::Vst::ParamValue mValues[kMaxPoints] = {};
  HostOwnedRefCount mRefs;
};

/// The parameter changes of one process call, for up to a fixed number of
/// parameters reserved at construction.
class ParameterChanges final : public Steinberg::Vst::IParameterChanges {
 public:
  explicit ParameterChanges(int maxParameters = 64) : mQueues(static_cast<size_t>(maxParameters)) {}

  /// Empties the list (before each block).
  void Clear() { mUsed = 0; }
  /// Adds one value at sample offset 0 (a host's simplest automation).
  bool Add(Steinberg::Vst::ParamID id, double normalized, int sampleOffset = 0);

  Steinberg::int32 PLUGIN_API getParameterCount() override { return mUsed; }
  Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
  Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                Steinberg::int32& index) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return mRefs.Add(); }
  Steinberg::uint32 PLUGIN_API release() override { return mRefs.Remove(); }

 private:
  std::vector<ParamValueQueue> mQueues;
  Steinberg::int32 mUsed = 0;
  HostOwnedRefCount mRefs;
};

/// A key-value list, as hosts pass with channel-context reports.
class AttributeList final : public Steinberg::Vst::IAttributeList {
 public:
  /// Some hosts read getString's size as code units rather than bytes.
  explicit AttributeList(bool stringSizeInUnits = false) : mStringSizeInUnits(stringSizeInUnits) {}

  Steinberg::tresult PLUGIN_API setInt(AttrID id, Steinberg::int64 value) override;
  Steinberg::tresult PLUGIN_API getInt(AttrID id, Steinberg::int64& value) override;
  Steinberg::tresult PLUGIN_API setFloat(AttrID id, double value) override;
  Steinberg::tresult PLUGIN_API getFloat(AttrID id, double& value) override;
  Steinberg::tresult PLUGIN_API setString(AttrID id, const Steinberg::Vst::TChar* string) override;
  Steinberg::tresult PLUGIN_API getString(AttrID id, Steinberg::Vst::TChar* string,
                                          Steinberg::uint32 sizeInBytes) override;
  Steinberg::tresult PLUGIN_API setBinary(AttrID id, const void* data, Steinberg::uint32 sizeInBytes) override;
  Steinberg::tresult PLUGIN_API getBinary(AttrID id, const void*& data, Steinberg::uint32& sizeInBytes) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return mRefs.Add(); }
  Steinberg::uint32 PLUGIN_API release() override { return mRefs.Remove(); }

 private:
  std::map<std::string, Steinberg::int64> mInts;
  std::map<std::string, double> mFloats;
  std::map<std::string, std::u16string> mStrings;
  std::map<std::string, std::vector<uint8_t>> mBinaries;
  bool mStringSizeInUnits;
  HostOwnedRefCount mRefs;
};

/// The host as the plug-in sees it: its application object (the context
/// passed to initialize) and the component handler that receives the
/// plug-in's own edits, which it records.
///
/// Threads: edits may arrive on any plug-in thread; the record is locked.
class HostApplication final : public Steinberg::Vst::IHostApplication, public Steinberg::Vst::IComponentHandler {
 public:
  struct Edit {
    enum class Kind { Begin, Perform, End } kind;
    Steinberg::Vst::ParamID id;
    double value;
  };

  explicit HostApplication(std::string name = "relaycaster-host") : mName(std::move(name)) {}

  /// The object to pass to initialize as the host context.
  Steinberg::FUnknown* Context() { return static_cast<Steinberg::Vst::IHostApplication*>(this); }
  std::vector<Edit> Edits() const;
  int RestartRequests() const;

  // IHostApplication
  Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
  Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID cid, Steinberg::TUID iid, void** obj) override;
  // IComponentHandler
  Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value) override;
  Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return mRefs.Add(); }
  Steinberg::uint32 PLUGIN_API release() override { return mRefs.Remove(); }
  /// References the plug-in still holds (0 once it has let go of the host).
  Steinberg::uint32 References() const { return mRefs.Count(); }

 private:
  void Record(Edit edit);

  std::string mName;
  mutable std::mutex mMutex;
  std::vector<Edit> mEdits;  // guarded by mMutex
  int mRestarts = 0;         // guarded by mMutex
  HostOwnedRefCount mRefs;
};

/// UTF-16 <-> UTF-8 for host-side texts.
std::string ToUtf8(const Steinberg::Vst::TChar* text, size_t maxUnits);
std::u16string ToUtf16(const std::string& text);

}  // namespace vst3host
