// Lighting as the fixed-function pipeline computes it, and the round cube at the main
// window's camera rig.
#include <gtest/gtest.h>

#include <memory>

#include "render_fixture.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/shape.h"

using namespace rendertest;

namespace {

template <typename T>
T* Child(TgkObject* parent) {
  auto object = std::make_unique<T>();
  object->SetParent(parent);
  return object.release();  // the parent owns it now
}

class LightingTest : public RenderTest {
 protected:
  // A quad of 2 x 2 units at z = -5 facing the eye (no camera: view space), lit.
  void DrawLitQuad(const TgkMeshData& quad, TgkShadeMode shade, TgkLight& light,
                   std::uint32_t ambient = 0) {
    canvas->ResetState();
    canvas->SetLighting(true);
    canvas->SetAmbient(ambient);
    canvas->AddLight(&light);
    ASSERT_TRUE(canvas->BeginScene());
    canvas->Clear(0);
    TgkMaterial m;
    m.SetDiffuse(0xFFFFFFFF);
    m.SetShadeMode(shade);
    canvas->Material().Assign(m);
    canvas->SetRenderState(rsCullNone);
    canvas->SetMatrix(Translation(0, 0, -5));
    canvas->FillMesh({}, MakeVector(2, 2, 1, 0), 1, quad);
    canvas->EndScene();
  }
};

// Vertex 0 (top left on screen) faces the light; the others are edge-on to it.
void HalfLitQuad(TgkMeshData& quad) {
  quad.Vertices = {MakeMeshVertex(-0.5f, 0.5f, 0, 0, -1, 0, 0, 0),
                   MakeMeshVertex(0.5f, 0.5f, 0, 0, 0, 1, 1, 0),
                   MakeMeshVertex(-0.5f, -0.5f, 0, 0, 0, 1, 0, 1),
                   MakeMeshVertex(0.5f, -0.5f, 0, 0, 0, 1, 1, 1)};
  quad.Indices = {0, 1, 2, 2, 1, 3};
}

}  // namespace

TEST_F(LightingTest, FlatTakesTheFirstVertexGouraudBlends) {
  TgkLight light;  // directional along its +Y: lights surfaces facing -Y fully
  TgkMeshData quad;
  HalfLitQuad(quad);
  // The quad spans about pixels 19..45; (24, 24) lies in the first triangle near vertex 0,
  // (40, 40) in the second.
  DrawLitQuad(quad, gkFlat, light);
  const std::uint32_t first = Pixel(30, 24), second = Pixel(40, 40);
  EXPECT_EQ(Red(first), 255);          // 105/255 ambient of the light + full diffuse, clamped
  EXPECT_EQ(Red(Pixel(24, 34)), 255);  // the whole first triangle
  EXPECT_NEAR(Red(second), 105, 1);    // light ambient only: vertex 2 is edge-on
  EXPECT_EQ(Alpha(second), 255);

  DrawLitQuad(quad, gkGouraud, light);
  EXPECT_LT(Red(Pixel(30, 24)), 250);  // blended toward the unlit corners
  EXPECT_GT(Red(Pixel(30, 24)), 110);
  EXPECT_NEAR(Red(Pixel(40, 40)), 105, 1);
  EXPECT_GT(Red(Pixel(21, 21)), Red(Pixel(30, 30)));  // brighter toward vertex 0
}

TEST_F(LightingTest, GlobalAmbientAddsTimesTheMaterial) {
  TgkLight light;
  TgkMeshData quad;
  HalfLitQuad(quad);
  DrawLitQuad(quad, gkFlat, light, 0xFF323232);  // 50/255
  EXPECT_NEAR(Red(Pixel(40, 40)), 105 + 50, 1);
}

TEST_F(LightingTest, PointLightAttenuatesAndEndsAtItsRange) {
  TgkLight light;
  light.SetLightType(gkLightPoint);
  // Every vertex normal faces +Z, toward a light 10 units in front of the quad.
  TgkMeshData quad;
  MakeScreenQuad(quad);
  light.Position().SetPoint({0, 0, 5});
  DrawLitQuad(quad, gkGouraud, light);
  // Lit per vertex: each corner is sqrt(102) away, attenuation 1/(0.2 d) = 0.495, facing
  // cos = 10/d, so 0.495 * (105/255 + 0.990) = 0.694 of white everywhere.
  EXPECT_NEAR(Red(Pixel(32, 32)), 177, 1);
  EXPECT_NEAR(Red(Pixel(20, 20)), 177, 1);
  light.Position().SetPoint({0, 0, 200});  // beyond the range of 100: nothing at all
  DrawLitQuad(quad, gkGouraud, light);
  EXPECT_EQ(Pixel(32, 32), 0xFF000000u);
}

TEST_F(LightingTest, SpotLightConeLightsOnlyInside) {
  TgkLight light;
  light.SetLightType(gkLightSpot);
  TgkMeshData quad;
  MakeScreenQuad(quad);
  // At z = 5 pointing down -Z (RotateAngle X turns the other way round: +90 takes +Y
  // onto -Z).
  light.Position().SetPoint({0, 0, 5});
  light.RotateAngle().SetX(90);
  DrawLitQuad(quad, gkGouraud, light);
  // The centre is on the axis: full light, no attenuation for spots.
  EXPECT_EQ(Red(Pixel(32, 32)), 255);
  light.RotateAngle().SetX(-90);  // pointing away
  DrawLitQuad(quad, gkGouraud, light);
  EXPECT_EQ(Pixel(32, 32), 0xFF000000u);
}

TEST_F(LightingTest, DisabledLightAndLightingOffGiveNoLight) {
  TgkLight light;
  light.SetEnabled(false);
  TgkMeshData quad;
  HalfLitQuad(quad);
  DrawLitQuad(quad, gkFlat, light);
  EXPECT_EQ(Pixel(30, 24), 0xFF000000u);
}

// ---- The round cube as the icon render draws it ----

class RoundCubeTest : public RenderTest {
 protected:
  void SetUp() override {
    Make(256, 256);
    camera_z = std::make_unique<TgkDummy>();
    camera_z->RotateAngle().SetZ(-33);
    auto* camera_x = Child<TgkDummy>(camera_z.get());
    camera_x->RotateAngle().SetX(20);
    camera = Child<TgkCamera>(camera_x);
    camera->Position().SetPoint({0, -10, 0});
    light = Child<TgkLight>(camera);
    light->Position().SetPoint({5, 0, 5});
    // The stored orientation of the form is the Z turn applied before the X turn.
    light->RotateAngle().SetZ(-20.9171f);
    light->RotateAngle().SetX(9.10299f);
    owner = std::make_unique<TgkDummy>();
    cube = Child<TgkRoundCube>(owner.get());
    TgkMaterial m;
    m.SetDiffuse(0xFFEE6F8C);
    cube->SetMaterial(m);
  }

  void Render(bool depth_test) {
    canvas->ResetState();
    canvas->SetLighting(true);
    owner->Scale().SetPoint({2, 2, 2});
    canvas->SetCamera(camera);
    canvas->AddLight(light);
    ASSERT_TRUE(canvas->BeginScene());
    canvas->Clear(0);
    for (TgkRenderState s : {rsShadeGouraud, rsCameraMatrix, rsZWriteOn, rsLightingOn}) {
      canvas->SetRenderState(s);
    }
    canvas->SetRenderState(depth_test ? rsZTestOn : rsZTestOff);
    canvas->SetMatrix(owner->GetAbsoluteMatrix());
    owner->SetCanvas(canvas.get());
    owner->BeforePaint();
    owner->Paint();
    owner->PaintChildren();
    owner->SetCanvas(nullptr);
    canvas->EndScene();
    owner->Scale().SetPoint({1, 1, 1});
  }

  std::unique_ptr<TgkDummy> camera_z, owner;
  TgkCamera* camera = nullptr;
  TgkLight* light = nullptr;
  TgkRoundCube* cube = nullptr;
};

TEST_F(RoundCubeTest, FrontCapIsLitAndNoBackFaceIsDrawn) {
  Render(true);
  const std::vector<std::uint32_t> with_depth(bitmap->Bits(),
                                              bitmap->Bits() + bitmap->PixelCount());
  // The cube sits in the middle, opaque, lit beyond the light's ambient share.
  const std::uint32_t centre = Pixel(128, 128);
  EXPECT_EQ(Alpha(centre), 255);
  EXPECT_GT(Red(centre), 0xEE * 105 / 255 + 20);
  EXPECT_EQ(Pixel(2, 2), 0u);  // transparent background
  EXPECT_EQ(Pixel(253, 253), 0u);
  int covered = 0;
  for (std::uint32_t p : with_depth) covered += p != 0;
  EXPECT_GT(covered, 256 * 256 / 20);  // two units seen from 10 at 45 degrees
  EXPECT_LT(covered, 256 * 256 * 7 / 10);
  // The cube is convex: with back faces culled nothing overlaps, so the picture must not
  // change when the depth test is off. A back face drawn would paint over the front.
  Render(false);
  int differing = 0;
  for (size_t i = 0; i < with_depth.size(); ++i) differing += bitmap->Bits()[i] != with_depth[i];
  EXPECT_LE(differing, 8);  // shared edges may rasterise in either order
}

TEST_F(RoundCubeTest, EdgesAreCoveragePremultiplied) {
  Render(true);
  // Pixels are premultiplied: no colour channel exceeds alpha anywhere.
  for (size_t i = 0; i < bitmap->PixelCount(); ++i) {
    const std::uint32_t p = bitmap->Bits()[i];
    ASSERT_LE(Red(p), Alpha(p));
    ASSERT_LE(Green(p), Alpha(p));
    ASSERT_LE(Blue(p), Alpha(p));
  }
}
