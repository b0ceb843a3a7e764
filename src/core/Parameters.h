#pragma once

#include <string>

namespace relaycaster {

/// The twelve parameters, by index. Hosts see the same numbers as ids.
enum EParams {
  kBypass = 0,
  kNdiOn,
  kNdiLevel,
  kNdiBuffer,
  kSrtOn,
  kSrtMode,
  kSrtCodec,
  kSrtBitrate,
  kSrtPort,
  kSrtLatency,
  kSrtLevel,
  kSrtBuffer,
  kParamCount
};

enum SrtModeValue { kSrtModeCaller = 0, kSrtModeListener = 1 };
enum SrtCodecValue { kSrtCodecAac = 0, kSrtCodecPcm = 1 };

/// Levels at or below this many dB mean silence.
constexpr double kSilentLevelDb = -59.999999999;

/// Linear gain for a level in dB: 0 at or below kSilentLevelDb, else 10^(dB/20).
float levelToGain(double levelDb);

/// Bit rate in kbps for an "SRT bitrate" value: 0 (automatic), 96, 128, 160
/// or 192. The value is truncated and clamped to the list.
int bitrateKbpsForValue(double value);

/// Parameter texts, as the editor's captions and the host show them.
std::string levelText(double levelDb);
/// "40 ms · 1920": milliseconds, then the samples they make at sampleRate.
std::string bufferText(double milliseconds, double sampleRate);
/// "128 kbps", or "auto 96 kbps" / "auto 192 kbps" by the feed's channels.
std::string bitrateText(double value, int feedChannels);
std::string latencyText(double milliseconds);

}  // namespace relaycaster
