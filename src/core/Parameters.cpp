#include "core/Parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace relaycaster {
namespace {

constexpr int kBitrateList[] = {0, 96, 128, 160, 192};

}  // namespace

float levelToGain(double levelDb) {
  if (!(levelDb > kSilentLevelDb)) return 0.0f;  // NaN counts as silence too
  return static_cast<float>(std::pow(10.0, levelDb / 20.0));
}

int bitrateKbpsForValue(double value) {
  const double index = std::isnan(value) ? 0.0 : std::clamp(std::trunc(value), 0.0, 4.0);
  return kBitrateList[static_cast<int>(index)];
}

std::string levelText(double levelDb) {
  if (!(levelDb > kSilentLevelDb)) return "-inf";
  char text[17];
  std::snprintf(text, sizeof text, "%.1f", levelDb);
  return text;
}

std::string bufferText(double milliseconds, double sampleRate) {
  char text[49];
  std::snprintf(text, sizeof text, "%lld ms \xC2\xB7 %lld", std::llround(milliseconds),
                std::llround(milliseconds / 1000.0 * sampleRate));
  return text;
}

std::string bitrateText(double value, int feedChannels) {
  const long long index = std::isnan(value) ? 0 : std::clamp<long long>(std::llround(value), 0, 4);
  char text[32];
  if (index == 0)
    std::snprintf(text, sizeof text, "auto %d kbps", feedChannels == 1 ? 96 : 192);
  else
    std::snprintf(text, sizeof text, "%d kbps", kBitrateList[index]);
  return text;
}

std::string latencyText(double milliseconds) {
  char text[24];
  std::snprintf(text, sizeof text, "%lld", std::llround(milliseconds));
  return text;
}

}  // namespace relaycaster
