#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "imaging/image_codec.h"

namespace {

// 3 x 2 image whose pixels are numbered 1 .. 6 (opaque grey levels), rows top first.
TRasterImage Numbered() {
  TRasterImage image = AllocateRaster(3, 2, TAlphaForm::Premultiplied);
  for (uint32_t i = 0; i < 6; ++i) image.pixels[i] = 0xFF000000u | (i + 1);
  return image;
}

std::vector<uint32_t> Numbers(const TRasterImage& image) {
  std::vector<uint32_t> out;
  for (uint32_t p : image.pixels) out.push_back(p & 0xFF);
  return out;
}

}  // namespace

TEST(ImageTransform, QuarterTurnsMovePixelsClockwise) {
  //  1 2 3        turned 90:  4 1      180:  6 5 4     270:  3 6
  //  4 5 6                    5 2            3 2 1           2 5
  //                           6 3                            1 4
  TRasterImage a = Numbered();
  RotateQuarterTurns(a, 1);
  EXPECT_EQ(a.width, 2);
  EXPECT_EQ(a.height, 3);
  EXPECT_EQ(Numbers(a), (std::vector<uint32_t>{4, 1, 5, 2, 6, 3}));
  TRasterImage b = Numbered();
  RotateQuarterTurns(b, 2);
  EXPECT_EQ(Numbers(b), (std::vector<uint32_t>{6, 5, 4, 3, 2, 1}));
  TRasterImage c = Numbered();
  RotateQuarterTurns(c, 3);
  EXPECT_EQ(c.width, 2);
  EXPECT_EQ(Numbers(c), (std::vector<uint32_t>{3, 6, 2, 5, 1, 4}));
  TRasterImage d = Numbered();
  RotateQuarterTurns(d, -1);  // a quarter turn back equals three forward
  EXPECT_EQ(Numbers(d), Numbers(c));
  RotateQuarterTurns(d, 5);
  EXPECT_EQ(Numbers(d), Numbers(Numbered()));
}

TEST(ImageTransform, FreeRotationFillsTheBoundingBox) {
  TRasterImage square = AllocateRaster(20, 10, TAlphaForm::Premultiplied);
  square.pixels.assign(square.pixels.size(), 0xFF204060u);
  TRasterImage turned = RotateFree(square, 45);
  // Bounding box: (20 + 10) * cos 45 = 21.21 -> 21 both ways.
  EXPECT_EQ(turned.width, 21);
  EXPECT_EQ(turned.height, 21);
  EXPECT_EQ(turned.Row(10)[10], 0xFF204060u);  // the centre is inside the image
  EXPECT_EQ(turned.Row(0)[0], 0u);             // a corner of the box is not
  // Edges blend into transparency, and premultiplied colour never exceeds alpha.
  bool partial = false;
  for (uint32_t p : turned.pixels) {
    uint32_t a = p >> 24;
    partial |= a > 0 && a < 255;
    ASSERT_LE((p >> 16) & 0xFF, a);
  }
  EXPECT_TRUE(partial);
  // A straight image comes back straight: colour stays 0x204060 at partial alpha.
  TRasterImage straight = square;
  straight.form = TAlphaForm::Straight;
  TRasterImage st = RotateFree(straight, 30);
  EXPECT_EQ(st.form, TAlphaForm::Straight);
  for (uint32_t p : st.pixels)
    if ((p >> 24) > 64) {
      ASSERT_LE(std::abs(static_cast<int>((p >> 16) & 0xFF) - 0x20), 2);
    }
  // One degree past 90: 20 |cos 91| + 10 sin 91 = 10.35 wide, 20.17 high.
  TRasterImage nearly = RotateFree(square, 91);
  EXPECT_EQ(nearly.width, 10);
  EXPECT_EQ(nearly.height, 20);
}

TEST(ImageTransform, AreaResamplingAverages) {
  TRasterImage image = AllocateRaster(4, 2, TAlphaForm::Premultiplied);
  image.pixels = {0xFF000000u, 0xFFFFFFFFu, 0xFF0000FFu, 0xFF0000FFu,
                  0xFF000000u, 0xFFFFFFFFu, 0x00000000u, 0x00000000u};
  TRasterImage half = ResizeArea(image, 2, 1);
  EXPECT_EQ(half.pixels[0], 0xFF808080u);  // black and white average to mid grey
  EXPECT_EQ(half.pixels[1], 0x80000080u);  // half covered blue stays premultiplied
  TRasterImage same = ResizeArea(image, 4, 2);
  EXPECT_EQ(same.pixels, image.pixels);
}

TEST(ImageTransform, AreaResamplingMatchesTheExactAreaIntegral) {
  // Independent reference: each target pixel is the mean of the source over its footprint,
  // integrated on a fine grid.
  std::mt19937 rng(3);
  TRasterImage src = AllocateRaster(7, 5, TAlphaForm::Premultiplied);
  for (uint32_t& p : src.pixels) {
    uint32_t a = rng() & 0xFF;
    p = (a << 24) | ((rng() % (a + 1)) << 16) | ((rng() % (a + 1)) << 8) | (rng() % (a + 1));
  }
  for (auto [w, h] : {std::pair{3, 2}, std::pair{2, 5}, std::pair{7, 1}, std::pair{10, 8}}) {
    TRasterImage out = ResizeArea(src, w, h);
    const int n = 70;  // samples per target pixel and axis
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int ch = 0; ch < 4; ++ch) {
          double sum = 0;
          for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
              int sx = static_cast<int>((x + (i + 0.5) / n) * src.width / w);
              int sy = static_cast<int>((y + (j + 0.5) / n) * src.height / h);
              sum += (src.Row(sy)[sx] >> (8 * ch)) & 0xFF;
            }
          double want = sum / (n * n);
          int got = (out.Row(y)[x] >> (8 * ch)) & 0xFF;
          ASSERT_NEAR(got, want, 1.0) << w << "x" << h << " at " << x << "," << y;
        }
  }
}
