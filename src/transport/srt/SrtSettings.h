#pragma once

#include <string>

namespace relaycaster {

/// What the SRT worker is asked to do. Copied under the sender's lock.
struct SrtSettings {
  int mode = 0;          // 0 caller, 1 listener
  int codec = 0;         // 0 AAC, 1 PCM
  std::string host;      // receiver to call (caller mode)
  int port = 9000;       // remote port (caller) or local port (listener)
  int latencyMs = 200;
  std::string streamId;  // caller: sent; listener: required of callers (empty: any)
  std::string passphrase;  // empty: no encryption; else 10 to 79 characters
  int bitrateKbps = 0;   // AAC bit rate; 0 chooses by channel count
  std::string serviceName = "Relaycaster";

  /// Equal when every field but the service name is equal: a new service
  /// name alone does not reconnect.
  bool operator==(const SrtSettings& other) const {
    return mode == other.mode && codec == other.codec && host == other.host && port == other.port &&
           latencyMs == other.latencyMs && streamId == other.streamId && passphrase == other.passphrase &&
           bitrateKbps == other.bitrateKbps;
  }
  bool operator!=(const SrtSettings& other) const { return !(*this == other); }
};

}  // namespace relaycaster
