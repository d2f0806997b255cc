// A bitmap's canvas makes its Cairo context only when a draw needs Cairo: bitmaps drawn
// without rotation, within whole-pixel clips, go through the resampler alone. Either way the
// pixels are those of a canvas whose context existed from the start.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/cairo_canvas.h"

namespace {

void FillSource(TpmBitmap& source) {
  source.SetSize(64, 48);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      const uint32_t a = (x + 2 * y) % 5 == 0 ? 0x80 : 0xFF;
      const uint32_t r = (x * 4) * a / 255, g = (y * 5) * a / 255, b = 0x40 * a / 255;
      source.Scanline(y)[x] = a << 24 | r << 16 | g << 8 | b;  // premultiplied
    }
  }
}

struct Case {
  std::string name;
  bool needs_cairo;
  std::function<void(TpmCanvas&, const TpmBitmap&)> draw;
};

std::vector<Case> Cases() {
  const TpmRect whole{0, 0, 64, 48};
  return {
      {"1:1 at whole pixels", false,
       [=](TpmCanvas& c, const TpmBitmap& s) {
         c.DrawBitmap(s, whole, {3, 4, 67, 52}, 1);
       }},
      {"reduced to a fractional place", false,
       [=](TpmCanvas& c, const TpmBitmap& s) {
         c.DrawBitmap(s, whole, {3.5f, 2.25f, 23.5f, 17.25f}, 0.7f);
         c.DrawBitmap(s, {8, 8, 40, 40}, {40, 30, 56, 46}, 1, true);
       }},
      {"clipped, then not", false,
       [=](TpmCanvas& c, const TpmBitmap& s) {
         c.IntersectClipRect({5, 5, 30, 25});
         c.IntersectClipRect({10, 0, 80, 20});  // the two together
         c.DrawBitmap(s, whole, {0, 0, 80, 60}, 1);
         c.ResetClipRect();
         c.DrawBitmap(s, whole, {50, 40, 66, 52}, 0.5f);
       }},
      {"an empty clip draws nothing", false,
       [=](TpmCanvas& c, const TpmBitmap& s) {
         c.IntersectClipRect({20, 20, 20, 30});
         c.DrawBitmap(s, whole, {0, 0, 64, 48}, 1);
       }},
      {"scaled and moved", false,
       [=](TpmCanvas& c, const TpmBitmap& s) {
         c.SetMatrix(TpmMatrix::Scaling(2, 2) * TpmMatrix::Translation(4, 2));
         c.IntersectClipRect({1, 1, 30, 20});  // whole device pixels
         c.DrawBitmap(s, whole, {0, 0, 32, 24}, 1);
       }},
      {"a clip between pixels", true,
       [=](TpmCanvas& c, const TpmBitmap& s) {
         c.IntersectClipRect({5.5f, 5, 30, 25.25f});
         c.DrawBitmap(s, whole, {0, 0, 80, 60}, 1);
       }},
      {"turned", true,
       [=](TpmCanvas& c, const TpmBitmap& s) {
         c.SetMatrix(TpmMatrix::Rotation(30) * TpmMatrix::Translation(30, 0));
         c.DrawBitmap(s, whole, {0, 0, 40, 30}, 1);
       }},
      {"a clip kept, then a shape", true,
       [=](TpmCanvas& c, const TpmBitmap& s) {
         c.IntersectClipRect({10, 10, 40, 30});
         c.DrawBitmap(s, whole, {0, 0, 80, 60}, 1);
         c.FillRect({0, 0, 80, 60}, 0, 0, pqAllCorners, 0.5f);
         c.ResetClipRect();
         c.FillRect({60, 0, 80, 10}, 0, 0, pqAllCorners, 1);
       }},
  };
}

TEST(CairoCanvasLazy, PixelsAreThoseOfACanvasWithItsContextFromTheStart) {
  TpmBitmap source(1, 1);
  FillSource(source);
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    TpmBitmap lazy(80, 60), eager(80, 60);
    for (TpmBitmap* b : {&lazy, &eager}) {
      b->Canvas().Clear(0x20102030);
      b->Canvas().Fill.Color = 0xFF336699;
    }
    auto& lazy_canvas = static_cast<TpmCanvasCairo&>(lazy.Canvas());
    auto& eager_canvas = static_cast<TpmCanvasCairo&>(eager.Canvas());
    eager_canvas.RestoreCanvas(eager_canvas.SaveCanvas());  // makes the context
    ASSERT_TRUE(eager_canvas.HasContext());
    c.draw(lazy_canvas, source);
    c.draw(eager_canvas, source);
    EXPECT_EQ(lazy_canvas.HasContext(), c.needs_cairo);
    EXPECT_EQ(std::memcmp(lazy.Pixels(), eager.Pixels(), lazy.ByteSize()), 0);
  }
}

}  // namespace
