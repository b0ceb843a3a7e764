// The plug-in module starts libsrt, which is not built for the sanitizers:
// reports with libsrt's own code on the stack are about its internals,
// ordered in ways the detector cannot see from outside, and OpenSSL's
// per-thread state on libsrt's threads is never freed by design.
extern "C" const char* __lsan_default_suppressions() { return "leak:libcrypto.so\n"; }
extern "C" const char* __tsan_default_suppressions() { return "race:libsrt.so\ndeadlock:libsrt.so\n"; }
