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
