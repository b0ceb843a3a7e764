#include "framework/IParam.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace framework {

void IParam::InitBool(const char* name, bool defaultOn, const char* offText, const char* onText) {
  InitEnum(name, defaultOn ? 1 : 0, {offText, onText});
  mType = Type::Bool;
}

void IParam::InitEnum(const char* name, int defaultIndex, std::vector<std::string> entries) {
  mName = name;
  mType = Type::Enum;
  mEntries = std::move(entries);
  mMin = 0.0;
  mMax = std::max(0.0, static_cast<double>(mEntries.size()) - 1.0);
  mStep = 1.0;
  mDefault = std::clamp(static_cast<double>(defaultIndex), mMin, mMax);
  SetToDefault();
}

void IParam::InitInt(const char* name, int defaultValue, int min, int max, const char* label) {
  mName = name;
  mLabel = label;
  mType = Type::Int;
  mMin = min;
  mMax = max;
  mStep = 1.0;
  mDefault = std::clamp(static_cast<double>(defaultValue), mMin, mMax);
  SetToDefault();
}

void IParam::InitDouble(const char* name, double defaultValue, double min, double max, double step,
                        const char* label, Shape shape) {
  mName = name;
  mLabel = label;
  mType = Type::Double;
  mShape = shape;
  mMin = min;
  mMax = max;
  mStep = step;
  mDefault = std::clamp(defaultValue, mMin, mMax);
  SetToDefault();
}

void IParam::SetDisplayFunc(DisplayFunc display) { mDisplay = std::move(display); }

int IParam::StepCount() const {
  if (mType == Type::Double) return 0;
  return static_cast<int>(std::lround(mMax - mMin));
}

double IParam::Constrain(double plainValue) const {
  if (std::isnan(plainValue)) return mDefault;
  if (mType != Type::Double) plainValue = std::round(plainValue);
  return std::clamp(plainValue, mMin, mMax);
}

double IParam::ToNormalized(double plainValue) const {
  const double v = Constrain(plainValue);
  if (mMax <= mMin) return 0.0;
  if (mShape == Shape::Exponential && mMin > 0.0)
    return std::log(v / mMin) / std::log(mMax / mMin);
  return (v - mMin) / (mMax - mMin);
}

double IParam::FromNormalized(double normalizedValue) const {
  const double n = std::isnan(normalizedValue) ? ToNormalized(mDefault) : std::clamp(normalizedValue, 0.0, 1.0);
  if (mShape == Shape::Exponential && mMin > 0.0)
    return Constrain(std::exp(std::log(mMin) + n * std::log(mMax / mMin)));
  return Constrain(mMin + n * (mMax - mMin));
}

std::string IParam::DisplayText(double plainValue) const {
  if (mDisplay) return mDisplay(plainValue);
  const double v = Constrain(plainValue);
  if (IsList() && !mEntries.empty()) return mEntries[static_cast<size_t>(v - mMin)];
  char text[32];
  if (mType == Type::Int)
    std::snprintf(text, sizeof text, "%d", static_cast<int>(v));
  else
    std::snprintf(text, sizeof text, "%g", v);
  return text;
}

}  // namespace framework
