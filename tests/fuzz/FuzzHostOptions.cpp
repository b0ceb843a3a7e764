// relaycaster-host's command line: arbitrary arguments (split at newlines)
// and parameter settings must give options or an error, never a crash.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "HostOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    args.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  const relaycaster_host::ParsedOptions parsed = relaycaster_host::parseHostOptions(args);
  if (parsed.options.has_value() == !parsed.error.empty()) __builtin_trap();  // exactly one of the two
  if (parsed.options && parsed.options->uiScale && !(*parsed.options->uiScale >= 0.5 && *parsed.options->uiScale <= 4.0))
    __builtin_trap();  // a screen scale the editor can use, or none

  const std::vector<relaycaster_host::ParameterInfo> parameters{
      {4, "SRT", "", 0, 1, 0, true, false, {"off", "on"}},
      {8, "SRT port", "", 1, 65535, 9000, false, true, {}},
      {10, "SRT level", "dB", -60, 12, 0, false, false, {}}};
  if (const auto assignment = relaycaster_host::splitAssignment(text)) {
    const auto resolved = relaycaster_host::resolveSetting(parameters, assignment->first, assignment->second);
    if (const auto* setting = std::get_if<relaycaster_host::ResolvedSetting>(&resolved)) {
      const auto& p = *std::find_if(parameters.begin(), parameters.end(),
                                    [&](const auto& info) { return info.index == setting->index; });
      if (!(setting->plainValue >= p.min && setting->plainValue <= p.max)) __builtin_trap();
    }
  }
  relaycaster_host::parseToneSpec(text);
  return 0;
}
