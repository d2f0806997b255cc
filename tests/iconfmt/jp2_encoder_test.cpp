#include "iconfmt/jp2_encoder.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/iconfmt/icon_readback.h"
#include "tests/support/test_support.h"

namespace {

// Noise with every alpha value, the hardest case for a lossless coder.
std::vector<uint32_t> NoiseImage(int size) {
  std::mt19937 rng(77);
  std::vector<uint32_t> pixels(size_t(size) * size);
  for (auto& p : pixels) p = static_cast<uint32_t>(rng());
  pixels[0] = 0;
  pixels[1] = 0xFFFFFFFF;
  return pixels;
}

TEST(EncodeJp2, ThePixelsComeBackExactly) {
  std::string python = testsupport::PythonWithPillow();
  if (python.empty()) GTEST_SKIP() << "no Python with Pillow";
  auto pixels = NoiseImage(64);
  auto jp2 = EncodeJp2(pixels.data(), 64, 64);
  testsupport::TempDir dir;
  std::string file = dir.File("noise.jp2");
  testsupport::WriteFile(file, {jp2.begin(), jp2.end()});
  std::string error;
  auto read = iconreadback::PillowRgba(python, file, 64, &error);
  ASSERT_EQ(read.size(), pixels.size() * 4) << error;
  size_t wrong = 0;
  for (size_t i = 0; i < pixels.size(); ++i) {
    uint32_t p = pixels[i];
    wrong += read[4 * i] != ((p >> 16) & 0xFF) || read[4 * i + 1] != ((p >> 8) & 0xFF) ||
             read[4 * i + 2] != (p & 0xFF) || read[4 * i + 3] != (p >> 24);
  }
  EXPECT_EQ(wrong, 0u);
}

TEST(EncodeJp2, TheThreadCountDoesNotChangeTheFile) {
  auto pixels = NoiseImage(256);
  auto one = EncodeJp2(pixels.data(), 256, 256, 1);
  EXPECT_GT(one.size(), 1000u);
  EXPECT_EQ(EncodeJp2(pixels.data(), 256, 256, 2), one);
  EXPECT_EQ(EncodeJp2(pixels.data(), 256, 256, 4), one);
  EXPECT_EQ(EncodeJp2(pixels.data(), 256, 256, 0), one);
}

TEST(EncodeJp2, ImagesItCannotEncodeRaise) {
  uint32_t pixel = 0;
  for (auto [w, h] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{-3, 4}}) {
    try {
      EncodeJp2(&pixel, w, h);
      ADD_FAILURE() << w << " x " << h << " did not raise";
    } catch (const EJp2Error& e) {
      EXPECT_NE(std::string(e.what()).find("JPEG 2000"), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(EncodeJp2(nullptr, 4, 4), EJp2Error);
}

}  // namespace
