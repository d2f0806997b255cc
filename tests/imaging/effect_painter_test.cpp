// Painting an object through its effects: when pictures are remade, kept, or replace the
// object, and several effects at once.
#include <gtest/gtest.h>

#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/effect_painter.h"
#include "imaging/effects.h"

namespace {

struct Scene {
  TpmBitmap target{60, 60};
  int paints = 0;
  TpmEffectPainter painter;
  TpmEffectPainter::PaintObject object = [this](TpmCanvas& c, const TpmRect& r) {
    ++paints;
    c.Fill = TpmBrush(pqBrushSolid, 0xFFFFFFFF);
    c.FillRect(r, 0, 0, pqAllCorners, 1);
  };
  bool Paint(const std::vector<TpmEffect*>& effects) {
    target.Clear(0);
    TpmCanvas& c = target.Canvas();
    c.SetMatrix(TpmMatrix::Translation(20, 20));  // the object sits at (20, 20), 20 x 20
    const bool paintSelf = painter.Paint(c, effects, 20, 20, 1, object);
    c.SetMatrix(TpmMatrix::Identity());
    return paintSelf;
  }
  uint32_t At(int x, int y) { return target.Scanline(y)[x]; }
};

}  // namespace

TEST(EffectPainter, ShadowPictureIsKeptUntilStale) {
  Scene s;
  TpmShadowEffect shadow;
  shadow.SetSoftness(0);
  shadow.SetDistance(10);
  shadow.SetDirection(0);  // 10 pixels to the right
  EXPECT_TRUE(s.Paint({&shadow}));
  EXPECT_EQ(s.paints, 1);
  EXPECT_EQ(s.At(45, 30), 153u << 24);  // shadow right of the object
  EXPECT_EQ(s.At(35, 30), 153u << 24);  // and under it (the object paints itself later)
  EXPECT_EQ(s.At(25, 30), 0u);          // the object itself is not drawn by the painter
  EXPECT_EQ(s.target.Canvas().Matrix(), TpmMatrix::Identity());
  EXPECT_TRUE(s.Paint({&shadow}));
  EXPECT_EQ(s.paints, 1);  // kept picture drawn again
  EXPECT_EQ(s.At(45, 30), 153u << 24);
  s.painter.MarkStale();
  s.Paint({&shadow});
  EXPECT_EQ(s.paints, 2);
}

TEST(EffectPainter, BlurReplacesTheObjectAndIsRemadeEachTime) {
  Scene s;
  TpmBlurEffect blur;
  EXPECT_FALSE(s.Paint({&blur}));
  EXPECT_FALSE(s.Paint({&blur}));
  EXPECT_EQ(s.paints, 2);
  EXPECT_EQ(s.At(30, 30), 0xFFFFFFFFu);
  const uint32_t edge = s.At(19, 30) >> 24;
  EXPECT_GT(edge, 0u);
  EXPECT_LT(edge, 255u);
}

TEST(EffectPainter, DisabledEffectsWithoutTriggerAreIgnoredAndEachEffectKeepsItsPicture) {
  Scene s;
  TpmShadowEffect shadow;
  shadow.SetEnabled(false);
  EXPECT_TRUE(s.Paint({&shadow}));
  EXPECT_EQ(s.paints, 0);
  EXPECT_EQ(s.At(30, 30), 0u);
  // Two effects: a hard shadow to the right and a golden glow; redrawing the kept pictures
  // must give the same result as making them.
  shadow.SetEnabled(true);
  shadow.SetSoftness(0);
  shadow.SetDistance(15);
  shadow.SetDirection(0);
  TpmGlowEffect glow;
  s.Paint({&shadow, &glow});
  std::vector<uint32_t> first(s.target.Pixels(), s.target.Pixels() + 3600);
  const int made = s.paints;
  s.Paint({&shadow, &glow});
  EXPECT_EQ(s.paints, made);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), s.target.Pixels()));
  EXPECT_EQ(s.At(52, 30), 153u << 24);        // the shadow
  EXPECT_GT((s.At(17, 30) >> 8) & 0xFF, 0u);  // the glow's gold just left of the object
  // Switching an effect off remakes the pictures without it.
  glow.SetEnabled(false);
  s.Paint({&shadow, &glow});
  EXPECT_EQ(s.At(17, 30), 0u);
}
