#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace framework {

/// One automatable parameter: its description (name, range, step, mapping,
/// unit label, texts) and its current value in plain units.
///
/// Threads: the description is written once while the plug-in is constructed
/// and read-only afterwards; the value is a single atomic double that any
/// thread (audio, user interface, host state calls) loads and stores.
class IParam {
 public:
  enum class Type { Bool, Enum, Int, Double };
  enum class Shape { Linear, Exponential };
  using DisplayFunc = std::function<std::string(double plainValue)>;

  IParam() = default;
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  /// A switch with two states, shown as offText / onText.
  void InitBool(const char* name, bool defaultOn, const char* offText = "off", const char* onText = "on");
  /// A list; its value is the entry index.
  void InitEnum(const char* name, int defaultIndex, std::vector<std::string> entries);
  /// Whole numbers from min to max.
  void InitInt(const char* name, int defaultValue, int min, int max, const char* label = "");
  /// A continuous value; step is what editors and hosts move it by.
  void InitDouble(const char* name, double defaultValue, double min, double max, double step,
                  const char* label = "", Shape shape = Shape::Linear);
  /// Replaces the built-in text (list entry or "%g") with the plug-in's own.
  void SetDisplayFunc(DisplayFunc display);

  const std::string& Name() const { return mName; }
  const std::string& Label() const { return mLabel; }
  Type GetType() const { return mType; }
  Shape GetShape() const { return mShape; }
  double Min() const { return mMin; }
  double Max() const { return mMax; }
  double Step() const { return mStep; }
  double Default() const { return mDefault; }
  /// Discrete steps a host should offer: 0 for continuous values.
  int StepCount() const;
  bool IsList() const { return mType == Type::Bool || mType == Type::Enum; }
  int NumListEntries() const { return static_cast<int>(mEntries.size()); }
  const std::string& ListEntry(int index) const { return mEntries.at(static_cast<size_t>(index)); }

  /// Current plain value (any thread; relaxed: each parameter is independent).
  double Value() const { return mValue.load(std::memory_order_relaxed); }
  bool Bool() const { return Value() >= 0.5; }
  int Int() const { return static_cast<int>(Value()); }
  /// Stores a plain value after Constrain().
  void Set(double plainValue) { mValue.store(Constrain(plainValue), std::memory_order_relaxed); }
  void SetToDefault() { Set(mDefault); }

  /// Clamps to the range; switches, lists and integers are first rounded to
  /// whole steps (halves away from zero). NaN becomes the default.
  double Constrain(double plainValue) const;

  double ToNormalized(double plainValue) const;
  double FromNormalized(double normalizedValue) const;
  double GetNormalized() const { return ToNormalized(Value()); }
  void SetNormalized(double normalizedValue) { Set(FromNormalized(normalizedValue)); }

  /// The text for a plain value: the display function if there is one, else
  /// the list entry, else the number.
  std::string DisplayText(double plainValue) const;
  std::string DisplayText() const { return DisplayText(Value()); }

 private:
  std::string mName;
  std::string mLabel;
  Type mType = Type::Double;
  Shape mShape = Shape::Linear;
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 0.0;
  double mDefault = 0.0;
  std::vector<std::string> mEntries;
  DisplayFunc mDisplay;
  std::atomic<double> mValue{0.0};
  static_assert(std::atomic<double>::is_always_lock_free);
};

}  // namespace framework
