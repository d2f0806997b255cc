// The bare start of any headless render here, shared by bench_egl_start and
// bench_egl_first_frame: EGL surfaceless (Mesa, llvmpipe on this machine) and an OpenGL
// 3.3 core context made current. Include it after libepoxy's GL header when both are used:
// the two headers define the same Khronos types unless epoxy's comes first.
#pragma once

#include <EGL/egl.h>
#include <EGL/eglext.h>

class TBareEglContext {
 public:
  // Ok() tells whether the context is current.
  TBareEglContext() {
    auto get_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!get_display) return;
    display_ = get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, &major, &minor)) return;
    if (!eglBindAPI(EGL_OPENGL_API)) return;
    const EGLint attribs[] = {EGL_CONTEXT_MAJOR_VERSION,
                              3,
                              EGL_CONTEXT_MINOR_VERSION,
                              3,
                              EGL_CONTEXT_OPENGL_PROFILE_MASK,
                              EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                              EGL_NONE};
    context_ = eglCreateContext(display_, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attribs);
    current_ = context_ != EGL_NO_CONTEXT &&
               eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
  }
  ~TBareEglContext() {
    if (context_ != EGL_NO_CONTEXT) {
      eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
      eglDestroyContext(display_, context_);
    }
    if (display_ != EGL_NO_DISPLAY) eglTerminate(display_);
  }
  TBareEglContext(const TBareEglContext&) = delete;
  TBareEglContext& operator=(const TBareEglContext&) = delete;

  bool Ok() const { return current_; }

 private:
  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLContext context_ = EGL_NO_CONTEXT;
  bool current_ = false;
};
