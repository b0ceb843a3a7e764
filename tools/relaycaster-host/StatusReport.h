#pragma once

#include <string>
#include <vector>

#include "HostedPlugin.h"

namespace relaycaster_host {

/// Reads the plug-in's status report: one transport per line, its name,
/// state kind, text, detail, drop-out count and an optional note separated
/// by tabs. Lines that do not have those fields are skipped.
std::vector<TransportStatus> parseStatusReport(const std::string& report);

}  // namespace relaycaster_host
