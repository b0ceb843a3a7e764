// srt_bench_receiver: the far end for the SRT sender benchmark. Listens on
// 127.0.0.1:PORT, accepts every caller, reads and discards what arrives,
// and exits after SECONDS with a count of connections and bytes. Runs as
// its own process so that receiving costs nothing in the measured one.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <srt/srt.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: srt_bench_receiver PORT SECONDS\n");
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const double seconds = std::atof(argv[2]);
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
      srt_listen(listener, 64) == SRT_ERROR) {
    std::fprintf(stderr, "srt_bench_receiver: cannot listen on %d: %s\n", port, srt_getlasterror_str());
    return 1;
  }
  const int poll = srt_epoll_create();
  const int readable = SRT_EPOLL_IN | SRT_EPOLL_ERR;
  srt_epoll_add_usock(poll, listener, &readable);

  long long bytes = 0;
  int connections = 0;
  std::vector<char> buffer(1500);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    SRT_EPOLL_EVENT events[64];
    const int ready = srt_epoll_uwait(poll, events, 64, 100);
    for (int e = 0; e < ready; ++e) {
      const SRTSOCKET socket = events[e].fd;
      if (socket == listener) {
        for (;;) {
          const SRTSOCKET caller = srt_accept(listener, nullptr, nullptr);
          if (caller == SRT_INVALID_SOCK) break;
          srt_setsockflag(caller, SRTO_RCVSYN, &no, sizeof no);
          srt_epoll_add_usock(poll, caller, &readable);
          ++connections;
        }
        continue;
      }
      for (;;) {
        const int got = srt_recvmsg(socket, buffer.data(), static_cast<int>(buffer.size()));
        if (got <= 0) break;
        bytes += got;
      }
      if (srt_getsockstate(socket) >= SRTS_BROKEN) {
        srt_epoll_remove_usock(poll, socket);
        srt_close(socket);
      }
    }
  }
  std::printf("connections %d bytes %lld\n", connections, bytes);
  srt_cleanup();
  return 0;
}
