// The Windows module as a file: what it imports and exports, and the
// resources it carries. Read with mingw-w64's objdump; no Wine needed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <utility>
#include <sstream>

#include "WineSupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ProcessResult;
using testsupport::Subprocess;

std::string objdump(const std::filesystem::path& binary) {
  const ProcessResult dumped = Subprocess::run({"x86_64-w64-mingw32-objdump", "-p", binary.string()}, 30s);
  EXPECT_TRUE(dumped.succeeded()) << dumped.describe();
  return dumped.out;
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Every "DLL Name: X" line of objdump's import listing.
std::set<std::string> importedDlls(const std::string& dump) {
  std::set<std::string> dlls;
  std::istringstream lines(dump);
  for (std::string line; std::getline(lines, line);) {
    const size_t at = line.find("DLL Name: ");
    if (at != std::string::npos) dlls.insert(lowerCase(line.substr(at + 10)));
  }
  return dlls;
}

// The names of objdump's "[Ordinal/Name Pointer] Table".
std::set<std::string> exportedNames(const std::string& dump) {
  std::set<std::string> names;
  const size_t table = dump.find("[Ordinal/Name Pointer] Table");
  if (table == std::string::npos) return names;
  std::istringstream lines(dump.substr(table));
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line) && !line.empty()) {
    const size_t close = line.find("] ");
    if (close != std::string::npos) names.insert(line.substr(close + 2));
  }
  return names;
}

// Windows' own libraries, present on every Windows 10 (and in Wine).
const std::set<std::string> kSystemDlls = {"kernel32.dll", "user32.dll", "gdi32.dll",  "msimg32.dll", "advapi32.dll",
                                           "shell32.dll",  "ole32.dll",  "oleaut32.dll", "ws2_32.dll", "winhttp.dll",
                                           "wininet.dll",  "bcrypt.dll", "msvcrt.dll"};

void expectOnlySystemDlls(const std::filesystem::path& binary) {
  const std::set<std::string> dlls = importedDlls(objdump(binary));
  EXPECT_FALSE(dlls.empty()) << binary;
  for (const std::string& dll : dlls) EXPECT_TRUE(kSystemDlls.count(dll)) << binary << " imports " << dll;
}

TEST(WindowsModule, ThePlugInAndTheHostImportOnlySystemDlls) {
  expectOnlySystemDlls(winetest::windowsModule());
  expectOnlySystemDlls(winetest::windowsHostExe());
  // Media Foundation is looked for at run time, so that the plug-in still
  // loads on a Windows without it (an N edition) and says why AAC is off.
  EXPECT_FALSE(importedDlls(objdump(winetest::windowsModule())).count("mfplat.dll"));
}

TEST(WindowsModule, ExportsExactlyTheThreeEntryPoints) {
  EXPECT_EQ(exportedNames(objdump(winetest::windowsModule())),
            (std::set<std::string>{"GetPluginFactory", "InitDll", "ExitDll"}));
}

TEST(WindowsModule, CarriesTheFontsAndTheLogoAsUsEnglishResources) {
  const std::string dump = objdump(winetest::windowsModule());
  const size_t directory = dump.find("The .rsrc Resource Directory section");
  ASSERT_NE(directory, std::string::npos);
  const std::string resources = dump.substr(directory);
  for (const char* expected : {"]: TTF,", "]: SVG,", "]: ROBOTO-REGULAR.TTF,", "]: ROBOTOCONDENSED-BOLD.TTF,",
                               "]: RELAYCASTER-LOCKUP.SVG,"})
    EXPECT_NE(resources.find(expected), std::string::npos) << expected << "\n" << resources;
  // Three resources, each in language 1033 (0x409) alone.
  auto count = [&](const std::string& text) {
    size_t found = 0;
    for (size_t at = resources.find(text); at != std::string::npos; at = resources.find(text, at + 1)) ++found;
    return found;
  };
  EXPECT_EQ(count("Entry: ID: "), 3u) << resources;
  EXPECT_EQ(count("Entry: ID: 0x000409,"), 3u) << resources;

  // Each holds the whole file the bundle holds (the leaf after its name).
  const std::filesystem::path folder = winetest::windowsBundle() / "Contents" / "Resources";
  for (const auto& [name, file] : {std::pair{"ROBOTO-REGULAR.TTF", "Roboto-Regular.ttf"},
                                   std::pair{"ROBOTOCONDENSED-BOLD.TTF", "RobotoCondensed-Bold.ttf"},
                                   std::pair{"RELAYCASTER-LOCKUP.SVG", "relaycaster-lockup.svg"}}) {
    const size_t entry = resources.find(std::string("]: ") + name + ",");
    const size_t size = resources.find("Size: 0x", entry);
    ASSERT_NE(size, std::string::npos) << name;
    EXPECT_EQ(std::stoul(resources.substr(size + 8), nullptr, 16), std::filesystem::file_size(folder / file)) << name;
  }
}

TEST(WindowsModule, TheBundleHasTheVst3Layout) {
  namespace fs = std::filesystem;
  const fs::path bundle = winetest::windowsBundle();
  EXPECT_TRUE(fs::is_regular_file(bundle / "Contents" / "x86_64-win" / "Relaycaster.vst3"));
  EXPECT_TRUE(fs::is_regular_file(bundle / "Contents" / "Resources" / "Roboto-Regular.ttf"));
  EXPECT_TRUE(fs::is_regular_file(bundle / "Contents" / "Resources" / "RobotoCondensed-Bold.ttf"));
}

}  // namespace
