// The value rule every slider follows. Kept free of any other part of the program so that
// the sliders of the interface and code without a slider (the command line) share one rule.
#pragma once

#include <cmath>

// A slider's range: values run from Min to Max - ViewportSize; Frequency 0 means
// continuous, otherwise values are whole multiples of Frequency.
struct TpmTrackRange {
  float Min = 0;
  float Max = 100;
  float ViewportSize = 0;
  float Frequency = 0;
};

// Round half to even, in single precision (nearbyint under the default rounding mode).
inline float RoundHalfEven(float value) {
  return std::nearbyint(value);
}

// What setting a slider to a value does.
struct TpmTrackChange {
  bool fired = false;  // OnChange runs (the rounded value differed from the current one)
  float value = 0;     // the value the slider holds afterwards
};

// Setting Value: round to a multiple of Frequency (when not 0); nothing happens when that
// equals the current value; otherwise the value is stored clamped to Min and to
// Max - ViewportSize, and OnChange fires (even when the clamp gives the old value back).
inline TpmTrackChange ApplyTrackValue(const TpmTrackRange& range, float current, float requested) {
  float v = requested;
  if (range.Frequency != 0) v = RoundHalfEven(v / range.Frequency) * range.Frequency;
  if (v == current) return {false, current};
  const float upper = range.Max - range.ViewportSize;
  if (v > upper) v = upper;
  if (v < range.Min) v = range.Min;
  return {true, v};
}

// A slider's value with its range, for code that has no slider control.
class TpmTrackValue {
 public:
  TpmTrackValue(const TpmTrackRange& range, float value) : range_(range), value_(value) {}
  const TpmTrackRange& Range() const { return range_; }
  float Value() const { return value_; }
  // True when OnChange would fire.
  bool SetValue(float requested) {
    const TpmTrackChange change = ApplyTrackValue(range_, value_, requested);
    value_ = change.value;
    return change.fired;
  }

 private:
  TpmTrackRange range_;
  float value_;
};
