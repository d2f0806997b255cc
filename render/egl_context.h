// TglEglContext: an OpenGL 3.3 core context on EGL with no window, for off-screen canvases.
// It uses Mesa's surfaceless platform, or the first EGL device, so it works on a machine
// with no display server and no GPU (software rendering).
#pragma once

#include <memory>
#include <string>

#include "render/gl_context.h"

class TglEglContext final : public TglContext {
 public:
  // Raises std::runtime_error (with the reason) when EGL or a suitable context is missing.
  TglEglContext();
  ~TglEglContext() override;

  bool MakeCurrent() override;
  bool IsCurrent() const override;

  // The context every bitmap canvas shares, made on first request and kept for the life of
  // the process; nullptr when none can be made (the reason is in OffscreenContextError).
  static TglEglContext* Shared();
  // Starts making the shared context on a thread of its own, so that a short command's work
  // before its first render (reading the model) runs beside the driver's start, most of such
  // a command's time; Shared then waits for it. Nothing when the context was asked for
  // already. Not for a process that forks without exec afterwards.
  static void PrepareShared();
  static const std::string& OffscreenContextError();

 private:
  void* display_ = nullptr;  // EGLDisplay
  void* context_ = nullptr;  // EGLContext
};
