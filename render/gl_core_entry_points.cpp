#include "render/gl_core_entry_points.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <mutex>

#include "render/egl_extensions.h"

namespace {

// name is epoxy's macro for its dispatch slot epoxy_<name>; a slot EGL has no entry for keeps
// epoxy's own resolver.
#define FACETMINT_ROUTE(name)                                            \
  if (void* entry = reinterpret_cast<void*>(eglGetProcAddress(#name))) { \
    epoxy_##name = reinterpret_cast<decltype(epoxy_##name)>(entry);      \
  }

void Route() {
  const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!HasEglExtension(client, "EGL_KHR_get_all_proc_addresses") &&
      !HasEglExtension(client, "EGL_KHR_client_get_all_proc_addresses")) {
    return;
  }
  // Every OpenGL function the program calls, and those of epoxy's version checks. Those of
  // OpenGL 1.0 to 1.2 would otherwise load libGL.so.1; every other one epoxy would resolve
  // after two failed probes for the GLX libraries, 200 such probes in all.
  FACETMINT_ROUTE(glActiveTexture)
  FACETMINT_ROUTE(glAttachShader)
  FACETMINT_ROUTE(glBindBuffer)
  FACETMINT_ROUTE(glBindFramebuffer)
  FACETMINT_ROUTE(glBindRenderbuffer)
  FACETMINT_ROUTE(glBindSampler)
  FACETMINT_ROUTE(glBindTexture)
  FACETMINT_ROUTE(glBindVertexArray)
  FACETMINT_ROUTE(glBlendFunc)
  FACETMINT_ROUTE(glBlendFuncSeparate)
  FACETMINT_ROUTE(glBlitFramebuffer)
  FACETMINT_ROUTE(glBufferData)
  FACETMINT_ROUTE(glCheckFramebufferStatus)
  FACETMINT_ROUTE(glClear)
  FACETMINT_ROUTE(glClearColor)
  FACETMINT_ROUTE(glClearDepth)
  FACETMINT_ROUTE(glClipControl)
  FACETMINT_ROUTE(glCompileShader)
  FACETMINT_ROUTE(glCreateProgram)
  FACETMINT_ROUTE(glCreateShader)
  FACETMINT_ROUTE(glCullFace)
  FACETMINT_ROUTE(glDeleteBuffers)
  FACETMINT_ROUTE(glDeleteFramebuffers)
  FACETMINT_ROUTE(glDeleteProgram)
  FACETMINT_ROUTE(glDeleteRenderbuffers)
  FACETMINT_ROUTE(glDeleteSamplers)
  FACETMINT_ROUTE(glDeleteShader)
  FACETMINT_ROUTE(glDeleteTextures)
  FACETMINT_ROUTE(glDeleteVertexArrays)
  FACETMINT_ROUTE(glDepthFunc)
  FACETMINT_ROUTE(glDepthMask)
  FACETMINT_ROUTE(glDisable)
  FACETMINT_ROUTE(glDrawElementsBaseVertex)
  FACETMINT_ROUTE(glEnable)
  FACETMINT_ROUTE(glEnableVertexAttribArray)
  FACETMINT_ROUTE(glFinish)
  FACETMINT_ROUTE(glFlush)
  FACETMINT_ROUTE(glFramebufferRenderbuffer)
  FACETMINT_ROUTE(glFramebufferTexture2D)
  FACETMINT_ROUTE(glFrontFace)
  FACETMINT_ROUTE(glGenBuffers)
  FACETMINT_ROUTE(glGenFramebuffers)
  FACETMINT_ROUTE(glGenRenderbuffers)
  FACETMINT_ROUTE(glGenSamplers)
  FACETMINT_ROUTE(glGenTextures)
  FACETMINT_ROUTE(glGenVertexArrays)
  FACETMINT_ROUTE(glGetError)
  FACETMINT_ROUTE(glGetFramebufferAttachmentParameteriv)
  FACETMINT_ROUTE(glGetIntegerv)
  FACETMINT_ROUTE(glGetProgramInfoLog)
  FACETMINT_ROUTE(glGetProgramiv)
  FACETMINT_ROUTE(glGetShaderInfoLog)
  FACETMINT_ROUTE(glGetShaderiv)
  FACETMINT_ROUTE(glGetString)
  FACETMINT_ROUTE(glGetStringi)
  FACETMINT_ROUTE(glGetUniformLocation)
  FACETMINT_ROUTE(glLinkProgram)
  FACETMINT_ROUTE(glMapBufferRange)
  FACETMINT_ROUTE(glPixelStorei)
  FACETMINT_ROUTE(glPolygonMode)
  FACETMINT_ROUTE(glProvokingVertex)
  FACETMINT_ROUTE(glReadPixels)
  FACETMINT_ROUTE(glRenderbufferStorage)
  FACETMINT_ROUTE(glRenderbufferStorageMultisample)
  FACETMINT_ROUTE(glSamplerParameteri)
  FACETMINT_ROUTE(glScissor)
  FACETMINT_ROUTE(glShaderSource)
  FACETMINT_ROUTE(glTexImage2D)
  FACETMINT_ROUTE(glTexParameteri)
  FACETMINT_ROUTE(glTexSubImage2D)
  FACETMINT_ROUTE(glUniform1i)
  FACETMINT_ROUTE(glUniform1iv)
  FACETMINT_ROUTE(glUniform3f)
  FACETMINT_ROUTE(glUniform3fv)
  FACETMINT_ROUTE(glUniform4f)
  FACETMINT_ROUTE(glUniform4fv)
  FACETMINT_ROUTE(glUniformMatrix3fv)
  FACETMINT_ROUTE(glUniformMatrix4fv)
  FACETMINT_ROUTE(glUnmapBuffer)
  FACETMINT_ROUTE(glUseProgram)
  FACETMINT_ROUTE(glVertexAttribPointer)
  FACETMINT_ROUTE(glViewport)
}

#undef FACETMINT_ROUTE

}  // namespace

void RouteCoreGlThroughEgl() {
  static std::once_flag once;
  std::call_once(once, Route);
}
