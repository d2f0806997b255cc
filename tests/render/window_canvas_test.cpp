// The window canvas against a stand-in window: a second off-screen context whose
// "default framebuffer" is a framebuffer object shown bottom row first, as a window's is.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "render/egl_context.h"
#include "render/gl_canvas.h"
#include "render_fixture.h"

using namespace rendertest;

namespace {

class FakeWindow final : public TglWindowTarget {
 public:
  FakeWindow(int width, int height) : width_(width), height_(height) {
    EXPECT_TRUE(context_.Activate());
    glGenFramebuffers(1, &framebuffer_);
    glGenRenderbuffers(1, &colour_);
    glBindRenderbuffer(GL_RENDERBUFFER, colour_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
  }
  ~FakeWindow() override {
    if (context_.Activate()) {
      glDeleteFramebuffers(1, &framebuffer_);
      glDeleteRenderbuffers(1, &colour_);
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
  GLuint framebuffer_ = 0, colour_ = 0;
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

}  // namespace

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
