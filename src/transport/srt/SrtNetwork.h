#pragma once

// The system's name resolution and address text for the SRT worker, once
// per platform (SrtNetwork_linux.cpp with getaddrinfo, SrtNetwork_win.cpp
// with the wide Windows sockets calls). libsrt's header brings each
// platform's socket types.
#include <srt/srt.h>

#include <optional>
#include <string>

namespace relaycaster::srt_network {

/// One socket address of any family.
struct SocketAddress {
  sockaddr_storage storage{};
  int length = 0;
  const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

/// The first address the system resolver gives for `host` with `port` as a
/// decimal service, any address family, datagram sockets; nothing when
/// resolution fails or yields nothing. Blocks while the resolver works.
std::optional<SocketAddress> resolveFirst(const std::string& host, int port);

/// The numeric address and port of an IPv4 or IPv6 address as the system
/// writes them (IPv6 without brackets); false when the system cannot.
bool numericHostAndPort(const sockaddr* address, int length, std::string& host, std::string& port);

}  // namespace relaycaster::srt_network
