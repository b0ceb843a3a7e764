#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace relaycaster {

/// What the SRT host field holds once parsed: a host, and what an srt:// URL
/// or a host:port text adds to it.
struct SrtAddress {
  std::string host;
  std::optional<int> port;           // 1..65535 when present
  std::optional<int> latencyMs;      // from a URL's "latency" item (not clamped)
  std::optional<std::string> streamId;
  std::optional<std::string> passphrase;
};

/// Parses what a user types into the host field: "host", "host:port",
/// "[IPv6]:port", a bare IPv6 address, or an srt:// URL with the query items
/// "streamid", "passphrase" and "latency" (milliseconds up to 8000, larger
/// values taken as microseconds). Never fails: unusable parts are left out.
SrtAddress ParseSrtAddress(std::string_view text);

/// "%" and two hex digits become that byte; everything else (including "+")
/// passes through unchanged.
std::string PercentDecode(std::string_view text);

}  // namespace relaycaster
