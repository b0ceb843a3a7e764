// The lossy relay the SRT link tests run through, checked with plain UDP
// datagrams that carry their sequence numbers.
#include "support/LossyLink.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "support/LoopbackPorts.h"
#include "support/WaitFor.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::LinkImpairment;
using testsupport::LossyLink;

// A datagram: its sequence number and when it was sent.
struct Stamp {
  uint32_t sequence;
  int64_t sentNs;
};

int64_t nowNs() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }

// A UDP socket on 127.0.0.1 (port 0: any) that the test owns.
class Udp {
 public:
  explicit Udp(int port = 0) : mFd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address = at(port);
    bind(mFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  ~Udp() { close(mFd); }
  Udp(const Udp&) = delete;
  Udp& operator=(const Udp&) = delete;

  void sendTo(int port, const Stamp& stamp) {
    const sockaddr_in to = at(port);
    sendto(mFd, &stamp, sizeof stamp, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  void sendBytes(int port, const std::vector<uint8_t>& bytes) {
    const sockaddr_in to = at(port);
    sendto(mFd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  // To whoever sent the last datagram that arrived.
  void reply(const Stamp& stamp) {
    sockaddr_in to{};
    {
      std::lock_guard lock(mFromMutex);
      to = mLastFrom;
    }
    sendto(mFd, &stamp, sizeof stamp, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  // Everything that arrives until nothing has come for `quiet`.
  std::vector<Stamp> receiveUntilQuiet(std::chrono::milliseconds quiet) {
    std::vector<Stamp> got;
    std::vector<int64_t> arrivals;
    receiveInto(got, arrivals, quiet);
    return got;
  }
  // The same, appended to `got`, with the arrival times.
  void receiveInto(std::vector<Stamp>& got, std::vector<int64_t>& arrivals, std::chrono::milliseconds quiet) {
    pollfd ready{mFd, POLLIN, 0};
    while (poll(&ready, 1, static_cast<int>(quiet.count())) > 0) {
      Stamp stamp{};
      sockaddr_in from{};
      socklen_t length = sizeof from;
      if (recvfrom(mFd, &stamp, sizeof stamp, 0, reinterpret_cast<sockaddr*>(&from), &length) !=
          static_cast<ssize_t>(sizeof stamp))
        continue;
      {
        std::lock_guard lock(mFromMutex);
        mLastFrom = from;
      }
      got.push_back(stamp);
      arrivals.push_back(nowNs());
    }
  }

 private:
  static sockaddr_in at(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
  }
  int mFd;
  std::mutex mFromMutex;
  sockaddr_in mLastFrom{};  // guarded by mFromMutex: the reader writes, reply() reads
};

// A caller, a listener and the link between them. The listener reads on
// a thread of its own and stamps each datagram as it arrives, so neither
// a socket buffer nor the test's own pace shapes what is measured.
struct Bench {
  Bench(const LinkImpairment& forward, const LinkImpairment& backward, uint64_t seed,
        std::chrono::milliseconds limit = 20s)
      : listenerPort(testsupport::freeUdpPort()),
        listener(listenerPort),
        link(listenerPort, forward, backward, seed, limit),
        reader([this] {
          while (reading.load(std::memory_order_acquire)) {
            std::vector<Stamp> got;
            std::vector<int64_t> when;
            listener.receiveInto(got, when, 5ms);
            std::lock_guard lock(mutex);
            arrived.insert(arrived.end(), got.begin(), got.end());
            arrivals.insert(arrivals.end(), when.begin(), when.end());
          }
        }) {}
  ~Bench() {
    reading.store(false, std::memory_order_release);
    reader.join();
  }

  // Sends `count` datagrams to the link `gap` apart, in groups that the
  // link takes in before the next; returns what the listener got, in the
  // order it arrived, once nothing more has come for `quiet`.
  std::vector<Stamp> send(uint32_t count, std::chrono::microseconds gap = 0us,
                          std::chrono::milliseconds quiet = 200ms) {
    size_t before = 0;
    {
      std::lock_guard lock(mutex);
      before = arrived.size();
    }
    for (uint32_t i = 0; i < count; ++i) {
      caller.sendTo(link.frontPort(), {i, nowNs()});
      if (gap > 0us) std::this_thread::sleep_for(gap);
      if (i % 50 == 49) {
        // The link has taken the group in, and the listener has read all
        // it passed on so far, so no socket buffer can overflow on a busy machine.
        testsupport::WaitFor([&] { return link.forwardCounts().received >= static_cast<long>(i + 1); }, 2s);
        testsupport::WaitFor(
            [&] {
              const long delivered = link.forwardCounts().delivered;
              std::lock_guard lock(mutex);
              return static_cast<long>(arrived.size()) >= delivered;
            },
            2s);
      }
    }
    size_t seen = before;
    auto quietSince = Clock::now();
    while (Clock::now() - quietSince < quiet) {
      std::this_thread::sleep_for(1ms);
      std::lock_guard lock(mutex);
      if (arrived.size() != seen) {
        seen = arrived.size();
        quietSince = Clock::now();
      }
    }
    std::lock_guard lock(mutex);
    return std::vector<Stamp>(arrived.begin() + static_cast<long>(before), arrived.end());
  }
  std::vector<int64_t> arrivalTimes() {
    std::lock_guard lock(mutex);
    return arrivals;
  }

  const int listenerPort;
  Udp listener;
  Udp caller;
  LossyLink link;
  std::mutex mutex;
  std::vector<Stamp> arrived;     // guarded by mutex
  std::vector<int64_t> arrivals;  // guarded by mutex: when each arrived
  std::atomic<bool> reading{true};
  std::thread reader;
};

std::vector<uint32_t> sequences(const std::vector<Stamp>& stamps) {
  std::vector<uint32_t> numbers;
  for (const Stamp& stamp : stamps) numbers.push_back(stamp.sequence);
  return numbers;
}

TEST(LossyLink, RelaysBothWaysUntouchedWithoutImpairment) {
  Bench bench({}, {}, 1);
  ASSERT_TRUE(bench.link.ready());
  const std::vector<Stamp> forward = bench.send(200);
  ASSERT_EQ(forward.size(), 200u);
  for (uint32_t i = 0; i < forward.size(); ++i) EXPECT_EQ(forward[i].sequence, i);
  // The listener answers whoever sent to it: the link, which passes the
  // answers back to the caller.
  for (uint32_t i = 0; i < 20; ++i) bench.listener.reply({1000 + i, 0});
  const std::vector<Stamp> backward = bench.caller.receiveUntilQuiet(200ms);
  ASSERT_EQ(backward.size(), 20u);
  EXPECT_EQ(backward.front().sequence, 1000u);
  const testsupport::LinkCounts counts = bench.link.forwardCounts();
  EXPECT_EQ(counts.received, 200);
  EXPECT_EQ(counts.delivered, 200);
  EXPECT_EQ(counts.dropped + counts.duplicated + counts.reordered + counts.overflowed, 0);
  EXPECT_EQ(bench.link.backwardCounts().delivered, 20);
}

TEST(LossyLink, RandomLossKeepsToItsRateAndRepeatsWithItsSeed) {
  LinkImpairment lossy;
  lossy.lossRate = 0.1;
  std::vector<uint32_t> runs[3];
  const uint64_t seeds[3] = {7, 7, 8};
  for (int run = 0; run < 3; ++run) {
    Bench bench(lossy, {}, seeds[run]);
    runs[run] = sequences(bench.send(2000));
    const testsupport::LinkCounts counts = bench.link.forwardCounts();
    EXPECT_EQ(counts.received, 2000);
    EXPECT_EQ(counts.dropped + static_cast<long>(runs[run].size()), 2000);
    EXPECT_NEAR(static_cast<double>(counts.dropped), 200.0, 60.0);  // about 4.5 standard deviations
  }
  EXPECT_EQ(runs[0], runs[1]);
  EXPECT_NE(runs[0], runs[2]);
}

TEST(LossyLink, BurstsLoseRunsOfTheirLength) {
  LinkImpairment bursty;
  bursty.lossRate = 0.1;
  bursty.burstLength = 20;
  Bench bench(bursty, {}, 3);
  const std::vector<uint32_t> got = sequences(bench.send(4000));
  ASSERT_FALSE(got.empty());
  // Every gap is a whole number of bursts (one may follow another at once).
  int gaps = 0;
  for (size_t i = 1; i < got.size(); ++i) {
    const uint32_t missing = got[i] - got[i - 1] - 1;
    if (missing == 0) continue;
    ++gaps;
    EXPECT_EQ(missing % 20, 0u) << "after " << got[i - 1];
  }
  const long dropped = bench.link.forwardCounts().dropped;
  EXPECT_NEAR(static_cast<double>(dropped), 400.0, 200.0);
  EXPECT_GE(gaps, 8);
  EXPECT_NEAR(testsupport::burstStartProbability(0.1, 20), 0.1 / 18.1, 1e-12);
  EXPECT_DOUBLE_EQ(testsupport::burstStartProbability(0.1, 1), 0.1);
  EXPECT_DOUBLE_EQ(testsupport::burstStartProbability(1.0, 20), 1.0);
}

TEST(LossyLink, DelayWithJitterHoldsEachDatagramAndReordersThem) {
  LinkImpairment slow;
  slow.delayMs = 20.0;
  slow.jitterMs = 10.0;
  Bench bench(slow, {}, 5);
  const std::vector<Stamp> got = bench.send(300, 500us, 300ms);
  const std::vector<int64_t> arrivals = bench.arrivalTimes();
  ASSERT_EQ(got.size(), 300u);
  int outOfOrder = 0;
  uint32_t highest = 0;
  std::vector<double> delays;
  for (size_t i = 0; i < got.size(); ++i) {
    delays.push_back((arrivals[i] - got[i].sentNs) / 1e6);
    if (i > 0 && got[i].sequence < highest) ++outOfOrder;
    highest = std::max(highest, got[i].sequence);
  }
  std::sort(delays.begin(), delays.end());
  EXPECT_GE(delays.front(), 9.9);  // never earlier than the delay less the jitter
  EXPECT_LT(delays[delays.size() / 2], 30.0);  // half within the window, whatever the machine's load
  EXPECT_GT(outOfOrder, 30);
  EXPECT_EQ(bench.link.forwardCounts().reordered, outOfOrder);
}

TEST(LossyLink, DuplicatesArriveTwiceAndAreCounted) {
  LinkImpairment doubling;
  doubling.duplicateRate = 0.25;
  Bench bench(doubling, {}, 11);
  std::vector<uint32_t> got = sequences(bench.send(1000));
  const testsupport::LinkCounts counts = bench.link.forwardCounts();
  EXPECT_EQ(static_cast<long>(got.size()), 1000 + counts.duplicated);
  EXPECT_NEAR(static_cast<double>(counts.duplicated), 250.0, 70.0);
  std::sort(got.begin(), got.end());
  got.erase(std::unique(got.begin(), got.end()), got.end());
  EXPECT_EQ(got.size(), 1000u);  // every datagram at least once
}

TEST(LossyLink, EachDirectionHasItsOwnImpairment) {
  LinkImpairment blackHole;
  blackHole.lossRate = 1.0;
  Bench bench({}, blackHole, 13);
  EXPECT_EQ(bench.send(100).size(), 100u);
  for (uint32_t i = 0; i < 100; ++i) bench.listener.reply({i, 0});
  EXPECT_TRUE(bench.caller.receiveUntilQuiet(200ms).empty());
  EXPECT_EQ(bench.link.backwardCounts().received, 100);
  EXPECT_EQ(bench.link.backwardCounts().dropped, 100);
  EXPECT_EQ(bench.link.forwardCounts().dropped, 0);
}

TEST(LossyLink, SparedSrtHandshakesPassALinkThatLosesEverythingElse) {
  LinkImpairment blackHole;
  blackHole.lossRate = 1.0;
  blackHole.spareSrtHandshakes = true;
  Bench bench(blackHole, {}, 19);
  bench.send(20);  // not SRT: lost
  // An SRT control packet of type handshake (0x8000), padded to a real size.
  std::vector<uint8_t> handshake(64, 0);
  handshake[0] = 0x80;
  const std::vector<uint8_t> keepalive = {0x80, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(testsupport::isSrtHandshake(handshake.data(), handshake.size()));
  EXPECT_FALSE(testsupport::isSrtHandshake(keepalive.data(), keepalive.size()));
  EXPECT_FALSE(testsupport::isSrtHandshake(handshake.data(), 8));
  bench.caller.sendBytes(bench.link.frontPort(), handshake);
  bench.caller.sendBytes(bench.link.frontPort(), keepalive);
  // The keepalive may still be on its way when the handshake has been delivered.
  ASSERT_TRUE(testsupport::WaitFor([&] { return bench.link.forwardCounts().received == 22; }, 2s));
  ASSERT_TRUE(testsupport::WaitFor([&] { return bench.link.forwardCounts().delivered == 1; }, 2s));
  EXPECT_EQ(bench.link.forwardCounts().spared, 1);
  EXPECT_EQ(bench.link.forwardCounts().dropped, 21);
  EXPECT_EQ(bench.link.forwardCounts().delivered, 1);
}

TEST(LossyLink, StopsRelayingAtItsTimeLimit) {
  Bench bench({}, {}, 17, 150ms);
  EXPECT_EQ(bench.send(10, 0us, 100ms).size(), 10u);
  ASSERT_TRUE(testsupport::WaitFor([&] { return !bench.link.relaying(); }, 2s));
  EXPECT_TRUE(bench.send(10, 0us, 100ms).empty());
  const auto stopped = Clock::now();
  bench.link.stop();
  EXPECT_LT(Clock::now() - stopped, 100ms);
}

}  // namespace
