#include "editor/stream_panel/MeterBallistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace relaycaster::stream_panel {

namespace {
constexpr const char* kMinusSign = "\xE2\x88\x92";  // U+2212
}  // namespace

bool MeterBallistics::update(float x, int64_t now, float decay, float floor) {
  const double seconds = static_cast<double>(now - lastUpdate) / 1e9;
  const auto dt = static_cast<float>(std::clamp(seconds, 0.0, 1.0));
  lastUpdate = now;
  const float oldLevel = level;
  const float oldPeak = peak;
  level = std::max({x, level - decay * dt, floor});
  if (x >= peak) {
    peak = x;
    hold = kHoldSeconds;
  } else {
    hold -= dt;
    if (hold <= 0.f) peak = level;
  }
  return level != oldLevel || peak != oldPeak;
}

float PeakToDb(float peak) {
  if (!(peak > 0.000001f)) return MeterBallistics::kFloorDb;  // NaN reads as silence too
  return std::max(MeterBallistics::kFloorDb, 20.f * std::log10(peak));
}

float MeterLevelY(float db, float top, float bottom) {
  const float fraction = std::isnan(db) ? 1.f : std::clamp(-db / 60.f, 0.f, 1.f);
  return top + (bottom - top) * fraction;
}

std::string MeterReadoutText(float peakDb) {
  if (!(peakDb > -59.5f)) return "-inf";
  char text[32];
  if (peakDb < -0.05f) {
    std::snprintf(text, sizeof text, "%s%.1f", kMinusSign, static_cast<double>(-peakDb));
  } else {
    // Rounds to "0.0" from -0.05 up: a held peak of -0.04 dB is full scale
    // to one decimal, not a negative zero.
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(std::max(peakDb, 0.f)));
  }
  return text;
}

std::string MeterScaleLabel(int db) {
  if (db == 0) return "0";
  return kMinusSign + std::to_string(-db);
}

}  // namespace relaycaster::stream_panel
