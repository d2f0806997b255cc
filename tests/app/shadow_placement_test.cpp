#include "app/shadow_placement.h"

#include <gtest/gtest.h>

TEST(ShadowPlacement, StartUpShadowShiftsByFour) {
  const auto effect = MakeShadowEffect(TShadowSettings{});
  const TShadowPlacement p = PlaceShadow(*effect, 256, 256);
  // Spread 6, offset 3 * cos 45 = 2.12: the effect starts 3.88 left of and above the master.
  EXPECT_EQ(p.Shift.X, 4);
  EXPECT_EQ(p.Shift.Y, 4);
  EXPECT_NEAR(p.Effect.Left, 4 - 3.8787f, 1e-3);
  EXPECT_NEAR(p.Effect.Top, 4 - 3.8787f, 1e-3);
  EXPECT_EQ(p.Width, 268);
  EXPECT_EQ(p.Height, 268);
  EXPECT_EQ(p.Offset.X, 6);
}

TEST(ShadowPlacement, UpLeftShadowShiftsFurther) {
  TShadowSettings s;
  s.Direction = -135;
  const TShadowPlacement p = PlaceShadow(*MakeShadowEffect(s), 256, 256);
  EXPECT_EQ(p.Shift.X, 8);  // -Round(-8.12)
  EXPECT_EQ(p.Shift.Y, 8);
  EXPECT_GT(p.Effect.Left, -0.5f);  // the shadow's upper left edge stays inside
  EXPECT_GT(p.Effect.Top, -0.5f);
  s.Direction = 0;  // to the right only: no vertical push beyond the spread
  s.Softness = 20;  // spread 4
  const TShadowPlacement right = PlaceShadow(*MakeShadowEffect(s), 256, 256);
  EXPECT_EQ(right.Shift.X, 1);  // -Round(-4 + 3)
  EXPECT_EQ(right.Shift.Y, 4);
}

TEST(ShadowPlacement, GeometryAgreesWithTheEffectAndScalesWithTheMaster) {
  for (float direction : {45.0f, -135.0f, 90.0f, 170.0f}) {
    for (float softness : {20.0f, 55.0f, 100.0f}) {
      TShadowSettings s;
      s.Direction = direction;
      s.Softness = softness;
      s.Distance = 7;
      const TShadowPlacement effect = PlaceShadow(*MakeShadowEffect(s), 256, 256);
      const TShadowPlacement one = PlaceShadow(ShadowGeometry(s, 1), 256, 256);
      EXPECT_EQ(one.Effect, effect.Effect) << direction << " " << softness;
      EXPECT_EQ(one.Shift, effect.Shift);
      EXPECT_EQ(one.Offset, effect.Offset);
      const TShadowPlacement four = PlaceShadow(ShadowGeometry(s, 4), 1024, 1024);
      EXPECT_EQ(four.Shift.X, 4 * effect.Shift.X);
      EXPECT_EQ(four.Shift.Y, 4 * effect.Shift.Y);
      EXPECT_NEAR(four.Effect.Left, 4 * effect.Effect.Left, 1e-3);
      EXPECT_NEAR(four.Effect.Bottom, 4 * effect.Effect.Bottom, 1e-3);
      EXPECT_EQ(ShadowGeometry(s, 4).Radius, 4 * ShadowGeometry(s, 1).Radius);
      EXPECT_GT(ShadowGeometry(s, 1).Radius, 2);
      // Kept in place: no shift, whatever the direction.
      const TShadowPlacement kept = PlaceShadow(ShadowGeometry(s, 4), 1024, 1024, false);
      EXPECT_EQ(kept.Shift, (TpmPoint{0, 0}));
    }
  }
}
