// The same previews saved as .ico, as .icns and as PNG must look the same to a reader: the
// 256 images Pillow decodes from the three files agree to within 1 per channel.
#include <gtest/gtest.h>

#include "iconfmt/macico.h"
#include "iconfmt/winico.h"
#include "imaging/bitmap.h"
#include "tests/iconfmt/icon_readback.h"
#include "tests/iconfmt/sample_previews.h"
#include "tests/support/test_support.h"

namespace {

TEST(IconAgreement, IcoIcnsAndPngHoldTheSame256Image) {
  std::string python = testsupport::PythonWithPillow();
  if (python.empty()) GTEST_SKIP() << "no Python with Pillow";
  TSamplePreviews p;
  testsupport::TempDir dir;
  std::string ico = dir.File("icon.ico"), icns = dir.File("icon.icns"), png = dir.File("icon.png");
  WriteIco(*p.image16, *p.image32, *p.image48, *p.image64, *p.image128, *p.image256, ico);
  WriteIcns(*p.image16, *p.image32, *p.image48, *p.image128, *p.image256, icns);
  ASSERT_TRUE(p.image256->SaveToFile(png));

  std::string error;
  auto from_ico = iconreadback::PillowRgba(python, ico, 256, &error);
  ASSERT_FALSE(from_ico.empty()) << error;
  auto from_icns = iconreadback::PillowRgba(python, icns, 256, &error);
  ASSERT_FALSE(from_icns.empty()) << error;
  auto from_png = iconreadback::PillowRgba(python, png, 256, &error);
  ASSERT_FALSE(from_png.empty()) << error;

  EXPECT_LE(iconreadback::MaxDifference(from_ico, from_icns), 1);
  EXPECT_LE(iconreadback::MaxDifference(from_ico, from_png), 1);
  EXPECT_LE(iconreadback::MaxDifference(from_icns, from_png), 1);

  // The previews have soft edges and a tinted shadow, so premultiplied bytes would differ
  // far more than 1 from the straight colour the readers see.
  std::vector<uint8_t> premultiplied;
  for (size_t i = 0; i < 256 * 256; ++i) {
    uint32_t px = p.image256->Pixels()[i];
    premultiplied.insert(premultiplied.end(),
                         {uint8_t(px >> 16), uint8_t(px >> 8), uint8_t(px), uint8_t(px >> 24)});
  }
  EXPECT_GT(iconreadback::MaxDifference(premultiplied, from_ico), 50);
}

}  // namespace
