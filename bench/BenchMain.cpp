#include <cstdio>
#include <utility>

#include "RatioReporter.h"

namespace benchsupport {
namespace {

std::vector<std::pair<std::string, std::string>>& comparisons() {
  static std::vector<std::pair<std::string, std::string>> pairs;
  return pairs;
}

// "Name/512/real_time" -> ("Name", "/512/real_time")
std::pair<std::string, std::string> splitName(const std::string& name) {
  const size_t slash = name.find('/');
  if (slash == std::string::npos) return {name, ""};
  return {name.substr(0, slash), name.substr(slash)};
}

}  // namespace

void RatioReporter::compare(const std::string& ours, const std::string& reference) {
  comparisons().emplace_back(ours, reference);
}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs)
    if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
      mTimes[run.benchmark_name()] = run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                                     benchmark::GetTimeUnitMultiplier(run.time_unit);
      const auto frames = run.counters.find("frames");
      if (frames != run.counters.end() && frames->second.value > 0) mFrames[run.benchmark_name()] = frames->second.value;
    }
  ConsoleReporter::ReportRuns(runs);
}

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  if (comparisons().empty()) return;
  std::printf("\n%-52s %12s %12s %9s %9s %8s\n", "side by side", "ours ns", "ref ns", "ours/frm", "ref/frm", "ratio");
  for (const auto& [ours, reference] : comparisons()) {
    for (const auto& [name, time] : mTimes) {
      const auto [base, args] = splitName(name);
      if (base != ours) continue;
      const auto match = mTimes.find(reference + args);
      if (match == mTimes.end()) continue;
      const auto frames = mFrames.find(name);
      const double perFrame = frames != mFrames.end() ? frames->second : 0.0;
      std::printf("%-52s %12.1f %12.1f %9.3f %9.3f %7.2fx\n", (ours + args + " vs " + reference).c_str(), time,
                  match->second, perFrame > 0 ? time / perFrame : 0.0, perFrame > 0 ? match->second / perFrame : 0.0,
                  time / match->second);
    }
  }
}

}  // namespace benchsupport

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchsupport::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
