// Decoding files other programs wrote: the samples Pillow made (tests/data/imaging) and the
// textures of real models.
#include <gtest/gtest.h>

#include "imaging/image_codec.h"
#include "tests/imaging/codec_test_util.h"

using codectest::ChannelDistance;
using codectest::Pattern;
using codectest::Sample;

namespace {

TRasterImage Decode(const std::string& name, TAlphaForm form = TAlphaForm::Straight) {
  return DecodeImageFile(Sample(name), form);
}

void ExpectPattern(const TRasterImage& image, bool with_alpha, int tolerance,
                   const std::string& what) {
  ASSERT_EQ(image.width, 8) << what;
  ASSERT_EQ(image.height, 6) << what;
  int worst = 0;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      uint32_t want = Pattern(x, y) | (with_alpha ? 0 : 0xFF000000u);
      worst = std::max(worst, ChannelDistance(image.Row(y)[x], want));
      if (tolerance == 0) {
        ASSERT_EQ(image.Row(y)[x], want) << what << " at " << x << "," << y;
      }
    }
  EXPECT_LE(worst, tolerance) << what;
}

}  // namespace

TEST(CodecDecode, LosslessSamplesGiveTheExactPattern) {
  ExpectPattern(Decode("rgba.png"), true, 0, "png");
  ExpectPattern(Decode("rgba16.png"), true, 0, "png with 16 bits per channel");
  ExpectPattern(Decode("rgb.bmp"), false, 0, "bmp");
  ExpectPattern(Decode("rgba.tif"), true, 0, "tiff lzw rgba");
  ExpectPattern(Decode("rgb.tif"), false, 0, "tiff deflate rgb");
  ExpectPattern(Decode("rgba.tga"), true, 0, "tga");
  ExpectPattern(Decode("rgba_rle.tga"), true, 0, "tga rle rgba");
  ExpectPattern(Decode("rgb_rle.tga"), false, 0, "tga rle rgb");
  ExpectPattern(Decode("icon.ico"), true, 0, "ico");
}

TEST(CodecDecode, FormatIsToldByContentNotByName) {
  auto bytes = testsupport::ReadFile(Sample("rgba.png"));
  EXPECT_EQ(DetectImageFormat(bytes.data(), bytes.size()), TImageFormat::Png);
  struct {
    const char* file;
    TImageFormat format;
  } cases[] = {{"rgb.bmp", TImageFormat::Bmp},   {"rgb.jpg", TImageFormat::Jpeg},
               {"rgba.tif", TImageFormat::Tiff}, {"pal.gif", TImageFormat::Gif},
               {"icon.ico", TImageFormat::Ico},  {"rgba_rle.tga", TImageFormat::Tga}};
  for (auto& c : cases) {
    auto data = testsupport::ReadFile(Sample(c.file));
    EXPECT_EQ(DetectImageFormat(data.data(), data.size()), c.format) << c.file;
  }
  const uint8_t text[] = "hello, this is not an image at all";
  EXPECT_EQ(DetectImageFormat(text, sizeof text), TImageFormat::Unknown);
  EXPECT_THROW(DecodeImage(text, sizeof text, TAlphaForm::Straight), EImageError);
}

TEST(CodecDecode, PremultipliedFormRoundsEachChannel) {
  TRasterImage straight = Decode("rgba.png");
  TRasterImage pre = Decode("rgba.png", TAlphaForm::Premultiplied);
  EXPECT_EQ(pre.form, TAlphaForm::Premultiplied);
  // (4, 1): alpha 144, red 128, green 40, blue 80.
  EXPECT_EQ(straight.Row(1)[4], 0x90802850u);
  // 128 * 144 / 255 = 72.28, 40 * 144 / 255 = 22.59, 80 * 144 / 255 = 45.18
  EXPECT_EQ(pre.Row(1)[4], 0x9048172Du);
  EXPECT_EQ(pre.Row(1)[0], 0u);                  // alpha 0 keeps no colour
  EXPECT_EQ(pre.Row(0)[3], straight.Row(0)[3]);  // opaque pixels are unchanged
  // Back to straight: every value a premultiplied pixel can hold returns exactly.
  TRasterImage back = pre;
  ConvertAlphaForm(back, TAlphaForm::Straight);
  TRasterImage again = back;
  ConvertAlphaForm(again, TAlphaForm::Premultiplied);
  EXPECT_EQ(again.pixels, pre.pixels);
}

TEST(CodecDecode, PremultiplyingAndBackIsExactForEveryValidPixel) {
  for (uint32_t a = 0; a < 256; ++a)
    for (uint32_t c = 0; c <= a; ++c) {
      uint32_t pre = (a << 24) | (c << 16) | (c << 8) | c;
      TRasterImage image = AllocateRaster(1, 1, TAlphaForm::Premultiplied);
      image.pixels[0] = pre;
      ConvertAlphaForm(image, TAlphaForm::Straight);
      ConvertAlphaForm(image, TAlphaForm::Premultiplied);
      ASSERT_EQ(image.pixels[0], a == 0 ? 0u : pre) << "a=" << a << " c=" << c;
    }
}

TEST(CodecDecode, PaletteAndLossySamplesMatchPillow) {
  for (const char* name : {"pal8.bmp", "mono.bmp", "pal.gif", "pal.tif", "jpeg.tif", "rgb.jpg",
                           "progressive.jpg", "cmyk.jpg", "gray.jpg"}) {
    TRasterImage ours = Decode(name);
    TRasterImage theirs;
    std::string error;
    if (!codectest::PillowPixels(Sample(name), theirs, &error)) {
      GTEST_SKIP() << "Pillow: " << error;
    }
    ASSERT_EQ(ours.width, theirs.width) << name;
    ASSERT_EQ(ours.height, theirs.height) << name;
    bool lossy = std::string(name).find("jp") != std::string::npos;
    int worst = 0;
    for (size_t i = 0; i < ours.pixels.size(); ++i)
      worst = std::max(worst, ChannelDistance(ours.pixels[i], theirs.pixels[i]));
    EXPECT_LE(worst, lossy ? 3 : 0) << name;
  }
  // The GIF's transparent entry is the pattern's alpha-0 pixel.
  TRasterImage gif = Decode("pal.gif");
  EXPECT_EQ(gif.Row(1)[0] >> 24, 0u);
  EXPECT_EQ(gif.Row(0)[0] >> 24, 255u);
  // The JPEG samples hold the opaque pattern, blurred by compression.
  ExpectPattern(Decode("rgb.jpg"), false, 40, "jpeg");
  ExpectPattern(Decode("cmyk.jpg"), false, 40, "cmyk jpeg");
}

TEST(CodecDecode, RealModelTexturesDecodeLikePillowSeesThem) {
  const std::string data = testsupport::DataDir();
  for (const char* name :
       {"models/3ds/CWALL02.jpg", "models/3ds/IMAGE1.jpg", "models/3ds/IMAGE2.jpg",
        "models/3ds/test.png", "models/md3/water_can.tga"}) {
    std::string path = data + "/" + name;
    TRasterImage ours = DecodeImageFile(path, TAlphaForm::Straight);
    EXPECT_GT(ours.width, 1) << name;
    TRasterImage theirs;
    std::string error;
    if (!codectest::PillowPixels(path, theirs, &error)) continue;
    ASSERT_EQ(ours.width, theirs.width) << name;
    ASSERT_EQ(ours.height, theirs.height) << name;
    int worst = 0;
    for (size_t i = 0; i < ours.pixels.size(); ++i)
      worst = std::max(worst, ChannelDistance(ours.pixels[i], theirs.pixels[i]));
    EXPECT_LE(worst, std::string(name).ends_with(".jpg") ? 3 : 0) << name;
  }
}

TEST(CodecDecode, PixelLimitRefusesImagesBeforeAllocating) {
  EXPECT_THROW(AllocateRaster(kMaxImageSide + 1, 1, TAlphaForm::Straight), EImageError);
  EXPECT_THROW(AllocateRaster(0, 5, TAlphaForm::Straight), EImageError);
  EXPECT_THROW(AllocateRaster(8192, 8193, TAlphaForm::Straight), EImageError);  // > 256 MiB
  size_t saved = MaxImagePixels();
  SetMaxImagePixels(47);
  EXPECT_THROW(Decode("rgba.png"), EImageError);  // 48 pixels
  SetMaxImagePixels(48);
  EXPECT_NO_THROW(Decode("rgba.png"));
  SetMaxImagePixels(saved);
}

TEST(CodecDecode, TiffWithAssociatedAlphaIsTakenAsPremultiplied) {
  // Our encoder stores the given values; tagging them as associated alpha afterwards makes
  // a file whose samples are premultiplied.
  TRasterImage pre = codectest::PatternImage();
  ConvertAlphaForm(pre, TAlphaForm::Premultiplied);
  TRasterImage as_stored = pre;
  as_stored.form = TAlphaForm::Straight;
  std::vector<uint8_t> tiff = EncodeImage(as_stored, TImageFormat::Tiff);
  ASSERT_EQ(tiff[0], 'I');
  auto le16 = [&](size_t at) { return static_cast<uint32_t>(tiff[at] | (tiff[at + 1] << 8)); };
  size_t ifd = le16(4) | (le16(6) << 16);
  bool retagged = false;
  for (uint32_t i = 0, n = le16(ifd); i < n; ++i) {
    size_t entry = ifd + 2 + 12 * i;
    if (le16(entry) == 338) {  // ExtraSamples: 2 (unassociated) becomes 1 (associated)
      ASSERT_EQ(le16(entry + 8), 2u);
      tiff[entry + 8] = 1;
      retagged = true;
    }
  }
  ASSERT_TRUE(retagged);
  TRasterImage back = DecodeImage(tiff.data(), tiff.size(), TAlphaForm::Premultiplied);
  EXPECT_EQ(back.pixels, pre.pixels);
}
