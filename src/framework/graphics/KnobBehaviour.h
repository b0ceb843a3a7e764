#pragma once

// How a knob turns mouse input into a normalised value, apart from any
// drawing: vertical drags with gearing, a fine-adjust modifier, wheel
// steps, and a reset to the default.
namespace framework {

class KnobBehaviour {
 public:
  struct Settings {
    /// A drag over the knob's height times this covers the whole range.
    float gearing = 4.f;
    /// With the fine-adjust modifier (Control) drags and wheel steps are this much smaller.
    float fineDivisor = 10.f;
    /// One wheel notch moves the value this far (normalised).
    double wheelStep = 0.01;
  };

  KnobBehaviour() = default;
  explicit KnobBehaviour(const Settings& settings) : mSettings(settings) {}

  /// The value after a drag of dY design units (up is negative) over a knob `height` tall.
  double Dragged(double value, float dY, float height, bool fine) const;
  /// The value after `notches` wheel notches (positive turns up).
  double Wheeled(double value, float notches, bool fine) const;
  const Settings& GetSettings() const { return mSettings; }

 private:
  Settings mSettings;
};

}  // namespace framework
