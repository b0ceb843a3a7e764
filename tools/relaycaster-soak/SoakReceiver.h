#pragma once

namespace relaycaster_soak {

/// The soak's far end, run as a process of its own so that receiving costs
/// nothing in the measured one: listens on 127.0.0.1:`port`, accepts every
/// caller, reads what arrives and checks each connection's transport-stream
/// continuity, and prints a line every `reportSeconds` (connections, bytes,
/// continuity errors). Ends after `seconds`. Returns the exit code.
int runReceiver(int port, double seconds, double reportSeconds);

}  // namespace relaycaster_soak
