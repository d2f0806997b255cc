// The icon render through the workbench, on the off-screen OpenGL renderer.
#include "app/workbench.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/render_settings.h"
#include "render/egl_context.h"
#include "render/gl_canvas.h"
#include "scene/camera_light.h"
#include "scene/canvas.h"
#include "scene/dummy.h"
#include "scene/shape.h"
#include "tests/import/model_writer.h"
#include "tests/support/test_support.h"

namespace {

uint32_t A(uint32_t p) {
  return p >> 24;
}

class WorkbenchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallOpenGLRenderer();
    if (!TglEglContext::Shared()) GTEST_SKIP() << TglEglContext::OffscreenContextError();
  }

  // A copy of a preview's pixels.
  static std::vector<uint32_t> Pixels(const TpmBitmap& b) {
    std::vector<uint32_t> v(static_cast<size_t>(b.Width()) * static_cast<size_t>(b.Height()));
    std::memcpy(v.data(), b.Pixels(), v.size() * 4);
    return v;
  }
  static int Covered(const TpmBitmap& b) {
    int n = 0;
    for (uint32_t p : Pixels(b)) n += A(p) != 0;
    return n;
  }

  TWorkbench bench;
};

TEST_F(WorkbenchTest, StartSceneHoldsTheNamedRoundCube) {
  ASSERT_EQ(bench.Meshes().size(), 1u);
  EXPECT_EQ(bench.Meshes()[0]->DisplayName, "圆立方体");
  EXPECT_EQ(bench.Meshes()[0]->Material().DiffuseText(), "#FFEE6F8C");
  EXPECT_FALSE(bench.Light2().Enabled());
  EXPECT_EQ(bench.Camera1().Position().Y(), -10);
  EXPECT_EQ(bench.MeshOwner().RotateAngle().X(), 0);  // the sliders' 2 is not applied
}

TEST_F(WorkbenchTest, WithoutShadowThe256PreviewIsTheRenderScaled) {
  bench.SetShadowEnabled(false);
  ASSERT_TRUE(bench.RenderIcons());
  const TpmBitmap& work = bench.WorkBitmap();
  const TpmBitmap& p256 = bench.Preview(256);
  ASSERT_EQ(p256.Width(), 256);
  ASSERT_GT(Covered(p256), 2000);
  // Every preview pixel is the mean of its 4 x 4 block of the 1024 render; the canvas's
  // filter reaches slightly beyond the block, which shows only along the silhouette.
  int worst = 0, off = 0;
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      for (int shift = 0; shift < 32; shift += 8) {
        int sum = 0;
        for (int j = 0; j < 4; ++j)
          for (int i = 0; i < 4; ++i) sum += (work.Scanline(4 * y + j)[4 * x + i] >> shift) & 255;
        const int got = static_cast<int>((p256.Scanline(y)[x] >> shift) & 255);
        const int d = std::abs(got - (sum + 8) / 16);
        worst = std::max(worst, d);
        off += d > 1;
      }
    }
  }
  EXPECT_LE(worst, 40);
  EXPECT_LT(off, 256 * 256 * 4 / 100);
  // The smaller previews come from the master, so they follow the 256 preview.
  const TpmBitmap& p16 = bench.Preview(16);
  ASSERT_EQ(p16.Width(), 16);
  int alpha_sum = 0;
  for (int j = 0; j < 16; ++j)
    for (int i = 0; i < 16; ++i) alpha_sum += A(p16.Scanline(j)[i]);
  int alpha_256 = 0;
  for (uint32_t p : Pixels(p256)) alpha_256 += A(p);
  EXPECT_NEAR(alpha_sum, alpha_256 / 256.0, alpha_256 / 256.0 * 0.02 + 16);
}

TEST_F(WorkbenchTest, StartUpShadowMovesTheModelFourPixelsAndFallsDownRight) {
  bench.SetShadowEnabled(false);
  ASSERT_TRUE(bench.RenderIcons());
  const std::vector<uint32_t> plain = Pixels(bench.Preview(256));
  bench.SetShadowEnabled(true);
  ASSERT_TRUE(bench.RenderIcons());
  const TpmBitmap& shadowed = bench.Preview(256);
  int opaque = 0, below_right = 0;
  for (int y = 0; y + 4 < 256; ++y) {
    for (int x = 0; x + 4 < 256; ++x) {
      const uint32_t p = plain[y * 256 + x];
      if (A(p) == 255) {
        ++opaque;
        ASSERT_EQ(shadowed.Scanline(y + 4)[x + 4], p) << x << "," << y;
      }
    }
  }
  ASSERT_GT(opaque, 1000);
  // Beyond the model's lower right edge the shadow is black and partly transparent.
  for (int y = 0; y < 256; ++y) {
    int last = -1;
    for (int x = 0; x < 256; ++x)
      if (A(plain[y * 256 + x]) == 255) last = x;
    if (last < 0 || last + 7 >= 256) continue;
    const uint32_t s = shadowed.Scanline(y + 4 < 256 ? y + 4 : 255)[last + 6];
    if (A(s) > 0 && A(s) < 255 && (s & 0xFFFFFF) == 0) ++below_right;
  }
  EXPECT_GT(below_right, 20);
}

TEST_F(WorkbenchTest, UpLeftShadowShiftsFurtherAndKeepsItsEdgeInside) {
  bench.SetShadowEnabled(false);
  ASSERT_TRUE(bench.RenderIcons());
  const std::vector<uint32_t> plain = Pixels(bench.Preview(256));
  bench.SetShadowEnabled(true);
  bench.SetShadowDirection(-135);
  ASSERT_TRUE(bench.RenderIcons());
  const TpmBitmap& shadowed = bench.Preview(256);
  int top = 256, left = 256;
  for (int y = 0; y + 8 < 256; ++y) {
    for (int x = 0; x + 8 < 256; ++x) {
      const uint32_t p = plain[y * 256 + x];
      if (A(p) == 255) {
        ASSERT_EQ(shadowed.Scanline(y + 8)[x + 8], p);
      }
      if (A(p) != 0) {
        top = std::min(top, y);
        left = std::min(left, x);
      }
    }
  }
  // Shadow pixels lie above and left of the moved model.
  int shadow_above = 0;
  for (int x = 0; x < 256; ++x) {
    const uint32_t s = shadowed.Scanline(top + 8 - 3)[x];
    if (A(s) > 0 && (s & 0xFFFFFF) == 0) ++shadow_above;
  }
  EXPECT_GT(shadow_above, 5);
}

TEST_F(WorkbenchTest, AllMeshesHiddenGivesTransparentPreviews) {
  for (TgkShape* mesh : bench.Meshes()) bench.SetMeshVisible(*mesh, false);
  for (bool shadow : {false, true}) {
    bench.SetShadowEnabled(shadow);
    ASSERT_TRUE(bench.RenderIcons());
    for (int size : TIconPreviews::kSizes) {
      EXPECT_EQ(Covered(bench.Preview(size)), 0) << size << " shadow " << shadow;
    }
  }
  bench.SetMeshVisible(*bench.Meshes()[0], true);
  ASSERT_TRUE(bench.RenderIcons());
  EXPECT_GT(Covered(bench.Preview(16)), 10);
}

TEST_F(WorkbenchTest, SelectedMeshIsDrawnSolidAndStaysAWireFrame) {
  ASSERT_TRUE(bench.RenderIcons());
  const std::vector<uint32_t> solid = Pixels(bench.Preview(256));
  TgkShape* cube = bench.Meshes()[0];
  bench.SelectMesh(cube);
  EXPECT_EQ(cube->Material().FillMode(), gkWireframe);
  ASSERT_TRUE(bench.RenderIcons());
  EXPECT_EQ(Pixels(bench.Preview(256)), solid);
  EXPECT_EQ(cube->Material().FillMode(), gkWireframe);
  EXPECT_EQ(bench.MeshOwner().Scale().X(), 1);
  // A wire frame would look different: check that the test could tell.
  bench.SelectMesh(nullptr);
  cube->Material().SetFillMode(gkWireframe);
  ASSERT_TRUE(bench.RenderIcons());
  EXPECT_NE(Pixels(bench.Preview(256)), solid);
}

TEST_F(WorkbenchTest, SettingsChangeTheIconsAndUnknownMeshesAreRefused) {
  TRenderSettings s;
  s.Colors = {{"圆立方体", 0xFF00FF00}};
  ApplyRenderSettings(bench, s);
  EXPECT_EQ(bench.Meshes()[0]->Material().DiffuseText(), "#FF00FF00");
  ASSERT_TRUE(bench.RenderIcons());
  const uint32_t centre = bench.Preview(256).Scanline(128)[128];
  EXPECT_GT((centre >> 8) & 255, (centre >> 16) & 255);  // green beats red
  s.Rotate = {2, 0, 0};  // the sliders' start value still turns the model
  ApplyRenderSettings(bench, s);
  EXPECT_FLOAT_EQ(bench.MeshOwner().RotateAngle().X(), 2);
  s.Distance = 50;
  ApplyRenderSettings(bench, s);
  EXPECT_EQ(bench.Camera1().Position().Y(), -20);
  s.Hide = {"nothing"};
  EXPECT_THROW(ApplyRenderSettings(bench, s), EUnknownMesh);
}

TEST_F(WorkbenchTest, TheCurrentSettingsGiveAnotherWorkbenchTheSameIcons) {
  // Three cubes in a row, the last two of one name.
  using namespace modelwriter;
  std::vector<Chunk> chunks;
  for (int i = 0; i < 3; ++i) {
    MeshLayout m = modelwriter::Cube(i == 0 ? "A" : "B");
    for (V3& v : m.vertices) v.x += 2.0f * static_cast<float>(i);
    chunks.push_back(MeshChunk(m));
  }
  testsupport::TempDir dir;
  const std::string model = dir.File("three.3ds");
  testsupport::WriteFile(model, File3DS(chunks));
  ASSERT_TRUE(bench.LoadModel(model));

  TRenderSettings s;
  s.Rotate = {-20, 40, 10};
  s.ViewTurn = 12.5f;
  s.ViewTilt = -7.25f;
  s.Distance = 13;
  s.Move = {0.25f, -1, 0.5f};
  s.Shadow.Direction = 180;
  s.Shadow.Opacity = 80;
  s.Shadow.Color = 0x80102030;
  s.Hide = {"A"};
  s.Colors = {{"A", 0xFF112233}, {"B", 0xFF445566}};
  ApplyRenderSettings(bench, s);
  bench.Camera1().Position().SetY(-12);  // as the window's wheel moves the camera
  const TRenderSettings back = CurrentRenderSettings(bench);
  EXPECT_EQ(back.Rotate, s.Rotate);
  EXPECT_EQ(back.ViewTurn, s.ViewTurn);
  EXPECT_EQ(back.ViewTilt, s.ViewTilt);
  EXPECT_EQ(back.Distance, 12);
  EXPECT_EQ(back.Move, s.Move);
  EXPECT_EQ(back.Hide, s.Hide);
  EXPECT_EQ(back.Colors, s.Colors);
  EXPECT_EQ(back.Shadow.Color, s.Shadow.Color);
  EXPECT_EQ(back.Shadow.Direction, bench.Shadow().Direction);

  TWorkbench other;
  ASSERT_TRUE(other.LoadModel(model));
  ApplyRenderSettings(other, back);
  ASSERT_TRUE(bench.RenderIcons());
  ASSERT_TRUE(other.RenderIcons());
  EXPECT_GT(Covered(bench.Master(256)), 500);
  EXPECT_EQ(Pixels(other.Master(256)), Pixels(bench.Master(256)));

  // A name whose meshes differ in colour, or a translucent colour, is left to the file.
  bench.SetMeshColor(*bench.Meshes()[2], 0xFF778899);
  EXPECT_EQ(CurrentRenderSettings(bench).Colors, (decltype(s.Colors){{"A", 0xFF112233}}));
  bench.SetMeshColor(*bench.Meshes()[0], 0x80112233);
  EXPECT_TRUE(CurrentRenderSettings(bench).Colors.empty());
}

TEST_F(WorkbenchTest, LoadModelReplacesMeshesAndIgnoresMissingFiles) {
  EXPECT_FALSE(bench.LoadModel("/nonexistent/model.3ds"));
  EXPECT_EQ(bench.Meshes().size(), 1u);
  const std::string dir = testsupport::DataDir();
  bench.SelectMesh(bench.Meshes()[0]);
  bench.SetModelOffset({1, 2, 3});
  ASSERT_TRUE(bench.LoadModel(dir + "/models/md3/watercan.md3"));
  EXPECT_EQ(bench.SelectedMesh(), nullptr);
  EXPECT_EQ(bench.MeshOwner().Position().Point(), (TgkPoint{0, 0, 0}));
  ASSERT_GE(bench.Meshes().size(), 1u);
  EXPECT_NE(bench.Meshes()[0]->DisplayName, "圆立方体");
  ASSERT_TRUE(bench.RenderIcons());
  EXPECT_GT(Covered(bench.Preview(256)), 500);
}

TEST_F(WorkbenchTest, WithoutARendererTheRenderIsAnErrorNotBlankIcons) {
  SetDefaultCanvasClass3D(nullptr);
  EXPECT_THROW(bench.RenderIcons(), std::logic_error);
  InstallOpenGLRenderer();
  EXPECT_TRUE(bench.RenderIcons());
  EXPECT_GT(Covered(bench.Preview(16)), 10);
}

TEST_F(WorkbenchTest, CoreAndCommandLineWriteTheSameBytes) {
  TRenderSettings s;
  s.ViewTurn = -60;
  s.Rotate = {10, -20, 30};
  s.Shadow.Direction = -135;
  ApplyRenderSettings(bench, s);
  ASSERT_TRUE(bench.RenderIcons());
  testsupport::TempDir dir;
  bench.Save(ifIco, dir.File("core.ico"));
  bench.Save(ifPng, dir.File("core.png"));
  std::string out;
  ASSERT_EQ(
      testsupport::RunCommand(testsupport::ShellQuote(FACETMINT_EXE) + " render -o " +
                                  testsupport::ShellQuote(dir.File("cli.ico")) + " -o " +
                                  testsupport::ShellQuote(dir.File("cli.png")) +
                                  " --view -60,20 --rotate 10,-20,30 --shadow-direction -135 2>&1",
                              &out),
      0)
      << out;
  EXPECT_EQ(testsupport::ReadFile(dir.File("core.ico")),
            testsupport::ReadFile(dir.File("cli.ico")));
  EXPECT_EQ(testsupport::ReadFile(dir.File("core.png")),
            testsupport::ReadFile(dir.File("cli.png")));
}

}  // namespace
