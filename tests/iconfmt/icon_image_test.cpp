#include "iconfmt/icon_image.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/stream.h"
#include "iconfmt/winico.h"
#include "imaging/bitmap.h"
#include "tests/iconfmt/icon_readback.h"

namespace {

// Left half opaque red, right half transparent.
std::unique_ptr<TpmBitmap> HalfRed(int size) {
  auto b = std::make_unique<TpmBitmap>(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size / 2; ++x) b->Scanline(y)[x] = 0xFFFF0000;
  return b;
}

// A row of a scaled HalfRed: red well inside the left half, transparent well inside the
// right, and near the edge (where the scaling filter blends) red at falling alpha, in
// straight colour.
void ExpectHalfRedRow(const uint32_t* row, int size) {
  uint32_t last_alpha = 255;
  for (int x = 0; x < size; ++x) {
    SCOPED_TRACE("x = " + std::to_string(x));
    uint32_t a = row[x] >> 24;
    if (x < size / 2 - size / 8) {
      ASSERT_EQ(row[x], 0xFFFF0000u);
    } else if (x >= size / 2 + size / 8) {
      ASSERT_EQ(row[x], 0u);
    } else {
      ASSERT_LE(a, last_alpha);
      if (a > 0) {
        ASSERT_EQ(row[x] & 0xFFFFFF, 0xFF0000u);
      }
    }
    last_alpha = a;
  }
}

TEST(PrepareIconImage, APreviewOfTheRightSizeIsCopiedInStraightColour) {
  TpmBitmap b(2, 2);
  b.Pixels()[0] = 0xFF102030;
  b.Pixels()[1] = 0x80204080;  // premultiplied half-transparent
  b.Pixels()[3] = 0x00FFFFFF;
  auto pixels = PrepareIconImage(b, 2);
  EXPECT_EQ(pixels, (std::vector<uint32_t>{0xFF102030, 0x804080FF, 0, 0}));
}

TEST(PrepareIconImage, PreviewsOfAnotherSizeAreScaledToTheElement) {
  auto big = HalfRed(256);
  auto small = PrepareIconImage(*big, 16);
  ASSERT_EQ(small.size(), 256u);
  for (int y = 0; y < 16; ++y) ExpectHalfRedRow(small.data() + y * 16, 16);
  auto tiny = HalfRed(16);
  auto grown = PrepareIconImage(*tiny, 64);
  ASSERT_EQ(grown.size(), 64u * 64);
  for (int y = 0; y < 64; ++y) ExpectHalfRedRow(grown.data() + y * 64, 64);
}

TEST(PrepareIconImage, TheIcoWriterScalesPreviewsOfOtherSizes) {
  auto big = HalfRed(256);
  TMemoryStream stream;
  WriteIco(*big, *big, *big, *big, *big, *big, stream);
  const auto& file = stream.Bytes();
  ASSERT_EQ(static_cast<int64_t>(file.size()), kIcoFileSize);
  // The 16 image (last entry): every row is red on the left, transparent on the right.
  size_t rows = iconreadback::LE32(file, 6 + 5 * 16 + 12) + 40;
  for (int y = 0; y < 16; ++y) {
    uint32_t row[16];
    for (int x = 0; x < 16; ++x) row[x] = iconreadback::LE32(file, rows + y * 64 + x * 4);
    ExpectHalfRedRow(row, 16);
  }
}

}  // namespace
