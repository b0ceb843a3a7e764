#pragma once

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <memory>
#include <string>
#include <thread>

#include "Vst3Bundle.h"
#include "support/ProcessThreads.h"

namespace hosttest {

inline const std::string kBundlePath = RELAYCASTER_VST3_BUNDLE_PATH;

/// The built Relaycaster.vst3 loaded through the test host library, with
/// one instance initialised by a recording host.
class BundleFixture : public ::testing::Test {
 protected:
  // The module stays mapped for the whole test program: these tests look
  // at one loaded module, and unloading is the lifetime tests' business.
  static void SetUpTestSuite() {
    dlopen(vst3host::Vst3Module::ModulePathInBundle(kBundlePath).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  }

  void SetUp() override {
    std::string error;
    module = vst3host::Vst3Module::Load(kBundlePath, error);
    ASSERT_TRUE(module) << error;
    const auto classes = module->Classes();
    ASSERT_EQ(classes.size(), 1u);
    cls = classes[0];
    instance = vst3host::Vst3Instance::Create(module, cls, host, error);
    ASSERT_TRUE(instance) << error;
  }
  void TearDown() override {
    instance.reset();
    module.reset();
  }

  std::unique_ptr<vst3host::Vst3Instance> NewInstance() {
    std::string error;
    auto created = vst3host::Vst3Instance::Create(module, cls, host, error);
    EXPECT_TRUE(created) << error;
    return created;
  }

  vst3host::HostApplication host;
  std::shared_ptr<vst3host::Vst3Module> module;
  vst3host::ClassInfo cls;
  std::unique_ptr<vst3host::Vst3Instance> instance;
};

using testsupport::ThreadCount;

}  // namespace hosttest
