// bench_egl_first_frame: the least any 1024 x 1024 off-screen render costs here. It makes
// the context of bench_egl_start, then does what every icon render must do once per
// process, with OpenGL through libepoxy as facetmint has it: a colour target and a depth +
// stencil target of 1024 x 1024, one GLSL program, one triangle drawn and the 4 MB frame
// read back. No model, no texture, no 2D work. On llvmpipe the draw is where the driver
// compiles its code for the state in use, so this is the floor of facetmint's render and
// thumbnail commands, which startup_bench.cpp runs beside it.
#include <epoxy/gl.h>

#include <cstdio>
#include <vector>

#include "bench/bare_egl_context.h"
#include "render/gl_core_entry_points.h"

namespace {

constexpr int kSize = 1024;

GLuint Compile(GLenum type, const char* source) {
  const GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

// Returns false when the frame does not show the triangle: a floor that drew nothing would
// flatter the commands measured against it.
bool RenderOneFrame() {
  GLuint framebuffer = 0;
  GLuint targets[2] = {};
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glGenRenderbuffers(2, targets);
  glBindRenderbuffer(GL_RENDERBUFFER, targets[0]);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kSize, kSize);
  glBindRenderbuffer(GL_RENDERBUFFER, targets[1]);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, kSize, kSize);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, targets[0]);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                            targets[1]);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;

  const GLuint program = glCreateProgram();
  glAttachShader(program, Compile(GL_VERTEX_SHADER,
                                  "#version 330 core\n"
                                  "layout(location = 0) in vec2 position;\n"
                                  "void main() { gl_Position = vec4(position, 0.5, 1.0); }\n"));
  glAttachShader(program, Compile(GL_FRAGMENT_SHADER,
                                  "#version 330 core\n"
                                  "out vec4 colour;\n"
                                  "void main() { colour = vec4(1.0, 0.5, 0.25, 1.0); }\n"));
  glLinkProgram(program);
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (linked != GL_TRUE) return false;
  glUseProgram(program);

  const float triangle[] = {-0.5f, -0.5f, 0.5f, -0.5f, 0.0f, 0.5f};
  GLuint vertex_array = 0;
  GLuint buffer = 0;
  glGenVertexArrays(1, &vertex_array);
  glBindVertexArray(vertex_array);
  glGenBuffers(1, &buffer);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof triangle, triangle, GL_STATIC_DRAW);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
  glEnableVertexAttribArray(0);

  glViewport(0, 0, kSize, kSize);
  glEnable(GL_DEPTH_TEST);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glDrawArrays(GL_TRIANGLES, 0, 3);
  std::vector<unsigned char> pixels(static_cast<size_t>(kSize) * kSize * 4);
  glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  const size_t centre = (static_cast<size_t>(kSize / 2) * kSize + kSize / 2) * 4;
  return pixels[centre] == 255 && pixels[centre + 3] == 255 && pixels[0] == 0;
}

}  // namespace

int main() {
  bool drawn = false;
  {
    const TBareEglContext context;
    if (!context.Ok()) return 1;
    RouteCoreGlThroughEgl();  // OpenGL's entry points as facetmint takes them
    drawn = RenderOneFrame();
  }
  if (!drawn) {
    std::fputs("bench_egl_first_frame: the frame does not show the triangle\n", stderr);
    return 1;
  }
  std::puts("one 1024 x 1024 frame drawn and read back");
  return 0;
}
