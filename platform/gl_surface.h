// What an OpenGL renderer needs from the surface it draws a window's frames into: the
// context made current, the drawable's size in pixels and the finished frame shown.
#pragma once

class TGlSurface {
 public:
  virtual ~TGlSurface() = default;
  // Makes the surface's context current on this thread; False when it could not be.
  virtual bool MakeCurrent() = 0;
  // Whether the surface's context is current on this thread now.
  virtual bool IsCurrent() const = 0;
  // Shows the frame drawn into the default framebuffer.
  virtual void SwapBuffers() = 0;
  virtual int DrawableWidth() const = 0;
  virtual int DrawableHeight() const = 0;
};
