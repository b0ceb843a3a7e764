#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "files/FileHelpers.h"
#include "files/TempFolder.h"

namespace relaycaster {
namespace {

using testsupport::FolderNames;
using testsupport::ReadTestFile;
using testsupport::TempFolder;
using testsupport::WriteTestFile;

/// Makes every write past `bytes` fail with EFBIG in this process (the
/// test's own process: ctest runs each test alone), whoever runs it.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &mSaved);
    rlimit limit = mSaved;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &mSaved); }

 private:
  rlimit mSaved{};
};

TEST(WriteAtomically, CreatesTheFolderChainAndLeavesExactlyTheBytes) {
  TempFolder temp;
  const auto target = temp / "a" / "b" / "c" / "updates.json";
  ASSERT_TRUE(WriteAtomically(target, "first version, somewhat longer"));
  ASSERT_TRUE(WriteAtomically(target, std::string("new\0bytes", 9)));
  EXPECT_EQ(ReadTestFile(target), std::string("new\0bytes", 9));
  EXPECT_EQ(FolderNames(target.parent_path()), std::vector<std::string>{"updates.json"});
}

TEST(WriteAtomically, FailedWritesKeepTheTargetAndLeaveNoTemporaryFile) {
  TempFolder temp;
  const auto target = temp / "updates.json";
  WriteTestFile(target, "old");
  {
    FileSizeLimit limit(100);
    EXPECT_FALSE(WriteAtomically(target, std::string(1000, 'x')));
  }
  EXPECT_EQ(ReadTestFile(target), "old");
  EXPECT_EQ(FolderNames(temp.path()), std::vector<std::string>{"updates.json"});

  // The rename fails when the target is a folder that holds something.
  const auto folderTarget = temp / "taken";
  WriteTestFile(folderTarget / "inside", "x");
  EXPECT_FALSE(WriteAtomically(folderTarget, "bytes"));
  EXPECT_EQ(FolderNames(temp.path()), (std::vector<std::string>{"taken", "updates.json"}));

  // The folder cannot be created when a file stands in its place.
  EXPECT_FALSE(WriteAtomically(temp / "updates.json" / "below", "bytes"));
}

TEST(WriteAtomically, RefusesPathsThatAreNotAbsolute) {
  EXPECT_FALSE(WriteAtomically("relative-target-that-must-not-appear.json", "x"));
  EXPECT_FALSE(WriteAtomically("", "x"));
  EXPECT_FALSE(std::filesystem::exists("relative-target-that-must-not-appear.json"));
}

TEST(WriteViaPartialFile, ReplacesWholeAndExplainsFailuresWithTheFullPath) {
  TempFolder temp;
  const auto target = temp / "Presets" / "Warm.rlcpreset";
  std::string error = "untouched";
  ASSERT_TRUE(WriteViaPartialFile(target, "one", error));
  ASSERT_TRUE(WriteViaPartialFile(target, "two", error));
  EXPECT_EQ(error, "untouched");
  EXPECT_EQ(ReadTestFile(target), "two");
  EXPECT_EQ(FolderNames(target.parent_path()), std::vector<std::string>{"Warm.rlcpreset"});

  {
    FileSizeLimit limit(100);
    EXPECT_FALSE(WriteViaPartialFile(target, std::string(1000, 'x'), error));
  }
  EXPECT_EQ(error, "could not write " + target.string());
  EXPECT_EQ(ReadTestFile(target), "two");
  EXPECT_EQ(FolderNames(target.parent_path()), std::vector<std::string>{"Warm.rlcpreset"});

  const auto folderTarget = temp / "Presets" / "Folder.rlcpreset";
  WriteTestFile(folderTarget / "inside", "x");
  error.clear();
  EXPECT_FALSE(WriteViaPartialFile(folderTarget, "bytes", error));
  EXPECT_EQ(error, "could not write " + folderTarget.string());
  EXPECT_FALSE(std::filesystem::exists(temp / "Presets" / "Folder.rlcpreset.partial"));

  EXPECT_FALSE(WriteViaPartialFile("Warm.rlcpreset", "x", error));
  EXPECT_EQ(error, "could not write Warm.rlcpreset");
  EXPECT_FALSE(std::filesystem::exists("Warm.rlcpreset"));
}

TEST(RemoveFile, DeletesFilesOnlyAndNamesTheFileOnFailure) {
  TempFolder temp;
  WriteTestFile(temp / "Warm.rlcpreset", "x");
  std::string error;
  EXPECT_TRUE(RemoveFile(temp / "Warm.rlcpreset", error));
  EXPECT_TRUE(error.empty());
  EXPECT_FALSE(std::filesystem::exists(temp / "Warm.rlcpreset"));

  EXPECT_FALSE(RemoveFile(temp / "Warm.rlcpreset", error));
  EXPECT_EQ(error, "could not delete Warm.rlcpreset");

  std::filesystem::create_directory(temp / "Empty.rlcpreset");
  EXPECT_FALSE(RemoveFile(temp / "Empty.rlcpreset", error));
  EXPECT_EQ(error, "could not delete Empty.rlcpreset");
  EXPECT_TRUE(std::filesystem::is_directory(temp / "Empty.rlcpreset"));
}

TEST(ReadWholeFile, ReadsUpToTheLimitAndNothingBeyond) {
  TempFolder temp;
  const std::string full(kMaxWholeFileBytes, 'a');
  WriteTestFile(temp / "full", full);
  WriteTestFile(temp / "over", full + "b");
  WriteTestFile(temp / "empty", "");
  EXPECT_EQ(ReadWholeFile(temp / "full"), full);
  EXPECT_EQ(ReadWholeFile(temp / "over"), std::nullopt);
  EXPECT_EQ(ReadWholeFile(temp / "empty"), std::string());
  EXPECT_EQ(ReadWholeFile(temp / "missing"), std::nullopt);
  EXPECT_EQ(ReadWholeFile(temp.path()), std::nullopt);
}

TEST(ListFilesWithExtension, ListsRegularFilesWithExactlyThatExtension) {
  TempFolder temp;
  for (const char* name : {"Warm.rlcpreset", "a.b.rlcpreset", "..rlcpreset", "Loud.RLCPRESET", ".rlcpreset",
                           "Warm.rlcpreset.partial", "notes.txt"}) {
    WriteTestFile(temp / name, "x");
  }
  std::filesystem::create_directory(temp / "Folder.rlcpreset");
  std::filesystem::create_symlink(temp / "Warm.rlcpreset", temp / "Link.rlcpreset");
  std::filesystem::create_symlink(temp / "nowhere", temp / "Dangling.rlcpreset");

  const FileListing listing = ListFilesWithExtension(temp.path(), ".rlcpreset");
  EXPECT_FALSE(listing.failed());
  std::vector<std::string> names;
  for (const auto& path : listing.paths) {
    EXPECT_EQ(path.parent_path(), temp.path());
    names.push_back(path.filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"..rlcpreset", "Link.rlcpreset", "Warm.rlcpreset", "a.b.rlcpreset"}));
}

TEST(ListFilesWithExtension, MissingFoldersAndFilesListAsEmpty) {
  TempFolder temp;
  WriteTestFile(temp / "file.rlcpreset", "x");
  for (const auto& folder : {temp / "missing", temp / "file.rlcpreset", std::filesystem::path("relative")}) {
    const FileListing listing = ListFilesWithExtension(folder, ".rlcpreset");
    EXPECT_TRUE(listing.paths.empty());
    EXPECT_FALSE(listing.failed());
  }
}

TEST(FileNames, ExtensionAndStemFollowTheLastDot) {
  EXPECT_EQ(FileExtension("Warm.rlcpreset"), ".rlcpreset");
  EXPECT_EQ(FileExtension("a.b.c"), ".c");
  EXPECT_EQ(FileExtension(".rlcpreset"), "");
  EXPECT_EQ(FileExtension("noextension"), "");
  EXPECT_EQ(FileExtension("trailing."), ".");
  EXPECT_EQ(FileStem("Warm.rlcpreset"), "Warm");
  EXPECT_EQ(FileStem(".rlcpreset"), ".rlcpreset");
  EXPECT_EQ(FileNameUtf8(PathFromUtf8("/x/Gr\xC3\xBC\xC3\x9F" "e.rlcpreset")), "Gr\xC3\xBC\xC3\x9F" "e.rlcpreset");
}

TEST(FileSystemObjectExists, CountsFoldersAndDanglingLinks) {
  TempFolder temp;
  std::filesystem::create_directory(temp / "folder");
  std::filesystem::create_symlink(temp / "nowhere", temp / "dangling");
  EXPECT_TRUE(FileSystemObjectExists(temp / "folder"));
  EXPECT_TRUE(FileSystemObjectExists(temp / "dangling"));
  EXPECT_FALSE(FileSystemObjectExists(temp / "nowhere"));
  EXPECT_FALSE(FileSystemObjectExists(""));
}

// --- concurrent writers -------------------------------------------------------------

/// A self-describing payload: "writer,iteration,length\n" then bytes that
/// depend on all three, so a mix of two versions can never check out.
std::string Payload(int writer, int iteration) {
  const size_t length = 2000 + static_cast<size_t>((writer * 7919 + iteration * 104729) % 30000);
  std::string text = std::to_string(writer) + "," + std::to_string(iteration) + "," + std::to_string(length) + "\n";
  for (size_t i = 0; i < length; ++i) text.push_back(static_cast<char>('a' + (writer * 31 + iteration * 17 + i) % 26));
  return text;
}

bool IsCompletePayload(const std::string& text) {
  int writer = 0;
  int iteration = 0;
  size_t length = 0;
  if (std::sscanf(text.c_str(), "%d,%d,%zu", &writer, &iteration, &length) != 3) return false;
  return text == Payload(writer, iteration);
}

TEST(WriteAtomically, ConcurrentWritersLeaveOneCompleteVersion) {
  TempFolder temp;
  const auto target = temp / "shared" / "updates.json";
  constexpr int kWriters = 4;
  constexpr int kIterations = 25;
  std::atomic<bool> done{false};
  std::atomic<int> failures{0};
  std::atomic<int> badReads{0};
  std::atomic<int> reads{0};

  std::thread reader([&] {
    while (!done.load(std::memory_order_acquire)) {
      if (auto text = ReadWholeFile(target)) {
        reads.fetch_add(1, std::memory_order_relaxed);
        if (!IsCompletePayload(*text)) badReads.fetch_add(1, std::memory_order_relaxed);
      }
    }
  });
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < kIterations; ++i) {
        if (!WriteAtomically(target, Payload(w, i))) failures.fetch_add(1, std::memory_order_relaxed);
      }
    });
  }
  for (auto& writer : writers) writer.join();
  done.store(true, std::memory_order_release);
  reader.join();

  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(badReads.load(), 0) << "of " << reads.load() << " reads";
  const auto final = ReadWholeFile(target);
  ASSERT_TRUE(final.has_value());
  EXPECT_TRUE(IsCompletePayload(*final));
  EXPECT_EQ(FolderNames(target.parent_path()), std::vector<std::string>{"updates.json"});
}

}  // namespace
}  // namespace relaycaster
