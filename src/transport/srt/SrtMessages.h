#pragma once

#include <string>

namespace relaycaster::srt_messages {

// The sentences the SRT worker shows with its Retrying and Failed states,
// composed from fixed pieces and the settings' host and port (written as
// given) and libsrt's own error and reject-reason texts.

inline constexpr const char* kPassphraseLength = "The passphrase must be 10 to 79 characters long.";
inline constexpr const char* kPortRange = "The port must be 1 to 65535.";
inline constexpr const char* kReceiverWentAway = "The receiver went away. Calling again.";

std::string notFound(const std::string& host);
std::string couldNotCall(const std::string& host, int port, const std::string& libraryText);
std::string refused(const std::string& host, const std::string& reasonText);
std::string noAnswer(const std::string& host, int port);
std::string cannotListen(int port, const std::string& libraryText);
/// An unexpected fault inside the worker (out of memory and the like).
std::string internalError(const std::string& what);

}  // namespace relaycaster::srt_messages
