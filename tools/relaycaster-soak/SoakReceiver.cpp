#include "SoakReceiver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <srt/srt.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

namespace relaycaster_soak {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPacket = 188;
constexpr int kNullPid = 0x1FFF;

// One caller: what it sent and whether its packets followed each other.
class Connection {
 public:
  Connection() { mLast.fill(-1); }

  void take(const uint8_t* data, int size) {
    bytes += size;
    for (int at = 0; at + kPacket <= size; at += kPacket) {
      const uint8_t* p = data + at;
      if (p[0] != 0x47) {
        ++errors;
        continue;
      }
      const int pid = ((p[1] & 0x1F) << 8) | p[2];
      if (pid == kNullPid || !(p[3] & 0x10)) continue;
      const int counter = p[3] & 0x0F;
      int& last = mLast[static_cast<size_t>(pid)];
      if (last >= 0 && counter != ((last + 1) & 0x0F)) ++errors;
      last = counter;
    }
  }

  long long bytes = 0;
  long errors = 0;
  bool open = true;

 private:
  std::array<int, 8192> mLast;
};

}  // namespace

int runReceiver(int port, double seconds, double reportSeconds) {
  srt_setloglevel(LOG_CRIT);
  srt_startup();
  const SRTSOCKET listener = srt_create_socket();
  const bool no = false;
  srt_setsockflag(listener, SRTO_RCVSYN, &no, sizeof no);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
  if (srt_bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == SRT_ERROR ||
      srt_listen(listener, 256) == SRT_ERROR) {
    std::fprintf(stderr, "relaycaster-soak receiver: cannot listen on %d: %s\n", port, srt_getlasterror_str());
    return 1;
  }
  const int poll = srt_epoll_create();
  const int readable = SRT_EPOLL_IN | SRT_EPOLL_ERR;
  srt_epoll_add_usock(poll, listener, &readable);

  std::map<SRTSOCKET, Connection> connections;
  std::vector<char> buffer(1500);
  const Clock::time_point start = Clock::now();
  const Clock::time_point end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  const auto every = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(reportSeconds));
  Clock::time_point nextReport = start + every;
  long long reportedBytes = 0;
  while (Clock::now() < end) {
    SRT_EPOLL_EVENT events[64];
    const int ready = srt_epoll_uwait(poll, events, 64, 100);
    for (int e = 0; e < ready; ++e) {
      const SRTSOCKET socket = events[e].fd;
      if (socket == listener) {
        for (SRTSOCKET caller; (caller = srt_accept(listener, nullptr, nullptr)) != SRT_INVALID_SOCK;) {
          srt_setsockflag(caller, SRTO_RCVSYN, &no, sizeof no);
          srt_epoll_add_usock(poll, caller, &readable);
          connections[caller];
        }
        continue;
      }
      Connection& connection = connections[socket];
      for (int got; (got = srt_recvmsg(socket, buffer.data(), static_cast<int>(buffer.size()))) > 0;)
        connection.take(reinterpret_cast<const uint8_t*>(buffer.data()), got);
      if (srt_getsockstate(socket) >= SRTS_BROKEN) {
        connection.open = false;
        srt_epoll_remove_usock(poll, socket);
        srt_close(socket);
      }
    }
    if (Clock::now() >= nextReport) {
      nextReport += every;
      long long bytes = 0;
      long errors = 0;
      int open = 0;
      for (const auto& [socket, connection] : connections) {
        bytes += connection.bytes;
        errors += connection.errors;
        open += connection.open ? 1 : 0;
      }
      std::printf("           receiver: %d connections, %d open, %.1f MB this period (%.0f kbit/s each), "
                  "continuity errors %ld\n",
                  static_cast<int>(connections.size()), open, (bytes - reportedBytes) / 1e6,
                  open > 0 ? (bytes - reportedBytes) * 8.0 / 1000.0 / reportSeconds / open : 0.0, errors);
      std::fflush(stdout);
      reportedBytes = bytes;
    }
  }
  srt_cleanup();
  return 0;
}

}  // namespace relaycaster_soak
