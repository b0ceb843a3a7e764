#include "HostObjects.h"

#include <algorithm>
#include <cstring>

namespace vst3host {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

/// Answers queryInterface for a host-owned object that offers `Interface`
/// (and FUnknown through it).
template <class Interface, class Object>
tresult Answer(Object* object, const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(iid, Interface::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    object->addRef();
    *obj = static_cast<Interface*>(object);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

}  // namespace

// --- MemoryStream ------------------------------------------------------------

tresult PLUGIN_API MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
  if (numBytesRead) *numBytesRead = 0;
  if (!buffer || numBytes < 0) return kInvalidArgument;
  const int64 available = std::max<int64>(0, static_cast<int64>(mBytes.size()) - mPosition);
  const int64 count = std::min<int64>(numBytes, available);
  if (count > 0) std::memcpy(buffer, mBytes.data() + mPosition, static_cast<size_t>(count));
  mPosition += count;
  if (numBytesRead) *numBytesRead = static_cast<int32>(count);
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
  if (numBytesWritten) *numBytesWritten = 0;
  if (!buffer || numBytes < 0) return kInvalidArgument;
  const size_t end = static_cast<size_t>(mPosition) + static_cast<size_t>(numBytes);
  if (end > mBytes.size()) mBytes.resize(end);
  std::memcpy(mBytes.data() + mPosition, buffer, static_cast<size_t>(numBytes));
  mPosition = static_cast<int64>(end);
  if (numBytesWritten) *numBytesWritten = numBytes;
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::seek(int64 pos, int32 mode, int64* result) {
  int64 target = pos;
  if (mode == kIBSeekCur) target += mPosition;
  else if (mode == kIBSeekEnd) target += static_cast<int64>(mBytes.size());
  else if (mode != kIBSeekSet) return kInvalidArgument;
  if (target < 0) return kResultFalse;
  mPosition = target;
  if (result) *result = mPosition;
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::tell(int64* pos) {
  if (!pos) return kInvalidArgument;
  *pos = mPosition;
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::getStreamSize(int64& size) {
  size = static_cast<int64>(mBytes.size());
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::setStreamSize(int64 size) {
  if (size < 0) return kInvalidArgument;
  mBytes.resize(static_cast<size_t>(size));
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::queryInterface(const TUID iid, void** obj) {
  if (obj && FUnknownPrivate::iidEqual(iid, ISizeableStream::iid)) {
    addRef();
    *obj = static_cast<ISizeableStream*>(this);
    return kResultOk;
  }
  return Answer<IBStream>(this, iid, obj);
}

// --- parameter changes ---------------------------------------------------------

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
  if (index < 0 || index >= mCount) return kInvalidArgument;
  sampleOffset = mOffsets[index];
  value = mValues[index];
  return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
  if (mCount >= kMaxPoints) return kResultFalse;
  index = mCount++;
  mOffsets[index] = sampleOffset;
  mValues[index] = value;
  return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::queryInterface(const TUID iid, void** obj) {
  return Answer<IParamValueQueue>(this, iid, obj);
}

bool ParameterChanges::Add(ParamID id, double normalized, int sampleOffset) {
  int32 index = 0;
  IParamValueQueue* queue = addParameterData(id, index);
  int32 point = 0;
  return queue && queue->addPoint(sampleOffset, normalized, point) == kResultOk;
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index) {
  if (index < 0 || index >= mUsed) return nullptr;
  return &mQueues[static_cast<size_t>(index)];
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index) {
  for (int32 i = 0; i < mUsed; ++i) {
    if (mQueues[static_cast<size_t>(i)].getParameterId() == id) {
      index = i;
      return &mQueues[static_cast<size_t>(i)];
    }
  }
  if (mUsed >= static_cast<int32>(mQueues.size())) return nullptr;
  index = mUsed++;
  mQueues[static_cast<size_t>(index)].Reset(id);
  return &mQueues[static_cast<size_t>(index)];
}

tresult PLUGIN_API ParameterChanges::queryInterface(const TUID iid, void** obj) {
  return Answer<IParameterChanges>(this, iid, obj);
}

// --- AttributeList -------------------------------------------------------------

tresult PLUGIN_API AttributeList::setInt(AttrID id, int64 value) {
  if (!id) return kInvalidArgument;
  mInts[id] = value;
  return kResultOk;
}

tresult PLUGIN_API AttributeList::getInt(AttrID id, int64& value) {
  const auto found = id ? mInts.find(id) : mInts.end();
  if (found == mInts.end()) return kResultFalse;
  value = found->second;
  return kResultOk;
}

tresult PLUGIN_API AttributeList::setFloat(AttrID id, double value) {
  if (!id) return kInvalidArgument;
  mFloats[id] = value;
  return kResultOk;
}

tresult PLUGIN_API AttributeList::getFloat(AttrID id, double& value) {
  const auto found = id ? mFloats.find(id) : mFloats.end();
  if (found == mFloats.end()) return kResultFalse;
  value = found->second;
  return kResultOk;
}

tresult PLUGIN_API AttributeList::setString(AttrID id, const TChar* string) {
  if (!id || !string) return kInvalidArgument;
  std::u16string text;
  for (const TChar* c = string; *c; ++c) text += static_cast<char16_t>(*c);
  mStrings[id] = std::move(text);
  return kResultOk;
}

tresult PLUGIN_API AttributeList::getString(AttrID id, TChar* string, uint32 sizeInBytes) {
  const auto found = id ? mStrings.find(id) : mStrings.end();
  if (found == mStrings.end() || !string || sizeInBytes < sizeof(TChar)) return kResultFalse;
  const size_t capacity = mStringSizeInUnits ? sizeInBytes : sizeInBytes / sizeof(TChar);
  const size_t count = std::min(found->second.size(), capacity - 1);
  for (size_t i = 0; i < count; ++i) string[i] = static_cast<TChar>(found->second[i]);
  string[count] = 0;
  return kResultOk;
}

tresult PLUGIN_API AttributeList::setBinary(AttrID id, const void* data, uint32 sizeInBytes) {
  if (!id || (!data && sizeInBytes > 0)) return kInvalidArgument;
  const auto* bytes = static_cast<const uint8_t*>(data);
  mBinaries[id].assign(bytes, bytes + sizeInBytes);
  return kResultOk;
}

tresult PLUGIN_API AttributeList::getBinary(AttrID id, const void*& data, uint32& sizeInBytes) {
  const auto found = id ? mBinaries.find(id) : mBinaries.end();
  if (found == mBinaries.end()) return kResultFalse;
  data = found->second.data();
  sizeInBytes = static_cast<uint32>(found->second.size());
  return kResultOk;
}

tresult PLUGIN_API AttributeList::queryInterface(const TUID iid, void** obj) {
  return Answer<IAttributeList>(this, iid, obj);
}

// --- HostApplication -------------------------------------------------------------

std::vector<HostApplication::Edit> HostApplication::Edits() const {
  std::lock_guard lock(mMutex);
  return mEdits;
}

int HostApplication::RestartRequests() const {
  std::lock_guard lock(mMutex);
  return mRestarts;
}

void HostApplication::Record(Edit edit) {
  std::lock_guard lock(mMutex);
  mEdits.push_back(edit);
}

tresult PLUGIN_API HostApplication::getName(String128 name) {
  if (!name) return kInvalidArgument;
  const std::u16string text = ToUtf16(mName);
  const size_t count = std::min<size_t>(text.size(), 127);
  for (size_t i = 0; i < count; ++i) name[i] = static_cast<TChar>(text[i]);
  name[count] = 0;
  return kResultOk;
}

tresult PLUGIN_API HostApplication::createInstance(TUID /*cid*/, TUID /*iid*/, void** obj) {
  if (obj) *obj = nullptr;
  return kResultFalse;  // this host makes no messages or attribute lists for plug-ins
}

tresult PLUGIN_API HostApplication::beginEdit(ParamID id) {
  Record({Edit::Kind::Begin, id, 0.0});
  return kResultOk;
}

tresult PLUGIN_API HostApplication::performEdit(ParamID id, ParamValue value) {
  Record({Edit::Kind::Perform, id, value});
  return kResultOk;
}

tresult PLUGIN_API HostApplication::endEdit(ParamID id) {
  Record({Edit::Kind::End, id, 0.0});
  return kResultOk;
}

tresult PLUGIN_API HostApplication::restartComponent(int32 /*flags*/) {
  std::lock_guard lock(mMutex);
  ++mRestarts;
  return kResultOk;
}

tresult PLUGIN_API HostApplication::queryInterface(const TUID iid, void** obj) {
  if (obj && FUnknownPrivate::iidEqual(iid, IComponentHandler::iid)) {
    addRef();
    *obj = static_cast<IComponentHandler*>(this);
    return kResultOk;
  }
  return Answer<IHostApplication>(this, iid, obj);
}

// --- text ------------------------------------------------------------------------

std::string ToUtf8(const TChar* text, size_t maxUnits) {
  std::string out;
  for (size_t i = 0; text && i < maxUnits && text[i] != 0; ++i) {
    char32_t cp = static_cast<char16_t>(text[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < maxUnits) {
      const char32_t low = static_cast<char16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00), ++i;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::u16string ToUtf16(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const int extra = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
    char32_t cp = extra == 0 ? byte : byte & (0x3F >> extra);
    for (int k = 1; k <= extra && i + static_cast<size_t>(k) < text.size(); ++k)
      cp = cp << 6 | (static_cast<unsigned char>(text[i + static_cast<size_t>(k)]) & 0x3F);
    i += static_cast<size_t>(extra) + 1;
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

}  // namespace vst3host
