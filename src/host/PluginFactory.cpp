#include "host/PluginFactory.h"

#include <cstring>

#include "framework/vst3/Utf16.h"

namespace relaycaster::host {

using namespace Steinberg;

namespace {

template <size_t N>
void CopyText(char8 (&to)[N], const char* from) {
  std::memset(to, 0, N);
  if (from) std::strncpy(to, from, N - 1);
}

template <size_t N>
void CopyText(char16 (&to)[N], const char* from) {
  framework::vst3::Utf8ToUtf16(from ? from : "", to, static_cast<int>(N));
}

}  // namespace

PluginFactory::PluginFactory(const FactoryDescription& factory, const ClassDescription& cls)
    : mFactory(factory), mClass(cls) {}

tresult PLUGIN_API PluginFactory::getFactoryInfo(PFactoryInfo* info) {
  if (!info) return kInvalidArgument;
  CopyText(info->vendor, mFactory.vendor);
  CopyText(info->url, mFactory.url);
  CopyText(info->email, mFactory.email);
  info->flags = mFactory.flags;
  return kResultOk;
}

int32 PLUGIN_API PluginFactory::countClasses() { return 1; }

tresult PLUGIN_API PluginFactory::getClassInfo(int32 index, PClassInfo* info) {
  if (!info || index != 0) return kInvalidArgument;
  std::memcpy(info->cid, mClass.classId, sizeof(TUID));
  info->cardinality = mClass.cardinality;
  CopyText(info->category, mClass.category);
  CopyText(info->name, mClass.name);
  return kResultOk;
}

tresult PLUGIN_API PluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
  if (!info || index != 0) return kInvalidArgument;
  FillClassInfo(*info);
  return kResultOk;
}

tresult PLUGIN_API PluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
  if (!info || index != 0) return kInvalidArgument;
  FillClassInfo(*info);
  return kResultOk;
}

// The same fields in PClassInfo2 (8-bit text) and PClassInfoW (UTF-16);
// CopyText converts as the field needs.
template <typename Info>
void PluginFactory::FillClassInfo(Info& info) const {
  std::memcpy(info.cid, mClass.classId, sizeof(TUID));
  info.cardinality = mClass.cardinality;
  CopyText(info.category, mClass.category);
  CopyText(info.name, mClass.name);
  info.classFlags = mClass.classFlags;
  CopyText(info.subCategories, mClass.subCategories);
  CopyText(info.vendor, mClass.vendor);
  CopyText(info.version, mClass.version);
  CopyText(info.sdkVersion, mClass.sdkVersion);
}

tresult PLUGIN_API PluginFactory::createInstance(FIDString cid, FIDString iid, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (!cid || !iid) return kInvalidArgument;
  if (std::memcmp(cid, mClass.classId, sizeof(TUID)) != 0) return kNoInterface;
  FUnknown* instance = mClass.create();
  if (!instance) return kOutOfMemory;
  TUID wanted;
  std::memcpy(wanted, iid, sizeof wanted);
  const tresult result = instance->queryInterface(wanted, obj);
  instance->release();  // the host's reference, if any, is the one queryInterface added
  return result;
}

tresult PLUGIN_API PluginFactory::setHostContext(FUnknown* /*context*/) { return kResultOk; }

tresult PLUGIN_API PluginFactory::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(iid, IPluginFactory3::iid) || FUnknownPrivate::iidEqual(iid, IPluginFactory2::iid) ||
      FUnknownPrivate::iidEqual(iid, IPluginFactory::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    addRef();
    *obj = static_cast<IPluginFactory3*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API PluginFactory::addRef() {
  return mRefCount.fetch_add(1, std::memory_order_relaxed) + 1;  // taking a reference needs no ordering
}

uint32 PLUGIN_API PluginFactory::release() {
  // acq_rel: every use by other threads happens before the deletion.
  const uint32 left = mRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

}  // namespace relaycaster::host
