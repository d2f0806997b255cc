// The programs specialised for one combination of lighting, shading and texture mode draw
// exactly the pixels of the general program that reads those states from uniforms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <tuple>
#include <vector>

#include "render_fixture.h"
#include "scene/camera_light.h"

using namespace rendertest;

namespace {

// A closed sphere of radius 0.5 made of rows x cols quads.
void BuildSphere(TgkMeshData& mesh, int rows, int cols) {
  mesh.Vertices.clear();
  mesh.Indices.clear();
  for (int r = 0; r <= rows; ++r) {
    const float phi = 3.14159265f * static_cast<float>(r) / static_cast<float>(rows);
    for (int c = 0; c <= cols; ++c) {
      const float theta = 2 * 3.14159265f * static_cast<float>(c) / static_cast<float>(cols);
      const float x = std::sin(phi) * std::cos(theta), y = std::sin(phi) * std::sin(theta);
      const float z = std::cos(phi);
      mesh.Vertices.push_back(MakeMeshVertex(0.5f * x, 0.5f * y, 0.5f * z, x, y, z,
                                             static_cast<float>(c) / static_cast<float>(cols),
                                             static_cast<float>(r) / static_cast<float>(rows)));
    }
  }
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const auto a = static_cast<std::uint16_t>(r * (cols + 1) + c);
      const auto b = static_cast<std::uint16_t>(a + cols + 1);
      mesh.Indices.insert(mesh.Indices.end(), {a, b, static_cast<std::uint16_t>(a + 1),
                                               static_cast<std::uint16_t>(a + 1), b,
                                               static_cast<std::uint16_t>(b + 1)});
    }
  }
}

class ProgramTest : public RenderTest {
 protected:
  void SetUp() override {
    Make(96, 96);
    // Texels of every channel value pattern, some half transparent, one fully.
    texture.SetSize(12, 10);
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 12; ++x) {
        const auto v = static_cast<std::uint32_t>(x * 21 + y * 13);
        const std::uint32_t alpha = (x + y) % 3 == 0 ? 0x80u : (x == 5 && y == 5) ? 0u : 0xFFu;
        texture.Bits()[y * 12 + x] =
            alpha << 24 | (v & 0xFF) << 16 | ((v * 7) & 0xFF) << 8 | ((255 - v) & 0xFF);
      }
    }
    texture.Changed();
  }

  // The pixels of one frame drawn with the specialised programs or the general one.
  std::vector<std::uint32_t> Frame(bool specialised, const std::function<void()>& draw) {
    canvas->SetSpecialisedPrograms(specialised);
    draw();
    return {bitmap->Bits(), bitmap->Bits() + bitmap->PixelCount()};
  }

  // Draws a screen layer the way a layer paints itself: the bitmap modulated by the
  // modulation colour with the opacity, once in the colour and once more in the draw.
  void Layer(std::uint32_t modulation, float opacity, float x0, float y0, float x1, float y1) {
    TgkMaterial& m = canvas->Material();
    m.SetBitmap("");
    m.SetDirectBitmap(&texture);
    TgkMaterial look;
    look.SetDiffuse(ColorWithOpacity(modulation, opacity));
    look.SetLighting(false);
    look.SetBitmapMode(gkTexModulate);
    look.SetShadeMode(gkGouraud);
    m.Assign(look);
    canvas->SetRenderState(rsTexLinear);
    ScreenRect(x0, y0, x1, y1, opacity);
    m.SetDirectBitmap(nullptr);
    canvas->SetRenderState(rsTexDisable);
  }

  static int Covered(const std::vector<std::uint32_t>& pixels) {
    int n = 0;
    for (std::uint32_t p : pixels) n += p != 0;
    return n;
  }

  TgkBitmap texture;
};

TEST_F(ProgramTest, HalfOpaqueLayerDrawsTheSamePixelsWithBothPrograms) {
  auto draw = [&] {
    Begin(false, 0);
    // One layer texel for pixel as the screen layers lie, one stretched so that the
    // bilinear filter mixes texels, and a tinted one over both.
    Layer(0xFFFFFFFF, 0.5f, 4, 4, 16, 14);
    Layer(0xFFFFFFFF, 0.5f, 20.25f, 30.5f, 70.75f, 61);
    Layer(0xC080C0FF, 0.7f, 10, 40, 90, 90);
    canvas->EndScene();
  };
  const auto general = Frame(false, draw);
  const auto specialised = Frame(true, draw);
  ASSERT_GT(Covered(specialised), 80 * 50 / 2);
  for (size_t i = 0; i < general.size(); ++i) {
    ASSERT_EQ(specialised[i], general[i]) << "pixel " << i % 96 << "," << i / 96;
  }
  // Opacity 0.5 with white modulation scales an opaque texel's alpha by 63/255, and the
  // colour comes out premultiplied by that alpha. Texel (1, 0) is opaque.
  const std::uint32_t texel = texture.Bits()[1];
  ASSERT_EQ(texel >> 24, 0xFFu);
  const std::uint32_t p = Pixel(5, 4);
  EXPECT_EQ(Alpha(p), 63);
  EXPECT_NEAR(Red(p), Red(texel) * 63 / 255.0, 1);
  EXPECT_NEAR(Green(p), Green(texel) * 63 / 255.0, 1);
  EXPECT_NEAR(Blue(p), Blue(texel) * 63 / 255.0, 1);
  EXPECT_EQ(Pixel(4 + 5, 4 + 5), 0u);  // the fully transparent texel leaves nothing
}

// Lighting on or off, flat or Gouraud shading, texture mode: disable, replace, modulate.
class ProgramStatesTest
    : public ProgramTest,
      public ::testing::WithParamInterface<std::tuple<bool, TgkShadeMode, TgkTexMode, bool>> {};

TEST_P(ProgramStatesTest, LitShadedAndTexturedSphereMatchesTheGeneralProgram) {
  const auto [lit, shade, mode, textured] = GetParam();
  TgkMeshData sphere;
  BuildSphere(sphere, 12, 16);
  TgkLight sun, lamp, spot;  // directional along +Y; a point and a spot light near the eye
  lamp.SetLightType(gkLightPoint);
  lamp.Position().SetPoint({1, 1, -1});
  spot.SetLightType(gkLightSpot);
  spot.RotateAngle().SetX(90);
  spot.Position().SetPoint({0, 0, 0});
  auto draw = [&] {
    canvas->ResetState();
    canvas->SetLighting(lit);
    canvas->SetAmbient(0xFF202020);
    for (TgkLight* l : {&sun, &lamp, &spot}) canvas->AddLight(l);
    ASSERT_TRUE(canvas->BeginScene());
    canvas->Clear(0);
    for (TgkRenderState s : {rsCameraMatrix, rsZWriteOn, rsZTestOn, rsCullCCW, rsTexLinear}) {
      canvas->SetRenderState(s);
    }
    TgkMaterial m;
    m.SetDiffuse(0xE0C08040);
    m.SetLighting(lit);
    m.SetShadeMode(shade);
    m.SetBitmapMode(mode);
    canvas->Material().SetDirectBitmap(textured ? &texture : nullptr);
    canvas->Material().Assign(m);
    canvas->SetMatrix(Translation(0.2f, -0.1f, -4));
    canvas->FillMesh({}, MakeVector(2.5f, 2.5f, 2.5f, 0), 0.9f, sphere);
    canvas->Material().SetDirectBitmap(nullptr);
    canvas->EndScene();
  };
  const auto general = Frame(false, draw);
  const auto specialised = Frame(true, draw);
  ASSERT_GT(Covered(specialised), 96 * 96 / 5);
  for (size_t i = 0; i < general.size(); ++i) {
    ASSERT_EQ(specialised[i], general[i]) << "pixel " << i % 96 << "," << i / 96;
  }
}

INSTANTIATE_TEST_SUITE_P(AllStates, ProgramStatesTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(gkFlat, gkGouraud),
                                            ::testing::Values(gkTexModulate, gkTexReplace),
                                            ::testing::Bool()));

}  // namespace
