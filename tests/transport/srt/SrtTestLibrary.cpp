#include "SrtTestLibrary.h"

#include "transport/srt/SrtLibrary.h"

namespace srtpeer {

void useLibSrt() { relaycaster::startLibSrt(); }

}  // namespace srtpeer

// libsrt's encryption runs OpenSSL on libsrt's own threads, whose per-thread
// state OpenSSL never frees; that is none of ours to report.
extern "C" const char* __lsan_default_suppressions() { return "leak:libcrypto.so\n"; }

// libsrt is not built for the race detector: races and lock-order reports
// with libsrt's own code on a stack (its receive buffers, its drift
// tracking, its listener set-up) are about libsrt's internals, which it
// orders in ways the detector cannot see from outside.
extern "C" const char* __tsan_default_suppressions() { return "race:libsrt.so\ndeadlock:libsrt.so\n"; }
