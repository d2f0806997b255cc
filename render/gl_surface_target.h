// TglSurfaceTarget: the window canvas's view of a platform window's OpenGL surface. The
// window canvas makes the surface's context current through it and draws each frame into
// the surface's default framebuffer (straight, or through a framebuffer object of its own
// that it copies there upright) before showing it. Free the canvases first, then this, then
// the surface.
#pragma once

#include "platform/gl_surface.h"
#include "render/gl_context.h"

class TglSurfaceTarget final : public TglWindowTarget {
 public:
  explicit TglSurfaceTarget(TGlSurface& surface) : surface_(surface), context_(surface) {}
  ~TglSurfaceTarget() override;

  TglContext* Context() override { return &context_; }
  void SwapBuffers() override { surface_.SwapBuffers(); }
  TGlSurface& Surface() const { return surface_; }

 private:
  class TSurfaceContext final : public TglContext {
   public:
    explicit TSurfaceContext(TGlSurface& surface) : surface_(surface) {}
    bool MakeCurrent() override { return surface_.MakeCurrent(); }
    bool IsCurrent() const override { return surface_.IsCurrent(); }

   private:
    TGlSurface& surface_;
  };

  TGlSurface& surface_;
  TSurfaceContext context_;
};
