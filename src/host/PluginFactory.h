#pragma once

#include <atomic>

#include "pluginterfaces/base/ipluginbase.h"

namespace relaycaster::host {

/// What the factory tells the host about its maker.
struct FactoryDescription {
  const char* vendor;
  const char* url;
  const char* email;
  Steinberg::int32 flags;
};

/// The one class the factory offers.
struct ClassDescription {
  Steinberg::TUID classId;
  Steinberg::int32 cardinality;
  const char* category;
  const char* name;
  Steinberg::uint32 classFlags;
  const char* subCategories;
  const char* vendor;
  const char* version;
  const char* sdkVersion;
  /// Makes a new instance with one reference, or nullptr.
  Steinberg::FUnknown* (*create)();
};

/// The module's class factory: describes one class and creates instances
/// of it. Strings are copied into the host's records truncated to their
/// fields and always terminated.
///
/// Threads: any; the description is constant and creation is the create
/// function's business.
class PluginFactory final : public Steinberg::IPluginFactory3 {
 public:
  /// Starts with one reference.
  PluginFactory(const FactoryDescription& factory, const ClassDescription& cls);

  // IPluginFactory
  Steinberg::tresult PLUGIN_API getFactoryInfo(Steinberg::PFactoryInfo* info) override;
  Steinberg::int32 PLUGIN_API countClasses() override;
  Steinberg::tresult PLUGIN_API getClassInfo(Steinberg::int32 index, Steinberg::PClassInfo* info) override;
  Steinberg::tresult PLUGIN_API createInstance(Steinberg::FIDString cid, Steinberg::FIDString iid, void** obj) override;
  // IPluginFactory2
  Steinberg::tresult PLUGIN_API getClassInfo2(Steinberg::int32 index, Steinberg::PClassInfo2* info) override;
  // IPluginFactory3
  Steinberg::tresult PLUGIN_API getClassInfoUnicode(Steinberg::int32 index, Steinberg::PClassInfoW* info) override;
  Steinberg::tresult PLUGIN_API setHostContext(Steinberg::FUnknown* context) override;

  // FUnknown
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override;
  Steinberg::uint32 PLUGIN_API release() override;

 private:
  ~PluginFactory() = default;  // through release() only
  template <typename Info>
  void FillClassInfo(Info& info) const;

  const FactoryDescription& mFactory;
  const ClassDescription& mClass;
  std::atomic<Steinberg::uint32> mRefCount{1};
};

}  // namespace relaycaster::host
