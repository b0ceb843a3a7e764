// The SRT sender's pieces that need no peer: the socket options table, the
// listen callback's decision, the caller address text, the messages and
// the settings generation.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include "SrtTestLibrary.h"
#include "transport/srt/SrtLink.h"
#include "transport/srt/SrtListener.h"
#include "transport/srt/SrtMessages.h"
#include "transport/srt/SrtSocketOptions.h"
#include "transport/srt/SrtStatus.h"

namespace {

using relaycaster::SrtAcceptContext;
using relaycaster::SrtSettings;
using relaycaster::SrtSocketOption;

std::vector<SRT_SOCKOPT> optionIds(const std::vector<SrtSocketOption>& options) {
  std::vector<SRT_SOCKOPT> ids;
  for (const SrtSocketOption& option : options) ids.push_back(option.option);
  return ids;
}

TEST(SrtSocketOptions, PlainCallerGetsNonBlockingLatencyAndTimeoutInOrder) {
  SrtSettings settings;
  settings.latencyMs = 350;
  const auto options = relaycaster::srtSocketOptions(settings);
  EXPECT_EQ(optionIds(options), (std::vector<SRT_SOCKOPT>{SRTO_SNDSYN, SRTO_RCVSYN, SRTO_LATENCY, SRTO_CONNTIMEO, SRTO_LINGER}));
  EXPECT_EQ(std::get<bool>(options[0].value), false);
  EXPECT_EQ(std::get<bool>(options[1].value), false);
  EXPECT_EQ(std::get<int>(options[2].value), 350);
  EXPECT_EQ(std::get<int>(options[3].value), 3000);
  EXPECT_EQ(std::get<linger>(options[4].value).l_onoff, 1);
  EXPECT_EQ(std::get<linger>(options[4].value).l_linger, 2);
  for (const SrtSocketOption& option : options) EXPECT_EQ(option.binding, SrtSocketOption::Binding::BeforeConnect);
}

TEST(SrtSocketOptions, PassphraseBringsAes128AndCallersSendTheirStreamId) {
  SrtSettings settings;
  settings.passphrase = "0123456789";
  settings.streamId = "studio";
  const auto caller = relaycaster::srtSocketOptions(settings);
  EXPECT_EQ(optionIds(caller), (std::vector<SRT_SOCKOPT>{SRTO_SNDSYN, SRTO_RCVSYN, SRTO_LATENCY, SRTO_CONNTIMEO, SRTO_LINGER,
                                                         SRTO_PASSPHRASE, SRTO_PBKEYLEN, SRTO_STREAMID}));
  EXPECT_EQ(std::get<std::string>(caller[5].value), "0123456789");
  EXPECT_EQ(std::get<int>(caller[6].value), 16);
  EXPECT_EQ(std::get<std::string>(caller[7].value), "studio");

  settings.mode = 1;  // a listener checks stream ids instead of sending one
  const auto listener = relaycaster::srtSocketOptions(settings);
  EXPECT_EQ(optionIds(listener), (std::vector<SRT_SOCKOPT>{SRTO_SNDSYN, SRTO_RCVSYN, SRTO_LATENCY, SRTO_CONNTIMEO, SRTO_LINGER,
                                                           SRTO_PASSPHRASE, SRTO_PBKEYLEN}));
}

TEST(SrtSocketOptions, ApplyingToAnInvalidSocketFails) {
  srtpeer::useLibSrt();
  EXPECT_FALSE(relaycaster::applySrtSocketOptions(SRT_INVALID_SOCK, relaycaster::srtSocketOptions(SrtSettings{})));
  EXPECT_TRUE(relaycaster::applySrtSocketOptions(SRT_INVALID_SOCK, {}));
}

TEST(SrtSocketOptions, AllOptionsApplyToARealSocket) {
  srtpeer::useLibSrt();
  SrtSettings settings;
  settings.passphrase = std::string(79, 'p');
  settings.streamId = "id";
  const SRTSOCKET socket = srt_create_socket();
  ASSERT_NE(socket, SRT_INVALID_SOCK);
  EXPECT_TRUE(relaycaster::applySrtSocketOptions(socket, relaycaster::srtSocketOptions(settings)));
  int latency = 0;
  int length = sizeof latency;
  ASSERT_NE(srt_getsockflag(socket, SRTO_LATENCY, &latency, &length), SRT_ERROR);
  EXPECT_EQ(latency, 200);
  linger wait{};
  length = sizeof wait;
  ASSERT_NE(srt_getsockflag(socket, SRTO_LINGER, &wait, &length), SRT_ERROR);
  EXPECT_EQ(wait.l_onoff, 1);
  EXPECT_EQ(wait.l_linger, 2);
  srt_close(socket);
}

// Long enough for libsrt to repair what is still on its way at the close,
// and bounded at any latency the settings can hold.
TEST(SrtSocketOptions, TheLingerCoversTheLatencyAndASecondMore) {
  EXPECT_EQ(relaycaster::srtLingerSeconds(20), 2);
  EXPECT_EQ(relaycaster::srtLingerSeconds(999), 2);
  EXPECT_EQ(relaycaster::srtLingerSeconds(1000), 3);
  EXPECT_EQ(relaycaster::srtLingerSeconds(8000), 10);
  EXPECT_EQ(relaycaster::srtLingerSeconds(-5), 2);
  EXPECT_EQ(relaycaster::srtLingerSeconds(1 << 30), 62);
}

TEST(SrtAcceptContext, OneReceiverAtATimeAndExactStreamIds) {
  SrtAcceptContext any;
  EXPECT_TRUE(any.admits(nullptr));
  EXPECT_TRUE(any.admits(""));
  EXPECT_TRUE(any.admits("anything"));
  any.accepted.store(true);
  EXPECT_FALSE(any.admits("anything"));

  SrtAcceptContext required;
  required.requiredStreamId = "Cam-1";
  EXPECT_TRUE(required.admits("Cam-1"));
  for (const char* other : {"cam-1", "CAM-1", "Cam-1 ", " Cam-1", "Cam-", "Cam-12", ""}) EXPECT_FALSE(required.admits(other)) << other;
  EXPECT_FALSE(required.admits(nullptr));
  required.accepted.store(true);
  EXPECT_FALSE(required.admits("Cam-1"));
}

TEST(SrtCallerAddress, NumericAddressAndPortForBothFamilies) {
  sockaddr_in v4{};
  v4.sin_family = AF_INET;
  v4.sin_port = htons(50123);
  inet_pton(AF_INET, "127.0.0.1", &v4.sin_addr);
  EXPECT_EQ(relaycaster::callerAddressText(reinterpret_cast<sockaddr*>(&v4), sizeof v4), "127.0.0.1:50123");

  sockaddr_in6 v6{};
  v6.sin6_family = AF_INET6;
  v6.sin6_port = htons(9000);
  inet_pton(AF_INET6, "::1", &v6.sin6_addr);
  EXPECT_EQ(relaycaster::callerAddressText(reinterpret_cast<sockaddr*>(&v6), sizeof v6), "::1:9000");

  sockaddr other{};
  other.sa_family = AF_UNIX;
  EXPECT_EQ(relaycaster::callerAddressText(&other, sizeof other), ":0");
  EXPECT_EQ(relaycaster::callerAddressText(nullptr, 0), ":0");
}

TEST(SrtMessages, ComposedWordForWord) {
  namespace m = relaycaster::srt_messages;
  EXPECT_EQ(m::notFound("studio.example"), "Cannot find studio.example.");
  EXPECT_EQ(m::couldNotCall("h", 9000, "Operation not supported"), "Could not call h:9000 (Operation not supported).");
  EXPECT_EQ(m::refused("h", "Peer rejected connection"), "Refused by h: Peer rejected connection.");
  EXPECT_EQ(m::noAnswer("10.0.0.1", 1), "No answer from 10.0.0.1:1.");
  EXPECT_EQ(m::cannotListen(65535, "x"), "Cannot listen on port 65535 (x).");
  EXPECT_STREQ(m::kReceiverWentAway, "The receiver went away. Calling again.");
  EXPECT_STREQ(m::kPassphraseLength, "The passphrase must be 10 to 79 characters long.");
  EXPECT_STREQ(m::kPortRange, "The port must be 1 to 65535.");
}

TEST(SrtStatus, GenerationRisesOnlyForChangesBeyondTheServiceName) {
  relaycaster::SrtStatus status;
  SrtSettings settings;
  status.requestSettings(settings);
  EXPECT_EQ(status.requestedGeneration(), 0u);
  settings.serviceName = "Drums";
  status.requestSettings(settings);
  EXPECT_EQ(status.requestedGeneration(), 0u);

  uint64_t generation = 0;
  SrtSettings copy;
  ASSERT_TRUE(status.takeSettingsIfNewer(generation, false, copy));
  EXPECT_EQ(copy.serviceName, "Drums");  // stored all the same
  EXPECT_FALSE(status.takeSettingsIfNewer(generation, true, copy));

  settings.bitrateKbps = 128;
  status.requestSettings(settings);
  EXPECT_EQ(status.requestedGeneration(), 1u);
  EXPECT_TRUE(status.takeSettingsIfNewer(generation, true, copy));
  EXPECT_EQ(generation, 1u);
  EXPECT_EQ(copy.bitrateKbps, 128);
}

}  // namespace
