#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace relaycaster {

/// The answer to one HttpGet: the status code of a complete answer and its
/// body, or status 0 and an empty body after any failure.
struct HttpResult {
  int32_t status = 0;
  std::string body;
};

/// The largest body HttpGet accepts; a longer one is a failure.
inline constexpr size_t kMaxHttpBodyBytes = 65536;

/// Fetches one small document with a blocking GET on the calling thread.
///
/// Every request: user agent "Brightwold plug-in", the extra header
/// "Accept: application/json", no request body, redirects never followed (a
/// 3xx comes back as its status with its own body), no cookies, the
/// system's proxy settings, and for "https" TLS with the system's
/// certificate checks. Any status code of a complete answer is a success
/// here (the caller decides what it means); every failure (a URL that is
/// not an absolute http or https URL, which makes no network traffic at
/// all; no network; name not found; refused; TLS failure; time limit; a
/// body over kMaxHttpBodyBytes) gives status 0 and an empty body. Never
/// throws for network or protocol errors.
///
/// `limitSeconds` (at least 1) bounds the whole call, see the platform file
/// for how it maps onto the platform's time limits.
///
/// Threads: any; calls share nothing, each opens and closes its own
/// connection.
HttpResult HttpGet(const std::string& url, int limitSeconds);

/// The request's fixed texts.
inline constexpr const char* kHttpUserAgent = "Brightwold plug-in";
inline constexpr const char* kHttpAcceptHeader = "Accept: application/json";

/// True when `url` is an absolute "http" or "https" URL (scheme in any
/// letter case, "://", a non-empty host). HttpGet makes no network traffic
/// for any other text.
bool IsAbsoluteHttpUrl(std::string_view url);

}  // namespace relaycaster
