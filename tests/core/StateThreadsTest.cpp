// A preset being taken or applied on the user-interface thread while the
// host saves or restores its project on another thread: the project's
// chunk keeps the passphrase both ways.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "core/Relaycaster.h"

namespace relaycaster {
namespace {

using framework::ByteChunk;

bool contains(const ByteChunk& chunk, const std::string& text) {
  return std::string(reinterpret_cast<const char*>(chunk.Data()), chunk.Size()).find(text) != std::string::npos;
}

TEST(StateAcrossThreads, AProjectSavedDuringAPresetSaveKeepsThePassphrase) {
  Relaycaster plugin;
  plugin.SetSrtText(kSrtPassphraseField, "secret passphrase");
  ByteChunk project;
  plugin.SetForPresetFile(true);  // the preset code is between raise and lower
  std::thread host([&] { EXPECT_TRUE(plugin.SaveStateChunk(project)); });
  host.join();
  ByteChunk preset;
  EXPECT_TRUE(plugin.SaveStateChunk(preset));
  plugin.SetForPresetFile(false);

  EXPECT_TRUE(contains(project, "secret passphrase"));
  EXPECT_FALSE(contains(preset, "secret passphrase"));
}

TEST(StateAcrossThreads, AProjectRestoredDuringAPresetLoadBringsItsPassphrase) {
  Relaycaster source;
  source.SetSrtText(kSrtPassphraseField, "the project's passphrase");
  ByteChunk project;
  ASSERT_TRUE(source.SaveStateChunk(project));

  Relaycaster plugin;
  plugin.SetSrtText(kSrtPassphraseField, "an older passphrase");
  plugin.SetForPresetFile(true);
  std::thread host([&] { EXPECT_GT(plugin.LoadStateChunk(project, 0), 0); });
  host.join();
  plugin.SetForPresetFile(false);

  EXPECT_EQ(plugin.GetSrtText(kSrtPassphraseField), "the project's passphrase");
}

}  // namespace
}  // namespace relaycaster
