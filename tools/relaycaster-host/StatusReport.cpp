#include "StatusReport.h"

#include <cstdlib>
#include <sstream>

namespace relaycaster_host {
namespace {

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::vector<TransportStatus> parseStatusReport(const std::string& report) {
  std::vector<TransportStatus> statuses;
  std::istringstream lines(report);
  std::string line;
  while (std::getline(lines, line)) {
    const std::vector<std::string> fields = splitTabs(line);
    if (fields.size() != 5 && fields.size() != 6) continue;
    statuses.push_back({fields[0], std::atoi(fields[1].c_str()), fields[2], fields[3], std::atoi(fields[4].c_str()),
                        fields.size() == 6 ? fields[5] : std::string()});
  }
  return statuses;
}

}  // namespace relaycaster_host
