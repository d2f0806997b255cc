#include "scene/bitmap_codec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/stream.h"
#include "imaging/image_codec.h"
#include "scene/scene_bitmap.h"
#include "scene/text_forms.h"
#include "tests/support/test_support.h"

using testsupport::TempDir;

namespace {

// Writes a 3 x 2 PNG through Pillow: a half-transparent red pixel first, opaque pixels
// after it. Returns false when Pillow is missing.
bool WriteTexturePng(const std::string& path) {
  const std::string python = testsupport::PythonWithPillow();
  if (python.empty()) return false;
  const std::string script =
      "from PIL import Image\n"
      "im = Image.new('RGBA', (3, 2), (0, 0, 255, 255))\n"
      "im.putpixel((0, 0), (255, 0, 0, 128))\n"
      "im.putpixel((2, 1), (10, 200, 30, 255))\n"
      "im.save('" +
      path + "')\n";
  std::string out;
  return testsupport::RunCommand(python + " -c " + testsupport::ShellQuote(script), &out) == 0;
}

std::string PillowPixel(const std::string& path, int x, int y) {
  std::string out;
  const std::string script = "from PIL import Image\nprint(Image.open('" + path +
                             "').convert('RGBA').getpixel((" + std::to_string(x) + "," +
                             std::to_string(y) + ")))";
  testsupport::RunCommand(
      testsupport::PythonWithPillow() + " -c " + testsupport::ShellQuote(script), &out);
  return out;
}

}  // namespace

TEST(SceneBitmapCodec, TexturesLoadWithStraightColourAndAreMarkedForUpload) {
  TempDir dir;
  const std::string file = dir.File("texture.png");
  if (!WriteTexturePng(file)) GTEST_SKIP() << "Pillow is not available";
  TgkBitmap bitmap(1, 1);
  bitmap.SetNeedsUpload(false);
  int changes = 0;
  bitmap.OnChange = [&](TgkBitmap&) { ++changes; };
  ASSERT_TRUE(bitmap.LoadFromFile(file));
  ASSERT_EQ(bitmap.Width(), 3);
  ASSERT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.Bits()[0], 0x80FF0000u);  // not premultiplied
  EXPECT_EQ(bitmap.Bits()[1], 0xFF0000FFu);
  EXPECT_EQ(bitmap.Bits()[5], 0xFF0AC81Eu);
  EXPECT_TRUE(bitmap.NeedsUpload());
  EXPECT_GE(changes, 1);

  TgkCodecFilter filter;
  EXPECT_EQ(filter.GetImageSize(file), MakePoint(3, 2, 0));
}

TEST(SceneBitmapCodec, OnlyQuarterTurnsAreLoaded) {
  TempDir dir;
  const std::string file = dir.File("texture.png");
  if (!WriteTexturePng(file)) GTEST_SKIP() << "Pillow is not available";
  TgkCodecFilter filter;
  TgkBitmap bitmap(5, 5);
  bitmap.Clear(0x12345678);
  EXPECT_FALSE(filter.LoadFromFile(file, bitmap, 45));
  EXPECT_FALSE(filter.LoadFromFile(file, bitmap, 90.5f));
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.Bits()[24], 0x12345678u);

  ASSERT_TRUE(filter.LoadFromFile(file, bitmap, 90));
  ASSERT_EQ(bitmap.Width(), 2);
  ASSERT_EQ(bitmap.Height(), 3);
  // Clockwise: the top-left pixel moves to the top-right corner.
  EXPECT_EQ(bitmap.Bits()[1], 0x80FF0000u);
  ASSERT_TRUE(filter.LoadFromFile(file, bitmap, -90));  // the remainder keeps the sign
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Bits()[0], 0x80FF0000u);
  ASSERT_TRUE(filter.LoadFromFile(file, bitmap, 540));
  EXPECT_EQ(bitmap.Bits()[5], 0x80FF0000u);
}

TEST(SceneBitmapCodec, BadFilesAreReportedAndLoseNothing) {
  TempDir dir;
  testsupport::WriteFile(dir.File("junk.png"), {'n', 'o', 't', ' ', 'p', 'n', 'g'});
  TgkBitmap bitmap(2, 2);
  bitmap.Clear(0xFF00FF00);
  EXPECT_FALSE(bitmap.LoadFromFile(dir.File("junk.png")));
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(bitmap.Bits()[3], 0xFF00FF00u);
  EXPECT_THROW(bitmap.LoadFromFile(dir.File("missing.png")), EStreamError);
  TgkCodecFilter filter;
  EXPECT_EQ(filter.GetImageSize(dir.File("junk.png")), MakePoint(0, 0, 0));
}

TEST(SceneBitmapCodec, StoredFormIsPngWithTransparencyAndJpegWithout) {
  TgkBitmap source(4, 3);
  source.Clear(0xFF204080);
  {
    TMemoryStream opaque;
    source.WriteStored(opaque);
    ASSERT_GT(opaque.Size(), 2);
    EXPECT_EQ(opaque.Bytes()[0], 0xFF);
    opaque.Seek(0);
    auto back = TgkBitmap::CreateFromStream(opaque);
    ASSERT_EQ(back->Width(), 4);
    const uint32_t p = back->Bits()[5];
    EXPECT_EQ(p >> 24, 0xFFu);
    EXPECT_NEAR(int((p >> 16) & 0xFF), 0x20, 6);
    EXPECT_NEAR(int(p & 0xFF), 0x80, 6);
  }
  source.Bits()[7] = 0xFE204080;  // one pixel not opaque
  source.Bits()[0] = 0x40FF8000;
  TMemoryStream stored;
  source.WriteStored(stored);
  EXPECT_EQ(stored.Bytes()[0], 0x89);
  stored.Seek(0);
  TgkBitmap back;
  int changes = 0;
  back.OnChange = [&](TgkBitmap&) { ++changes; };
  ASSERT_TRUE(back.ReadStored(stored));
  ASSERT_EQ(back.Width(), 4);
  ASSERT_EQ(back.Height(), 3);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(back.Bits()[i], source.Bits()[i]) << i;
  EXPECT_GE(changes, 1);
  EXPECT_TRUE(back.NeedsUpload());
}

TEST(SceneBitmapCodec, StoredDataOfAnotherKindLeavesTheBitmapAlone) {
  TgkBitmap bitmap(1, 1);
  bitmap.Clear(0xFFABCDEF);
  TMemoryStream other(std::vector<uint8_t>{'B', 'M', 0, 0});
  EXPECT_FALSE(bitmap.ReadStored(other));
  EXPECT_EQ(other.Position(), 0);  // the first byte was only looked at
  TMemoryStream broken(std::vector<uint8_t>{0x89, 'P', 'N', 'G', 1, 2, 3});
  EXPECT_FALSE(bitmap.ReadStored(broken));
  TMemoryStream empty;
  EXPECT_FALSE(bitmap.ReadStored(empty));
  EXPECT_EQ(bitmap.Width(), 1);
  EXPECT_EQ(bitmap.Bits()[0], 0xFFABCDEFu);
}

TEST(SceneBitmapCodec, SavesByExtensionAndPillowReadsStraightColour) {
  TempDir dir;
  TgkBitmap bitmap(2, 1);
  bitmap.Bits()[0] = 0x80FF0000;  // straight half-transparent red
  bitmap.Bits()[1] = 0xFF00FF00;
  TgkCodecFilter filter;
  ASSERT_TRUE(filter.SaveToFile(dir.File("out.PNG"), bitmap, ""));
  EXPECT_FALSE(filter.SaveToFile(dir.File("out.dat"), bitmap, ""));
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.dat")));
  EXPECT_THROW(filter.SaveToFile(dir.File("q.jpg"), bitmap, "quality=high"), EConvertError);
  EXPECT_TRUE(filter.SaveToFile(dir.File("q.jpg"), bitmap, "Quality=90 other=1"));
  TgkBitmap empty;
  EXPECT_FALSE(filter.SaveToFile(dir.File("empty.png"), empty, ""));

  TgkBitmap back;
  ASSERT_TRUE(back.LoadFromFile(dir.File("out.PNG")));
  EXPECT_EQ(back.Bits()[0], 0x80FF0000u);
  if (testsupport::PythonWithPillow().empty()) GTEST_SKIP() << "Pillow is not available";
  EXPECT_EQ(PillowPixel(dir.File("out.PNG"), 0, 0), "(255, 0, 0, 128)\n");
}

TEST(SceneBitmapCodec, RenderedPixelsAreSavedAndStoredAsStraightColour) {
  TempDir dir;
  TgkBitmap rendered(1, 1);
  rendered.Bits()[0] = 0x80800000;  // half-transparent red, premultiplied as a frame is
  rendered.SetAlphaForm(TAlphaForm::Premultiplied);
  TgkCodecFilter filter;
  ASSERT_TRUE(filter.SaveToFile(dir.File("frame.png"), rendered, ""));
  TgkBitmap back;
  ASSERT_TRUE(back.LoadFromFile(dir.File("frame.png")));
  EXPECT_EQ(back.AlphaForm(), TAlphaForm::Straight);
  EXPECT_EQ(back.Bits()[0], 0x80FF0000u);

  TMemoryStream stored;
  rendered.WriteStored(stored);
  stored.Seek(0);
  TgkBitmap reread;
  ASSERT_TRUE(reread.ReadStored(stored));
  EXPECT_EQ(reread.Bits()[0], 0x80FF0000u);

  TgkBitmap copy;
  copy.Assign(rendered);
  EXPECT_EQ(copy.AlphaForm(), TAlphaForm::Premultiplied);
}

TEST(SceneBitmapCodec, ThumbnailsFitTheBox) {
  TempDir dir;
  TRasterImage image = AllocateRaster(100, 50, TAlphaForm::Straight);
  std::fill(image.pixels.begin(), image.pixels.end(), 0xFF336699u);
  const auto png = EncodeImage(image, TImageFormat::Png);
  testsupport::WriteFile(dir.File("wide.png"), png);
  TgkCodecFilter filter;
  TgkBitmap bitmap;
  ASSERT_TRUE(filter.LoadThumbnailFromFile(dir.File("wide.png"), false, 20, 20, bitmap));
  EXPECT_EQ(bitmap.Width(), 20);
  EXPECT_EQ(bitmap.Height(), 10);
  EXPECT_EQ(bitmap.Bits()[0], 0xFF336699u);
  EXPECT_EQ(filter.GetFileTypes(), "*.bmp;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.gif");
}
