// The value rule every slider follows, and the texts of the value labels next to the
// window's sliders. Kept free of any other part of the program so that the sliders of the
// interface and the icon pipeline's command line share one rule.
#pragma once

#include <cmath>
#include <string>

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

// The window's sliders (Min, Max, ViewportSize, Frequency) and their start values.
inline constexpr TpmTrackRange kDistanceTrack{-20, -1, 1, 0};
inline constexpr float kDistanceStart = -10;
inline constexpr TpmTrackRange kModelRotateTrack{-180, 185, 5, 2};
inline constexpr float kModelRotateStart = 2;
inline constexpr TpmTrackRange kShadowDirTrack{-180, 185, 5, 5};
inline constexpr float kShadowDirStart = 45;
inline constexpr TpmTrackRange kShadowDistTrack{0, 20, 2, 1};
inline constexpr float kShadowDistStart = 3;
inline constexpr TpmTrackRange kShadowOpacityTrack{1, 105, 5, 2};
inline constexpr float kShadowOpacityStart = 60;
inline constexpr TpmTrackRange kShadowSoftnessTrack{20, 105, 5, 2};
inline constexpr float kShadowSoftnessStart = 30;

// Value label texts. The rotation labels read "0" until their slider first changes.
inline std::string RoundedLabel(float value) {
  const float r = RoundHalfEven(value);
  return std::to_string(static_cast<long long>(r == 0 ? 0.0f : r));
}
inline std::string ModelRotateLabel(float value) {
  return RoundedLabel(value);
}
inline std::string ShadowDirLabel(float value) {
  return RoundedLabel(value);
}
inline std::string ShadowDistLabel(float value) {
  return RoundedLabel(value);
}
inline std::string ShadowOpacityLabel(float value) {
  return RoundedLabel(value) + "%";
}
inline std::string ShadowSoftnessLabel(float value) {
  return RoundedLabel(value / 10);
}
