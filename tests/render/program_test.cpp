// The canvas's fast paths draw exactly the pixels of the general way: the programs
// specialised for one combination of lighting, shading and texture mode against the general
// program that reads those states from uniforms, and nearest-texel sampling of screen draws
// that show one texel per pixel against the bilinear filtering they ask for.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <tuple>
#include <vector>

#include "render_fixture.h"
#include "scene/camera_light.h"
#include "tests/support/sphere_mesh.h"

using namespace rendertest;
using testsupport::BuildSphere;

namespace {

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

  // The pixels of one frame drawn with the fast paths or the general way.
  std::vector<std::uint32_t> Frame(bool fast, const std::function<void()>& draw) {
    canvas->SetFastPaths(fast);
    draw();
    return {bitmap->Bits(), bitmap->Bits() + bitmap->PixelCount()};
  }

  // Draws a screen layer the way a layer paints itself: the bitmap modulated by the
  // modulation colour with the opacity, once in the colour and once more in the draw.
  void Layer(std::uint32_t modulation, float opacity, float x0, float y0, float x1, float y1,
             float z = 0, float tile = 1) {
    TgkMaterial& m = canvas->Material();
    m.SetBitmap("");
    m.SetDirectBitmap(&texture);
    TgkMaterial look;
    look.SetBitmapTile(tile);
    look.SetDiffuse(ColorWithOpacity(modulation, opacity));
    look.SetLighting(false);
    look.SetBitmapMode(gkTexModulate);
    look.SetShadeMode(gkGouraud);
    m.Assign(look);
    canvas->SetRenderState(rsTexLinear);
    canvas->SetRenderState(rsScreenMatrix);
    canvas->SetMatrix(Translation((x0 + x1) / 2, (y0 + y1) / 2, z));
    TgkMeshData quad;
    MakeScreenQuad(quad);
    const TgkVector size = MakeVector(x1 - x0, y1 - y0, 1, 0);
    texel_for_pixel.push_back(canvas->TexelForPixel(quad, size));
    ScreenRect(x0, y0, x1, y1, opacity, z);
    m.SetDirectBitmap(nullptr);
    canvas->SetRenderState(rsTexDisable);
  }

  static int Covered(const std::vector<std::uint32_t>& pixels) {
    int n = 0;
    for (std::uint32_t p : pixels) n += p != 0;
    return n;
  }

  TgkBitmap texture;
  std::vector<bool> texel_for_pixel;  // of each Layer draw
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

TEST_F(ProgramTest, OnlyLayersShowingOneTexelPerPixelSampleTheNearestTexel) {
  auto draw = [&] {
    texel_for_pixel.clear();
    Begin(false, 0);
    Layer(0xFFFFFFFF, 1, 2, 3, 14, 13);         // 12 x 10 at whole pixels
    Layer(0xFFFFFFFF, 1, 20.5f, 3, 32.5f, 13);  // half a pixel to the right
    Layer(0xFFFFFFFF, 1, 40, 3, 52, 13, 20);    // farther away, in perspective
    Layer(0xFFFFFFFF, 1, 60, 3, 74, 13);        // 14 pixels wide for 12 texels
    Layer(0xFFFFFFFF, 1, 2, 20, 26, 40, 0, 2);  // the bitmap twice in each direction
    Layer(0x80FFFFFF, 0.5f, 40, 20, 52, 30);    // half-opaque and whole pixels
    canvas->EndScene();
  };
  const auto general = Frame(false, draw);
  EXPECT_EQ(texel_for_pixel, (std::vector<bool>{true, false, false, false, false, true}));
  const auto fast = Frame(true, draw);
  for (size_t i = 0; i < general.size(); ++i) {
    ASSERT_EQ(fast[i], general[i]) << "pixel " << i % 96 << "," << i / 96;
  }
  // One texel per pixel: the opaque texels come out as they are.
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 12; ++x) {
      const std::uint32_t t = texture.Bits()[y * 12 + x];
      if (t >> 24 == 0xFF) {
        EXPECT_EQ(Pixel(2 + x, 3 + y), t) << x << "," << y;
      }
    }
  }
  // Half a pixel off, neighbouring texels mix.
  int mixed = 0;
  for (int x = 0; x < 11; ++x) {
    const std::uint32_t t = texture.Bits()[12 + x];
    mixed += t >> 24 == 0xFF && Pixel(21 + x, 4) != t;
  }
  EXPECT_GT(mixed, 3);
}

// Lighting on or off, flat or Gouraud shading, texture mode: disable, replace, modulate.
class ProgramStatesTest
    : public ProgramTest,
      public ::testing::WithParamInterface<std::tuple<bool, TgkShadeMode, TgkTexMode, bool>> {};

TEST_P(ProgramStatesTest, LitShadedAndTexturedSphereMatchesTheGeneralProgram) {
  // Plain variables: clang 14 cannot capture structured bindings in a lambda.
  const bool lit = std::get<0>(GetParam());
  const TgkShadeMode shade = std::get<1>(GetParam());
  const TgkTexMode mode = std::get<2>(GetParam());
  const bool textured = std::get<3>(GetParam());
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
