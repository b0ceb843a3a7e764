#include "framework/graphics/KnobBehaviour.h"

#include <algorithm>
#include <cmath>

namespace framework {
namespace {
double Clamp01(double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; }
}  // namespace

double KnobBehaviour::Dragged(double value, float dY, float height, bool fine) const {
  if (!(height > 0.f) || !(mSettings.gearing > 0.f)) return Clamp01(value);
  double change = -static_cast<double>(dY) / (static_cast<double>(height) * mSettings.gearing);
  if (fine) change /= mSettings.fineDivisor;
  return Clamp01(value + change);
}

double KnobBehaviour::Wheeled(double value, float notches, bool fine) const {
  double change = static_cast<double>(notches) * mSettings.wheelStep;
  if (fine) change /= mSettings.fineDivisor;
  return Clamp01(value + change);
}

}  // namespace framework
