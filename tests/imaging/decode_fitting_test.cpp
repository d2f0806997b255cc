// Decoding images reduced to a largest side: the row-by-row reduction must give what
// reducing the fully decoded image gives, for every kind of PNG, and JPEG's scaled decode
// must come close to it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "imaging/image_codec.h"
#include "tests/imaging/codec_test_util.h"
#include "tests/support/test_support.h"

namespace {

TRasterImage Noise(int32_t w, int32_t h, unsigned seed) {
  std::mt19937 random(seed);
  TRasterImage image = AllocateRaster(w, h, TAlphaForm::Straight);
  for (uint32_t& p : image.pixels) p = random();
  return image;
}

void ExpectSamePixels(const TRasterImage& a, const TRasterImage& b) {
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  EXPECT_EQ(a.form, b.form);
  size_t differing = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) differing += a.pixels[i] != b.pixels[i];
  EXPECT_EQ(differing, 0u);
}

// What the fitted decode must equal: the whole image decoded, then reduced.
TRasterImage DecodedThenReduced(const std::vector<uint8_t>& bytes, int32_t max_side) {
  TRasterImage full = DecodeImage(bytes.data(), bytes.size(), TAlphaForm::Straight);
  int32_t w = full.width, h = full.height;
  FitWithinSide(w, h, max_side);
  return ResizeArea(full, w, h);
}

TEST(DecodeFitting, FittedSizesKeepTheAspect) {
  auto fit = [](int32_t w, int32_t h, int32_t side) {
    FitWithinSide(w, h, side);
    return std::pair{w, h};
  };
  EXPECT_EQ(fit(5000, 300, 4096), (std::pair{4096, 246}));
  EXPECT_EQ(fit(300, 5000, 4096), (std::pair{246, 4096}));
  EXPECT_EQ(fit(8192, 8192, 4096), (std::pair{4096, 4096}));
  EXPECT_EQ(fit(4096, 10, 4096), (std::pair{4096, 10}));
  EXPECT_EQ(fit(16000, 1, 100), (std::pair{100, 1}));  // never below one pixel
}

TEST(DecodeFitting, RowReducerGivesWhatResizeAreaGives) {
  const TRasterImage image = Noise(97, 53, 7);
  for (auto [w, h] : {std::pair{40, 20}, std::pair{97, 10}, std::pair{13, 53}, std::pair{1, 1},
                      std::pair{96, 52}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    TRowReducer reducer(image.width, image.height, w, h);
    for (int32_t y = 0; y < image.height; ++y) reducer.AddRow(image.Row(y));
    ExpectSamePixels(reducer.Finish(TAlphaForm::Straight), ResizeArea(image, w, h));
  }
  TRowReducer short_of_rows(4, 4, 2, 2);
  short_of_rows.AddRow(image.Row(0));
  EXPECT_THROW(short_of_rows.Finish(TAlphaForm::Straight), EImageError);
  EXPECT_THROW(TRowReducer(4, 4, 5, 2), EImageError);
}

TEST(DecodeFitting, PngReducedRowByRowEqualsTheWholeImageReduced) {
  const TRasterImage image = Noise(301, 157, 3);
  std::vector<uint8_t> ours = EncodeImage(image, TImageFormat::Png);
  ExpectSamePixels(DecodeImageFitting(ours.data(), ours.size(), TAlphaForm::Straight, 64),
                   DecodedThenReduced(ours, 64));
  // Premultiplied results are the straight ones premultiplied.
  TRasterImage straight = DecodedThenReduced(ours, 100);
  ConvertAlphaForm(straight, TAlphaForm::Premultiplied);
  ExpectSamePixels(DecodeImageFitting(ours.data(), ours.size(), TAlphaForm::Premultiplied, 100),
                   straight);
  // Damaged data is reported, not half decoded.
  std::vector<uint8_t> cut(ours.begin(), ours.begin() + static_cast<long>(ours.size() / 2));
  EXPECT_THROW(DecodeImageFitting(cut.data(), cut.size(), TAlphaForm::Straight, 64), EImageError);

  // Every colour type and depth another writer produces.
  const std::string python = testsupport::PythonWithPillow();
  if (python.empty()) GTEST_SKIP() << "no Pillow";
  testsupport::TempDir dir;
  const std::string script =
      "from PIL import Image; import random; random.seed(5)\n"
      "img = Image.new('RGBA', (211, 97))\n"
      "img.putdata([tuple(random.randrange(256) for _ in range(4)) for _ in range(211 * 97)])\n"
      "d = '" +
      dir.File("") +
      "'\n"
      "img.save(d + 'rgba.png'); img.convert('RGB').save(d + 'rgb.png')\n"
      "img.convert('L').save(d + 'grey.png'); img.convert('LA').save(d + 'greya.png')\n"
      "p = img.convert('RGB').convert('P', palette=Image.ADAPTIVE, colors=16)\n"
      "p.save(d + 'palette.png', transparency=3)\n"
      "Image.frombytes('I;16', (211, 97), bytes(random.randrange(256) for _ in "
      "range(211 * 97 * 2))).save(d + 'grey16.png')\n"
      "img.save(d + 'interlaced.png', interlace=1)\n";
  testsupport::WriteFile(dir.File("make.py"), {script.begin(), script.end()});
  ASSERT_EQ(testsupport::RunCommand(python + " " + dir.File("make.py")), 0);
  for (const char* name : {"rgba.png", "rgb.png", "grey.png", "greya.png", "palette.png",
                           "grey16.png", "interlaced.png"}) {
    SCOPED_TRACE(name);
    const std::vector<unsigned char> file = testsupport::ReadFile(dir.File(name));
    const std::vector<uint8_t> bytes(file.begin(), file.end());
    ExpectSamePixels(DecodeImageFitting(bytes.data(), bytes.size(), TAlphaForm::Straight, 50),
                     DecodedThenReduced(bytes, 50));
  }
}

TEST(DecodeFitting, JpegDecodedAtAReducedScaleComesClose) {
  // A smooth picture: the scaled decode and the full one reduced differ only a little.
  TRasterImage image = AllocateRaster(800, 400, TAlphaForm::Straight);
  for (int32_t y = 0; y < 400; ++y)
    for (int32_t x = 0; x < 800; ++x)
      image.Row(y)[x] = 0xFF000000u | (static_cast<uint32_t>(x * 255 / 799) << 16) |
                        (static_cast<uint32_t>(y * 255 / 399) << 8) | 0x40;
  const std::vector<uint8_t> bytes = EncodeImage(image, TImageFormat::Jpeg, TEncodeOptions{95});
  const TRasterImage fitted =
      DecodeImageFitting(bytes.data(), bytes.size(), TAlphaForm::Straight, 120);
  const TRasterImage expected = DecodedThenReduced(bytes, 120);
  ASSERT_EQ(fitted.width, 120);
  ASSERT_EQ(fitted.height, 60);
  int worst = 0;
  for (size_t i = 0; i < fitted.pixels.size(); ++i)
    worst = std::max(worst, codectest::ChannelDistance(fitted.pixels[i], expected.pixels[i]));
  EXPECT_LE(worst, 6);
  // An image that fits is decoded as it is.
  ExpectSamePixels(DecodeImageFitting(bytes.data(), bytes.size(), TAlphaForm::Straight, 800),
                   DecodeImage(bytes.data(), bytes.size(), TAlphaForm::Straight));
}

}  // namespace
