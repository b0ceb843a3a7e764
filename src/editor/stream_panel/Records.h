#pragma once

#include <cstdint>
#include <string>

namespace relaycaster::stream_panel {

/// How a transport's status line is drawn.
enum StateKind : int32_t {
  Neutral = 0,  // off
  Good = 1,     // sending
  Busy = 2,     // starting, calling, waiting
  Fault = 3,
};

/// The status of one transport as the editor shows it. Passed by copy.
struct StateLine {
  StateKind kind = Neutral;
  std::string text;    // the main line (UTF-8)
  std::string detail;  // the second line; may be empty
};

/// The NDI name as the editor shows it, with a sentence that explains it.
/// Passed by copy.
struct FeedName {
  std::string name;         // the NDI name to show
  std::string explanation;  // one sentence under the name
  std::string warning;      // a clash warning, or empty
  bool isError = false;     // the explanation is an NDI error message
};

}  // namespace relaycaster::stream_panel
