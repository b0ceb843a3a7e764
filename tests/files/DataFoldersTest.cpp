#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "files/DataFolders.h"
#include "files/FileHelpers.h"

namespace relaycaster {
namespace {

/// Sets or clears environment variables for one test and puts them back.
class Environment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"XDG_DATA_HOME", "HOME"}) {
      const char* value = getenv(name);
      mSaved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : mSaved) set(name.c_str(), value ? value->c_str() : nullptr);
  }
  static void set(const char* name, const char* value) {
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> mSaved;
};

TEST_F(Environment, XdgDataHomeComesFirstWhenAbsolute) {
  set("XDG_DATA_HOME", "/data/home");
  set("HOME", "/home/someone");
  EXPECT_EQ(LocalAppDataFolder(), "/data/home");
  EXPECT_EQ(PresetsFolder(), "/data/home/Relaycaster/Presets");
  EXPECT_EQ(SharedDataFolder(), "/data/home/Brightwold/Shared");
}

TEST_F(Environment, RelativeOrEmptyXdgDataHomeFallsBackToHome) {
  set("HOME", "/home/someone");
  for (const char* xdg : {"relative/data", ""}) {
    set("XDG_DATA_HOME", xdg);
    EXPECT_EQ(PresetsFolder(), "/home/someone/.local/share/Relaycaster/Presets");
  }
  set("XDG_DATA_HOME", nullptr);
  EXPECT_EQ(SharedDataFolder(), "/home/someone/.local/share/Brightwold/Shared");
}

TEST_F(Environment, WithoutAnAbsoluteFolderThereIsNoDataFolderAndNothingIsWritten) {
  set("XDG_DATA_HOME", nullptr);
  for (const char* home : {"relative-home", static_cast<const char*>(nullptr)}) {
    set("HOME", home);
    EXPECT_TRUE(LocalAppDataFolder().empty());
    EXPECT_TRUE(PresetsFolder().empty());
    EXPECT_TRUE(SharedDataFolder().empty());
  }
  std::string error;
  EXPECT_FALSE(WriteAtomically(SharedDataFolder() / "updates.json", "{}"));
  EXPECT_FALSE(WriteViaPartialFile(PresetsFolder() / "Warm.rlcpreset", "x", error));
  EXPECT_EQ(error, "could not write Warm.rlcpreset");
  EXPECT_FALSE(std::filesystem::exists("updates.json"));
  EXPECT_FALSE(std::filesystem::exists("Warm.rlcpreset"));
}

}  // namespace
}  // namespace relaycaster
