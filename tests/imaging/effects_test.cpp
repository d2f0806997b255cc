// Shadow, blur and glow effects: properties, rectangles, the stack blur and triggers.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/property_registry.h"
#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/effects.h"
#include "imaging/stack_blur.h"

namespace {

// The blur written straight from its definition, without running sums.
void ReferenceBlur(TpmBitmap& b, int r) {
  const int w = b.Width(), h = b.Height();
  const int d = (r + 1) * (r + 1);
  std::vector<uint8_t> rows(size_t(w) * h * 4);
  const uint8_t* in = reinterpret_cast<const uint8_t*>(b.Pixels());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int k = -r; k <= r; ++k)
          sum += (r + 1 - std::abs(k)) * in[(size_t(y) * w + std::clamp(x + k, 0, w - 1)) * 4 + c];
        rows[(size_t(y) * w + x) * 4 + c] = uint8_t(sum / d);
      }
  uint8_t* out = reinterpret_cast<uint8_t*>(b.Pixels());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int k = -r; k <= r; ++k)
          sum +=
              (r + 1 - std::abs(k)) * rows[(size_t(std::clamp(y + k, 0, h - 1)) * w + x) * 4 + c];
        out[(size_t(y) * w + x) * 4 + c] = uint8_t(sum / d);
      }
}

void RandomPremultiplied(TpmBitmap& b, unsigned seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const uint32_t a = rng() % 256;
      const uint32_t r = a ? rng() % (a + 1) : 0, g = a ? rng() % (a + 1) : 0,
                     bl = a ? rng() % (a + 1) : 0;
      b.Scanline(y)[x] = (a << 24) | (r << 16) | (g << 8) | bl;
    }
}

// An object whose published state effects can be triggered by.
class TTriggerTarget : public TPersistent {
  FM_CLASS(TTriggerTarget, TPersistent)
 public:
  bool over = false;
  bool pressed = false;
};

}  // namespace

FM_REGISTER_CLASS(TTriggerTarget) {
  c.Boolean("IsMouseOver", &TTriggerTarget::over, nullptr);
  c.Boolean("IsPressed", &TTriggerTarget::pressed, nullptr);
}

TEST(StackBlur, MatchesTheTriangleFilterDefinitionExactly) {
  for (int r : {1, 2, 4, 17, 40, 135}) {
    for (auto [w, h] : {std::pair{13, 9}, std::pair{1, 7}, std::pair{6, 1}, std::pair{50, 33}}) {
      TpmBitmap a(w, h), b(w, h);
      RandomPremultiplied(a, r * 100 + w);
      b.Assign(a);
      StackBlur(a, r);
      ReferenceBlur(b, r);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(a.Scanline(y)[x], b.Scanline(y)[x]) << "r=" << r << " " << w << "x" << h;
    }
  }
}

TEST(StackBlur, KeepsPremultipliedOrderAndFlatAreas) {
  TpmBitmap b(40, 40);
  RandomPremultiplied(b, 7);
  StackBlur(b, 6);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint32_t p = b.Scanline(y)[x];
      for (int s : {0, 8, 16}) ASSERT_LE((p >> s) & 0xFF, p >> 24);
    }
  TpmBitmap flat(30, 20);
  flat.Clear(0x80402010);
  StackBlur(flat, 135);  // the largest radius the effects use, wider than the bitmap
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_EQ(flat.Scanline(y)[x], 0x80402010u);
  TpmBitmap same(5, 5);
  RandomPremultiplied(same, 3);
  TpmBitmap copy(5, 5);
  copy.Assign(same);
  StackBlur(same, 0);
  EXPECT_EQ(0, std::memcmp(same.Pixels(), copy.Pixels(), same.ByteSize()));
}

TEST(StackBlur, OneChannelPlaneMatchesTheBitmapBlurOfThatChannel) {
  for (int r : {1, 3, 16, 60}) {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{7, 1}, std::pair{1, 9}, std::pair{37, 29}}) {
      TpmBitmap b(w, h);
      RandomPremultiplied(b, r * 31 + w * h);
      std::vector<uint8_t> plane(size_t(w) * h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) plane[size_t(y) * w + x] = uint8_t(b.Scanline(y)[x] >> 24);
      ReferenceBlur(b, r);
      StackBlurPlane(plane.data(), w, h, r);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(plane[size_t(y) * w + x], b.Scanline(y)[x] >> 24)
              << "r=" << r << " " << w << "x" << h << " at " << x << "," << y;
    }
  }
}

// The shadow and glow blur only the alpha of premultiplied pixels; the result must be what
// blurring every channel and tinting gives, also for pixels whose colour exceeds their alpha
// (those keep colour where the alpha blurs to 0, so they go the whole way).
TEST(ShadowEffect, AlphaOnlyShadowEqualsTheWholePixelBlur) {
  auto reference = [](TpmBitmap& b, bool solid, int r, uint32_t colour, float opacity) {
    if (solid)
      for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
          if (b.Scanline(y)[x] >> 24) b.Scanline(y)[x] |= 0xFF000000u;
    StackBlur(b, r);
    TintSilhouette(b, colour, opacity);
  };
  for (bool valid : {true, false})
    for (bool solid : {true, false})
      for (int r : {0, 2, 16}) {
        TpmBitmap a(41, 23), b(41, 23);
        // Blocks and specks, so that much of the blur ends at alpha 0.
        std::mt19937 rng(r * 4 + solid * 2 + valid);
        for (int y = 0; y < 23; ++y)
          for (int x = 0; x < 41; ++x) {
            const bool inside = (x / 8 + y / 6) % 3 == 0;
            // Outside, faint specks that the blur takes down to alpha 0.
            const uint32_t al = inside ? rng() % 256 : rng() % 7 == 0 ? rng() % 4 : 0;
            const uint32_t c = valid ? (al ? rng() % (al + 1) : 0) : rng() % 256;
            a.Scanline(y)[x] = (al << 24) | (c << 16) | (c / 2 << 8) | (c / 3);
          }
        b.Assign(a);
        ShadowPixels(a, solid, r, 0xC0336699u, 0.7f);
        reference(b, solid, r, 0xC0336699u, 0.7f);
        ASSERT_EQ(0, std::memcmp(a.Pixels(), b.Pixels(), a.ByteSize()))
            << "valid " << valid << " solid " << solid << " r " << r;
      }
  TpmBitmap g(30, 30), h(30, 30);
  RandomPremultiplied(g, 5);
  h.Assign(g);
  TpmGlowEffect glow;
  glow.ProcessEffect(nullptr, g);
  reference(h, false, static_cast<int>(glow.Softness() * 10.0f + 5.0f), glow.GlowColor(),
            glow.Opacity());
  EXPECT_EQ(0, std::memcmp(g.Pixels(), h.Pixels(), g.ByteSize()));
}

// A shadow worked out only around the shown pixels must be the whole bitmap's, pixel for
// pixel: blobs in the middle, against each edge and in a corner, with radii up to beyond
// the bitmap, valid and invalid premultiplied pixels, solid or not.
TEST(ShadowEffect, ShadowAroundTheShownBoxEqualsTheWholeBitmaps) {
  struct TBlob {
    int left, top, right, bottom;
  };
  const TBlob blobs[] = {{30, 20, 41, 29}, {0, 18, 9, 30}, {60, 5, 70, 44}, {25, 0, 44, 4},
                         {12, 40, 20, 50}, {0, 0, 3, 2},   {69, 49, 70, 50}};
  int checked = 0;
  for (const TBlob& blob : blobs)
    for (bool valid : {true, false})
      for (bool solid : {true, false})
        for (int r : {0, 1, 3, 12, 80}) {
          TpmBitmap a(70, 50), b(70, 50);
          std::mt19937 rng(checked);
          for (int y = blob.top; y < blob.bottom; ++y)
            for (int x = blob.left; x < blob.right; ++x) {
              const uint32_t al = rng() % 3 == 0 ? 0 : rng() % 256;
              const uint32_t c = valid ? (al ? rng() % (al + 1) : 0) : rng() % 256;
              a.Scanline(y)[x] = (al << 24) | (c << 16) | (c / 2 << 8) | (c / 3);
            }
          // An invalid pixel of alpha 0 still counts as shown.
          a.Scanline(blob.top)[blob.left] = valid ? 0x80402010u : 0x00000040u;
          b.Assign(a);
          const TpmPixelBox shown = NonZeroBox(a);
          ASSERT_LT(shown.Left, shown.Right);
          ShadowPixels(a, solid, r, 0xC0336699u, 0.7f, shown);
          ShadowPixels(b, solid, r, 0xC0336699u, 0.7f);
          ASSERT_EQ(0, std::memcmp(a.Pixels(), b.Pixels(), a.ByteSize()))
              << "blob " << blob.left << "," << blob.top << " valid " << valid << " solid " << solid
              << " r " << r;
          ++checked;
        }
  EXPECT_EQ(checked, 7 * 2 * 2 * 5);
}

TEST(ShadowEffect, NonZeroBoxFindsEveryPixelThatIsNotTransparentBlack) {
  TpmBitmap b(9, 7);
  const TpmPixelBox none = NonZeroBox(b);
  EXPECT_GE(none.Left, none.Right);
  b.Scanline(4)[6] = 0x80402010u;
  TpmPixelBox box = NonZeroBox(b);
  EXPECT_EQ((std::array{box.Left, box.Top, box.Right, box.Bottom}), (std::array{6, 4, 7, 5}));
  b.Scanline(0)[2] = 0x00000001u;  // colour without alpha is not transparent black
  b.Scanline(6)[8] = 0x01000000u;
  box = NonZeroBox(b);
  EXPECT_EQ((std::array{box.Left, box.Top, box.Right, box.Bottom}), (std::array{2, 0, 9, 7}));
}

TEST(ShadowEffect, DefaultsClampingAndChangeNotification) {
  TpmShadowEffect e;
  EXPECT_EQ(e.Distance(), 3);
  EXPECT_FLOAT_EQ(e.Softness(), 0.3f);
  EXPECT_EQ(e.ShadowColor(), 0xFF000000u);
  EXPECT_FLOAT_EQ(e.Opacity(), 0.6f);
  EXPECT_EQ(e.Direction(), 45);
  EXPECT_TRUE(e.IgnoreAlpha());
  EXPECT_TRUE(e.Enabled());
  EXPECT_FALSE(e.ReplacesContent());
  int changes = 0;
  e.OnChange = [&](TpmEffect&) { ++changes; };
  e.SetOpacity(1.5f);
  EXPECT_EQ(e.Opacity(), 1);
  e.SetSoftness(-1);
  EXPECT_EQ(e.Softness(), 0);
  e.SetSoftness(NAN);
  EXPECT_EQ(e.Softness(), 0);
  e.SetSoftness(7);
  EXPECT_EQ(e.Softness(), 3);
  EXPECT_EQ(changes, 3);  // the NaN left the value at 0: no change
  e.SetDirection(45);
  e.SetOpacity(2);
  EXPECT_EQ(changes, 3);
  TpmBlurEffect blur;
  blur.SetSoftness(12);
  EXPECT_EQ(blur.Softness(), 9);
  EXPECT_TRUE(blur.ReplacesContent());
  TpmGlowEffect glow;
  EXPECT_EQ(glow.GlowColor(), 0xFFFFD700u);
  EXPECT_FLOAT_EQ(glow.Softness(), 0.4f);
  glow.SetOpacity(-3);
  EXPECT_EQ(glow.Opacity(), 0);
}

TEST(ShadowEffect, RectanglesAndOffsets) {
  TpmShadowEffect e;  // start-up settings: spread 6, offset 2.1213 each way
  const TpmRect r = e.GetEffectRect({0, 0, 256, 256});
  EXPECT_NEAR(r.Left, -6 + 2.1213f, 1e-3);
  EXPECT_NEAR(r.Top, -6 + 2.1213f, 1e-3);
  EXPECT_NEAR(r.Right, 262 + 2.1213f, 1e-3);
  EXPECT_NEAR(r.Bottom, 262 + 2.1213f, 1e-3);
  TpmPoint o;
  e.GetOffset(o);
  EXPECT_EQ(o, (TpmPoint{6, 6}));
  e.SetDirection(-135);
  e.SetDistance(10);
  const TpmRect up = e.GetEffectRect({0, 0, 10, 10});
  EXPECT_NEAR(up.Left, -6 - 7.0711f, 1e-3);
  EXPECT_NEAR(up.Top, -6 - 7.0711f, 1e-3);
  e.SetSoftness(0.05f);  // no blur, but a spread of one pixel
  e.GetOffset(o);
  EXPECT_EQ(o, (TpmPoint{1, 1}));
  TpmGlowEffect glow;
  const TpmRect g = glow.GetEffectRect({0, 0, 10, 10});
  EXPECT_EQ(g, (TpmRect{-8, -8, 18, 18}));  // no move
}

TEST(ShadowEffect, SilhouetteInShadowColourAndOpacity) {
  TpmBitmap b(60, 60);
  for (int y = 10; y < 50; ++y)
    for (int x = 10; x < 50; ++x) b.Scanline(y)[x] = 0xFF20A0E0;
  b.Scanline(2)[2] = 0x40101010;  // a faint stray pixel
  TpmShadowEffect e;
  e.SetSoftness(0);
  e.ProcessEffect(nullptr, b);
  EXPECT_EQ(b.Scanline(30)[30], 153u << 24);  // Trunc(255 * 0.6), black
  EXPECT_EQ(b.Scanline(2)[2], 153u << 24);    // IgnoreAlpha: any alpha counts as opaque
  EXPECT_EQ(b.Scanline(5)[5], 0u);
  EXPECT_EQ(b.Scanline(10)[9], 0u);  // hard edge without softness
  // Without IgnoreAlpha a half-transparent object casts a lighter shadow; colours premultiply.
  TpmBitmap half(4, 4);
  half.Clear(0x80404040);
  e.SetIgnoreAlpha(false);
  e.SetShadowColor(0xFFFF8000);
  e.SetOpacity(0.5f);
  e.ProcessEffect(nullptr, half);
  const uint32_t as = 127 * 128 / 255;  // 63
  EXPECT_EQ(half.Scanline(1)[1], (as << 24) | ((255 * as / 255) << 16) | ((128 * as / 255) << 8));
}

TEST(ShadowEffect, SoftEdgesFadeAndTheInsideStaysFull) {
  TpmBitmap b(80, 80);
  for (int y = 20; y < 60; ++y)
    for (int x = 20; x < 60; ++x) b.Scanline(y)[x] = 0xFFFFFFFF;
  TpmShadowEffect e;  // radius 4
  e.ProcessEffect(nullptr, b);
  EXPECT_EQ(b.Scanline(40)[40], 153u << 24);
  const int edge = b.Scanline(40)[20] >> 24;
  EXPECT_GT(edge, 40);
  EXPECT_LT(edge, 140);
  EXPECT_GT(b.Scanline(40)[17] >> 24, 0u);  // the blur reaches 4 pixels out
  EXPECT_EQ(b.Scanline(40)[15], 0u);
  for (int x = 14; x < 26; ++x) EXPECT_LE(b.Scanline(40)[x] >> 24, b.Scanline(40)[x + 1] >> 24);
}

TEST(GlowEffect, AlwaysBlursAndTints) {
  TpmBitmap b(40, 40);
  b.Scanline(20)[20] = 0xFFFFFFFF;
  TpmGlowEffect glow;
  glow.SetSoftness(0);  // radius still 5
  glow.SetOpacity(1);
  glow.ProcessEffect(nullptr, b);
  EXPECT_GT(b.Scanline(20)[23] >> 24, 0u);
  EXPECT_EQ(b.Scanline(20)[27], 0u);
  const uint32_t p = b.Scanline(20)[20];
  const uint32_t a = p >> 24;
  ASSERT_GT(a, 0u);
  EXPECT_EQ((p >> 16) & 0xFF, 255 * a / 255);  // gold, premultiplied
  EXPECT_EQ((p >> 8) & 0xFF, 0xD7 * a / 255);
  EXPECT_EQ(p & 0xFF, 0u);
  // A blur with softness 0 changes nothing.
  TpmBitmap c(10, 10);
  RandomPremultiplied(c, 9);
  TpmBitmap copy(10, 10);
  copy.Assign(c);
  TpmBlurEffect blur;
  blur.SetSoftness(0);
  blur.ProcessEffect(nullptr, c);
  EXPECT_EQ(0, std::memcmp(c.Pixels(), copy.Pixels(), c.ByteSize()));
}

TEST(EffectTrigger, EnablesWhileTheConditionHolds) {
  TpmGlowEffect glow;
  TTriggerTarget target;
  int enables = 0;
  glow.OnEnable = [&](TpmEffect&) { ++enables; };
  glow.SetTrigger("IsMouseOver=true");
  glow.ApplyTrigger(target, "IsMouseOver");
  EXPECT_FALSE(glow.Enabled());
  target.over = true;
  glow.ApplyTrigger(target, "IsPressed");  // not mentioned: ignored
  EXPECT_FALSE(glow.Enabled());
  glow.ApplyTrigger(target, "ismouseover");
  EXPECT_TRUE(glow.Enabled());
  EXPECT_EQ(enables, 1);
  target.over = false;
  glow.ApplyTrigger(target, "IsMouseOver");
  EXPECT_FALSE(glow.Enabled());
  // Several conditions must all hold; unknown properties are skipped.
  glow.SetTrigger("IsMouseOver=TRUE; IsPressed=false; NoSuchThing=1");
  target.over = true;
  glow.ApplyTrigger(target, "IsMouseOver");
  EXPECT_TRUE(glow.Enabled());
  target.pressed = true;
  glow.ApplyTrigger(target, "IsPressed");
  EXPECT_FALSE(glow.Enabled());
  // Nothing that can be evaluated: disabled.
  glow.SetEnabled(true);
  glow.SetTrigger("NoSuchThing=1");
  glow.ApplyTrigger(target, "NoSuchThing");
  EXPECT_FALSE(glow.Enabled());
}

TEST(EffectClasses, PublishedPropertiesByName) {
  RegisterEffectClasses();
  const TClassInfo* info = TClassRegistry::Instance().FindClass("TpmShadowEffect");
  ASSERT_NE(info, nullptr);
  TpmShadowEffect e;
  SetFloatProp(e, "Opacity", 1.5f);
  EXPECT_EQ(e.Opacity(), 1);
  EXPECT_EQ(GetPropText(e, "ShadowColor"), "#FF000000");
  SetPropText(e, "ShadowColor", "#80ff0000");
  EXPECT_EQ(e.ShadowColor(), 0x80FF0000u);
  EXPECT_EQ(GetPropText(e, "IgnoreAlpha"), "True");
  EXPECT_FALSE(GetProp(e, "IgnoreAlpha").ShouldStore(e));  // stored only when false
  EXPECT_TRUE(GetProp(e, "Distance").ShouldStore(e));      // always stored
  EXPECT_FALSE(GetProp(e, "Enabled").ShouldStore(e));
  e.SetEnabled(false);
  EXPECT_TRUE(GetProp(e, "Enabled").ShouldStore(e));
  EXPECT_FALSE(GetProp(e, "ReplacesContent").ShouldStore(e));
  TpmBlurEffect blur;
  EXPECT_EQ(GetPropText(blur, "ReplacesContent"), "True");
  EXPECT_NE(TClassRegistry::Instance().FindClass("TpmGlowEffect"), nullptr);
}

TEST(ShadowEffect, IconShadowStepsWithTheStartUpSettings) {
  // The master with an opaque square, its shadow made as the icon pipeline makes it.
  TpmBitmap master(256, 256);
  for (int y = 64; y < 192; ++y)
    for (int x = 64; x < 192; ++x) master.Scanline(y)[x] = 0xFFFF0000;
  TpmShadowEffect e;
  const TpmRect b{0, 0, 256, 256};
  TpmRect r = e.GetEffectRect(b);
  const TpmRect u{std::min(r.Left, b.Left), std::min(r.Top, b.Top), 0, 0};
  TpmPoint p{0, 0};
  if (r.Left < 0) p.X = -std::nearbyint(u.Left);
  if (r.Top < 0) p.Y = -std::nearbyint(u.Top);
  EXPECT_EQ(p, (TpmPoint{4, 4}));
  r = {r.Left + p.X, r.Top + p.Y, r.Right + p.X, r.Bottom + p.Y};
  EXPECT_NEAR(r.Left, 0.1213f, 1e-3);  // the shadow lands off the pixel grid
  TpmBitmap work(static_cast<int>(r.Width()), static_cast<int>(r.Height()));
  EXPECT_EQ(work.Width(), 268);
  TpmPoint o;
  e.GetOffset(o);
  work.Canvas().DrawBitmap(master, b, {o.X, o.Y, 256 + o.X, 256 + o.Y}, 1, false);
  e.ProcessEffect(&work.Canvas(), work);
  master.Clear(0);
  master.Canvas().DrawBitmap(work, {0, 0, 268, 268}, r, 1, false);
  EXPECT_EQ(master.Scanline(130)[130], 153u << 24);  // flat inside stays exactly 153
  EXPECT_EQ(master.Scanline(10)[10], 0u);
  EXPECT_GT(master.Scanline(130)[201] >> 24, 0u);
  EXPECT_EQ(master.Scanline(130)[204] >> 24, 0u);
  EXPECT_GT(master.Scanline(130)[67] >> 24, 0u);
  EXPECT_EQ(master.Scanline(130)[64] >> 24, 0u);
  for (int x = 60; x < 210; ++x) {
    const uint32_t px = master.Scanline(130)[x];
    ASSERT_EQ(px & 0x00FFFFFF, 0u) << x;  // black stays black: no colour from the red object
  }
}
