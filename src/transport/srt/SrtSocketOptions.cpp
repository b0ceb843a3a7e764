#include "transport/srt/SrtSocketOptions.h"

#include <algorithm>

namespace relaycaster {
namespace {

constexpr int kConnectionTimeoutMs = 3000;
constexpr int kKeyLengthBytes = 16;  // AES-128

bool isCallerMode(const SrtSettings& settings) { return settings.mode != 1; }

// Field by field: the fields' types differ between platforms' sockets.
linger lingerFor(int seconds) {
  linger wait{};
  wait.l_onoff = 1;
  wait.l_linger = static_cast<decltype(wait.l_linger)>(seconds);
  return wait;
}

}  // namespace

std::vector<SrtSocketOption> srtSocketOptions(const SrtSettings& settings) {
  std::vector<SrtSocketOption> options{
      {SRTO_SNDSYN, "SRTO_SNDSYN", false},
      {SRTO_RCVSYN, "SRTO_RCVSYN", false},
      {SRTO_LATENCY, "SRTO_LATENCY", settings.latencyMs},
      {SRTO_CONNTIMEO, "SRTO_CONNTIMEO", kConnectionTimeoutMs},
      // Sends are non-blocking, so srt_close returns at once and libsrt's
      // own collector closes the socket when its send buffer is empty (all
      // delivered or given up) or the linger has passed.
      {SRTO_LINGER, "SRTO_LINGER", lingerFor(srtLingerSeconds(settings.latencyMs))},
  };
  if (!settings.passphrase.empty()) {
    options.push_back({SRTO_PASSPHRASE, "SRTO_PASSPHRASE", settings.passphrase});
    options.push_back({SRTO_PBKEYLEN, "SRTO_PBKEYLEN", kKeyLengthBytes});
  }
  // A listener does not send a stream id: it checks the callers' ids in its
  // listen callback instead.
  if (isCallerMode(settings) && !settings.streamId.empty())
    options.push_back({SRTO_STREAMID, "SRTO_STREAMID", settings.streamId});
  return options;
}

int srtLingerSeconds(int latencyMs) { return std::clamp(latencyMs, 0, 60000) / 1000 + 2; }

bool applySrtSocketOptions(SRTSOCKET socket, const std::vector<SrtSocketOption>& options,
                           SrtSocketOption::Binding binding) {
  for (const SrtSocketOption& entry : options) {
    if (entry.binding != binding) continue;
    int result = SRT_ERROR;
    if (const bool* flag = std::get_if<bool>(&entry.value)) {
      result = srt_setsockflag(socket, entry.option, flag, sizeof *flag);
    } else if (const int* number = std::get_if<int>(&entry.value)) {
      result = srt_setsockflag(socket, entry.option, number, sizeof *number);
    } else if (const linger* wait = std::get_if<linger>(&entry.value)) {
      result = srt_setsockflag(socket, entry.option, wait, sizeof *wait);
    } else {
      const std::string& text = std::get<std::string>(entry.value);
      result = srt_setsockflag(socket, entry.option, text.data(), static_cast<int>(text.size()));
    }
    if (result == SRT_ERROR) return false;
  }
  return true;
}

}  // namespace relaycaster
