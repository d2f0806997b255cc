// bench_egl_start: the floor of any headless render here. Starts EGL surfaceless (Mesa,
// llvmpipe on this machine), makes an OpenGL 3.3 core context current and ends. The
// whole-process time of facetmint's commands is measured against it (startup_bench.cpp).
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>

int main() {
  auto get_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!get_display) return 1;
  EGLDisplay display = get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0, minor = 0;
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) return 1;
  if (!eglBindAPI(EGL_OPENGL_API)) return 1;
  const EGLint attribs[] = {EGL_CONTEXT_MAJOR_VERSION,
                            3,
                            EGL_CONTEXT_MINOR_VERSION,
                            3,
                            EGL_CONTEXT_OPENGL_PROFILE_MASK,
                            EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                            EGL_NONE};
  EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attribs);
  if (context == EGL_NO_CONTEXT) return 1;
  if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) return 1;
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(display, context);
  eglTerminate(display);
  std::puts("EGL 3.3 core context current");
  return 0;
}
