// The large masters and the fitted framing, through the workbench on the off-screen renderer.
#include <gtest/gtest.h>

#include "app/framing.h"
#include "app/workbench.h"
#include "imaging/canvas.h"
#include "render/egl_context.h"
#include "render/gl_canvas.h"
#include "scene/camera_light.h"
#include "tests/support/test_support.h"

namespace {

class IconMastersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallOpenGLRenderer();
    if (!TglEglContext::Shared()) GTEST_SKIP() << TglEglContext::OffscreenContextError();
  }

  // Mean absolute difference per channel between image scaled to 256 and the 256 master.
  double MeanDifferenceTo256(const TpmBitmap& image) {
    TpmBitmap reduced(256, 256);
    const float s = static_cast<float>(image.Width());
    reduced.Canvas().DrawBitmap(image, {0, 0, s, s}, {0, 0, 256, 256}, 1, false);
    const TpmBitmap& master = bench.Master(256);
    double sum = 0;
    for (int y = 0; y < 256; ++y) {
      for (int x = 0; x < 256; ++x) {
        for (int shift = 0; shift < 32; shift += 8) {
          sum += std::abs(static_cast<int>((reduced.Scanline(y)[x] >> shift) & 255) -
                          static_cast<int>((master.Scanline(y)[x] >> shift) & 255));
        }
      }
    }
    return sum / (256.0 * 256 * 4);
  }

  // The box of pixels with any alpha: left, top, right, bottom (exclusive); left = side
  // when there is none.
  static std::array<int, 4> Covered(const TpmBitmap& b) {
    std::array<int, 4> box{b.Width(), b.Height(), 0, 0};
    for (int y = 0; y < b.Height(); ++y) {
      for (int x = 0; x < b.Width(); ++x) {
        if (!(b.Scanline(y)[x] >> 24)) continue;
        box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1),
               std::max(box[3], y + 1)};
      }
    }
    return box;
  }

  TWorkbench bench;
};

TEST_F(IconMastersTest, LargeMastersAreThe256PictureSharper) {
  ASSERT_TRUE(bench.LoadModel(testsupport::DataDir() + "/models/md3/watercan.md3"));
  for (float direction : {45.0f, -135.0f}) {  // the shift of both sides of the shadow
    bench.SetShadowDirection(direction);
    bench.SetShadowDistance(10);
    ASSERT_TRUE(bench.RenderIcons());
    for (int size : {512, 1024}) {
      const TpmBitmap& master = bench.Master(size);
      ASSERT_EQ(master.Width(), size);
      const double mean = MeanDifferenceTo256(master);
      EXPECT_LT(mean, 3) << size << " at " << direction;
      EXPECT_GT(Covered(master)[2], 0);
    }
  }
  // Sizes between masters come from the next larger one; all others are refused.
  EXPECT_EQ(bench.Icon(180).Width(), 180);
  EXPECT_LT(MeanDifferenceTo256(bench.Icon(700)), 3);
  EXPECT_EQ(&bench.Icon(32), &bench.Preview(32));
  EXPECT_THROW(bench.Icon(1025), std::out_of_range);
  EXPECT_THROW(bench.Master(300), std::out_of_range);
}

TEST_F(IconMastersTest, FitFillsTheIconAndTheShadowIsNeverCut) {
  ASSERT_TRUE(bench.LoadModel(testsupport::DataDir() + "/models/3ds/fels.3ds"));
  bench.SetModelOffset({1.5f, 0, -1});  // start off-centre and small
  bench.SetCameraDistance(18);
  bench.SetShadowDistance(20);
  bench.SetShadowSoftness(100);
  for (float direction : {45.0f, 135.0f, -45.0f, -135.0f}) {
    bench.SetShadowDirection(direction);
    ASSERT_TRUE(FitFraming(bench, 8));
    ASSERT_TRUE(bench.RenderIcons());
    for (int size : {256, 1024}) {
      const TpmBitmap& master = bench.Master(size);
      const std::array<int, 4> box = Covered(master);
      // Nothing touches an edge (the shadow's faint fringe included) ...
      EXPECT_GT(box[0], 0) << direction;
      EXPECT_GT(box[1], 0) << direction;
      EXPECT_LT(box[2], size) << direction;
      EXPECT_LT(box[3], size) << direction;
      // ... and the picture fills the side up to the margin on its tighter axis.
      const double filled = std::max(box[2] - box[0], box[3] - box[1]) / double(size);
      EXPECT_NEAR(filled, 0.84, 0.03) << direction << " at " << size;
    }
  }
  // Later changes of the framing give the usual shift back.
  bench.SetShadowDirection(45);
  ASSERT_TRUE(FitFraming(bench));
  EXPECT_TRUE(bench.FramingFitted());
  bench.SetViewTurn(-40);
  EXPECT_FALSE(bench.FramingFitted());
}

TEST_F(IconMastersTest, FitWithoutShadowCentresTheSilhouette) {
  bench.SetShadowEnabled(false);
  bench.SetModelOffset({-2, 0, 1.5f});
  ASSERT_TRUE(FitFraming(bench, 20));
  ASSERT_TRUE(bench.RenderIcons());
  const std::array<int, 4> box = Covered(bench.Master(256));
  EXPECT_NEAR(box[0] + box[2], 256, 3);  // centred across
  EXPECT_NEAR(box[1] + box[3], 256, 3);
  EXPECT_NEAR(std::max(box[2] - box[0], box[3] - box[1]), 256 * 0.6, 4);
  EXPECT_GE(bench.Camera1().Position().Y(), -20);  // within the slider's range
  EXPECT_LE(bench.Camera1().Position().Y(), -2);
}

}  // namespace
