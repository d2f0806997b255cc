// The window canvas against a stand-in window: a second off-screen context whose
// "default framebuffer" is a framebuffer object shown bottom row first, as a window's is.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/egl_context.h"
#include "render/gl_canvas.h"
#include "render_fixture.h"
#include "scene/camera_light.h"

using namespace rendertest;

namespace {

class FakeWindow final : public TglWindowTarget {
 public:
  // With depth the window's framebuffer also has a 24-bit depth and 8-bit stencil buffer,
  // as the platform windows ask for.
  FakeWindow(int width, int height, bool depth = false) : width_(width), height_(height) {
    EXPECT_TRUE(context_.Activate());
    glGenFramebuffers(1, &framebuffer_);
    glGenRenderbuffers(1, &colour_);
    glBindRenderbuffer(GL_RENDERBUFFER, colour_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    if (depth) {
      glGenRenderbuffers(1, &depth_);
      glBindRenderbuffer(GL_RENDERBUFFER, depth_);
      glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                depth_);
    }
  }
  ~FakeWindow() override {
    if (context_.Activate()) {
      glDeleteFramebuffers(1, &framebuffer_);
      glDeleteRenderbuffers(1, &colour_);
      glDeleteRenderbuffers(1, &depth_);
    }
  }
  TglContext* Context() override { return &flaky_; }
  unsigned DefaultFramebuffer() const override { return framebuffer_; }
  void SwapBuffers() override { ++swaps; }

  // Row 0 of the result is the bottom row of the window, as GL keeps it.
  std::vector<std::uint32_t> Read() {
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width_ * height_));
    context_.Activate();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    return pixels;
  }

  int swaps = 0;
  // While set, the window's context cannot be made current.
  bool refuse = false;

 private:
  class TFlakyContext final : public TglContext {
   public:
    TFlakyContext(FakeWindow& w) : w_(w) {}
    bool MakeCurrent() override { return !w_.refuse && w_.context_.MakeCurrent(); }
    bool IsCurrent() const override { return !w_.refuse && w_.context_.IsCurrent(); }

   private:
    FakeWindow& w_;
  };

  TglEglContext context_;
  TFlakyContext flaky_{*this};
  int width_, height_;
  GLuint framebuffer_ = 0, colour_ = 0, depth_ = 0;
};

void DrawTopLeftSquare(TgkOpenGLCanvas& canvas) {
  canvas.ResetState();
  canvas.SetLighting(false);
  ASSERT_TRUE(canvas.BeginScene());
  canvas.Clear(0xFF000000);
  TgkMaterial m;
  m.SetDiffuse(0xFFFF0000);
  m.SetLighting(false);
  canvas.Material().Assign(m);
  FillScreenRect(canvas, 0, 0, 8, 8);
  canvas.EndScene();
}

// A frame with everything whose pixels depend on the orientation of the target: a lit
// sphere and one-sided triangles of both windings in the camera projection, screen
// rectangles whose edges run through pixel centres, a half-opaque textured layer, and a
// screen rectangle partly behind the sphere.
void DrawOrientationScene(TgkOpenGLCanvas& canvas, TgkBitmap& texture) {
  TgkMeshData sphere;
  for (int r = 0; r <= 10; ++r) {
    for (int c = 0; c <= 14; ++c) {
      const float phi = 3.14159265f * static_cast<float>(r) / 10;
      const float theta = 2 * 3.14159265f * static_cast<float>(c) / 14;
      const float x = std::sin(phi) * std::cos(theta), y = std::sin(phi) * std::sin(theta);
      const float z = std::cos(phi);
      sphere.Vertices.push_back(MakeMeshVertex(x / 2, y / 2, z / 2, x, y, z, 0, 0));
    }
  }
  for (int r = 0; r < 10; ++r) {
    for (int c = 0; c < 14; ++c) {
      const auto a = static_cast<std::uint16_t>(r * 15 + c);
      const auto b = static_cast<std::uint16_t>(a + 15);
      sphere.Indices.insert(sphere.Indices.end(), {a, b, static_cast<std::uint16_t>(a + 1),
                                                   static_cast<std::uint16_t>(a + 1), b,
                                                   static_cast<std::uint16_t>(b + 1)});
    }
  }
  TgkMeshData triangles;  // the left one clockwise on screen, the right one counter-clockwise
  triangles.Vertices = {
      MakeMeshVertex(-1, 0, 0, 0, 0, 1, 0, 0),    MakeMeshVertex(-0.5f, 1, 0, 0, 0, 1, 0, 0),
      MakeMeshVertex(-0.2f, 0, 0, 0, 0, 1, 0, 0), MakeMeshVertex(0.2f, 0, 0, 0, 0, 1, 0, 0),
      MakeMeshVertex(0.5f, 1, 0, 0, 0, 1, 0, 0),  MakeMeshVertex(1, 0, 0, 0, 0, 1, 0, 0)};
  triangles.Indices = {0, 1, 2, 3, 5, 4};
  TgkLight light;
  light.SetLightType(gkLightPoint);
  light.Position().SetPoint({1, 2, 0});

  canvas.ResetState();
  canvas.SetLighting(true);
  canvas.SetAmbient(0xFF202020);
  canvas.AddLight(&light);
  ASSERT_TRUE(canvas.BeginScene());
  canvas.SetRenderState(rsShadeGouraud);
  canvas.SetRenderState(rsCameraMatrix);
  canvas.SetRenderState(rsZWriteOn);
  canvas.SetRenderState(rsLightingOn);
  canvas.SetRenderState(rsTexLinear);
  canvas.SetRenderState(rsCullCCW);
  canvas.Clear(0xFFDFDFDF);
  TgkMaterial lit;
  lit.SetDiffuse(0xFFEE6F8C);
  canvas.Material().Assign(lit);
  canvas.SetMatrix(Translation(0.3f, 0.1f, -5));
  canvas.FillMesh({}, MakeVector(3, 3, 3, 0), 1, sphere);
  canvas.SetMatrix(Translation(0, -1.2f, -4));
  canvas.FillMesh({}, MakeVector(1, 1, 1, 0), 1, triangles);
  TgkMaterial flat;
  flat.SetDiffuse(0xFF2050A0);
  flat.SetLighting(false);
  canvas.Material().Assign(flat);
  FillScreenRect(canvas, 3, 2, 10, 9);  // centre (6.5, 5.5): edges through pixel centres
  FillScreenRect(canvas, 30, 4, 33, 47, 0.6f);
  // Behind the sphere's front: the screen plane lies farther than the sphere here.
  FillScreenRect(canvas, 20, 14, 44, 34, 1, 60);
  TgkMaterial layer;
  layer.SetDiffuse(ColorWithOpacity(0xFFFFFFFF, 0.5f));
  layer.SetLighting(false);
  canvas.Material().SetDirectBitmap(&texture);
  canvas.Material().Assign(layer);
  FillScreenRect(canvas, 40, 20, 56, 30, 0.5f);
  canvas.Material().SetDirectBitmap(nullptr);
  canvas.SetRenderState(rsTexDisable);
  canvas.EndScene();
}

}  // namespace

TEST(WindowCanvas, OpaqueFrameGoesStraightIntoAWindowWithDepthAndLooksTheSame) {
  TgkBitmap texture(16, 10);
  for (int i = 0; i < 160; ++i) {
    texture.Bits()[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 0x010307);
  }
  FakeWindow copied_into(64, 48), drawn_into(64, 48, true);
  std::vector<std::uint32_t> copied, drawn;
  {
    TgkOpenGLCanvas canvas(&copied_into, 64, 48, false, gkLowQuality);
    ASSERT_TRUE(canvas.HasDevice());
    EXPECT_FALSE(canvas.DrawsIntoWindow());  // no depth buffer in that window
    DrawOrientationScene(canvas, texture);
    copied = copied_into.Read();
  }
  {
    TgkOpenGLCanvas canvas(&drawn_into, 64, 48, false, gkLowQuality);
    ASSERT_TRUE(canvas.HasDevice());
    EXPECT_TRUE(canvas.DrawsIntoWindow());
    DrawOrientationScene(canvas, texture);
    EXPECT_EQ(drawn_into.swaps, 1);
    drawn = drawn_into.Read();
    // A multisampled or transparent frame needs a target of its own again.
    canvas.SetQuality(gkHighQuality);
    GLint max_samples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &max_samples);
    EXPECT_EQ(canvas.DrawsIntoWindow(), max_samples < 2);
    canvas.SetQuality(gkLowQuality);
    EXPECT_TRUE(canvas.DrawsIntoWindow());
  }
  {
    TgkOpenGLCanvas canvas(&drawn_into, 64, 48, true, gkLowQuality);
    EXPECT_FALSE(canvas.DrawsIntoWindow());
  }
  // Both windows show the frame upright (the sphere's lit pink in the middle, the
  // clockwise triangle but not the other one), pixel for pixel alike.
  auto shown = [&](const std::vector<std::uint32_t>& p, int x, int y) {
    return p[static_cast<size_t>((47 - y) * 64 + x)];
  };
  EXPECT_EQ(shown(drawn, 6, 5), 0xFF2050A0u);
  EXPECT_EQ(shown(drawn, 1, 1), 0xFFDFDFDFu);
  int differing = 0, first = -1;
  for (size_t i = 0; i < copied.size(); ++i) {
    if (copied[i] != drawn[i]) {
      ++differing;
      if (first < 0) first = static_cast<int>(i);
    }
  }
  EXPECT_EQ(differing, 0) << "first at window row " << first / 64 << " (from the bottom), column "
                          << first % 64;
  int pink = 0, background = 0;
  for (std::uint32_t p : drawn) {
    pink += ((p >> 16) & 0xFF) > ((p >> 8) & 0xFF) + 20;
    background += p == 0xFFDFDFDFu;
  }
  EXPECT_GT(pink, 100);
  EXPECT_GT(background, 64 * 48 / 4);
}

TEST(WindowCanvas, FrameArrivesUprightInTheWindow) {
  FakeWindow window(32, 16);
  {
    TgkOpenGLCanvas canvas(&window, 32, 16, true, gkLowQuality);
    ASSERT_TRUE(canvas.HasDevice());
    EXPECT_EQ(canvas.Samples(), 0);
    DrawTopLeftSquare(canvas);
    EXPECT_EQ(window.swaps, 1);
    const auto shown = window.Read();
    // The window's top rows are its last rows in GL's order.
    EXPECT_EQ(shown[static_cast<size_t>(15 * 32 + 0)], 0xFFFF0000u);
    EXPECT_EQ(shown[static_cast<size_t>(8 * 32 + 7)], 0xFFFF0000u);
    EXPECT_EQ(shown[static_cast<size_t>(7 * 32 + 7)], 0xFF000000u);
    EXPECT_EQ(shown[0], 0xFF000000u);
    // A transparent window canvas also keeps the frame, top row first.
    ASSERT_EQ(canvas.PixelBuffer().size(), 32u * 16u);
    EXPECT_EQ(canvas.PixelBuffer()[0], 0xFFFF0000u);
    EXPECT_EQ(canvas.PixelBuffer()[15 * 32], 0xFF000000u);
  }
}

TEST(WindowCanvas, QualityAsksForMultisamplingTheContextOffers) {
  FakeWindow window(32, 16);
  GLint max_samples = 0;
  glGetIntegerv(GL_MAX_SAMPLES, &max_samples);
  TgkOpenGLCanvas canvas(&window, 32, 16, false, gkHighQuality);
  ASSERT_TRUE(canvas.HasDevice());
  EXPECT_EQ(canvas.Samples(), max_samples >= 2 ? 2 : 0);
  canvas.SetQuality(gkSuperHighQuality);
  EXPECT_EQ(canvas.Samples(), max_samples >= 4 ? 4 : max_samples >= 2 ? 2 : 0);
  DrawTopLeftSquare(canvas);  // resolved before it is shown
  EXPECT_EQ(window.Read()[static_cast<size_t>(12 * 32 + 3)], 0xFFFF0000u);
  canvas.SetQuality(gkLowQuality);
  EXPECT_EQ(canvas.Samples(), 0);
}

TEST(WindowCanvas, ResizeKeepsDrawing) {
  FakeWindow window(32, 16);
  TgkOpenGLCanvas canvas(&window, 16, 16, false, gkLowQuality);
  canvas.ResizeBuffer(32, 16);
  EXPECT_EQ(canvas.Width(), 32);
  DrawTopLeftSquare(canvas);
  EXPECT_EQ(window.Read()[static_cast<size_t>(15 * 32 + 7)], 0xFFFF0000u);
}

TEST(WindowCanvas, ContextThatComesLaterGivesADeviceAtTheNextFrame) {
  FakeWindow window(32, 16);
  window.refuse = true;
  TgkOpenGLCanvas canvas(&window, 32, 16, false, gkLowQuality);
  EXPECT_FALSE(canvas.HasDevice());
  EXPECT_FALSE(canvas.BeginScene());
  window.refuse = false;
  DrawTopLeftSquare(canvas);
  EXPECT_TRUE(canvas.HasDevice());
  EXPECT_EQ(window.Read()[static_cast<size_t>(15 * 32 + 1)], 0xFFFF0000u);
}
