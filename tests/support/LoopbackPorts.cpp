#include "support/LoopbackPorts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "support/WaitFor.h"

namespace testsupport {

namespace {

/// Whether a /proc/net table lists a socket whose local address ends in `port`.
bool listedIn(const char* table, int port) {
  std::ifstream file(table);
  std::string line;
  std::getline(file, line);  // the header
  while (std::getline(file, line)) {
    // "sl local_address rem_address ...", the local address as HEXADDR:HEXPORT
    std::istringstream fields(line);
    std::string slot, local;
    fields >> slot >> local;
    const size_t colon = local.rfind(':');
    if (colon != std::string::npos && std::stoi(local.substr(colon + 1), nullptr, 16) == port) return true;
  }
  return false;
}

constexpr int kLowestTestPort = 16384;

/// The first port of the kernel's ephemeral range (32768 when unknown).
int ephemeralRangeLow() {
  std::ifstream range("/proc/sys/net/ipv4/ip_local_port_range");
  int low = 0;
  return range >> low && low > 0 ? low : 32768;
}

/// Binds a UDP socket to 127.0.0.1:`port` (0: any) and releases it; the port
/// it got, or 0.
int bindsOnLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  int bound = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) bound = ntohs(address.sin_port);
  }
  close(fd);
  return bound;
}

}  // namespace

int freeUdpPort() {
  // Below the kernel's ephemeral range: a port released by a killed peer
  // can then not be taken meanwhile by some other test's outgoing socket,
  // which would make a peer started on it later fail to listen while the
  // port still looks bound.
  const int ephemeralLow = ephemeralRangeLow();
  std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(getpid()));
  std::uniform_int_distribution<int> below(kLowestTestPort, ephemeralLow - 1);
  for (int attempt = 0; attempt < 200 && ephemeralLow > kLowestTestPort; ++attempt) {
    const int port = below(random);
    if (bindsOnLoopback(port) == port && !udpPortBound(port)) return port;
  }
  return bindsOnLoopback(0);
}

bool udpPortBound(int port) { return listedIn("/proc/net/udp", port) || listedIn("/proc/net/udp6", port); }

bool waitForUdpPort(int port, std::chrono::milliseconds limit) {
  return WaitFor([port] { return udpPortBound(port); }, limit);
}

}  // namespace testsupport
