// DrawBitmap: area-correct shrinking, exact 1:1 copies, premultiplied edges, opacity,
// fractional and partly outside destinations, clipping, transforms, nearest neighbour.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/resample.h"

namespace {

int Ch(uint32_t p, int shift) {
  return (p >> shift) & 0xFF;
}

TpmRect Whole(const TpmBitmap& b) {
  return {0, 0, float(b.Width()), float(b.Height())};
}

void Checker(TpmBitmap& b, int cell, uint32_t a, uint32_t c) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) b.Scanline(y)[x] = ((x / cell + y / cell) % 2) ? c : a;
}

}  // namespace

TEST(DrawBitmap, FlatColourStaysExactlyFlatAtEveryIconSize) {
  TpmBitmap big(1024, 1024);
  big.Clear(0xC0603010);  // premultiplied, half-transparent
  TpmBitmap master(256, 256);
  master.Canvas().DrawBitmap(big, Whole(big), Whole(master), 1, false);
  for (int y = 0; y < 256; y += 17)
    for (int x = 0; x < 256; x += 13) ASSERT_EQ(master.Scanline(y)[x], 0xC0603010u);
  ASSERT_EQ(master.Scanline(255)[255], 0xC0603010u);
  for (int size : {256, 128, 64, 48, 32, 16}) {
    TpmBitmap preview(size, size);
    preview.Canvas().DrawBitmap(master, Whole(master), Whole(preview), 1, false);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) ASSERT_EQ(preview.Scanline(y)[x], 0xC0603010u) << size;
  }
}

TEST(DrawBitmap, ShrinkingAveragesEveryCoveredPixel) {
  TpmBitmap checker(2, 2);
  Checker(checker, 1, 0xFF000000, 0xFFFFFFFF);
  TpmBitmap one(1, 1);
  one.Canvas().DrawBitmap(checker, Whole(checker), Whole(one), 1, false);
  EXPECT_EQ(Ch(one.Scanline(0)[0], 24), 255);
  EXPECT_NEAR(Ch(one.Scanline(0)[0], 16), 128, 1);
  // A fine 1-pixel checker shrunk 1024 -> 16 is uniform grey, not aliased stripes.
  TpmBitmap fine(1024, 1024);
  Checker(fine, 1, 0xFF000000, 0xFFFFFFFF);
  TpmBitmap small(16, 16);
  small.Canvas().DrawBitmap(fine, Whole(fine), Whole(small), 1, false);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_NEAR(Ch(small.Scanline(y)[x], 8), 128, 2);
  // A single 1-pixel line in the 1024 image still shows at 256 (about a quarter strength).
  TpmBitmap lines(1024, 1024);
  for (int y = 0; y < 1024; ++y) lines.Scanline(y)[513] = 0xFFFFFFFF;
  TpmBitmap master(256, 256);
  master.Canvas().DrawBitmap(lines, Whole(lines), Whole(master), 1, false);
  int total = 0;
  for (int x = 124; x < 132; ++x) total += Ch(master.Scanline(100)[x], 24);
  EXPECT_NEAR(total, 64, 3);  // the line's energy is kept: 255 / 4
  EXPECT_GT(Ch(master.Scanline(100)[128], 24), 40);
}

TEST(DrawBitmap, PremultipliedEdgesHaveNoDarkFringe) {
  // Opaque white square on transparent black; every output pixel must stay white in colour.
  TpmBitmap src(64, 64);
  for (int y = 16; y < 48; ++y)
    for (int x = 16; x < 48; ++x) src.Scanline(y)[x] = 0xFFFFFFFF;
  TpmBitmap dst(13, 13);
  dst.Canvas().DrawBitmap(src, Whole(src), Whole(dst), 1, false);
  int partial = 0;
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 13; ++x) {
      const uint32_t p = dst.Scanline(y)[x];
      const int a = Ch(p, 24);
      for (int s : {0, 8, 16}) ASSERT_EQ(Ch(p, s), a) << x << "," << y;  // un-premultiplied white
      partial += a > 0 && a < 255;
    }
  EXPECT_GT(partial, 0);
}

TEST(DrawBitmap, OneToOneIsExactAndOpacityScalesAlpha) {
  TpmBitmap src(7, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      src.Scanline(y)[x] = (uint32_t(40 * y + 40) << 24) | (x * 5) | (x << 8);  // colour <= alpha
  TpmBitmap dst(7, 5);
  dst.Canvas().DrawBitmap(src, Whole(src), Whole(dst), 1, false);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(dst.Scanline(y)[x], src.Scanline(y)[x]);
  // Opacity 0 draws nothing.
  dst.Clear(0x11223344);
  dst.Canvas().DrawBitmap(src, Whole(src), Whole(dst), 0, false);
  EXPECT_EQ(dst.Scanline(2)[2], 0x11223344u);
  // Half opacity over a cleared target halves every channel; over opaque red it blends.
  TpmBitmap white(4, 4);
  white.Clear(0xFFFFFFFF);
  TpmBitmap out(4, 4);
  out.Canvas().DrawBitmap(white, Whole(white), Whole(out), 0.5f, false);
  EXPECT_EQ(Ch(out.Scanline(1)[1], 24), 128);
  EXPECT_EQ(Ch(out.Scanline(1)[1], 0), 128);
  out.Clear(0xFFFF0000);
  out.Canvas().DrawBitmap(white, Whole(white), Whole(out), 0.5f, false);
  const uint32_t p = out.Scanline(1)[1];
  EXPECT_EQ(Ch(p, 24), 255);
  EXPECT_EQ(Ch(p, 16), 255);
  EXPECT_NEAR(Ch(p, 8), 128, 1);
}

TEST(DrawBitmap, SourceOverKeepsWhatShowsThrough) {
  TpmBitmap src(2, 1);
  src.Scanline(0)[0] = 0x80000080;  // half-transparent blue, premultiplied
  src.Scanline(0)[1] = 0;
  TpmBitmap dst(2, 1);
  dst.Clear(0xFF00FF00);
  dst.Canvas().DrawBitmap(src, Whole(src), Whole(dst), 1, false);
  EXPECT_EQ(Ch(dst.Scanline(0)[0], 24), 255);
  EXPECT_EQ(Ch(dst.Scanline(0)[0], 0), 128);
  EXPECT_NEAR(Ch(dst.Scanline(0)[0], 8), 127, 1);
  EXPECT_EQ(dst.Scanline(0)[1], 0xFF00FF00u);  // transparent source leaves it alone
}

TEST(DrawBitmap, FractionalOffsetShiftsContentSmoothly) {
  // A vertical opaque bar drawn 1:1 at +0.25: the pixel right of it gets a bit of it.
  TpmBitmap src(20, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 8; x < 12; ++x) src.Scanline(y)[x] = 0xFFFFFFFF;
  TpmBitmap dst(20, 4);
  dst.Canvas().DrawBitmap(src, Whole(src), {0.25f, 0, 20.25f, 4}, 1, false);
  const uint32_t* row = dst.Scanline(1);
  EXPECT_EQ(Ch(row[9], 24), 255);
  EXPECT_GT(Ch(row[12], 24), 30);
  EXPECT_LT(Ch(row[12], 24), 110);
  EXPECT_GT(Ch(row[8], 24), 150);  // the left edge loses a quarter
  EXPECT_LT(Ch(row[8], 24), 230);
  EXPECT_EQ(Ch(row[14], 24), 0);
  // The partly covered first column gets 3/4 coverage of an opaque image.
  TpmBitmap flat(20, 4);
  flat.Clear(0xFFFFFFFF);
  dst.Clear(0);
  dst.Canvas().DrawBitmap(flat, Whole(flat), {0.25f, 0, 20.25f, 4}, 1, false);
  EXPECT_NEAR(Ch(dst.Scanline(0)[0], 24), 191, 1);
  EXPECT_EQ(Ch(dst.Scanline(0)[10], 24), 255);
  for (int s : {0, 8, 16}) EXPECT_EQ(Ch(dst.Scanline(0)[0], s), Ch(dst.Scanline(0)[0], 24));
}

TEST(DrawBitmap, PartlyOutsideRectanglesAreCutOff) {
  TpmBitmap src(10, 10);
  src.Clear(0xFF0000FF);
  TpmBitmap dst(8, 8);
  dst.Canvas().DrawBitmap(src, Whole(src), {-5, -5, 5, 5}, 1, false);
  EXPECT_EQ(dst.Scanline(0)[0], 0xFF0000FFu);
  EXPECT_EQ(dst.Scanline(4)[4], 0xFF0000FFu);
  EXPECT_EQ(dst.Scanline(5)[5], 0u);
  dst.Clear(0);
  dst.Canvas().DrawBitmap(src, Whole(src), {6, 6, 16, 16}, 1, false);
  EXPECT_EQ(dst.Scanline(7)[7], 0xFF0000FFu);
  EXPECT_EQ(dst.Scanline(5)[7], 0u);
  // Entirely outside or absurd coordinates: nothing, no crash.
  dst.Clear(0);
  dst.Canvas().DrawBitmap(src, Whole(src), {100, 100, 200, 200}, 1, false);
  dst.Canvas().DrawBitmap(src, Whole(src), {-1e30f, -1e30f, 1e30f, 1e30f}, 1, true);
  dst.Canvas().DrawBitmap(src, {5, 5, 5, 9}, Whole(dst), 1, false);      // empty source
  dst.Canvas().DrawBitmap(src, {20, 20, 30, 30}, Whole(dst), 1, false);  // outside source
  dst.Canvas().DrawBitmap(src, Whole(src), {0, 0, NAN, 4}, 1, false);
  EXPECT_EQ(dst.Scanline(3)[3], 0xFF0000FFu);  // only the huge draw reached the target
}

TEST(DrawBitmap, SubRectOfTheSourceAndNearestNeighbour) {
  TpmBitmap src(4, 1);
  src.Scanline(0)[0] = 0xFF000001;
  src.Scanline(0)[1] = 0xFF000002;
  src.Scanline(0)[2] = 0xFF000003;
  src.Scanline(0)[3] = 0xFF000004;
  TpmBitmap dst(8, 1);
  dst.Canvas().DrawBitmap(src, Whole(src), Whole(dst), 1, true);
  const uint32_t expected[8] = {1, 1, 2, 2, 3, 3, 4, 4};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(dst.Scanline(0)[x], 0xFF000000u | expected[x]);
  // Shrinking in nearest mode picks pixels instead of averaging.
  TpmBitmap checker(8, 8);
  Checker(checker, 1, 0xFF000000, 0xFFFFFFFF);
  TpmBitmap two(2, 2);
  two.Canvas().DrawBitmap(checker, Whole(checker), Whole(two), 1, true);
  const int v = Ch(two.Scanline(0)[0], 0);
  EXPECT_TRUE(v == 0 || v == 255);
  // A sub-rectangle: only its pixels are read.
  dst.Clear(0);
  dst.Canvas().DrawBitmap(src, {2, 0, 4, 1}, {0, 0, 2, 1}, 1, false);
  EXPECT_EQ(dst.Scanline(0)[0], 0xFF000003u);
  EXPECT_EQ(dst.Scanline(0)[1], 0xFF000004u);
}

TEST(DrawBitmap, HonoursClipAndTransform) {
  TpmBitmap src(4, 4);
  src.Clear(0xFFFFFFFF);
  TpmBitmap dst(16, 16);
  TpmCanvas& c = dst.Canvas();
  c.IntersectClipRect({0, 0, 8, 16});
  c.SetMatrix(TpmMatrix::Scaling(2, 2) * TpmMatrix::Translation(4, 0));
  c.DrawBitmap(src, Whole(src), {0, 0, 4, 4}, 1, false);  // device (4,0)-(12,8)
  EXPECT_EQ(dst.Scanline(3)[5], 0xFFFFFFFFu);
  EXPECT_EQ(dst.Scanline(3)[9], 0u);  // clipped
  EXPECT_EQ(dst.Scanline(3)[3], 0u);  // left of the draw
  EXPECT_EQ(dst.Scanline(9)[5], 0u);  // below it
  // A rotated draw goes the general way: the centre is covered, far corners are not.
  dst.Clear(0);
  c.ResetClipRect();
  c.SetMatrix(TpmMatrix::Translation(-2, -2) * TpmMatrix::Rotation(45) *
              TpmMatrix::Translation(8, 8));
  c.DrawBitmap(src, Whole(src), {0, 0, 4, 4}, 1, false);
  c.SetMatrix(TpmMatrix::Identity());
  EXPECT_EQ(Ch(dst.Scanline(8)[8], 24), 255);
  EXPECT_EQ(Ch(dst.Scanline(8)[8], 0), 255);
  EXPECT_EQ(dst.Scanline(5)[5], 0u);
  EXPECT_EQ(dst.Scanline(0)[0], 0u);
}

TEST(DrawBitmap, DrawingABitmapIntoItselfReadsTheOldPixels) {
  TpmBitmap b(4, 1);
  b.Scanline(0)[0] = 0xFF000010;
  b.Scanline(0)[1] = 0xFF000020;
  b.Canvas().DrawBitmap(b, {0, 0, 2, 1}, {2, 0, 4, 1}, 1, false);
  EXPECT_EQ(b.Scanline(0)[2], 0xFF000010u);
  EXPECT_EQ(b.Scanline(0)[3], 0xFF000020u);
}

TEST(DrawBitmap, ThumbnailScalesUniformlyByWidth) {
  TpmBitmap src(8, 4);
  src.Clear(0xFF00FF00);
  TpmBitmap dst(8, 8);
  dst.Canvas().DrawThumbnail(src, 4, 100);
  EXPECT_EQ(dst.Scanline(1)[3], 0xFF00FF00u);
  EXPECT_EQ(dst.Scanline(2)[1], 0u);  // height 4 * 0.5 = 2
  EXPECT_EQ(dst.Scanline(0)[4], 0u);
}

TEST(DrawBitmap, FastAndBaselineCodePathsGiveIdenticalPixels) {
  TpmBitmap src(301, 203);  // odd sizes: every loop tail runs
  uint32_t seed = 12345;
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      const uint32_t a = seed >> 24;
      const uint32_t c = a ? (seed >> 8) % (a + 1) : 0;
      src.Scanline(y)[x] = (a << 24) | (c << 16) | ((c / 2) << 8) | (a / 3);
    }
  const TpmRect targets[] = {{0, 0, 64, 48}, {0.3f, 0.7f, 200.3f, 150.1f}, {-7, 3, 310, 222}};
  for (const TpmRect& r : targets) {
    TpmBitmap fast(260, 230), base(260, 230);
    fast.Clear(0x80402010);
    base.Clear(0x80402010);
    ResampleForceBaseline(false);
    fast.Canvas().DrawBitmap(src, Whole(src), r, 0.8f, false);
    ResampleForceBaseline(true);
    base.Canvas().DrawBitmap(src, Whole(src), r, 0.8f, false);
    ResampleForceBaseline(false);
    ASSERT_EQ(0, std::memcmp(fast.Pixels(), base.Pixels(), fast.ByteSize()));
  }
}

// 1:1 draws at whole-pixel positions skip the filter passes; they must composite exactly
// what the passes would: over every kind of destination pixel, with pixels whose colour
// exceeds their alpha, partly outside the target, through clip boxes, from a part of the
// source, and (not whole-pixel after all) with the source rectangle reaching past the source.
TEST(DrawBitmap, WholePixelDrawsMatchTheFilteredPath) {
  TpmBitmap src(67, 45);
  uint32_t seed = 777;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x) {
      const uint32_t kind = next() >> 29;  // transparent, opaque, partial, over-bright
      const uint32_t a = kind == 0 ? 0 : kind == 1 ? 255 : next() >> 24;
      const uint32_t limit = kind == 7 ? 255 : a;
      const uint32_t r = next() % (limit + 1), g = next() % (limit + 1), b = next() % (limit + 1);
      src.Scanline(y)[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  struct Case {
    TpmRect from, to;
  };
  const Case cases[] = {{{0, 0, 67, 45}, {5, 3, 72, 48}},
                        {{0, 0, 67, 45}, {-9, -4, 58, 41}},
                        {{0, 0, 67, 45}, {40, 30, 107, 75}},
                        {{10, 7, 30, 27}, {2, 2, 22, 22}},
                        {{-3, -2, 64, 43}, {0, 0, 67, 45}}};
  const std::vector<TpmPixelBox> clips[] = {{{0, 0, 80, 60}}, {{3, 2, 20, 50}, {30, 10, 70, 25}}};
  for (const Case& c : cases)
    for (const auto& clip : clips) {
      TpmBitmap fast(80, 60), base(80, 60);
      for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
          const uint32_t a = (x * 7 + y * 3) % 4 == 0 ? 0 : next() >> 24;
          const uint32_t v = a ? next() % (a + 1) : 0;
          fast.Scanline(y)[x] = base.Scanline(y)[x] = (a << 24) | (v << 16) | (v / 3 << 8) | v;
        }
      TpmPixelImage image{src.Pixels(), src.Width(), src.Height(), src.Width()};
      TpmPixelTarget ft{fast.Pixels(), 80, 60, 80}, bt{base.Pixels(), 80, 60, 80};
      ResampleForceBaseline(false);
      ResampleDraw(image, c.from, ft, c.to, clip, 1, false);
      ResampleForceBaseline(true);
      ResampleDraw(image, c.from, bt, c.to, clip, 1, false);
      ResampleForceBaseline(false);
      for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
          ASSERT_EQ(fast.Scanline(y)[x], base.Scanline(y)[x])
              << "to " << c.to.Left << "," << c.to.Top << " pixel " << x << "," << y;
    }
}

// Work is skipped where the source is transparent; the pixels must be those of the draw that
// skips nothing: sources with empty rows, empty margins of every width, lone pixels near the
// edges, drawn shrunk, enlarged, 1:1 at fractional offsets and nearest, over a background.
TEST(DrawBitmap, TransparentSourceAreasGiveTheSamePixelsAsTheFullDraw) {
  TpmBitmap src(157, 97);
  uint32_t seed = 99;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (int y = 0; y < src.Height(); ++y) {
    // Rows: empty, one lone pixel, or a run of content between margins of any width.
    const int kind = y % 5 == 1 ? 0 : y % 7 == 3 ? 1 : 2;
    const int left = static_cast<int>(next() % 90), width = static_cast<int>(next() % 80);
    const int lone = static_cast<int>(next() % 157);
    for (int x = 0; x < src.Width(); ++x) {
      const bool on = kind == 1 ? x == lone : kind == 2 && x >= left && x < left + width;
      const uint32_t a = on ? 1 + next() % 255 : 0;
      const uint32_t c = a ? next() % (a + 1) : 0;
      src.Scanline(y)[x] = (a << 24) | (c << 16) | (c / 2 << 8) | (c / 4);
    }
  }
  src.Scanline(0)[0] = 0xFF102030;  // corners, at the very ends of the scans
  src.Scanline(96)[156] = 0x80404040;
  const TpmRect targets[] = {{0, 0, 40, 25},
                             {3.3f, 1.7f, 160.3f, 98.7f},
                             {-20, -9, 300, 200},
                             {0.5f, 0.25f, 80, 50},
                             {10, 10, 167, 107}};
  for (const TpmRect& r : targets)
    for (bool nearest : {false, true})
      for (float opacity : {1.0f, 0.6f}) {
        TpmBitmap fast(170, 120), base(170, 120);
        for (int y = 0; y < 120; ++y)
          for (int x = 0; x < 170; ++x)
            fast.Scanline(y)[x] = base.Scanline(y)[x] = (x + y) % 3 ? 0x80402010u : 0;
        ResampleForceBaseline(false);
        fast.Canvas().DrawBitmap(src, Whole(src), r, opacity, nearest);
        ResampleForceBaseline(true);
        base.Canvas().DrawBitmap(src, Whole(src), r, opacity, nearest);
        ResampleForceBaseline(false);
        ASSERT_EQ(0, std::memcmp(fast.Pixels(), base.Pixels(), fast.ByteSize()))
            << r.Left << "," << r.Top << " nearest " << nearest << " opacity " << opacity;
      }
}

TEST(DrawBitmap, RotatedShrinkStillAverages) {
  TpmBitmap fine(1024, 1024);
  Checker(fine, 1, 0xFF000000, 0xFFFFFFFF);
  TpmBitmap small(32, 32);
  TpmCanvas& c = small.Canvas();
  c.SetMatrix(TpmMatrix::Translation(-8, -8) * TpmMatrix::Rotation(3) *
              TpmMatrix::Translation(16, 16));
  c.DrawBitmap(fine, Whole(fine), {0, 0, 16, 16}, 1, false);
  for (int y = 12; y < 20; ++y)
    for (int x = 12; x < 20; ++x) ASSERT_NEAR(Ch(small.Scanline(y)[x], 0), 128, 4);
}
