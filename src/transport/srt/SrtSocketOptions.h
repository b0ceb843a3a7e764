#pragma once

#include <srt/srt.h>

#include <string>
#include <variant>
#include <vector>

#include "transport/srt/SrtSettings.h"

namespace relaycaster {

/// One libsrt socket option as the worker applies it: which option, a name
/// for diagnostics, the value, and whether it must be set before connecting
/// (or listening) or may follow afterwards.
struct SrtSocketOption {
  enum class Binding { BeforeConnect, AfterConnect };

  SRT_SOCKOPT option;
  const char* name;
  std::variant<bool, int, std::string, linger> value;
  Binding binding = Binding::BeforeConnect;
};

/// The options every socket of the worker gets, in the order they are
/// applied: non-blocking sends and receives, latency, a 3 s connection
/// timeout, a linger long enough for libsrt to deliver (and repair) what
/// it still holds when a connection is closed on purpose, then the
/// passphrase with AES-128 when one is set, then the stream id for a
/// caller that has one. Everything else keeps libsrt's live-mode defaults.
std::vector<SrtSocketOption> srtSocketOptions(const SrtSettings& settings);

/// Applies the options of `binding` to `socket` in order; stops at the first
/// that libsrt refuses and returns false (srt_getlasterror_str then says why).
/// Whole seconds a closed socket may linger: at least the latency (in
/// which libsrt still repairs losses before it gives packets up) and a
/// second more.
int srtLingerSeconds(int latencyMs);

bool applySrtSocketOptions(SRTSOCKET socket, const std::vector<SrtSocketOption>& options,
                           SrtSocketOption::Binding binding = SrtSocketOption::Binding::BeforeConnect);

}  // namespace relaycaster
