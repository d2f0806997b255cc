#include "render/egl_context.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "render/egl_extensions.h"
#include "render/gl_core_entry_points.h"

namespace {

// A display that needs no window system: Mesa's surfaceless platform, else an EGL device.
EGLDisplay OpenHeadlessDisplay() {
  const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!HasEglExtension(client, "EGL_EXT_platform_base")) return EGL_NO_DISPLAY;
  if (HasEglExtension(client, "EGL_MESA_platform_surfaceless")) {
    EGLDisplay d =
        eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (d != EGL_NO_DISPLAY) {
      EGLint major = 0, minor = 0;
      if (eglInitialize(d, &major, &minor)) return d;
    }
  }
  if (HasEglExtension(client, "EGL_EXT_platform_device") &&
      HasEglExtension(client, "EGL_EXT_device_enumeration")) {
    EGLint count = 0;
    if (eglQueryDevicesEXT(0, nullptr, &count) && count > 0) {
      std::vector<EGLDeviceEXT> devices(static_cast<size_t>(count));
      eglQueryDevicesEXT(count, devices.data(), &count);
      for (EGLint i = 0; i < count; ++i) {
        EGLDisplay d = eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
        EGLint major = 0, minor = 0;
        if (d != EGL_NO_DISPLAY && eglInitialize(d, &major, &minor)) return d;
      }
    }
  }
  return EGL_NO_DISPLAY;
}

struct TSharedHolder {
  ~TSharedHolder() {
    if (preparing.joinable()) preparing.join();
  }
  std::unique_ptr<TglEglContext> context;
  std::string error;
  bool tried = false;
  std::thread preparing;  // PrepareShared's
};

void MakeShared(TSharedHolder& holder) {
  try {
    holder.context = std::make_unique<TglEglContext>();
  } catch (const std::exception& e) {
    holder.error = e.what();
  }
}

TSharedHolder& Holder() {
  static TSharedHolder holder;
  return holder;
}

}  // namespace

TglEglContext::TglEglContext() {
  EGLDisplay display = OpenHeadlessDisplay();
  if (display == EGL_NO_DISPLAY) throw std::runtime_error("no headless EGL display");
  display_ = display;
  auto fail = [&](const char* why) {
    display_ = nullptr;
    throw std::runtime_error(why);
  };
  const char* ext = eglQueryString(display, EGL_EXTENSIONS);
  if (!HasEglExtension(ext, "EGL_KHR_surfaceless_context")) {
    fail("the EGL display cannot make a context current without a surface");
  }
  if (!eglBindAPI(EGL_OPENGL_API)) fail("the EGL display has no desktop OpenGL");
  EGLConfig config = EGL_NO_CONFIG_KHR;
  if (!HasEglExtension(ext, "EGL_KHR_no_config_context")) {
    const EGLint want[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint n = 0;
    if (!eglChooseConfig(display, want, &config, 1, &n) || n < 1) {
      fail("the EGL display has no OpenGL configuration");
    }
  }
  const EGLint attribs[] = {EGL_CONTEXT_MAJOR_VERSION,
                            3,
                            EGL_CONTEXT_MINOR_VERSION,
                            3,
                            EGL_CONTEXT_OPENGL_PROFILE_MASK,
                            EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                            EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, attribs);
  if (context == EGL_NO_CONTEXT) fail("no OpenGL 3.3 core context");
  context_ = context;
  const bool current = Activate();
  if (current) RouteCoreGlThroughEgl();
  if (!current || !(epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control"))) {
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display, context);
    context_ = nullptr;
    fail("the OpenGL context lacks ARB_clip_control");
  }
}

TglEglContext::~TglEglContext() {
  auto display = static_cast<EGLDisplay>(display_);
  if (Activate()) ReleaseObjects();
  if (IsCurrent()) eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(display, static_cast<EGLContext>(context_));
  // The display stays initialised: other contexts of the process may live on it.
}

bool TglEglContext::MakeCurrent() {
  return eglMakeCurrent(static_cast<EGLDisplay>(display_), EGL_NO_SURFACE, EGL_NO_SURFACE,
                        static_cast<EGLContext>(context_)) == EGL_TRUE;
}

bool TglEglContext::IsCurrent() const {
  return context_ != nullptr && eglGetCurrentContext() == static_cast<EGLContext>(context_);
}

TglEglContext* TglEglContext::Shared() {
  TSharedHolder& holder = Holder();
  if (holder.preparing.joinable()) holder.preparing.join();
  if (!holder.tried) {
    holder.tried = true;
    MakeShared(holder);
  }
  return holder.context.get();
}

void TglEglContext::PrepareShared() {
  TSharedHolder& holder = Holder();
  if (holder.tried) return;
  holder.tried = true;
  try {
    holder.preparing = std::thread([&holder] {
      MakeShared(holder);
      // Made current here to be checked; the thread that renders makes it current there.
      if (holder.context) {
        eglMakeCurrent(static_cast<EGLDisplay>(holder.context->display_), EGL_NO_SURFACE,
                       EGL_NO_SURFACE, EGL_NO_CONTEXT);
      }
    });
  } catch (const std::system_error&) {
    holder.tried = false;  // no thread to be had: Shared makes it when asked
  }
}

const std::string& TglEglContext::OffscreenContextError() {
  return Holder().error;
}
