#include "support/LossyLink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <queue>
#include <random>
#include <vector>

#include "support/LoopbackPorts.h"

namespace testsupport {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxDatagram = 65536;
constexpr size_t kMaxInFlight = 65536;                 // datagrams held for later delivery
constexpr auto kIdlePoll = std::chrono::milliseconds(5);  // how soon a stop or the limit is noticed
constexpr int kBindAttempts = 20;

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

// A non-blocking UDP socket bound to 127.0.0.1:`port` (0: any port), or -1.
int boundSocket(int port) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const sockaddr_in address = loopback(port);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// One direction's random decisions, drawn in a fixed order per datagram so
// that a seed always gives the same treatment to the same sequence.
class Impairer {
 public:
  Impairer(const LinkImpairment& impairment, uint64_t seed)
      : mImpairment(impairment),
        mBurstStart(burstStartProbability(impairment.lossRate, impairment.burstLength)),
        mRandom(seed) {}

  bool lose() {
    const bool startsBurst = mUniform(mRandom) < mBurstStart;
    if (mBurstLeft > 0) {
      --mBurstLeft;
      return true;
    }
    if (!startsBurst) return false;
    mBurstLeft = std::max(1, mImpairment.burstLength) - 1;
    return true;
  }
  bool duplicate() { return mUniform(mRandom) < mImpairment.duplicateRate; }
  bool spares(const uint8_t* data, size_t size) const {
    return mImpairment.spareSrtHandshakes && isSrtHandshake(data, size);
  }
  Clock::duration delay() {
    const double jitter = (2.0 * mUniform(mRandom) - 1.0) * mImpairment.jitterMs;
    const double milliseconds = std::max(0.0, mImpairment.delayMs + jitter);
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(milliseconds));
  }

 private:
  LinkImpairment mImpairment;
  double mBurstStart;
  std::mt19937_64 mRandom;
  std::uniform_real_distribution<double> mUniform{0.0, 1.0};
  int mBurstLeft = 0;
};

struct Pending {
  Clock::time_point when;
  uint64_t order;     // ties keep the order of scheduling
  int direction;      // 0 forward, 1 backward
  uint64_t entered;   // the datagram's place in its direction's arrivals
  std::vector<uint8_t> bytes;
  bool operator>(const Pending& other) const {
    return when != other.when ? when > other.when : order > other.order;
  }
};

}  // namespace

bool isSrtHandshake(const uint8_t* data, size_t size) {
  // The first 16 bits of a control packet: the control flag, then the type
  // (0 for a handshake).
  return size >= 16 && data[0] == 0x80 && data[1] == 0x00;
}

double burstStartProbability(double lossRate, int burstLength) {
  const double rate = std::clamp(lossRate, 0.0, 1.0);
  const double length = std::max(1, burstLength);
  // Outside a burst each datagram starts one with probability q; a burst
  // loses `length` datagrams. Per such trial q·length are lost out of
  // 1 + q·(length − 1) datagrams; solved for q at the wanted rate:
  return rate / (length - rate * (length - 1.0));
}

LossyLink::LossyLink(int backPort, const LinkImpairment& forward, const LinkImpairment& backward, uint64_t seed,
                     std::chrono::milliseconds limit)
    : mBackPort(backPort), mForward(forward), mBackward(backward), mSeed(seed) {
  for (int attempt = 0; attempt < kBindAttempts && mFrontSocket < 0; ++attempt) {
    const int port = freeUdpPort();
    mFrontSocket = boundSocket(port);
    if (mFrontSocket >= 0) mFrontPort = port;
  }
  mBackSocket = boundSocket(0);
  if (!ready()) {
    mFrontPort = 0;
    return;
  }
  const Clock::time_point until = Clock::now() + limit;
  mRelaying.store(true, std::memory_order_release);
  mThread = std::thread([this, until] { run(until); });
}

LossyLink::~LossyLink() {
  stop();
  if (mFrontSocket >= 0) close(mFrontSocket);
  if (mBackSocket >= 0) close(mBackSocket);
}

void LossyLink::stop() {
  mRunning.store(false, std::memory_order_release);
  if (mThread.joinable()) mThread.join();
}

LinkCounts LossyLink::forwardCounts() const {
  std::lock_guard lock(mMutex);
  return mForwardCounts;
}

LinkCounts LossyLink::backwardCounts() const {
  std::lock_guard lock(mMutex);
  return mBackwardCounts;
}

// The relay: reads whatever has arrived on either socket, decides each
// datagram's fate at once, and sends those that are due.
void LossyLink::run(Clock::time_point until) {
  Impairer impairers[2] = {Impairer(mForward, mSeed * 2 + 1), Impairer(mBackward, mSeed * 2 + 2)};
  LinkCounts counts[2];
  uint64_t arrivals[2] = {0, 0};
  uint64_t latestDelivered[2] = {0, 0};
  bool anyDelivered[2] = {false, false};
  std::priority_queue<Pending, std::vector<Pending>, std::greater<>> inFlight;
  uint64_t order = 0;
  sockaddr_in caller{};
  bool haveCaller = false;
  const sockaddr_in listener = loopback(mBackPort);
  std::vector<uint8_t> buffer(kMaxDatagram);

  auto publish = [&] {
    std::lock_guard lock(mMutex);
    mForwardCounts = counts[0];
    mBackwardCounts = counts[1];
  };
  auto take = [&](int direction, const uint8_t* data, size_t size) {
    LinkCounts& count = counts[direction];
    Impairer& impairer = impairers[direction];
    ++count.received;
    const uint64_t entered = arrivals[direction]++;
    if (impairer.spares(data, size)) {
      ++count.spared;
      inFlight.push({Clock::now() + impairer.delay(), order++, direction, entered,
                     std::vector<uint8_t>(data, data + size)});
      return;
    }
    // Every decision is drawn whatever the outcome, so that one datagram's
    // fate never shifts the draws of the next.
    const bool lost = impairer.lose();
    const bool twice = impairer.duplicate();
    const Clock::duration first = impairer.delay();
    const Clock::duration second = impairer.delay();
    if (lost) {
      ++count.dropped;
      return;
    }
    const Clock::time_point now = Clock::now();
    for (int copy = 0; copy < (twice ? 2 : 1); ++copy) {
      if (inFlight.size() >= kMaxInFlight) {
        ++count.overflowed;
        continue;
      }
      if (copy == 1) ++count.duplicated;
      inFlight.push({now + (copy == 0 ? first : second), order++, direction, entered,
                     std::vector<uint8_t>(data, data + size)});
    }
  };
  auto deliverDue = [&] {
    const Clock::time_point now = Clock::now();
    while (!inFlight.empty() && inFlight.top().when <= now) {
      const Pending& next = inFlight.top();
      const int direction = next.direction;
      if (direction == 0 || haveCaller) {
        const sockaddr_in& to = direction == 0 ? listener : caller;
        const int from = direction == 0 ? mBackSocket : mFrontSocket;
        sendto(from, next.bytes.data(), next.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        LinkCounts& count = counts[direction];
        ++count.delivered;
        if (anyDelivered[direction] && next.entered < latestDelivered[direction]) ++count.reordered;
        if (!anyDelivered[direction] || next.entered > latestDelivered[direction]) latestDelivered[direction] = next.entered;
        anyDelivered[direction] = true;
      }
      inFlight.pop();
    }
  };

  while (mRunning.load(std::memory_order_acquire) && Clock::now() < until) {
    Clock::duration wait = kIdlePoll;
    if (!inFlight.empty()) wait = std::clamp(inFlight.top().when - Clock::now(), Clock::duration::zero(), wait);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    const timespec timeout{static_cast<time_t>(nanoseconds / 1000000000), static_cast<long>(nanoseconds % 1000000000)};
    pollfd sockets[2] = {{mFrontSocket, POLLIN, 0}, {mBackSocket, POLLIN, 0}};
    const int ready = ppoll(sockets, 2, &timeout, nullptr);
    if (ready < 0 && errno != EINTR) break;
    for (int direction = 0; direction < 2 && ready > 0; ++direction) {
      if (!(sockets[direction].revents & POLLIN)) continue;
      for (;;) {
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t got = recvfrom(sockets[direction].fd, buffer.data(), buffer.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from), &length);
        if (got < 0) break;  // drained (EAGAIN) or a transient error
        if (direction == 0) {
          caller = from;  // answers go to whoever called last
          haveCaller = true;
        }
        take(direction, buffer.data(), static_cast<size_t>(got));
      }
    }
    deliverDue();
    publish();
  }
  publish();
  mRelaying.store(false, std::memory_order_release);
}

}  // namespace testsupport
