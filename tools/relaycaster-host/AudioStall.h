#pragma once

// A moment when the host's audio thread is held up, as when a DAW's audio
// thread waits on a disk or a busy plug-in: the transports' readers run dry
// and count a drop-out when the audio comes back. Given on the command line
// so that drop-outs can be made on purpose and looked at.

namespace relaycaster_host {

struct AudioStall {
  double atSeconds = 0.0;       // into the run, on the host's steady clock
  double milliseconds = 100.0;  // how long the audio thread sleeps instead of processing
};

}  // namespace relaycaster_host
