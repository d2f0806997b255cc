// The window canvas's view of a platform window: its GL context and the frame it shows.
// Destroy the window canvas first, then this target, then the window. Header only, so
// that it needs no build entry of its own.
#pragma once

#include "platform/gl_surface.h"
#include "render/gl_context.h"

class TglSurfaceContext final : public TglContext {
 public:
  explicit TglSurfaceContext(TGlSurface& surface) : surface_(surface) {}
  bool MakeCurrent() override { return surface_.MakeCurrent(); }
  bool IsCurrent() const override { return surface_.IsCurrent(); }

 private:
  TGlSurface& surface_;
};

class TglSurfaceTarget final : public TglWindowTarget {
 public:
  explicit TglSurfaceTarget(TGlSurface& surface) : surface_(surface), context_(surface) {}
  // Frees the GL objects the canvases made in the window's context (without a current
  // context they die with the window's context anyway).
  ~TglSurfaceTarget() override {
    if (context_.Activate()) context_.ReleaseObjects();
  }
  TglSurfaceTarget(const TglSurfaceTarget&) = delete;
  TglSurfaceTarget& operator=(const TglSurfaceTarget&) = delete;

  TglContext* Context() override { return &context_; }
  void SwapBuffers() override { surface_.SwapBuffers(); }
  TGlSurface& Surface() const { return surface_; }

 private:
  TGlSurface& surface_;
  TglSurfaceContext context_;
};
