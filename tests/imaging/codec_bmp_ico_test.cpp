// Windows bitmaps and icons built byte by byte, and icons made by icotool.
#include <gtest/gtest.h>

#include "imaging/image_codec.h"
#include "tests/imaging/codec_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Le16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Le32(Bytes& b, uint32_t v) {
  Le16(b, v & 0xFFFF);
  Le16(b, v >> 16);
}

// An info header (40 bytes) for a DIB.
Bytes InfoHeader(int32_t w, int32_t h, uint16_t bits, uint32_t compression, uint32_t colors) {
  Bytes b;
  Le32(b, 40);
  Le32(b, static_cast<uint32_t>(w));
  Le32(b, static_cast<uint32_t>(h));
  Le16(b, 1);
  Le16(b, bits);
  Le32(b, compression);
  Le32(b, 0);
  Le32(b, 2835);
  Le32(b, 2835);
  Le32(b, colors);
  Le32(b, 0);
  return b;
}

// A bitmap file around a DIB whose pixels start after header (and palette) bytes.
Bytes FileAround(const Bytes& dib, size_t pixels_at) {
  Bytes b = {'B', 'M'};
  Le32(b, static_cast<uint32_t>(14 + dib.size()));
  Le32(b, 0);
  Le32(b, static_cast<uint32_t>(14 + pixels_at));
  b.insert(b.end(), dib.begin(), dib.end());
  return b;
}

TRasterImage Decode(const Bytes& b) {
  return DecodeImage(b.data(), b.size(), TAlphaForm::Straight);
}

const uint32_t kColours[4] = {0xFF000000u, 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};

void PutPalette(Bytes& b) {
  for (uint32_t c : kColours) Le32(b, c & 0xFFFFFF);
}

}  // namespace

TEST(CodecBmp, Rle4RunsLiteralsAndSkippedPixels) {
  Bytes dib = InfoHeader(4, 2, 4, 2, 4);
  PutPalette(dib);
  size_t at = dib.size();
  // Bottom row: a run of four alternating 1, 2. Top row: literal 3, 0, 1, then the end.
  for (uint8_t v : {0x04, 0x12, 0x00, 0x00, 0x00, 0x03, 0x30, 0x10, 0x00, 0x01}) dib.push_back(v);
  TRasterImage image = Decode(FileAround(dib, at));
  EXPECT_EQ(image.Row(1)[0], kColours[1]);
  EXPECT_EQ(image.Row(1)[1], kColours[2]);
  EXPECT_EQ(image.Row(1)[3], kColours[2]);
  EXPECT_EQ(image.Row(0)[0], kColours[3]);
  EXPECT_EQ(image.Row(0)[1], kColours[0]);
  EXPECT_EQ(image.Row(0)[2], kColours[1]);
  EXPECT_EQ(image.Row(0)[3], 0u);  // never written: transparent
}

TEST(CodecBmp, TopDownBitFieldsAndPaddingAlpha) {
  // 24-bit, two rows stored top-down (negative height), rows padded to four bytes.
  Bytes dib = InfoHeader(1, -2, 24, 0, 0);
  size_t at = dib.size();
  for (uint8_t v : {0x30, 0x20, 0x10, 0x00, 0x60, 0x50, 0x40, 0x00}) dib.push_back(v);
  TRasterImage top_down = Decode(FileAround(dib, at));
  EXPECT_EQ(top_down.pixels, (std::vector<uint32_t>{0xFF102030u, 0xFF405060u}));

  // 16-bit 5-6-5 bit fields, bottom-up.
  Bytes fields = InfoHeader(2, 1, 16, 3, 0);
  for (uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu}) Le32(fields, mask);
  at = fields.size();
  Le16(fields, 0xF800);  // pure red
  Le16(fields, 0x07E0);  // pure green
  TRasterImage rgb565 = Decode(FileAround(fields, at));
  EXPECT_EQ(rgb565.pixels, (std::vector<uint32_t>{0xFFFF0000u, 0xFF00FF00u}));

  // Plain 32-bit data: the fourth byte is padding, not alpha.
  Bytes plain = InfoHeader(1, 1, 32, 0, 0);
  at = plain.size();
  Le32(plain, 0x00123456);
  EXPECT_EQ(Decode(FileAround(plain, at)).pixels[0], 0xFF123456u);

  // Unknown compression and depth are refused.
  Bytes jpeg_inside = InfoHeader(1, 1, 24, 4, 0);
  at = jpeg_inside.size();
  Le32(jpeg_inside, 0);
  EXPECT_THROW(Decode(FileAround(jpeg_inside, at)), EImageError);
  Bytes odd_depth = InfoHeader(1, 1, 7, 0, 0);
  at = odd_depth.size();
  Le32(odd_depth, 0);
  EXPECT_THROW(Decode(FileAround(odd_depth, at)), EImageError);
}

namespace {

// An icon file with the given (width, height, DIB or PNG bytes) entries.
Bytes IconFile(const std::vector<std::tuple<int, int, Bytes>>& entries) {
  Bytes b;
  Le16(b, 0);
  Le16(b, 1);
  Le16(b, static_cast<uint32_t>(entries.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
  for (auto& [w, h, data] : entries) {
    b.push_back(static_cast<uint8_t>(w));
    b.push_back(static_cast<uint8_t>(h));
    b.push_back(0);
    b.push_back(0);
    Le16(b, 1);
    Le16(b, 32);
    Le32(b, static_cast<uint32_t>(data.size()));
    Le32(b, offset);
    offset += static_cast<uint32_t>(data.size());
  }
  for (auto& [w, h, data] : entries) b.insert(b.end(), data.begin(), data.end());
  return b;
}

}  // namespace

TEST(CodecIco, MaskMakesTransparentAndTheLargestEntryWins) {
  // 2 x 2, 24 bits: the mask bit of the top-left pixel is set.
  Bytes big = InfoHeader(2, 4, 24, 0, 0);
  for (uint32_t c : {0x0000FFu, 0x00FF00u}) {  // bottom row: blue, green
    big.push_back(static_cast<uint8_t>(c)), big.push_back(static_cast<uint8_t>(c >> 8));
    big.push_back(static_cast<uint8_t>(c >> 16));
  }
  big.insert(big.end(), 2, 0);
  for (uint32_t c : {0xFF0000u, 0xFFFFFFu}) {  // top row: red, white
    big.push_back(static_cast<uint8_t>(c)), big.push_back(static_cast<uint8_t>(c >> 8));
    big.push_back(static_cast<uint8_t>(c >> 16));
  }
  big.insert(big.end(), 2, 0);
  Le32(big, 0x00000000);  // mask, bottom row: both opaque
  Le32(big, 0x00000080);  // mask, top row: first pixel transparent
  // 1 x 1, 32 bits with alpha 0x80.
  Bytes small = InfoHeader(1, 2, 32, 0, 0);
  Le32(small, 0x80102030);
  Le32(small, 0);
  TRasterImage image = Decode(IconFile({{1, 1, small}, {2, 2, big}}));
  ASSERT_EQ(image.width, 2);
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0u, 0xFFFFFFFFu, 0xFF0000FFu, 0xFF00FF00u}));

  // A damaged large entry gives way to the next one.
  Bytes broken = big;
  broken[14] = 7;  // depth 7
  TRasterImage fallback = Decode(IconFile({{1, 1, small}, {2, 2, broken}}));
  ASSERT_EQ(fallback.width, 1);
  EXPECT_EQ(fallback.pixels[0], 0x80102030u);  // 32-bit icons carry alpha
}

TEST(CodecIco, IconsMadeByIcotoolDecodeExactly) {
  if (!testsupport::HaveTool("icotool")) GTEST_SKIP() << "no icotool";
  testsupport::TempDir dir;
  TRasterImage pattern = codectest::PatternImage(16, 16);
  ConvertAlphaForm(pattern, TAlphaForm::Premultiplied);
  ConvertAlphaForm(pattern, TAlphaForm::Straight);  // colour under alpha 0 is gone
  testsupport::WriteFile(dir.File("p.png"), EncodeImage(pattern, TImageFormat::Png));
  TRasterImage small = codectest::PatternImage(8, 8);
  small.pixels.assign(small.pixels.size(), 0xFF336699u);
  testsupport::WriteFile(dir.File("s.png"), EncodeImage(small, TImageFormat::Png));
  std::string out;
  ASSERT_EQ(testsupport::RunCommand("icotool -c -o " + testsupport::ShellQuote(dir.File("i.ico")) +
                                        " " + testsupport::ShellQuote(dir.File("s.png")) + " " +
                                        testsupport::ShellQuote(dir.File("p.png")),
                                    &out),
            0)
      << out;
  TRasterImage image = DecodeImageFile(dir.File("i.ico"), TAlphaForm::Straight);
  ASSERT_EQ(image.width, 16);
  EXPECT_EQ(image.pixels, pattern.pixels);
}
