// Windows sockets name resolution, in UTF-16 so that a host name typed in
// any script reaches the resolver unchanged. libsrt's start-up (which every
// SRT worker runs first) has already started Windows sockets.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>
#include <memory>

#include "framework/WideText_win.h"
#include "transport/srt/SrtNetwork.h"

namespace relaycaster::srt_network {

std::optional<SocketAddress> resolveFirst(const std::string& host, int port) {
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  ADDRINFOW* list = nullptr;
  const std::wstring wideHost = framework::WideFromUtf8(host);
  const std::wstring service = std::to_wstring(port);
  if (GetAddrInfoW(wideHost.c_str(), service.c_str(), &hints, &list) != 0) return std::nullopt;
  const std::unique_ptr<ADDRINFOW, decltype(&FreeAddrInfoW)> owner(list, &FreeAddrInfoW);
  if (list == nullptr || list->ai_addr == nullptr || list->ai_addrlen > sizeof(sockaddr_storage)) return std::nullopt;
  SocketAddress address;
  std::memcpy(&address.storage, list->ai_addr, list->ai_addrlen);
  address.length = static_cast<int>(list->ai_addrlen);
  return address;
}

bool numericHostAndPort(const sockaddr* address, int length, std::string& host, std::string& port) {
  wchar_t hostText[NI_MAXHOST] = {};
  wchar_t portText[NI_MAXSERV] = {};
  if (GetNameInfoW(address, static_cast<socklen_t>(length), hostText, NI_MAXHOST, portText, NI_MAXSERV,
                   NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
    return false;
  }
  host = framework::Utf8FromWide(hostText);
  port = framework::Utf8FromWide(portText);
  return true;
}

}  // namespace relaycaster::srt_network
