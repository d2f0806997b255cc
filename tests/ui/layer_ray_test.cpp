// Pick rays in the layer's own space turned into layer pixels, and the capture rule for
// rays that miss the layer while a drag goes on.
#include <gtest/gtest.h>

#include "ui/pq_layer.h"

namespace {

TEST(LayerRay, CornerAndCentrePixelsOfAScreenLayer) {
  TgkScreenPQLayer layer;
  layer.SetWidth(279);
  layer.SetHeight(597);
  ASSERT_EQ(layer.BitmapWidth(), 280);
  ASSERT_EQ(layer.BitmapHeight(), 596);  // even, halves to even
  TpmPoint p;
  ASSERT_TRUE(layer.PixelFromRay({-139, -298, -100, 1}, {0, 0, 1, 0}, false, p));
  EXPECT_NEAR(p.X, 0.5f, 0.05f);
  EXPECT_NEAR(p.Y, 0.5f, 0.05f);
  ASSERT_TRUE(layer.PixelFromRay({0, 0, -100, 1}, {0, 0, 1, 0}, false, p));
  EXPECT_FLOAT_EQ(p.X, 140);
  EXPECT_FLOAT_EQ(p.Y, 298);
}

TEST(LayerRay, MissesCountOnlyWhileDragging) {
  TgkScreenPQLayer layer;
  layer.SetWidth(100);
  layer.SetHeight(50);
  TpmPoint p;
  EXPECT_FALSE(layer.PixelFromRay({200, 10, -100, 1}, {0, 0, 1, 0}, false, p));
  ASSERT_TRUE(layer.PixelFromRay({200, 10, -100, 1}, {0, 0, 1, 0}, true, p));
  EXPECT_FLOAT_EQ(p.X, 250);  // beyond the right edge, as the drag needs it
  EXPECT_FLOAT_EQ(p.Y, 35);
}

TEST(LayerRay, CameraLayerUsesDepthForRows) {
  TgkPQLayer layer;  // 8 x 8 units, 60 pixels per unit
  ASSERT_EQ(layer.BitmapWidth(), 480);
  ASSERT_EQ(layer.BitmapHeight(), 480);
  TpmPoint p;
  ASSERT_TRUE(layer.PixelFromRay({-2, -100, 2, 1}, {0, 1, 0, 0}, false, p));
  EXPECT_FLOAT_EQ(p.X, 120);
  EXPECT_FLOAT_EQ(p.Y, 120);
}

}  // namespace
