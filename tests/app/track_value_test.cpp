#include "ui/track_value.h"

#include <gtest/gtest.h>

#include "app/window_sliders.h"

TEST(TrackValue, RoundsToFrequencyHalfToEvenThenClamps) {
  TpmTrackValue opacity(kShadowOpacityTrack, kShadowOpacityStart);
  EXPECT_TRUE(opacity.SetValue(51));  // 25.5 -> 26 (even) -> 52
  EXPECT_EQ(opacity.Value(), 52);
  EXPECT_FALSE(opacity.SetValue(53));   // 26.5 -> 26 (even): the current value, no change
  EXPECT_TRUE(opacity.SetValue(0.5f));  // rounds to 0, clamped to the minimum 1
  EXPECT_EQ(opacity.Value(), 1);
  EXPECT_TRUE(opacity.SetValue(500));
  EXPECT_EQ(opacity.Value(), 100);  // Max - ViewportSize
}

TEST(TrackValue, EqualRoundedValueDoesNothingAndDistanceIsContinuous) {
  TpmTrackValue rotate(kModelRotateTrack, kModelRotateStart);
  EXPECT_FALSE(rotate.SetValue(2.9f));  // rounds to 2, the start value
  TpmTrackValue distance(kDistanceTrack, kDistanceStart);
  EXPECT_TRUE(distance.SetValue(-20.5f));
  EXPECT_EQ(distance.Value(), -20);
  EXPECT_TRUE(distance.SetValue(-1.5f));
  EXPECT_EQ(distance.Value(), -2);
  EXPECT_TRUE(distance.SetValue(-7.25f));
  EXPECT_EQ(distance.Value(), -7.25f);
}
