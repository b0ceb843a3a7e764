#include <gtest/gtest.h>

#include <cmath>

#include "core/Relaycaster.h"
#include "core/SrtAddress.h"

namespace relaycaster {
namespace {

TEST(ParseSrtAddress, HostsAndPorts) {
  EXPECT_EQ(ParseSrtAddress("  studio.example  ").host, "studio.example");
  SrtAddress a = ParseSrtAddress("10.0.0.5:9001");
  EXPECT_EQ(a.host, "10.0.0.5");
  EXPECT_EQ(a.port, 9001);
  EXPECT_FALSE(a.latencyMs);
  EXPECT_FALSE(a.streamId);

  for (const char* bad : {"h:0", "h:65536", "h:12a", "h:", "h:-1", "h:0009999999", "h: 90"}) {
    SrtAddress b = ParseSrtAddress(bad);
    EXPECT_EQ(b.host, "h") << bad;
    EXPECT_FALSE(b.port) << bad;
  }
  EXPECT_EQ(ParseSrtAddress("h:000009000").port, 9000);  // nine digits
  EXPECT_EQ(ParseSrtAddress("h:65535").port, 65535);
  EXPECT_EQ(ParseSrtAddress("").host, "");
  EXPECT_EQ(ParseSrtAddress(":9000").host, "");
  EXPECT_EQ(ParseSrtAddress(":9000").port, 9000);
}

TEST(ParseSrtAddress, Ipv6WithAndWithoutBrackets) {
  SrtAddress a = ParseSrtAddress("[fe80::1]:9000");
  EXPECT_EQ(a.host, "fe80::1");
  EXPECT_EQ(a.port, 9000);
  SrtAddress bare = ParseSrtAddress("fe80::1");
  EXPECT_EQ(bare.host, "fe80::1");
  EXPECT_FALSE(bare.port);
  SrtAddress unclosed = ParseSrtAddress("[::1:9000");
  EXPECT_EQ(unclosed.host, "[::1:9000");
  EXPECT_FALSE(unclosed.port);
  SrtAddress noColon = ParseSrtAddress("[::1]9000");
  EXPECT_EQ(noColon.host, "::1");
  EXPECT_FALSE(noColon.port);
  EXPECT_EQ(ParseSrtAddress("srt://[::1]:7000?latency=50").port, 7000);
}

TEST(ParseSrtAddress, UrlsWithQueryItems) {
  SrtAddress a = ParseSrtAddress("SRT://host.example:9001/path/x?latency=120000&streamid=abc&passphrase=p%40ss");
  EXPECT_EQ(a.host, "host.example");
  EXPECT_EQ(a.port, 9001);
  EXPECT_EQ(a.latencyMs, 120);
  EXPECT_EQ(a.streamId, "abc");
  EXPECT_EQ(a.passphrase, "p@ss");

  EXPECT_EQ(ParseSrtAddress("srt://h?StreamID=x%20y").streamId, "x y");
  EXPECT_EQ(ParseSrtAddress("srt://h?streamid=a+b").streamId, "a+b");  // "+" is not a space
  EXPECT_EQ(ParseSrtAddress("srt://h?streamid=1&streamid=2").streamId, "2");
  EXPECT_EQ(ParseSrtAddress("srt://h?streamid=").streamId, "");
  EXPECT_FALSE(ParseSrtAddress("srt://h?streamid").streamId);
  EXPECT_EQ(ParseSrtAddress("srt://h?latency=8000").latencyMs, 8000);
  EXPECT_EQ(ParseSrtAddress("srt://h?latency=8001").latencyMs, 8);
  EXPECT_EQ(ParseSrtAddress("srt://h?latency=9000").latencyMs, 9);
  EXPECT_EQ(ParseSrtAddress("srt://h?latency=1499").latencyMs, 1499);
  EXPECT_EQ(ParseSrtAddress("srt://h?latency=999999999").latencyMs, 1000000);
  EXPECT_FALSE(ParseSrtAddress("srt://h?latency=1234567890").latencyMs);
  EXPECT_FALSE(ParseSrtAddress("srt://h?latency=-5").latencyMs);
  EXPECT_FALSE(ParseSrtAddress("srt://h?mode=caller").latencyMs);
  // Query items only count in URLs.
  EXPECT_FALSE(ParseSrtAddress("h?streamid=x").streamId);
  EXPECT_EQ(ParseSrtAddress("h?streamid=x").host, "h?streamid=x");
}

TEST(ParseSrtAddress, PercentEscapes) {
  EXPECT_EQ(PercentDecode("a%41%4a%4Bz"), "aAJKz");
  EXPECT_EQ(PercentDecode("%"), "%");
  EXPECT_EQ(PercentDecode("%4"), "%4");
  EXPECT_EQ(PercentDecode("%zz%41"), "%zzA");
  EXPECT_EQ(PercentDecode("%00").size(), 1u);
  EXPECT_EQ(ParseSrtAddress("srt://my%20host:9000").host, "my host");
}

TEST(ParseSrtAddress, HostileInputStaysBounded) {
  std::string longText(1 << 20, ':');
  SrtAddress a = ParseSrtAddress(longText);
  EXPECT_EQ(a.host.size(), longText.size());
  std::string query = "srt://h?" + std::string(100000, '&') + "streamid=" + std::string(100000, '%');
  EXPECT_EQ(ParseSrtAddress(query).streamId->size(), 100000u);
  const char withNul[] = "ho\0st:9000";
  EXPECT_EQ(ParseSrtAddress(std::string_view(withNul, sizeof withNul - 1)).port, 9000);
}

TEST(SetSrtText, HostFieldStoresBareHostAndSetsPortAndLatency) {
  Relaycaster plugin;
  plugin.SetSrtText(kSrtHostField, "srt://studio.example:9001?latency=120000&streamid=live");
  SrtTexts texts = plugin.srtTexts();
  EXPECT_EQ(texts.host, "studio.example");
  EXPECT_EQ(texts.streamId, "live");
  EXPECT_EQ(texts.passphrase, "");
  EXPECT_EQ(plugin.GetParam(kSrtPort)->Value(), 9001);
  EXPECT_EQ(std::llround(plugin.GetParam(kSrtLatency)->Value()), 120);

  plugin.SetSrtText(kSrtHostField, "srt://h?latency=5");
  EXPECT_EQ(std::llround(plugin.GetParam(kSrtLatency)->Value()), 20);
  plugin.SetSrtText(kSrtHostField, "srt://h?latency=9000");
  EXPECT_EQ(std::llround(plugin.GetParam(kSrtLatency)->Value()), 20);
  EXPECT_EQ(plugin.srtTexts().streamId, "live");  // a URL without the item keeps it
}

TEST(SetSrtText, BadPortKeepsPortButStoresHost) {
  Relaycaster plugin;
  plugin.SetSrtText(kSrtHostField, "receiver.example:65536");
  EXPECT_EQ(plugin.GetSrtText(kSrtHostField), "receiver.example");
  EXPECT_EQ(plugin.GetParam(kSrtPort)->Value(), 9000);
}

TEST(SetSrtText, StreamIdAndPassphraseAreTakenAsTyped) {
  Relaycaster plugin;
  plugin.SetSrtText(kSrtStreamIdField, "  spaced id ");
  plugin.SetSrtText(kSrtPassphraseField, "srt://not-parsed:1");
  EXPECT_EQ(plugin.GetSrtText(kSrtStreamIdField), "  spaced id ");
  EXPECT_EQ(plugin.GetSrtText(kSrtPassphraseField), "srt://not-parsed:1");
  EXPECT_EQ(plugin.GetParam(kSrtPort)->Value(), 9000);
  EXPECT_EQ(plugin.GetSrtText(7), "");
}

// Records the host's view of edits made from inside the plug-in.
struct RecordingHost : framework::IHostNotifier {
  std::vector<std::string> calls;
  void BeginEdit(int i) override { calls.push_back("begin " + std::to_string(i)); }
  void PerformEdit(int i, double) override { calls.push_back("perform " + std::to_string(i)); }
  void EndEdit(int i) override { calls.push_back("end " + std::to_string(i)); }
};

TEST(SetSrtText, PortAndLatencyReachTheHostAsGestures) {
  Relaycaster plugin;
  RecordingHost host;
  plugin.SetHostNotifier(&host);
  plugin.SetSrtText(kSrtHostField, "srt://h:7000?latency=300");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"begin 8", "perform 8", "end 8", "begin 9", "perform 9", "end 9"}));
}

}  // namespace
}  // namespace relaycaster
