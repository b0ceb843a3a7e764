#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace benchsupport {

/// Console output as usual, then a table that sets each benchmark beside
/// its reference from the same run. A benchmark named "Ours/<arg>" is paired
/// with "Reference/<arg>" through pairs registered with compare(). A run
/// with a "frames" counter is also shown in nanoseconds per frame.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  /// Prints ours / reference (time per iteration) for every argument both ran with.
  static void compare(const std::string& ours, const std::string& reference);

  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  std::map<std::string, double> mTimes;   // run name -> real time per iteration, ns
  std::map<std::string, double> mFrames;  // run name -> its "frames" counter, when it has one
};

}  // namespace benchsupport
