// relaycaster-host: runs the plug-in outside a DAW.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/Relaycaster.h"

namespace {

void listParameters() {
  relaycaster::Relaycaster plugin;
  std::printf("%-3s %-12s %-10s %-22s %-5s %s\n", "id", "name", "default", "range", "unit", "text at default");
  for (int i = 0; i < plugin.NParams(); ++i) {
    const framework::IParam& p = *plugin.GetParam(i);
    char range[64];
    if (p.IsList()) {
      std::string entries;
      for (int e = 0; e < p.NumListEntries(); ++e) entries += (e ? "|" : "") + p.ListEntry(e);
      std::snprintf(range, sizeof range, "%s", entries.c_str());
    } else {
      std::snprintf(range, sizeof range, "%g to %g", p.Min(), p.Max());
    }
    std::printf("%-3d %-12s %-10g %-22s %-5s %s\n", i, p.Name().c_str(), p.Default(), range, p.Label().c_str(),
                p.DisplayText(p.Default()).c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--list-params") == 0) {
      listParameters();
      return 0;
    }
  }
  std::fprintf(stderr, "usage: relaycaster-host --list-params\n");
  return 2;
}
