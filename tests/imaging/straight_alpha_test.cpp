#include "imaging/straight_alpha.h"

#include <gtest/gtest.h>

#include <cmath>

#include "imaging/bitmap.h"

namespace {

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

TEST(StraightAlpha, OpaqueAndTransparentPixelsFollowTheirRule) {
  EXPECT_EQ(StraightPixel(Argb(255, 12, 200, 255)), Argb(255, 12, 200, 255));
  EXPECT_EQ(StraightPixel(0), 0u);
  // Alpha 0 carries no colour, whatever bytes the pixel holds.
  EXPECT_EQ(StraightPixel(Argb(0, 40, 50, 60)), 0u);
}

TEST(StraightAlpha, DividesByAlphaRoundingHalfToEvenAndClamps) {
  // 64 * 255 / 128 = 127.5 -> 128; 1 * 255 / 6 = 42.5 -> 42; 3 * 255 / 6 = 127.5 -> 128.
  EXPECT_EQ(StraightPixel(Argb(128, 64, 0, 128)), Argb(128, 128, 0, 255));
  EXPECT_EQ(StraightPixel(Argb(6, 1, 3, 6)), Argb(6, 42, 128, 255));
  // Half of white at half alpha is white again; colour above alpha is clamped.
  EXPECT_EQ(StraightPixel(Argb(128, 128, 200, 10)), Argb(128, 255, 255, 20));
  EXPECT_EQ(StraightPixel(Argb(1, 1, 0, 0)), Argb(1, 255, 0, 0));
}

TEST(StraightAlpha, EveryAlphaAndChannelMatchesTheExactQuotient) {
  for (uint32_t a = 1; a < 256; ++a) {
    for (uint32_t c = 0; c < 256; ++c) {
      double want = std::min(255.0, std::nearbyint(c * 255.0 / a));  // half to even
      uint32_t got = StraightPixel(Argb(a, c, 0, c)) & 0xFF;
      ASSERT_EQ(got, static_cast<uint32_t>(want)) << "a=" << a << " c=" << c;
    }
  }
}

TEST(StraightAlpha, PremultipliedThenStraightComesBackWithinOne) {
  // A colour premultiplied for alpha >= 128 survives the round trip to within 1.
  for (uint32_t a = 128; a < 256; a += 7) {
    for (uint32_t s = 0; s < 256; s += 5) {
      uint32_t c = static_cast<uint32_t>(std::nearbyint(s * a / 255.0));
      int back = static_cast<int>(StraightPixel(Argb(a, c, c, c)) & 0xFF);
      EXPECT_LE(std::abs(back - static_cast<int>(s)), 1) << "a=" << a << " s=" << s;
    }
  }
}

TEST(StraightAlpha, ConvertsBlocksAndBitmapsInPlace) {
  TpmBitmap bitmap(3, 1);
  bitmap.Pixels()[0] = Argb(255, 1, 2, 3);
  bitmap.Pixels()[1] = Argb(51, 10, 20, 51);
  bitmap.Pixels()[2] = Argb(0, 9, 9, 9);
  ToStraightAlpha(bitmap);
  EXPECT_EQ(bitmap.Pixels()[0], Argb(255, 1, 2, 3));
  EXPECT_EQ(bitmap.Pixels()[1], Argb(51, 50, 100, 255));
  EXPECT_EQ(bitmap.Pixels()[2], 0u);

  const uint32_t source[2] = {Argb(102, 51, 0, 102), Argb(255, 7, 7, 7)};
  uint32_t target[2] = {};
  ToStraightAlpha(source, target, 2);
  EXPECT_EQ(target[0], Argb(102, 128, 0, 255));  // 51 * 255 / 102 = 127.5 -> 128
  EXPECT_EQ(target[1], source[1]);
}

}  // namespace
