#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string_view>

#include "web/HttpClient.h"

namespace relaycaster {

// Linux fetches with libcurl, one easy handle per call.
//
// Time limit: WinHTTP-style clients give each of four stages (resolve,
// connect, send, receive) the full limit. Here the limit bounds name
// resolution plus connection (and the TLS handshake) through
// CURLOPT_CONNECTTIMEOUT, and the whole transfer through CURLOPT_TIMEOUT,
// so a call never takes much longer than the limit, however slowly a
// server trickles its answer. The update feed is a few kilobytes, well
// inside 8 seconds on any working connection.
//
// Proxies: libcurl takes them from the usual environment variables
// (http_proxy, https_proxy, all_proxy, no_proxy) unless CURLOPT_PROXY is
// set, which this file never does. Cookies: the cookie engine stays off
// because no cookie file or jar is given.

namespace {

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;
using CurlUrl = std::unique_ptr<CURLU, CurlDeleter>;
using CurlList = std::unique_ptr<curl_slist, CurlDeleter>;

/// libcurl's process-wide start-up, done once and never undone: another
/// instance's worker may still be inside a call when one instance goes.
bool StartCurl() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] { started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return started;
}

/// Parses the URL with libcurl's own parser, so what is checked is what is
/// fetched; nothing but an absolute http or https URL with a host passes.
CurlUrl ParseAbsoluteUrl(const std::string& text) {
  CurlUrl url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) return nullptr;
  char* scheme = nullptr;
  char* host = nullptr;
  bool ok = curl_url_get(url.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
            curl_url_get(url.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK;
  ok = ok && (std::string_view(scheme) == "http" || std::string_view(scheme) == "https") && *host != '\0';
  curl_free(scheme);
  curl_free(host);
  if (!ok) return nullptr;
  return url;
}

struct BodyCollector {
  std::string bytes;
};

/// Refuses the transfer as soon as the body would pass the cap, which
/// makes libcurl abort with a write error.
size_t CollectBody(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<BodyCollector*>(user);
  const size_t length = size * count;
  if (body->bytes.size() + length > kMaxHttpBodyBytes) return 0;
  body->bytes.append(data, length);
  return length;
}

bool Configure(CURL* curl, CURLU* url, curl_slist* headers, BodyCollector& body, long limitSeconds) {
  bool ok = true;
  auto set = [&](CURLoption option, auto value) { ok = ok && curl_easy_setopt(curl, option, value) == CURLE_OK; };
  set(CURLOPT_CURLU, url);
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  set(CURLOPT_HTTPGET, 1L);
  set(CURLOPT_USERAGENT, kHttpUserAgent);
  set(CURLOPT_HTTPHEADER, headers);
  set(CURLOPT_FOLLOWLOCATION, 0L);
  set(CURLOPT_NOSIGNAL, 1L);  // no SIGALRM for timeouts: we run on worker threads
  set(CURLOPT_CONNECTTIMEOUT, limitSeconds);
  set(CURLOPT_TIMEOUT, limitSeconds);
  set(CURLOPT_SSL_VERIFYPEER, 1L);
  set(CURLOPT_SSL_VERIFYHOST, 2L);
  set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxHttpBodyBytes));  // early refusal by Content-Length
  set(CURLOPT_WRITEFUNCTION, &CollectBody);
  set(CURLOPT_WRITEDATA, &body);
  return ok;
}

}  // namespace

HttpResult HttpGet(const std::string& url, int limitSeconds) {
  HttpResult result;
  // Checked before libcurl is even started: a relative or foreign URL must
  // never reach the network (libcurl would guess "http://" for "host/x").
  if (!IsAbsoluteHttpUrl(url) || !StartCurl()) return result;
  CurlUrl parsed = ParseAbsoluteUrl(url);
  CurlHandle curl(curl_easy_init());
  CurlList headers(curl_slist_append(nullptr, kHttpAcceptHeader));
  if (!parsed || !curl || !headers) return result;

  BodyCollector body;
  const long limit = std::max(1, limitSeconds);  // 0 would mean "no limit" to libcurl
  if (!Configure(curl.get(), parsed.get(), headers.get(), body, limit)) return result;
  if (curl_easy_perform(curl.get()) != CURLE_OK) return result;
  long status = 0;
  if (curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status <= 0) return result;
  result.status = static_cast<int32_t>(status);
  result.body = std::move(body.bytes);
  return result;
}

}  // namespace relaycaster
