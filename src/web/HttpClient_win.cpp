#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <string>

#include "framework/WideText_win.h"
#include "web/HttpClient.h"

namespace relaycaster {

// Windows fetches with WinHTTP, synchronously: one session, connection and
// request per call, closed on every path. Each of WinHTTP's four time
// limits (name resolution, connect, send, receive) gets the caller's whole
// limit.

namespace {

constexpr DWORD kHostCapacity = 256;   // UTF-16 units, terminator included
constexpr DWORD kPathCapacity = 2048;

struct InternetCloser {
  void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

struct CrackedUrl {
  wchar_t host[kHostCapacity] = {};
  wchar_t path[kPathCapacity] = {};
  INTERNET_PORT port = 0;
  bool secure = false;
};

bool Crack(const std::wstring& url, CrackedUrl& cracked) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = cracked.host;
  parts.dwHostNameLength = kHostCapacity;
  parts.lpszUrlPath = cracked.path;
  parts.dwUrlPathLength = kPathCapacity;
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
  cracked.port = parts.nPort;
  cracked.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  return true;
}

// The system's automatic proxy configuration where this Windows knows it
// (8.1 and later), else the default proxy setting.
InternetHandle OpenSession() {
  const std::wstring agent = framework::WideFromUtf8(kHttpUserAgent);
  HINTERNET session = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0);
  if (session == nullptr) {
    session = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                          WINHTTP_NO_PROXY_BYPASS, 0);
  }
  return InternetHandle(session);
}

void SetDword(HINTERNET handle, DWORD option, DWORD value) {
  WinHttpSetOption(handle, option, &value, sizeof value);
}

/// The body, or false when it cannot be read or passes the cap.
bool ReadBody(HINTERNET request, std::string& body) {
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) return false;
    if (available == 0) return true;
    if (body.size() + available > kMaxHttpBodyBytes) return false;
    const size_t held = body.size();
    body.resize(held + available);
    DWORD read = 0;
    if (!WinHttpReadData(request, body.data() + held, available, &read)) return false;
    body.resize(held + read);
  }
}

}  // namespace

HttpResult HttpGet(const std::string& url, int limitSeconds) {
  HttpResult result;
  // A relative or foreign URL never reaches the network.
  if (!IsAbsoluteHttpUrl(url)) return result;
  CrackedUrl cracked;
  if (!Crack(framework::WideFromUtf8(url), cracked)) return result;

  const InternetHandle session = OpenSession();
  if (!session) return result;
  const int limitMs = (limitSeconds < 1 ? 1 : limitSeconds) * 1000;
  WinHttpSetTimeouts(session.get(), limitMs, limitMs, limitMs, limitMs);

  const InternetHandle connection(WinHttpConnect(session.get(), cracked.host, cracked.port, 0));
  if (!connection) return result;
  const InternetHandle request(WinHttpOpenRequest(connection.get(), L"GET", cracked.path, nullptr,
                                                  WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                  cracked.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!request) return result;
  SetDword(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, WINHTTP_OPTION_REDIRECT_POLICY_NEVER);
  SetDword(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_COOKIES);

  const std::wstring header = framework::WideFromUtf8(std::string(kHttpAcceptHeader) + "\r\n");
  if (!WinHttpSendRequest(request.get(), header.c_str(), static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0, 0,
                          0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    return result;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    return result;
  }
  std::string body;
  if (!ReadBody(request.get(), body)) return result;
  result.status = static_cast<int32_t>(status);
  result.body = std::move(body);
  return result;
}

}  // namespace relaycaster
