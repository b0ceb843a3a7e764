#include "transport/srt/SrtMessages.h"

namespace relaycaster::srt_messages {

std::string notFound(const std::string& host) { return "Cannot find " + host + "."; }

std::string couldNotCall(const std::string& host, int port, const std::string& libraryText) {
  return "Could not call " + host + ":" + std::to_string(port) + " (" + libraryText + ").";
}

std::string refused(const std::string& host, const std::string& reasonText) {
  return "Refused by " + host + ": " + reasonText + ".";
}

std::string noAnswer(const std::string& host, int port) {
  return "No answer from " + host + ":" + std::to_string(port) + ".";
}

std::string cannotListen(int port, const std::string& libraryText) {
  return "Cannot listen on port " + std::to_string(port) + " (" + libraryText + ").";
}

std::string internalError(const std::string& what) {
  return "The SRT sender stopped on an internal error (" + what + "). Trying again.";
}

}  // namespace relaycaster::srt_messages
