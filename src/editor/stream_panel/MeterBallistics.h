#pragma once

#include <cstdint>
#include <string>

namespace relaycaster::stream_panel {

/// A peak meter's rise and fall, apart from any drawing: the level jumps up
/// at once and falls at a fixed rate; the peak mark holds for 1.5 s after
/// the last reading that reached it, then falls with the level.
struct MeterBallistics {
  static constexpr float kFloorDb = -60.f;
  static constexpr float kDecayDbPerSecond = 20.f;
  static constexpr float kHoldSeconds = 1.5f;

  float level = kFloorDb;  // dB
  float peak = kFloorDb;   // dB
  float hold = 0.f;        // seconds the peak stays before it may fall
  int64_t lastUpdate = 0;  // monotonic clock, nanoseconds

  /// One reading `x` dB at time `now`; the time since the last update is
  /// taken as 0..1 s (a stalled editor does not see a huge fall, a clock
  /// going backwards no rise). True when the level or the peak moved.
  bool update(float x, int64_t now, float decay = kDecayDbPerSecond, float floor = kFloorDb);
};

/// A linear peak as a meter level: -60 dB at or below 0.000001, else
/// 20 log10 p, never below -60. In 32-bit float, as the meter draws it.
float PeakToDb(float peak);

/// The y of a level in a bar from `top` to `bottom`: 0 dB at the top,
/// -60 dB at the bottom, levels outside clamped to the bar.
float MeterLevelY(float db, float top, float bottom);

/// The peak readout: "-inf" at or below -59.5 dB, "−6.0" (the minus sign
/// U+2212) below -0.05, otherwise "0.0" or above ("1.6"), never "−0.0".
std::string MeterReadoutText(float peakDb);

/// A scale label: "0", or "−12" with the minus sign U+2212.
std::string MeterScaleLabel(int db);

}  // namespace relaycaster::stream_panel
