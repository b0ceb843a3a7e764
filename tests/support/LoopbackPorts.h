#pragma once

// Loopback UDP ports for tests and benchmarks that run network peers: a
// port to use, and whether some process has bound one yet. Free of any
// test framework, so that benchmark programs can build it in as well.
#include <chrono>

namespace testsupport {

/// A UDP port on 127.0.0.1 that was free a moment ago, picked at random
/// below the kernel's ephemeral range so that programs can run in parallel
/// and no outgoing socket takes it over; 0 when no socket could be had.
int freeUdpPort();

/// True when some process has a UDP socket bound to `port`, IPv4 or IPv6
/// (read from the kernel's socket tables).
bool udpPortBound(int port);

/// Polls udpPortBound until it holds (true) or `limit` passes (false): a
/// peer that listens is then ready to be called.
bool waitForUdpPort(int port, std::chrono::milliseconds limit);

}  // namespace testsupport
