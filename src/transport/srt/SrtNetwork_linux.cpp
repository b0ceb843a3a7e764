#include <netdb.h>
#include <sys/socket.h>

#include <cstring>
#include <memory>

#include "transport/srt/SrtNetwork.h"

namespace relaycaster::srt_network {

std::optional<SocketAddress> resolveFirst(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* list = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) != 0) return std::nullopt;
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(list, &freeaddrinfo);
  if (list == nullptr || list->ai_addr == nullptr || list->ai_addrlen > sizeof(sockaddr_storage)) return std::nullopt;
  SocketAddress address;
  std::memcpy(&address.storage, list->ai_addr, list->ai_addrlen);
  address.length = static_cast<int>(list->ai_addrlen);
  return address;
}

bool numericHostAndPort(const sockaddr* address, int length, std::string& host, std::string& port) {
  char hostText[NI_MAXHOST] = {};
  char portText[NI_MAXSERV] = {};
  if (getnameinfo(address, static_cast<socklen_t>(length), hostText, sizeof hostText, portText, sizeof portText,
                  NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
    return false;
  }
  host = hostText;
  port = portText;
  return true;
}

}  // namespace relaycaster::srt_network
