#include "transport/srt/SrtLibrary.h"

#include <srt/srt.h>

namespace relaycaster {

// libsrt's log goes to stderr and reports routine events as errors (a
// non-blocking accept with nobody calling, every 2 ms), so only critical
// entries are kept.
void startLibSrt() {
  static const int started = [] {
    srt_setloglevel(LOG_CRIT);
    return srt_startup();
  }();
  (void)started;
}

}  // namespace relaycaster
