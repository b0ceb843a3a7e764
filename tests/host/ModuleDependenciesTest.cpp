// What loading the built module brings into a host's process. Hosts that
// ship their own GLib, GObject, GIO, Pango or GTK (the official Ardour
// builds among them) would get a second, conflicting copy from us.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "Vst3Bundle.h"
#include "support/Subprocess.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Subprocess;

const std::string kModule = vst3host::Vst3Module::ModulePathInBundle(RELAYCASTER_VST3_BUNDLE_PATH);

bool IsGtkStack(const std::string& library) {
  for (const char* prefix : {"libglib-2.0", "libgobject-2.0", "libgio-2.0", "libgmodule-2.0", "libpango", "libgtk",
                             "libgdk"})
    if (library.rfind(prefix, 0) == 0) return true;
  return false;
}

/// Library names (and resolved paths) as ldd lists them for `file`.
std::vector<std::pair<std::string, std::string>> Ldd(const std::string& file) {
  std::vector<std::pair<std::string, std::string>> libraries;
  const testsupport::ProcessResult listed = Subprocess::run({"ldd", file}, 30s);
  EXPECT_TRUE(listed.succeeded()) << listed.describe();
  std::istringstream lines(listed.out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string name, arrow, path;
    words >> name >> arrow >> path;
    if (arrow != "=>") path = name;
    if (!name.empty()) libraries.push_back({name, path});
  }
  return libraries;
}

// The editor's libraries (Cairo, FreeType, xcb, xkbcommon) and every other
// dependency bring none of it: libavcodec, whose Debian build depends on
// librsvg and through it on GLib, is linked statically with only its AAC
// encoder, so no shared libavcodec is loaded either.
TEST(ModuleDependencies, LoadingTheModuleBringsNoGtkStackAtAll) {
  const std::vector<std::pair<std::string, std::string>> resolved = Ldd(kModule);
  ASSERT_FALSE(resolved.empty());
  for (const auto& [name, path] : resolved) {
    EXPECT_FALSE(IsGtkStack(name)) << name << " (" << path << ")";
    EXPECT_EQ(name.rfind("libavcodec", 0), std::string::npos) << name;
  }
}

}  // namespace
