#include "imaging/bitmap.h"

#include <gtest/gtest.h>

TEST(Bitmap, SizesBelowOneBecomeOneAndPixelsStartTransparent) {
  TpmBitmap b(0, 0);
  EXPECT_EQ(b.Width(), 1);
  EXPECT_EQ(b.Height(), 1);
  EXPECT_EQ(b.Pixels()[0], 0u);
  b.SetSize(-5, 3);
  EXPECT_EQ(b.Width(), 1);
  EXPECT_EQ(b.Height(), 3);
}

TEST(Bitmap, SetSizeKeepsPixelsOnlyForTheSameSize) {
  TpmBitmap b(4, 3);
  b.Clear(0x80402010);
  b.SetSize(4, 3);
  EXPECT_EQ(b.Pixels()[11], 0x80402010u);  // Clear stores the value as given
  b.SetSize(3, 4);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(b.Pixels()[i], 0u);
}

TEST(Bitmap, ScanlineAddressesRowsAndRefusesOthers) {
  TpmBitmap b(5, 7);
  EXPECT_EQ(b.Scanline(-1), nullptr);
  EXPECT_EQ(b.Scanline(7), nullptr);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(b.Scanline(6)) - reinterpret_cast<uint8_t*>(b.Pixels()),
            6 * 5 * 4);
  // Bytes lie in memory as blue, green, red, alpha.
  b.Scanline(0)[0] = 0xAABBCCDD;
  auto* bytes = reinterpret_cast<uint8_t*>(b.Pixels());
  EXPECT_EQ(bytes[0], 0xDD);
  EXPECT_EQ(bytes[3], 0xAA);
}

TEST(Bitmap, AssignCopiesAndNotifies) {
  TpmBitmap src(2, 2), dst;
  src.Pixels()[3] = 0xFF112233;
  int changes = 0;
  dst.OnChange = [&](TpmBitmap&) { ++changes; };
  dst.Assign(src);
  EXPECT_EQ(dst.Width(), 2);
  EXPECT_EQ(dst.Pixels()[3], 0xFF112233u);
  EXPECT_EQ(changes, 1);
}

TEST(ColorText, FormatsAndParses) {
  EXPECT_EQ(ColorToString(0), "#00000000");
  EXPECT_EQ(ColorToString(0xFF000000), "#FF000000");
  EXPECT_EQ(ColorToString(0x4F0A0B0C), "#4F0A0B0C");
  EXPECT_EQ(StringToColor("#FFDFDFDF"), 0xFFDFDFDFu);
  EXPECT_EQ(StringToColor("#ff202020"), 0xFF202020u);
  EXPECT_EQ(StringToColor("255"), 0x000000FFu);
  EXPECT_EQ(StringToColor("-1"), 0xFFFFFFFFu);
  EXPECT_EQ(StringToColor("0"), 0u);
  for (const char* junk : {"", "#", "#GG", "red", "12x", "#FF 00"})
    EXPECT_EQ(StringToColor(junk), 0u) << junk;
  for (uint32_t c : {0u, 0x80808080u, 0xFFFFFFFFu, 0x01020304u})
    EXPECT_EQ(StringToColor(ColorToString(c)), c);
}
