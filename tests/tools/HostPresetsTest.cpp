// relaycaster-host's presets: saved from the command line, listed, and
// applied before streaming, through the bundle and through the linked-in
// class alike. Each test keeps its presets in a folder of its own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "SrtTextsInState.h"
#include "framework/ByteChunk.h"
#include "presets/PresetStore.h"
#include "support/Subprocess.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ProcessResult;
using testsupport::Subprocess;

class HostPresets : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/relaycaster-presets-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mDataHome = pattern;
    mPreviousDataHome = getenv("XDG_DATA_HOME") ? getenv("XDG_DATA_HOME") : "";
    setenv("XDG_DATA_HOME", pattern, 1);  // the host inherits it
  }
  void TearDown() override {
    setenv("XDG_DATA_HOME", mPreviousDataHome.c_str(), 1);
    std::error_code ignored;
    std::filesystem::remove_all(mDataHome, ignored);
  }

  static ProcessResult host(std::vector<std::string> args) {
    args.insert(args.begin(), {RELAYCASTER_HOST_BINARY, "--set", "NDI=off"});
    return Subprocess::run(args, 20s);
  }
  std::filesystem::path presets() const { return mDataHome / "Relaycaster" / "Presets"; }
  std::vector<uint8_t> stateAfter(std::vector<std::string> args) {
    const std::string file = (mDataHome / "state.bin").string();
    args.insert(args.end(), {"--seconds", "0.2", "--state-out", file});
    const ProcessResult run = host(args);
    EXPECT_TRUE(run.succeeded()) << run.describe();
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::filesystem::path mDataHome;
  std::string mPreviousDataHome;
};

TEST_F(HostPresets, SavedFromTheCommandLineWithoutThePassphrase) {
  const ProcessResult saved = host({"--set", "SRT port=7101", "--set", "SRT codec=PCM", "--srt-host",
                                    "srt://studio.example?streamid=desk", "--srt-passphrase", "keep me secret",
                                    "--save-preset", "Studio A"});
  ASSERT_TRUE(saved.succeeded()) << saved.describe();
  const ProcessResult direct = host({"--direct", "--set", "SRT port=7102", "--save-preset", "Direct B"});
  ASSERT_TRUE(direct.succeeded()) << direct.describe();

  const std::vector<relaycaster::Preset> all = relaycaster::ReadAllPresets(presets());
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].name, "Direct B");
  EXPECT_EQ(all[1].name, "Studio A");
  const auto texts = relaycaster_host::readSrtTexts(all[1].state);
  ASSERT_TRUE(texts.has_value());
  EXPECT_EQ(texts->host, "studio.example");
  EXPECT_EQ(texts->streamId, "desk");
  EXPECT_EQ(texts->passphrase, "");

  const ProcessResult listed = host({"--list-presets"});
  ASSERT_TRUE(listed.succeeded()) << listed.describe();
  EXPECT_NE(listed.out.find("2 presets in " + presets().string() + "\n  Direct B\n  Studio A\n"), std::string::npos)
      << listed.out;
}

TEST_F(HostPresets, AppliedBeforeTheSettingsKeepingThePassphrase) {
  ASSERT_TRUE(host({"--set", "SRT port=7201", "--srt-host", "preset.example", "--save-preset", "Remote"}).succeeded());
  const std::string before = (mDataHome / "before.bin").string();
  std::vector<uint8_t> state = stateAfter({"--srt-host", "mine.example", "--srt-passphrase", "my own passphrase"});
  std::ofstream(before, std::ios::binary).write(reinterpret_cast<const char*>(state.data()), static_cast<std::streamsize>(state.size()));

  for (bool direct : {false, true}) {
    std::vector<std::string> args = {"--preset", "Remote", "--set", "SRT latency=300"};
    if (!direct) args.insert(args.begin(), {"--state-in", before});
    if (direct) args.insert(args.begin(), "--direct");
    if (direct) {
      // The linked-in class has no --state-in or --state-out: it shows the preset in its state line.
      args.insert(args.end(), {"--set", "SRT=on", "--set", "SRT mode=Listener", "--seconds", "1.2"});
      const ProcessResult run = host(args);
      ASSERT_TRUE(run.succeeded()) << run.describe();
      EXPECT_NE(run.out.find("Waiting for a receiver (on port 7201)"), std::string::npos) << run.out;
      continue;
    }
    const std::vector<uint8_t> after = stateAfter(args);
    const auto texts = relaycaster_host::readSrtTexts(after);
    ASSERT_TRUE(texts.has_value());
    EXPECT_EQ(texts->host, "preset.example");
    EXPECT_EQ(texts->passphrase, "my own passphrase");
  }
}

/// The current preset's name as a state records it (after the chunk's
/// 20-byte header).
std::string currentPresetIn(const std::vector<uint8_t>& state) {
  std::string name;
  return framework::ByteChunk(state).GetString(name, 20) < 0 ? "(unreadable)" : name;
}

TEST_F(HostPresets, TheBundleRecordsThePresetByItsNameAsTheLinkedInClassDoes) {
  ASSERT_TRUE(host({"--set", "SRT port=7301", "--save-preset", " Stage\t"}).succeeded());
  const std::vector<relaycaster::Preset> all = relaycaster::ReadAllPresets(presets());
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].name, "Stage");  // trimmed, as the plug-in's own save trims
  EXPECT_EQ(currentPresetIn(all[0].state), "Stage");
  EXPECT_EQ(currentPresetIn(stateAfter({"--preset", "Stage"})), "Stage");  // loading makes it current
}

TEST_F(HostPresets, UnknownNamesAndDamagedFilesAreRefused) {
  const ProcessResult missing = host({"--preset", "Nothing here"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("no preset named \"Nothing here\""), std::string::npos) << missing.err;

  std::filesystem::create_directories(presets());
  std::ofstream(presets() / "Broken.rlcpreset") << "Relaycaster preset 1\nname=Broken\nstate=AAAAAAAA\n";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--preset", "Broken"}, std::vector<std::string>{"--direct", "--preset", "Broken"}}) {
    const ProcessResult refused = host(args);
    EXPECT_EQ(refused.exitCode, 1) << args.front();
    EXPECT_NE(refused.err.find("does not hold an Relaycaster state"), std::string::npos) << refused.err;
  }
  EXPECT_EQ(host({"--save-preset", "  "}).exitCode, 2);
}

}  // namespace
