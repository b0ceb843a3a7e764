#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "web/HttpClient.h"
#include "web/LoopbackHttpServer.h"

namespace relaycaster {
namespace {

using testsupport::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;

TEST(HttpGet, SendsOneGetWithTheUserAgentAndTheAcceptHeader) {
  LoopbackHttpServer server;
  server.setResponse({200, "{\"ok\":true}"});
  const HttpResult result = HttpGet(server.url("/updates.json"), 2);
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.body, "{\"ok\":true}");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/updates.json");
  EXPECT_TRUE(requests[0].hasHeader("User-Agent: Brightwold plug-in"));
  EXPECT_TRUE(requests[0].hasHeader("Accept: application/json"));
  EXPECT_FALSE(requests[0].hasHeaderNamed("Cookie"));
  EXPECT_FALSE(requests[0].hasHeaderNamed("Accept-Encoding"));
}

TEST(HttpGet, BodyUpToTheLimitAndNotOneByteMore) {
  LoopbackHttpServer server;
  const std::string full(kMaxHttpBodyBytes, 'j');
  for (const bool withLength : {true, false}) {
    SCOPED_TRACE(withLength ? "with Content-Length" : "ended by closing");
    server.setResponse({200, full, {}, withLength});
    HttpResult result = HttpGet(server.url("/full"), 2);
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(result.body, full);

    server.setResponse({200, full + "j", {}, withLength});
    result = HttpGet(server.url("/over"), 2);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.body.empty());
  }
}

TEST(HttpGet, RedirectsComeBackAsTheirStatusAndAreNotFollowed) {
  LoopbackHttpServer server;
  for (const int status : {301, 302}) {
    server.setResponse({status, "moved", {"Location: " + server.url("/elsewhere")}});
    const HttpResult result = HttpGet(server.url("/updates.json"), 2);
    EXPECT_EQ(result.status, status);
    EXPECT_EQ(result.body, "moved");
  }
  for (const auto& request : server.requests()) EXPECT_EQ(request.target, "/updates.json");
  EXPECT_EQ(server.requests().size(), 2u);
}

TEST(HttpGet, ErrorStatusesComeBackWithTheirBody) {
  LoopbackHttpServer server;
  server.setResponse({404, "<html>not here</html>"});
  HttpResult result = HttpGet(server.url("/missing"), 2);
  EXPECT_EQ(result.status, 404);
  EXPECT_EQ(result.body, "<html>not here</html>");
  server.setResponse({500, ""});
  EXPECT_EQ(HttpGet(server.url("/"), 2).status, 500);
}

TEST(HttpGet, UrlsThatAreNotAbsoluteMakeNoTraffic) {
  LoopbackHttpServer server;
  const std::string port = std::to_string(server.port());
  for (const std::string& url : std::vector<std::string>{"/updates.json", "127.0.0.1:" + port + "/updates.json", "updates.json",
                                 "//127.0.0.1:" + port + "/x", "http:///updates.json", "http://:" + port + "/x",
                                 "ftp://127.0.0.1:" + port + "/x", "file:///etc/hostname", std::string()}) {
    const HttpResult result = HttpGet(url, 1);
    EXPECT_EQ(result.status, 0) << url;
    EXPECT_TRUE(result.body.empty());
  }
  EXPECT_EQ(server.connections(), 0);
}

TEST(HttpGet, ASilentServerEndsInFailureAfterTheLimit) {
  LoopbackHttpServer server;
  server.setResponse({200, "late", {}, true, /*neverAnswer=*/true});
  const auto start = std::chrono::steady_clock::now();
  const HttpResult result = HttpGet(server.url("/updates.json"), 1);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(result.body.empty());
  EXPECT_GE(elapsed, std::chrono::milliseconds(900));
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  EXPECT_EQ(server.connections(), 1);
}

TEST(HttpGet, NothingListeningAndUnknownNamesFail) {
  int freePort = 0;
  {
    LoopbackHttpServer server;  // taken and released again: nobody listens there now
    freePort = server.port();
  }
  EXPECT_EQ(HttpGet("http://127.0.0.1:" + std::to_string(freePort) + "/", 1).status, 0);
  EXPECT_EQ(HttpGet("http://feed.example.invalid/updates.json", 2).status, 0);
}

TEST(IsAbsoluteHttpUrl, SchemeAndHostAreRequired) {
  EXPECT_TRUE(IsAbsoluteHttpUrl("https://brightwold.com/updates.json"));
  EXPECT_TRUE(IsAbsoluteHttpUrl("HTTP://127.0.0.1:8080"));
  EXPECT_TRUE(IsAbsoluteHttpUrl("http://[::1]:80/x"));
  EXPECT_TRUE(IsAbsoluteHttpUrl("http://user@host/x"));
  EXPECT_FALSE(IsAbsoluteHttpUrl("http://"));
  EXPECT_FALSE(IsAbsoluteHttpUrl("http://[]/x"));
  EXPECT_FALSE(IsAbsoluteHttpUrl("http://user@/x"));
  EXPECT_FALSE(IsAbsoluteHttpUrl("https:/host/x"));
  EXPECT_FALSE(IsAbsoluteHttpUrl("gopher://host/"));
}

}  // namespace
}  // namespace relaycaster
