// Arbitrary bytes as an update feed or cache: the JSON reader and the feed
// rules must give a clear answer for anything, and quoting must round-trip.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "updates/UpdateCheck.h"
#include "web/Json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const auto value = relaycaster::ParseJson(text);
  if (value && value->type == relaycaster::JsonType::String) {
    const auto again = relaycaster::ParseJson(relaycaster::JsonQuote(value->text));
    if (!again || again->text != value->text) __builtin_trap();
  }

  const auto quoted = relaycaster::ParseJson(relaycaster::JsonQuote(text));
  if (!quoted || quoted->type != relaycaster::JsonType::String || quoted->text != text) __builtin_trap();

  const auto update = brightwold::updates::EvaluateFeed(text, "relaycaster", "0.4.2");
  if (update && !brightwold::updates::ParseVersion(update->version)) __builtin_trap();
  return 0;
}
