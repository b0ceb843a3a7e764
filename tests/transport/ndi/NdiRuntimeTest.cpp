#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "DoubleAccess.h"
#include "transport/ndi/NdiRuntime.h"

namespace relaycaster {
namespace {

using testing_ndi::doubleFolder;
using testing_ndi::doubleRecord;

const std::string kReinstall = "). Reinstall Relaycaster.";

TEST(NdiRuntime, LoadsAndInitialisesAWorkingRuntime) {
  const NdiRuntime runtime = NdiRuntime::loadFrom(doubleFolder("good"));
  ASSERT_TRUE(runtime.available()) << runtime.error();
  EXPECT_EQ(runtime.error(), "");
  EXPECT_STREQ(runtime.functions()->version(), "NDI runtime double");
  EXPECT_GE(doubleRecord(doubleFolder("good")).initializeCalls, 1);

  // The folder may be given without its final separator.
  std::string folder = doubleFolder("good");
  folder.pop_back();
  EXPECT_TRUE(NdiRuntime::loadFrom(folder).available());
}

TEST(NdiRuntime, AMissingLibraryNamesThePathTriedAndTheSystemError) {
  const std::string path = doubleFolder("missing") + "libndi.so.6";
  const NdiRuntime runtime = NdiRuntime::loadFrom(doubleFolder("missing"));
  EXPECT_FALSE(runtime.available());
  EXPECT_EQ(runtime.functions(), nullptr);
  const std::string& error = runtime.error();
  const std::string start = "The NDI runtime inside Relaycaster could not be loaded (" + path + ", error ";
  EXPECT_EQ(error.rfind(start, 0), 0u) << error;
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
  ASSERT_GE(error.size(), kReinstall.size());
  EXPECT_EQ(error.substr(error.size() - kReinstall.size()), kReinstall);
}

TEST(NdiRuntime, AFileThatIsNoLibraryIsReportedAsNotLoadable) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("relaycaster-ndi-garbage-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "libndi.so.6") << "not a shared object";
  const NdiRuntime runtime = NdiRuntime::loadFrom(folder.string());
  std::filesystem::remove_all(folder);

  const std::string start = "The NDI runtime inside Relaycaster could not be loaded (" +
                            (folder / "libndi.so.6").string() + ", error ";
  EXPECT_FALSE(runtime.available());
  EXPECT_EQ(runtime.error().rfind(start, 0), 0u) << runtime.error();
}

TEST(NdiRuntime, EachLaterFailureHasItsOwnMessage) {
  struct Case {
    const char* variant;
    const char* message;
  };
  const Case cases[] = {
      {"old-generation", "The NDI runtime inside Relaycaster is not the version it was built for. Reinstall Relaycaster."},
      {"null-table", "The NDI runtime inside Relaycaster did not start. Reinstall Relaycaster."},
      {"unsupported-cpu", "This computer's processor is not one NDI supports."},
      {"init-fails", "NDI could not start on this computer."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.variant);
    const NdiRuntime runtime = NdiRuntime::loadFrom(doubleFolder(c.variant));
    EXPECT_FALSE(runtime.available());
    EXPECT_EQ(runtime.functions(), nullptr);
    EXPECT_EQ(runtime.error(), c.message);
  }
  // The processor check comes before initialisation.
  EXPECT_EQ(doubleRecord(doubleFolder("unsupported-cpu")).initializeCalls, 0);
  EXPECT_EQ(doubleRecord(doubleFolder("init-fails")).initializeCalls, 1);
}

TEST(NdiRuntime, TheProcessWideRuntimeIsLookedForBesideTheModuleHoldingTheLoader) {
  // The probe module sits beside the double whose initialisation fails;
  // this program's own folder has no runtime at all.
  const std::string probe = doubleFolder("init-fails") + "libndi_module_probe.so";
  void* module = dlopen(probe.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  auto error = reinterpret_cast<const char* (*)()>(dlsym(module, "ndi_module_probe_error"));
  ASSERT_NE(error, nullptr);
  EXPECT_STREQ(error(), "NDI could not start on this computer.");
}

}  // namespace
}  // namespace relaycaster
