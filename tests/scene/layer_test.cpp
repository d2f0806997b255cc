// Textured layers: bitmap sizes in both projections with even rounding, the two quads, the
// draw with modulation and opacity, picking as a box, and mouse events in bitmap pixels.
#include <gtest/gtest.h>

#include "imaging/bitmap.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/layer.h"
#include "tests/scene/scene_host_support.h"

TEST(Layer, EvenRoundGoesToTheNearestEvenNumberWithHalvesToEven) {
  EXPECT_EQ(EvenRound(345), 344);  // 172.5 -> 172
  EXPECT_EQ(EvenRound(347), 348);  // 173.5 -> 174
  EXPECT_EQ(EvenRound(45), 44);
  EXPECT_EQ(EvenRound(244.2f), 244);
  EXPECT_EQ(EvenRound(183), 184);
  EXPECT_EQ(EvenRound(-3), -4);
  EXPECT_EQ(EvenRound(0), 0);
  EXPECT_EQ(EvenRound(1e30f), 2147483646) << "huge sizes saturate instead of overflowing";
}

TEST(Layer, CameraLayerBitmapFollowsSizeTimesResolution) {
  TgkLayer layer;
  EXPECT_EQ(layer.Width(), 4);
  EXPECT_EQ(layer.Depth(), 3);
  EXPECT_EQ(layer.Height(), 1);
  EXPECT_TRUE(layer.CanFocused());
  EXPECT_TRUE(layer.TwoSide());
  EXPECT_EQ(layer.BitmapWidth(), 240);
  EXPECT_EQ(layer.BitmapHeight(), 180);
  EXPECT_EQ(layer.Bitmap().Width(), 240);
  layer.SetResolution(61);  // no even rounding here
  EXPECT_EQ(layer.BitmapWidth(), 244);
  EXPECT_EQ(layer.BitmapHeight(), 183);
  layer.SetDepth(3.01f);  // 183.61 -> even 184
  EXPECT_EQ(layer.BitmapHeight(), 184);
  layer.SetHeight(7);  // thickness only
  EXPECT_EQ(layer.BitmapHeight(), 184);
  layer.SetWidth(5);  // 305 pixels: the even neighbour below, as 152.5 rounds to 152
  EXPECT_EQ(layer.BitmapWidth(), 304);
}

TEST(Layer, ScreenLayerBitmapIsTheEvenPixelSize) {
  TgkLayer layer;
  layer.SetProjection(true);
  EXPECT_EQ(layer.BitmapWidth(), 240) << "a change of projection alone changes nothing";
  layer.SetWidth(345);
  layer.SetHeight(45);
  EXPECT_EQ(layer.BitmapWidth(), 344);
  EXPECT_EQ(layer.BitmapHeight(), 44);
  layer.SetDepth(10);
  layer.SetResolution(30);
  EXPECT_EQ(layer.BitmapWidth(), 344);
  EXPECT_EQ(layer.BitmapHeight(), 44);
  EXPECT_EQ(layer.Bitmap().Width(), 240) << "the pixels are reallocated only when drawn";
  layer.BeforePaint();
  EXPECT_EQ(layer.Bitmap().Width(), 344);
  EXPECT_EQ(layer.Bitmap().Height(), 44);
}

TEST(Layer, TheTwoQuadsFaceTheirViewers) {
  TgkLayer layer;
  const TgkMeshData& screen = layer.ScreenQuad();
  ASSERT_EQ(screen.VertexCount(), 4);
  EXPECT_EQ(screen.Indices, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3}));
  EXPECT_EQ(screen.Vertices[1].X, 0.5f);   // j = 1
  EXPECT_EQ(screen.Vertices[2].Y, 0.5f);   // i = 1: the bottom row, y down
  EXPECT_EQ(screen.Vertices[2].TV, 1.0f);  // bitmap's last row at the bottom
  EXPECT_EQ(screen.Vertices[3].NZ, 1.0f);
  const TgkMeshData& camera = layer.CameraQuad();
  ASSERT_EQ(camera.VertexCount(), 4);
  EXPECT_EQ(camera.Indices, (std::vector<uint32_t>{0, 2, 1, 2, 3, 1}));
  EXPECT_EQ(camera.Vertices[2].Z, 0.5f);
  EXPECT_EQ(camera.Vertices[2].TV, 0.0f) << "the bitmap's top row at +Z";
  for (const TgkMeshVertex& v : camera.Vertices) {
    EXPECT_EQ(v.Y, 0);
    EXPECT_LT(v.NY, 0) << "faces -Y, toward a default camera";
    EXPECT_EQ(v.NX, 0);
    EXPECT_EQ(v.NZ, 0);
  }
}

namespace {

class LayerSceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scene_.AttachView(&view_, 1066, 657);
    root_ = new TgkVisualObject(&form_);
    scene_.AddObject(root_);
    camera_ = new TgkCamera(&form_);
    camera_->SetParent(root_);
    scene_.SetCamera(camera_);
    layer_ = new TgkLayer(&form_);
    layer_->SetParent(root_);
    scene_.Render();
  }
  THostTestCanvas& Canvas() { return static_cast<THostTestCanvas&>(*scene_.Canvas()); }
  void Press(float x, float y) {
    TInputEvent e;
    e.kind = TInputKind::MouseDown;
    e.x = x, e.y = y;
    scene_.HandleInput(e);
  }

  TUseHostTestCanvas use_canvas_;
  THostTestView view_;
  TgkScene scene_;
  TComponent form_;
  TgkVisualObject* root_ = nullptr;
  TgkCamera* camera_ = nullptr;
  TgkLayer* layer_ = nullptr;
};

}  // namespace

TEST_F(LayerSceneTest, OpacityEntersOnceThroughTheColourAndOnceThroughTheDraw) {
  layer_->SetOpacity(0.5f);
  Canvas().draws.clear();
  scene_.Render();
  ASSERT_EQ(Canvas().draws.size(), 1u);
  const THostTestCanvas::Draw& d = Canvas().draws[0];
  EXPECT_EQ(d.diffuse, 0x7FFFFFFFu) << "alpha trunc(0.5 * 255) = 127";
  EXPECT_FLOAT_EQ(d.opacity, 0.5f);
  // The unlit quad takes the vertex colour: the bitmap ends up scaled by 63/255.
  EXPECT_EQ(ColorWithOpacity(d.diffuse, d.opacity) >> 24, 63u);
  EXPECT_FALSE(d.lighting);
  EXPECT_EQ(d.bitmap, &layer_->Bitmap());
  EXPECT_EQ(d.mesh, &layer_->CameraQuad());
  EXPECT_EQ(d.size.X, 4);
  EXPECT_EQ(d.size.Z, 3);
  EXPECT_EQ(Canvas().Material().DirectBitmap(), nullptr) << "cleared after the draw";
  EXPECT_TRUE(Canvas().StateSet(rsTexDisable));
}

TEST_F(LayerSceneTest, ModulationColourTintsTheBitmapAndRequestsAFrame) {
  const int before = view_.invalidations;
  layer_->SetModulationColorText("#80FF0000");
  EXPECT_EQ(layer_->ModulationColor(), 0x80FF0000u);
  EXPECT_EQ(layer_->ModulationColorText(), "#80FF0000");
  EXPECT_GT(view_.invalidations, before);
  root_->SetOpacity(0.5f);  // the parent's opacity counts too
  Canvas().draws.clear();
  scene_.Render();
  ASSERT_EQ(Canvas().draws.size(), 1u);
  EXPECT_EQ(Canvas().draws[0].diffuse, 0x40FF0000u);
}

TEST_F(LayerSceneTest, PressesReportBitmapPixelsWithTheTopRowAtTop) {
  std::vector<std::pair<int, int>> points;
  layer_->OnLayerMouseDown = [&](TPersistent* s, TMouseButton b, TShiftState, int x, int y) {
    EXPECT_EQ(s, layer_);
    EXPECT_EQ(b, mbLeft);
    points.emplace_back(x, y);
  };
  Press(533, 328.5f);  // the centre of the view
  Press(563, 298.5f);  // to the right and higher up
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0], std::make_pair(120, 90));
  EXPECT_GT(points[1].first, 120);
  EXPECT_LT(points[1].second, 90);
  EXPECT_EQ(scene_.Focused(), layer_) << "a layer takes the focus on a press";
}

TEST_F(LayerSceneTest, ALayerIsPickedAsABoxUnlikeADummy) {
  auto* dummy = new TgkDummy(&form_);
  dummy->SetParent(root_);
  dummy->SetWidth(100);
  dummy->SetHeight(100);
  dummy->SetDepth(100);
  EXPECT_EQ(scene_.ObjectAtPoint(533, 328.5f), layer_);
  EXPECT_EQ(scene_.ObjectAtPoint(5, 5), root_) << "beside the layer the root takes it";
  Press(533, 328.5f);  // sets the scene's mouse position
  int x = -1, y = -1;
  EXPECT_TRUE(layer_->BitmapPointAtMouse(x, y));
  layer_->SetWidth(0);
  EXPECT_FALSE(layer_->BitmapPointAtMouse(x, y)) << "a layer with no width names no pixel";
}
