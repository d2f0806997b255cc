#include "app/shadow_placement.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imaging/bitmap.h"
#include "imaging/canvas.h"

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

namespace {

// The shadow as the whole master's work: every step over the whole of each bitmap.
void WholeShadow(TpmBitmap& master, const TpmBitmap& work, const TShadowSettings& settings,
                 int scale, bool shift) {
  const auto effect = MakeShadowEffect(settings);
  const TShadowGeometry g = ShadowGeometry(settings, scale);
  const TShadowPlacement place = PlaceShadow(g, master.Width(), master.Height(), shift);
  const float w = static_cast<float>(master.Width()), h = static_cast<float>(master.Height());
  TpmBitmap shadow(place.Width, place.Height);
  shadow.Canvas().DrawBitmap(
      master, {0, 0, w, h},
      {place.Offset.X, place.Offset.Y, w + place.Offset.X, h + place.Offset.Y}, 1, false);
  ShadowPixels(shadow, effect->IgnoreAlpha(), g.Radius, effect->ShadowColor(), effect->Opacity());
  master.Canvas().Clear(0);
  const float sw = static_cast<float>(shadow.Width()), sh = static_cast<float>(shadow.Height());
  master.Canvas().DrawBitmap(shadow, {0, 0, sw, sh}, place.Effect, 1, false);
  const float ww = static_cast<float>(work.Width()), wh = static_cast<float>(work.Height());
  master.Canvas().DrawBitmap(work, {0, 0, ww, wh},
                             {place.Shift.X, place.Shift.Y, w + place.Shift.X, h + place.Shift.Y},
                             1, false);
}

}  // namespace

// The shadow keeps its work to what the model's box reaches, and puts the master's own shown
// pixels back on top instead of reducing the work again: the pixels must be those of the work
// over the whole master, drawn from the work: a small model in the middle, one against the
// lower right edge and one against the upper left, every direction, hard and soft, at each
// master scale, shifted or kept in place, from a larger work (as the masters are made) or one
// of the master's size.
TEST(AddShadow, WorkAroundTheModelGivesTheWholeMastersPixels) {
  struct TModel {
    int left, top, right, bottom;
  };
  int checked = 0;
  for (int scale : {1, 4}) {
    const int side = 64 * scale;
    const TModel models[] = {{side / 3, side / 3, side / 2, side / 2},
                             {side * 3 / 4, side * 2 / 3, side, side},
                             {0, 0, side / 4, side / 5}};
    for (const TModel& m : models)
      for (float direction : {45.0f, -135.0f, 0.0f, 100.0f, 200.0f})
        for (float softness : {0.0f, 30.0f, 100.0f})
          for (bool shift : {true, false})
            for (int larger : {1, 2, 4}) {
              // A disc with soft edges, drawn as the icon path draws its model.
              const int ws = larger * side;
              TpmBitmap work(ws, ws);
              const float k = static_cast<float>(ws) / static_cast<float>(side);
              const float cx = (m.left + m.right) * k / 2, cy = (m.top + m.bottom) * k / 2;
              const float rx = (m.right - m.left) * k / 2, ry = (m.bottom - m.top) * k / 2;
              for (int y = 0; y < ws; ++y)
                for (int x = 0; x < ws; ++x) {
                  const float dx = (x + 0.5f - cx) / rx, dy = (y + 0.5f - cy) / ry;
                  const float d = dx * dx + dy * dy;
                  if (d >= 1.0f) continue;
                  const uint32_t a = d < 0.8f ? 255 : static_cast<uint32_t>((1 - d) * 1275);
                  work.Scanline(y)[x] = (a << 24) | ((a * 3 / 4) << 16) | ((a / 3) << 8) | a / 5;
                }
              TpmBitmap a(side, side);
              a.Canvas().DrawBitmap(work, {0, 0, static_cast<float>(ws), static_cast<float>(ws)},
                                    {0, 0, static_cast<float>(side), static_cast<float>(side)}, 1,
                                    false);
              TpmBitmap b(side, side);
              b.Assign(a);
              TShadowSettings s;
              s.Direction = direction;
              s.Softness = softness;
              s.Distance = 5;
              AddShadow(a, s, scale, shift);
              WholeShadow(b, work, s, scale, shift);
              ASSERT_EQ(0, std::memcmp(a.Pixels(), b.Pixels(), a.ByteSize()))
                  << "scale " << scale << " model at " << m.left << "," << m.top << " direction "
                  << direction << " softness " << softness << " shift " << shift << " from "
                  << larger << " x the size";
              ++checked;
            }
  }
  EXPECT_EQ(checked, 2 * 3 * 5 * 3 * 2 * 3);
}
