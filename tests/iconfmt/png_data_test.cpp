// The icon files' PNG writer: transparent rows as deflate blocks of their own, the rest
// through zlib. Every picture must come back pixel for pixel through libpng, and the zlib
// stream must be whole with a right checksum.
#include "iconfmt/png_data.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/image_codec.h"
#include "imaging/straight_alpha.h"

namespace {

uint32_t Be32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// The IDAT data joined, after checking every chunk's CRC.
std::vector<uint8_t> ZlibStream(const std::vector<uint8_t>& png) {
  std::vector<uint8_t> stream;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = Be32(&png[at]);
    const std::string type(png.begin() + at + 4, png.begin() + at + 8);
    EXPECT_EQ(crc32(0, &png[at + 4], length + 4), Be32(&png[at + 8 + length])) << type;
    if (type == "IDAT") stream.insert(stream.end(), &png[at + 8], &png[at + 8 + length]);
    at += 12 + length;
  }
  return stream;
}

// Inflates the whole stream: Z_STREAM_END only when it is complete and its Adler-32 holds.
int Inflate(const std::vector<uint8_t>& stream, size_t expected_size) {
  z_stream z{};
  inflateInit(&z);
  std::vector<uint8_t> out(expected_size + 1);
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&z, Z_FINISH);
  const size_t produced = z.total_out;
  inflateEnd(&z);
  EXPECT_EQ(produced, expected_size);
  return result;
}

void ExpectRoundTrip(const TpmBitmap& bitmap, const std::string& what) {
  const std::vector<uint8_t> png = EncodePngData(bitmap);
  const size_t raw = static_cast<size_t>(bitmap.Height()) * (1 + 4 * bitmap.Width());
  EXPECT_EQ(Inflate(ZlibStream(png), raw), Z_STREAM_END) << what;
  const TRasterImage image = imagecodec::DecodePng(png.data(), png.size());
  ASSERT_EQ(image.width, bitmap.Width()) << what;
  ASSERT_EQ(image.height, bitmap.Height()) << what;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      ASSERT_EQ(image.Row(y)[x], StraightPixel(bitmap.Scanline(y)[x]))
          << what << " at " << x << "," << y;
}

// Rows top .. bottom filled with premultiplied noise, some of it half transparent.
void Noise(TpmBitmap& b, int top, int bottom, int left, int right, unsigned seed) {
  std::mt19937 rng(seed);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const uint32_t a = rng() % 3 == 0 ? 255 : rng() % 256;
      const uint32_t c = a ? rng() % (a + 1) : 0;
      b.Scanline(y)[x] = (a << 24) | (c << 16) | ((c / 2) << 8) | (c / 3);
    }
}

}  // namespace

TEST(PngData, PicturesWithRunsOfTransparentRowsComeBackWhole) {
  {
    TpmBitmap empty(1024, 1024);
    ExpectRoundTrip(empty, "all transparent");
    // 13 bits for every 258 bytes: 4 MB of rows in about 27 kB.
    EXPECT_LT(EncodePngData(empty).size(), 1024u * 4097 / 150);
  }
  TpmBitmap middle(1024, 1024);
  Noise(middle, 400, 680, 390, 690, 1);
  ExpectRoundTrip(middle, "a model in the middle");
  TpmBitmap edges(300, 200);
  Noise(edges, 0, 3, 0, 300, 2);  // rows that show at the very top
  // After a long run, a row like one before it: nothing may refer back across the run.
  std::copy_n(edges.Scanline(1), 300, edges.Scanline(40));
  Noise(edges, 45, 46, 290, 300, 4);  // after a short run, which zlib takes
  Noise(edges, 199, 200, 0, 1, 5);    // the very last row
  ExpectRoundTrip(edges, "rows at the edges, long and short runs between");
  TpmBitmap full(97, 61);
  Noise(full, 0, 61, 0, 97, 6);
  ExpectRoundTrip(full, "no transparent row");
  for (uint32_t pixel : {0u, 0xFF336699u, 0x00000040u}) {  // the last is not premultiplied
    TpmBitmap one(1, 1);
    one.Scanline(0)[0] = pixel;
    ExpectRoundTrip(one, "one pixel " + std::to_string(pixel));
  }
}

// Rows of 64 pixels are 257 bytes: runs of many row counts end every way a run of
// 258-byte copies can (no rest, a rest of 1, up to 257).
TEST(PngData, EveryLengthOfARunOfZeroBytes) {
  for (int rows : {128, 129, 130, 255, 256, 257, 258, 259, 300}) {
    TpmBitmap b(64, rows + 2);
    Noise(b, rows + 1, rows + 2, 0, 64, static_cast<unsigned>(rows));
    b.Scanline(0)[5] = 0xFF102030u;
    ExpectRoundTrip(b, std::to_string(rows) + " transparent rows");
  }
}
