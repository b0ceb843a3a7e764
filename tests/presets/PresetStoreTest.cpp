#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "files/TempFolder.h"
#include "presets/PresetStore.h"

namespace relaycaster {
namespace {

using testsupport::FolderNames;
using testsupport::ReadTestFile;
using testsupport::TempFolder;
using testsupport::WriteTestFile;

using Bytes = std::vector<uint8_t>;

std::string FileStemOf(const std::filesystem::path& path) { return path.stem().string(); }

struct ReadResult {
  bool ok;
  Preset preset;
  std::string error;
};
ReadResult Read(const std::filesystem::path& path) {
  ReadResult result{};
  result.ok = ReadPreset(path, result.preset, result.error);
  return result;
}

TEST(PresetFile, TheFortyTwoByteExample) {
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(WritePreset(folder.path(), "Warm", {1, 2, 3}, error));
  const auto text = ReadTestFile(folder / "Warm.rlcpreset");
  EXPECT_EQ(text, "Relaycaster preset 1\nname=Warm\nstate=AQID\n");
  EXPECT_EQ(text->size(), 42u);
  const ReadResult read = Read(folder / "Warm.rlcpreset");
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.preset.name, "Warm");
  EXPECT_EQ(read.preset.state, (Bytes{1, 2, 3}));
  EXPECT_EQ(read.preset.path, folder / "Warm.rlcpreset");
}

TEST(PresetFile, TheReaderIsTolerantAboutLayout) {
  TempFolder folder;
  WriteTestFile(folder / "a.rlcpreset", "Relaycaster preset 1\r\n\r\nstate=AQID\r\nno equals sign\r\ncolour=red\r\nname=First\r\nname=Second\r\n");
  ReadResult read = Read(folder / "a.rlcpreset");
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.preset.name, "Second");
  EXPECT_EQ(read.preset.state, (Bytes{1, 2, 3}));

  // No name line: the file name's stem; no final LF is fine too.
  WriteTestFile(folder / "Stem Name.rlcpreset", "Relaycaster preset 1\nstate=AQID");
  read = Read(folder / "Stem Name.rlcpreset");
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.preset.name, "Stem Name");

  // Keys and values are taken exactly: " name" is another key, "=" in a value stays.
  WriteTestFile(folder / "b.rlcpreset", "Relaycaster preset 1\n name=Ignored\nname=a=b \nNAME=x\nstate=AQID\n");
  read = Read(folder / "b.rlcpreset");
  EXPECT_EQ(read.preset.name, "a=b ");
}

TEST(PresetFile, OnlyTheExactHeaderMakesAPreset) {
  TempFolder folder;
  const char* bodies[] = {"Relaycaster preset 1 \nstate=AQID\n", "relaycaster preset 1\nstate=AQID\n",
                          "Relaycaster preset 2\nstate=AQID\n", "\nRelaycaster preset 1\nstate=AQID\n",
                          "\xEF\xBB\xBFRelaycaster preset 1\nstate=AQID\n", ""};
  for (const char* body : bodies) {
    WriteTestFile(folder / "Bad.rlcpreset", body);
    const ReadResult read = Read(folder / "Bad.rlcpreset");
    EXPECT_FALSE(read.ok) << body;
    EXPECT_EQ(read.error, "not an Relaycaster preset: Bad.rlcpreset");
  }
  EXPECT_EQ(Read(folder / "Missing.rlcpreset").error, "not an Relaycaster preset: Missing.rlcpreset");
  std::filesystem::create_directory(folder / "Folder.rlcpreset");
  EXPECT_EQ(Read(folder / "Folder.rlcpreset").error, "not an Relaycaster preset: Folder.rlcpreset");
}

TEST(PresetFile, AFileOverOneMebibyteIsNotReadAtAll) {
  // A real preset is a few hundred bytes; a huge file that only carries the
  // extension (or one long line) must not be pulled into memory at every
  // listing.
  TempFolder folder;
  const std::string preset = "Relaycaster preset 1\nstate=AQID\n";
  const auto padded = [&](size_t size) { return preset + "x" + std::string(size - preset.size() - 2, '=') + "\n"; };
  WriteTestFile(folder / "Largest.rlcpreset", padded(kPresetStore.maxFileBytes));
  EXPECT_TRUE(Read(folder / "Largest.rlcpreset").ok);
  WriteTestFile(folder / "Big.rlcpreset", padded(kPresetStore.maxFileBytes + 1));
  EXPECT_EQ(Read(folder / "Big.rlcpreset").error, "not an Relaycaster preset: Big.rlcpreset");
  WriteTestFile(folder / "Line.rlcpreset", std::string(kPresetStore.maxFileBytes + 1, 'R'));
  EXPECT_EQ(Read(folder / "Line.rlcpreset").error, "not an Relaycaster preset: Line.rlcpreset");
}

TEST(PresetFile, TheLastStateLineDecides) {
  TempFolder folder;
  const auto readWithStates = [&](const std::vector<std::string>& states) {
    std::string text = "Relaycaster preset 1\nname=Warm\n";
    for (const auto& state : states) text += "state=" + state + "\n";
    WriteTestFile(folder / "Warm.rlcpreset", text);
    return Read(folder / "Warm.rlcpreset");
  };
  for (const std::vector<std::string>& unreadable :
       {std::vector<std::string>{}, {"AQ ID"}, {"AQI"}, {"AQ==AQID"}, {""}, {"AQID", "AQ ID"}, {"AQID", ""}}) {
    const ReadResult read = readWithStates(unreadable);
    EXPECT_FALSE(read.ok) << ::testing::PrintToString(unreadable);
    EXPECT_EQ(read.error, "the preset has no readable state: Warm.rlcpreset");
  }
  const ReadResult read = readWithStates({"AQ ID", "AQI", "BAUG"});
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.preset.state, (Bytes{4, 5, 6}));
}

TEST(Base64, KnownVectorsAndRoundTrips) {
  const std::pair<std::string, std::string> vectors[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"}, {"\xFF\xFE\xFD", "//79"}, {"\xFB\xEF", "++8="}};
  for (const auto& [plain, encoded] : vectors) {
    const Bytes bytes(plain.begin(), plain.end());
    EXPECT_EQ(Base64Encode(bytes), encoded);
    EXPECT_EQ(Base64Decode(encoded), bytes) << encoded;
  }
  Bytes all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<uint8_t>(i));
  EXPECT_EQ(Base64Decode(Base64Encode(all)), all);
  EXPECT_EQ(Base64Decode("Zh=="), (Bytes{'f'}));  // unused low bits may be anything
}

TEST(Base64, StrictDecodingRefusesEverythingElse) {
  for (const char* bad : {"Zg=", "Zg", "Z===", "====", "Zg=a", "Z=g=", "Zm9v Zg==", "Zm9v\n", "Zg==Zm9v", "Zm8=Zm8=",
                          "Zm-v", "Zm_v", "Zm9v=", " Zm9v"}) {
    EXPECT_FALSE(Base64Decode(bad)) << bad;
  }
}

TEST(FileNameForName, ReplacesCutsTrimsAndAvoidsDeviceNames) {
  const std::filesystem::path folder = "/presets";
  const auto name = [&](std::string_view preset) { return FileNameForName(folder, preset).filename().string(); };
  EXPECT_EQ(FileNameForName(folder, "Warm"), "/presets/Warm.rlcpreset");
  EXPECT_EQ(name("Warm: live/mix"), "Warm- live-mix.rlcpreset");
  EXPECT_EQ(name("a\\b*c?d\"e<f>g|h\ti\x1Fj\x7Fk"), "a-b-c-d-e-f-g-h-i-j\x7Fk.rlcpreset");
  EXPECT_EQ(name(" . .. "), "Preset.rlcpreset");
  EXPECT_EQ(name(""), "Preset.rlcpreset");
  EXPECT_EQ(name(" .Warm. "), "Warm.rlcpreset");
  EXPECT_EQ(name("con.txt"), "con.txt-.rlcpreset");
  EXPECT_EQ(name("CON"), "CON-.rlcpreset");
  EXPECT_EQ(name("Aux.a.b"), "Aux.a.b-.rlcpreset");
  EXPECT_EQ(name("lpt9"), "lpt9-.rlcpreset");
  EXPECT_EQ(name("COM1"), "COM1-.rlcpreset");
  EXPECT_EQ(name("com10"), "com10.rlcpreset");
  EXPECT_EQ(name("COM0"), "COM0.rlcpreset");
  EXPECT_EQ(name("console"), "console.rlcpreset");
  EXPECT_EQ(name("Warm\nlive"), "Warm-live.rlcpreset");
}

TEST(FileNameForName, CutsAtEightyBytesWithoutSplittingACharacter) {
  std::string twoByte;
  for (int i = 0; i < 100; ++i) twoByte += "\xC3\xA9";  // é
  EXPECT_EQ(FileStemOf(FileNameForName("/p", twoByte)), twoByte.substr(0, 80));
  std::string threeByte;
  for (int i = 0; i < 30; ++i) threeByte += "\xE2\x82\xAC";  // €: 27 fit in 81 bytes, 26 in 78
  EXPECT_EQ(FileStemOf(FileNameForName("/p", threeByte)), threeByte.substr(0, 78));
  EXPECT_EQ(FileStemOf(FileNameForName("/p", std::string(79, 'a') + ". x")), std::string(79, 'a'));
}

TEST(PathForName, NamesSharingAFileNameGetNumberedFiles) {
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(WritePreset(folder.path(), "Warm?", {1}, error));
  ASSERT_TRUE(WritePreset(folder.path(), "Warm*", {2}, error));
  EXPECT_EQ(FolderNames(folder.path()), (std::vector<std::string>{"Warm--1.rlcpreset", "Warm-.rlcpreset"}));
  EXPECT_EQ(PathForName(folder.path(), "Warm?"), folder / "Warm-.rlcpreset");
  EXPECT_EQ(PathForName(folder.path(), "Warm*"), folder / "Warm--1.rlcpreset");
  // Saving again overwrites each one's own file; no further copies appear.
  ASSERT_TRUE(WritePreset(folder.path(), "Warm*", {3}, error));
  ASSERT_TRUE(WritePreset(folder.path(), "Warm?", {4}, error));
  EXPECT_EQ(FolderNames(folder.path()).size(), 2u);
  EXPECT_EQ(Read(folder / "Warm--1.rlcpreset").preset.state, (Bytes{3}));
  EXPECT_EQ(Read(folder / "Warm-.rlcpreset").preset.state, (Bytes{4}));
}

TEST(PathForName, UnreadableFilesAndFoldersAreSkippedNotOverwritten) {
  TempFolder folder;
  WriteTestFile(folder / "Warm.rlcpreset", "my notes");
  std::filesystem::create_directory(folder / "Warm-1.rlcpreset");
  WriteTestFile(folder / "Warm-2.rlcpreset", "Relaycaster preset 1\nname=Warm\nstate=\n");
  EXPECT_EQ(PathForName(folder.path(), "Warm"), folder / "Warm-3.rlcpreset");
  EXPECT_EQ(ReadTestFile(folder / "Warm.rlcpreset"), "my notes");
}

TEST(PathForName, APipeIsSkippedWithoutWaitingForAWriter) {
  TempFolder folder;
  const std::filesystem::path pipe = folder / "Warm.rlcpreset";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  auto found = std::async(std::launch::async, [&] { return PathForName(folder.path(), "Warm"); });
  if (found.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
    // A reader that opened the pipe waits for a writer: one that ends at
    // once lets it return, so the test fails instead of hanging.
    const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    ADD_FAILURE() << "looking at the pipe waited for a writer";
  }
  EXPECT_EQ(found.get(), folder / "Warm-1.rlcpreset");  // not a preset, so not ours
}

TEST(PathForName, WhenEveryCandidateIsTakenTheSaveFailsAndOverwritesNothing) {
  TempFolder folder;
  std::string error;
  WriteTestFile(folder / "Warm.rlcpreset", "Relaycaster preset 1\nname=Other\nstate=AQID\n");
  for (int k = 1; k <= 999; ++k) {
    WriteTestFile(folder / ("Warm-" + std::to_string(k) + ".rlcpreset"), "Relaycaster preset 1\nname=Other\nstate=AQID\n");
  }
  EXPECT_EQ(PathForName(folder.path(), "Warm"), std::nullopt);
  EXPECT_FALSE(WritePreset(folder.path(), "Warm", {9}, error));
  EXPECT_EQ(error, "could not write " + (folder / "Warm.rlcpreset").string() +
                       " (every file name for this preset is taken)");
  EXPECT_EQ(Read(folder / "Warm.rlcpreset").preset.name, "Other");
  EXPECT_EQ(Read(folder / "Warm-999.rlcpreset").preset.name, "Other");
  EXPECT_EQ(FolderNames(folder.path()).size(), 1000u);
}

TEST(WritePreset, NamesAreKeptWholeInsideTheFile) {
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(WritePreset(folder.path(), "Warm\r\nlive", {1}, error));
  EXPECT_EQ(ReadTestFile(folder / "Warm--live.rlcpreset"), "Relaycaster preset 1\nname=Warm  live\nstate=AQ==\n");

  std::string longName;
  for (int i = 0; i < 100; ++i) longName += "\xC3\xA9";
  ASSERT_TRUE(WritePreset(folder.path(), longName, {1}, error));
  const ReadResult read = Read(FileNameForName(folder.path(), longName));
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.preset.name, longName);
  EXPECT_EQ(FileStemOf(read.preset.path).size(), 80u);
}

TEST(WritePreset, NamesDifferingInCaseAreDifferentPresets) {
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(WritePreset(folder.path(), "Warm", {1}, error));
  ASSERT_TRUE(WritePreset(folder.path(), "WARM", {2}, error));
  const auto presets = ReadAllPresets(folder.path());
  ASSERT_EQ(presets.size(), 2u);
  EXPECT_EQ(presets[0].name, "WARM");
  EXPECT_EQ(presets[1].name, "Warm");
  EXPECT_NE(presets[0].path, presets[1].path);
}

TEST(ReadAllPresets, SortedByNameBytesWithUnreadableFilesLeftOut) {
  TempFolder folder;
  std::string error;
  for (const char* name : {"b", "\xC3\xA9t\xC3\xA9", "Warm 2", "a", "Warm", "Z"}) {
    ASSERT_TRUE(WritePreset(folder.path(), name, {1}, error));
  }
  WriteTestFile(folder / "junk.rlcpreset", "not a preset");
  WriteTestFile(folder / "other.txt", "Relaycaster preset 1\nname=Other\nstate=AQID\n");
  std::vector<std::string> names;
  for (const Preset& preset : ReadAllPresets(folder.path())) names.push_back(preset.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Warm", "Warm 2", "Z", "a", "b", "\xC3\xA9t\xC3\xA9"}));
  EXPECT_TRUE(std::filesystem::exists(folder / "junk.rlcpreset"));
  EXPECT_TRUE(ReadAllPresets(folder / "missing").empty());
  EXPECT_EQ(FindPresetByName(folder.path(), "Warm 2")->path, folder / "Warm 2.rlcpreset");
  EXPECT_FALSE(FindPresetByName(folder.path(), "warm"));
}

TEST(DeletePresetFile, ExplainsWithTheFileName) {
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(WritePreset(folder.path(), "Warm", {1}, error));
  EXPECT_TRUE(DeletePresetFile(folder / "Warm.rlcpreset", error));
  EXPECT_FALSE(DeletePresetFile(folder / "Warm.rlcpreset", error));
  EXPECT_EQ(error, "could not delete Warm.rlcpreset");
}

}  // namespace
}  // namespace relaycaster
