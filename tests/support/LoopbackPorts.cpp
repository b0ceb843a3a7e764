#include "support/LoopbackPorts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
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

}  // namespace

int freeUdpPort() {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

bool udpPortBound(int port) { return listedIn("/proc/net/udp", port) || listedIn("/proc/net/udp6", port); }

bool waitForUdpPort(int port, std::chrono::milliseconds limit) {
  return WaitFor([port] { return udpPortBound(port); }, limit);
}

}  // namespace testsupport
