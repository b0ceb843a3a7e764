// The plug-in starts libsrt, which is not built for the sanitizers: reports
// with libsrt's own code on the stack (its lock order between its queues
// and sockets, its receive buffers) are about its internals, ordered in ways
// the detector cannot see from outside; OpenSSL's per-thread state on
// libsrt's threads is never freed by design. Read only by sanitizer builds.
extern "C" const char* __lsan_default_suppressions() { return "leak:libcrypto.so\n"; }
extern "C" const char* __tsan_default_suppressions() { return "race:libsrt.so\ndeadlock:libsrt.so\n"; }
