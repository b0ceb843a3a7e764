#pragma once

// RELAYCASTER_VECTOR_CLONES on a function with a plain, vectorisable loop
// makes the compiler build it for several instruction sets and pick the
// best at load time (GCC on x86-64 with an ELF loader; Clang refuses clones
// of templates). Elsewhere it builds the function once for the baseline.
// Sanitizer builds keep one version (their attributes and clones do not mix).
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define RELAYCASTER_SANITIZED_BUILD 1
#endif
#endif
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define RELAYCASTER_SANITIZED_BUILD 1
#endif

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__) && \
    !defined(RELAYCASTER_SANITIZED_BUILD)
#define RELAYCASTER_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define RELAYCASTER_VECTOR_CLONES
#endif
