#include "ResourceCensus.h"

#include <string>

namespace relaycaster_host {
namespace {

std::string countText(const std::optional<long>& count) { return count ? std::to_string(*count) : "n/a"; }

const ResourceCount* find(const ResourceCensus& census, const std::string& what) {
  for (const ResourceCount& count : census.counts)
    if (count.what == what) return &count;
  return nullptr;
}

}  // namespace

bool reportCensuses(std::FILE* out, int cycles, const ResourceCensus& before, const ResourceCensus& afterFirst,
                    const ResourceCensus& afterLast) {
  std::fprintf(out, "relaycaster-host: %d editor cycle%s; what the process holds\n", cycles, cycles == 1 ? "" : "s");
  std::fprintf(out, "  %-38s %8s %8s %8s\n", "", "before", "after 1", ("after " + std::to_string(cycles)).c_str());
  std::string grown;
  for (const ResourceCount& last : afterLast.counts) {
    const ResourceCount* first = find(afterFirst, last.what);
    const ResourceCount* start = find(before, last.what);
    const std::optional<long> atStart = start ? start->count : std::nullopt;
    const std::optional<long> atFirst = first ? first->count : std::nullopt;
    std::fprintf(out, "  %-38s %8s %8s %8s\n", last.what.c_str(), countText(atStart).c_str(),
                 countText(atFirst).c_str(), countText(last.count).c_str());
    // The baseline: after the first cycle for what first use may add, else before it.
    if (last.baseline == Baseline::NotJudged) continue;
    const std::optional<long> baseline = last.baseline == Baseline::AfterFirst ? atFirst : atStart;
    if (last.count && baseline && *last.count > *baseline)
      grown += (grown.empty() ? "" : ", ") + last.what + " +" + std::to_string(*last.count - *baseline);
  }
  for (const std::string& note : afterLast.notes) std::fprintf(out, "  (%s)\n", note.c_str());
  if (grown.empty()) std::fprintf(out, "relaycaster-host: the editor cycles left nothing behind\n");
  else std::fprintf(out, "relaycaster-host: the editor cycles left behind: %s\n", grown.c_str());
  std::fflush(out);
  return grown.empty();
}

}  // namespace relaycaster_host
