// Encoding: what we write decodes to what we meant, in our decoder and in other readers.
#include <gtest/gtest.h>

#include <random>

#include "imaging/image_codec.h"
#include "tests/imaging/codec_test_util.h"

using codectest::ChannelDistance;
using codectest::Pattern;
using codectest::PatternImage;

namespace {

std::string WriteTemp(const testsupport::TempDir& dir, const std::string& name,
                      const std::vector<uint8_t>& bytes) {
  std::string path = dir.File(name);
  testsupport::WriteFile(path, bytes);
  return path;
}

// A premultiplied image holding the pattern, as TpmBitmap would.
TRasterImage PremultipliedPattern() {
  TRasterImage image = PatternImage();
  ConvertAlphaForm(image, TAlphaForm::Premultiplied);
  return image;
}

TRasterImage Noise(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  TRasterImage image = AllocateRaster(w, h, TAlphaForm::Straight);
  for (uint32_t& p : image.pixels) p = 0xFF000000u | (rng() & 0xFFFFFF);
  return image;
}

}  // namespace

TEST(CodecEncode, LosslessFormatsKeepStraightColourAndAlpha) {
  // From premultiplied pixels the encoders store straight colour; decoding straight must
  // give the pattern back exactly, and decoding premultiplied the pixels we started with.
  TRasterImage pre = PremultipliedPattern();
  TRasterImage straight = pre;
  ConvertAlphaForm(straight, TAlphaForm::Straight);
  for (TImageFormat format : {TImageFormat::Png, TImageFormat::Bmp, TImageFormat::Tiff}) {
    std::vector<uint8_t> bytes = EncodeImage(pre, format);
    EXPECT_EQ(DetectImageFormat(bytes.data(), bytes.size()), format);
    TRasterImage back = DecodeImage(bytes.data(), bytes.size(), TAlphaForm::Straight);
    EXPECT_EQ(back.pixels, straight.pixels) << static_cast<int>(format);
    TRasterImage back_pre = DecodeImage(bytes.data(), bytes.size(), TAlphaForm::Premultiplied);
    EXPECT_EQ(back_pre.pixels, pre.pixels) << static_cast<int>(format);
  }
}

TEST(CodecEncode, HalfTransparentRedIsStoredStraight) {
  TRasterImage image = AllocateRaster(2, 1, TAlphaForm::Premultiplied);
  image.pixels = {0x80800000u, 0xFF00FF00u};  // alpha 128, red 128 premultiplied; green
  std::vector<uint8_t> png = EncodeImage(image, TImageFormat::Png);
  TRasterImage straight = DecodeImage(png.data(), png.size(), TAlphaForm::Straight);
  EXPECT_EQ(straight.pixels[0], 0x80FF0000u);
  EXPECT_EQ(straight.pixels[1], 0xFF00FF00u);
  TRasterImage again = DecodeImage(png.data(), png.size(), TAlphaForm::Premultiplied);
  EXPECT_EQ(again.pixels, image.pixels);
}

TEST(CodecEncode, PngPassesPngcheckAndPillowSeesTheStraightColours) {
  testsupport::TempDir dir;
  TRasterImage pre = PremultipliedPattern();
  std::string path = WriteTemp(dir, "pattern.png", EncodeImage(pre, TImageFormat::Png));
  if (testsupport::HaveTool("pngcheck")) {
    std::string out;
    EXPECT_EQ(testsupport::RunCommand("pngcheck " + testsupport::ShellQuote(path), &out), 0) << out;
  }
  TRasterImage theirs;
  std::string error;
  if (!codectest::PillowPixels(path, theirs, &error)) GTEST_SKIP() << error;
  ASSERT_EQ(theirs.width, 8);
  ASSERT_EQ(theirs.height, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      uint32_t want = Pattern(x, y);
      // The round trip through premultiplied colour cannot keep colour under alpha 0, and
      // at low alpha a straight channel comes back to within 255 / (2 alpha).
      uint32_t a = want >> 24;
      if (a == 0) want = 0;
      int slack = a == 0 || a == 255 ? 0 : static_cast<int>(255 / (2 * a)) + 1;
      EXPECT_LE(ChannelDistance(theirs.Row(y)[x], want), slack) << x << "," << y;
      EXPECT_EQ(theirs.Row(y)[x] >> 24, a);
    }
}

TEST(CodecEncode, OtherFormatsOpenInPillow) {
  testsupport::TempDir dir;
  TRasterImage pre = PremultipliedPattern();
  TRasterImage straight = pre;
  ConvertAlphaForm(straight, TAlphaForm::Straight);
  struct {
    TImageFormat format;
    const char* name;
  } cases[] = {{TImageFormat::Bmp, "p.bmp"},
               {TImageFormat::Tiff, "p.tif"},
               {TImageFormat::Gif, "p.gif"},
               {TImageFormat::Jpeg, "p.jpg"}};
  for (auto& c : cases) {
    std::string path = WriteTemp(dir, c.name, EncodeImage(pre, c.format));
    TRasterImage theirs;
    std::string error;
    if (!codectest::PillowPixels(path, theirs, &error)) {
      if (error == "no Pillow") GTEST_SKIP();
      ADD_FAILURE() << c.name << ": " << error;
      continue;
    }
    ASSERT_EQ(theirs.width, 8) << c.name;
    TRasterImage ours = DecodeImageFile(path, TAlphaForm::Straight);
    if (c.format == TImageFormat::Bmp || c.format == TImageFormat::Tiff) {
      EXPECT_EQ(theirs.pixels, straight.pixels) << c.name;
    } else {
      // GIF and JPEG: the two readers agree with each other.
      int worst = 0;
      for (size_t i = 0; i < ours.pixels.size(); ++i)
        worst = std::max(worst, ChannelDistance(ours.pixels[i], theirs.pixels[i]));
      EXPECT_LE(worst, c.format == TImageFormat::Jpeg ? 3 : 0) << c.name;
    }
  }
}

TEST(CodecEncode, GifKeepsFewColoursExactlyAndMarksClearPixels) {
  TRasterImage pre = PremultipliedPattern();
  std::vector<uint8_t> gif = EncodeImage(pre, TImageFormat::Gif);
  TRasterImage back = DecodeImage(gif.data(), gif.size(), TAlphaForm::Straight);
  TRasterImage straight = pre;
  ConvertAlphaForm(straight, TAlphaForm::Straight);
  for (size_t i = 0; i < back.pixels.size(); ++i) {
    uint32_t p = straight.pixels[i];
    uint32_t want = (p >> 24) < 128 ? 0 : (p | 0xFF000000u);
    EXPECT_EQ(back.pixels[i], want) << i;
  }
  // Thousands of colours go through the palette reduction and stay close.
  TRasterImage many = AllocateRaster(64, 64, TAlphaForm::Straight);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) many.Row(y)[x] = 0xFF000000u | (x * 4 << 16) | (y * 4 << 8) | 90;
  gif = EncodeImage(many, TImageFormat::Gif);
  back = DecodeImage(gif.data(), gif.size(), TAlphaForm::Straight);
  int worst = 0;
  for (size_t i = 0; i < back.pixels.size(); ++i)
    worst = std::max(worst, ChannelDistance(back.pixels[i], many.pixels[i]));
  EXPECT_LE(worst, 40);
  EXPECT_EQ(back.pixels[0] >> 24, 255u);
}

TEST(CodecEncode, JpegQualityChangesSizeAndFidelity) {
  TRasterImage noise = Noise(64, 64, 7);
  std::vector<uint8_t> low = EncodeImage(noise, TImageFormat::Jpeg, {10});
  std::vector<uint8_t> high = EncodeImage(noise, TImageFormat::Jpeg, {95});
  EXPECT_LT(low.size() * 2, high.size());
  // A smooth image survives high quality closely and every pixel comes back opaque.
  TRasterImage smooth = AllocateRaster(64, 64, TAlphaForm::Premultiplied);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) smooth.Row(y)[x] = 0xFF000000u | (x * 4 << 16) | (y * 4 << 8);
  smooth.Row(5)[5] = 0x80404040u;  // alpha is dropped, the straight colour stays
  std::vector<uint8_t> jpeg = EncodeImage(smooth, TImageFormat::Jpeg, {95});
  TRasterImage back = DecodeImage(jpeg.data(), jpeg.size(), TAlphaForm::Premultiplied);
  int worst = 0;
  for (size_t i = 0; i < back.pixels.size(); ++i) {
    EXPECT_EQ(back.pixels[i] >> 24, 255u);
    if (i != 5 * 64 + 5) worst = std::max(worst, ChannelDistance(back.pixels[i], smooth.pixels[i]));
  }
  EXPECT_LE(worst, 12);
}

TEST(CodecEncode, EncoderIsChosenByExtensionInAnyCase) {
  EXPECT_EQ(EncoderFormatForFileName("/x/icon.PNG"), TImageFormat::Png);
  EXPECT_EQ(EncoderFormatForFileName("a.JpEg"), TImageFormat::Jpeg);
  EXPECT_EQ(EncoderFormatForFileName("a.jpg"), TImageFormat::Jpeg);
  EXPECT_EQ(EncoderFormatForFileName("a.tif"), TImageFormat::Tiff);
  EXPECT_EQ(EncoderFormatForFileName("a.TIFF"), TImageFormat::Tiff);
  EXPECT_EQ(EncoderFormatForFileName("a.bmp"), TImageFormat::Bmp);
  EXPECT_EQ(EncoderFormatForFileName("a.gif"), TImageFormat::Gif);
  for (const char* name : {"a.dat", "a.ico", "a.tga", "png", "dir.png/file", "a."})
    EXPECT_EQ(EncoderFormatForFileName(name), TImageFormat::Unknown) << name;
  TRasterImage image = PatternImage();
  EXPECT_THROW(EncodeImage(image, TImageFormat::Ico), EImageError);
}
