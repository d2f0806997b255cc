// TGA files built byte by byte: every origin, depth and packing must show the same picture.
#include <gtest/gtest.h>

#include "imaging/image_codec.h"
#include "tests/imaging/codec_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A 3 x 2 picture, straight, rows top first.
const uint32_t kPicture[2][3] = {{0xFF112233u, 0x80FF0000u, 0x00000000u},
                                 {0xFF00FF00u, 0xFF0000FFu, 0xC0808080u}};

Bytes Header(uint8_t type, uint8_t depth, uint8_t descriptor, uint16_t w = 3, uint16_t h = 2,
             uint8_t map_type = 0, uint16_t map_length = 0, uint8_t map_bits = 0) {
  Bytes b(18, 0);
  b[0] = 2;  // an image id of two bytes, which the reader must skip
  b[1] = map_type;
  b[2] = type;
  b[5] = static_cast<uint8_t>(map_length), b[6] = static_cast<uint8_t>(map_length >> 8);
  b[7] = map_bits;
  b[12] = static_cast<uint8_t>(w), b[13] = static_cast<uint8_t>(w >> 8);
  b[14] = static_cast<uint8_t>(h), b[15] = static_cast<uint8_t>(h >> 8);
  b[16] = depth;
  b[17] = descriptor;
  b.push_back('i');
  b.push_back('d');
  return b;
}

void PutPixel(Bytes& out, uint32_t p, int depth) {
  if (depth == 16) {
    auto five = [](uint32_t c) { return (c >> 3) & 31; };
    uint32_t v =
        ((p >> 24) >= 128 ? 0x8000 : 0) | (five(p >> 16) << 10) | (five(p >> 8) << 5) | five(p);
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
    return;
  }
  out.push_back(static_cast<uint8_t>(p));
  out.push_back(static_cast<uint8_t>(p >> 8));
  out.push_back(static_cast<uint8_t>(p >> 16));
  if (depth == 32) out.push_back(static_cast<uint8_t>(p >> 24));
}

// The picture's pixels in the file order an origin implies.
std::vector<uint32_t> FileOrder(bool top_down, bool right_to_left) {
  std::vector<uint32_t> order;
  for (int r = 0; r < 2; ++r)
    for (int i = 0; i < 3; ++i)
      order.push_back(kPicture[top_down ? r : 1 - r][right_to_left ? 2 - i : i]);
  return order;
}

TRasterImage Decode(const Bytes& b) {
  return DecodeImage(b.data(), b.size(), TAlphaForm::Straight);
}

}  // namespace

TEST(CodecTga, AllFourOriginsGiveTheSamePicture) {
  for (int origin = 0; origin < 4; ++origin) {
    bool right_to_left = origin & 1, top_down = origin & 2;
    Bytes b =
        Header(2, 32, static_cast<uint8_t>(8 | (right_to_left ? 0x10 : 0) | (top_down ? 0x20 : 0)));
    for (uint32_t p : FileOrder(top_down, right_to_left)) PutPixel(b, p, 32);
    TRasterImage image = Decode(b);
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x)
        EXPECT_EQ(image.Row(y)[x], kPicture[y][x])
            << "origin " << origin << " at " << x << "," << y;
  }
}

TEST(CodecTga, RunLengthPacketsMayCrossRows) {
  // Bottom-up: file rows are picture row 1 then row 0. One run covers the last pixel of the
  // first file row and the first of the next.
  Bytes b = Header(10, 24, 0, 3, 2);
  auto opaque = [](uint32_t p) { return p | 0xFF000000u; };
  b.push_back(0x01);  // raw, 2 pixels
  PutPixel(b, 0xFF00FF00u, 24);
  PutPixel(b, 0xFF0000FFu, 24);
  b.push_back(0x81);  // run of 2
  PutPixel(b, 0xFF445566u, 24);
  b.push_back(0x81);  // run of 2
  PutPixel(b, 0xFF778899u, 24);
  TRasterImage image = Decode(b);
  EXPECT_EQ(image.Row(1)[0], opaque(0xFF00FF00u));
  EXPECT_EQ(image.Row(1)[1], opaque(0xFF0000FFu));
  EXPECT_EQ(image.Row(1)[2], 0xFF445566u);
  EXPECT_EQ(image.Row(0)[0], 0xFF445566u);
  EXPECT_EQ(image.Row(0)[1], 0xFF778899u);
  EXPECT_EQ(image.Row(0)[2], 0xFF778899u);
  // A packet that stops early is an error, not a half image.
  b.resize(b.size() - 2);
  EXPECT_THROW(Decode(b), EImageError);
}

TEST(CodecTga, SixteenBitAttributeIsAlphaOnlyWhenDeclared) {
  for (uint8_t alpha_bits : {0, 1}) {
    Bytes b = Header(2, 16, static_cast<uint8_t>(0x20 | alpha_bits));
    for (uint32_t p : FileOrder(true, false)) PutPixel(b, p, 16);
    TRasterImage image = Decode(b);
    // Five bits widen by repeating their top bits: 0x11 -> 2 -> 0x10, 0x22 -> 0x21.
    EXPECT_EQ(image.Row(0)[0], 0xFF102131u) << int(alpha_bits);
    EXPECT_EQ(image.Row(0)[1] >> 24, 0xFFu);  // alpha 128 was stored as a set bit
    EXPECT_EQ(image.Row(0)[2] >> 24, alpha_bits ? 0u : 0xFFu);
    EXPECT_EQ(image.Row(0)[1] & 0xFFFFFF, 0xFF0000u);
  }
}

TEST(CodecTga, GreyColourMappedAndPaddingAlpha) {
  // 8-bit grey, top-down.
  Bytes grey = Header(3, 8, 0x20, 2, 1);
  grey.push_back(0x00);
  grey.push_back(0xC8);
  TRasterImage g = Decode(grey);
  EXPECT_EQ(g.pixels, (std::vector<uint32_t>{0xFF000000u, 0xFFC8C8C8u}));
  // Colour-mapped: 3 entries of 24 bits, indices 2, 0.
  Bytes mapped = Header(1, 8, 0x20, 2, 1, 1, 3, 24);
  for (uint32_t c : {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u}) PutPixel(mapped, c, 24);
  mapped.push_back(2);
  mapped.push_back(0);
  TRasterImage m = Decode(mapped);
  EXPECT_EQ(m.pixels, (std::vector<uint32_t>{0xFFFF0000u, 0xFF0000FFu}));
  // 32-bit data whose alpha bytes are all zero stores no alpha: the picture is opaque.
  Bytes padded = Header(2, 32, 0x20, 2, 1);
  PutPixel(padded, 0x00102030u, 32);
  PutPixel(padded, 0x00405060u, 32);
  TRasterImage p = Decode(padded);
  EXPECT_EQ(p.pixels, (std::vector<uint32_t>{0xFF102030u, 0xFF405060u}));
}

TEST(CodecTga, InconsistentHeadersAreNotTakenForTga) {
  Bytes ok = Header(2, 24, 0, 1, 1);
  PutPixel(ok, 0xFF010203u, 24);
  EXPECT_EQ(DetectImageFormat(ok.data(), ok.size()), TImageFormat::Tga);
  Bytes bad_depth = ok;
  bad_depth[16] = 20;
  Bytes mapped_without_map = ok;
  mapped_without_map[2] = 1;
  mapped_without_map[16] = 8;
  Bytes zero_width = ok;
  zero_width[12] = 0;
  Bytes bad_type = ok;
  bad_type[2] = 4;
  for (const Bytes* b : {&bad_depth, &mapped_without_map, &zero_width, &bad_type}) {
    EXPECT_EQ(DetectImageFormat(b->data(), b->size()), TImageFormat::Unknown);
    EXPECT_THROW(Decode(*b), EImageError);
  }
  Bytes short_pixels = ok;
  short_pixels.pop_back();
  EXPECT_THROW(Decode(short_pixels), EImageError);
}

TEST(CodecTga, WaterCanTextureOfTheMd3Model) {
  std::string path = testsupport::DataDir() + "/models/md3/water_can.tga";
  TRasterImage image = DecodeImageFile(path, TAlphaForm::Straight);
  EXPECT_EQ(static_cast<size_t>(image.width) * image.height * 3 + 18,
            testsupport::ReadFile(path).size());  // uncompressed 24-bit
  for (uint32_t p : image.pixels) ASSERT_EQ(p >> 24, 255u);
  TRasterImage theirs;
  std::string error;
  if (!codectest::PillowPixels(path, theirs, &error)) GTEST_SKIP() << error;
  EXPECT_EQ(image.pixels, theirs.pixels);  // the orientation matters
}

TEST(CodecTga, TgaThatLooksLikeACursorDirectoryStillDecodes) {
  // No image id, no colour map, true colour: the first bytes read 00 00 02 00 like a cursor
  // file, and a non-zero (ignored) map length makes the "directory" non-empty.
  Bytes b = Header(2, 24, 0x20, 1, 1);
  b.erase(b.begin() + 18, b.begin() + 20);  // drop the image id
  b[0] = 0;
  b[5] = 1;  // map length of an absent map
  PutPixel(b, 0xFF0A0B0Cu, 24);
  ASSERT_EQ(DetectImageFormat(b.data(), b.size()), TImageFormat::Ico);
  TRasterImage image = Decode(b);
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF0A0B0Cu}));
}
