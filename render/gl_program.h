// TglProgram: the shader pair that reproduces the fixed-function pipeline the canvas
// contract describes: per-vertex lighting in view space, flat or Gouraud colour, the three
// texture stages, and the alpha test (fragments of alpha 0 are discarded, writing no depth).
// The general program takes lighting, shading and texture mode from uniforms; a program
// specialised for one combination of them does only that work, which matters on a software
// rasteriser: the general one pays for both texture fetches and the lighting on every draw.
#pragma once

#include <epoxy/gl.h>

#include <optional>
#include <string>

// The states a specialised program is built for.
struct TglProgramStates {
  bool lit = false;
  bool flat = false;
  int tex_mode = 0;  // 0 colour only, 1 texture only, 2 texture times colour

  bool operator==(const TglProgramStates&) const = default;
};

class TglProgram {
 public:
  static constexpr int kMaxLights = 8;

  // Compiles and links in the current context: the general program without states, else
  // the one specialised for them. Raises std::runtime_error with the log, and
  // std::invalid_argument for a texture mode outside 0..2.
  explicit TglProgram(const std::optional<TglProgramStates>& states = std::nullopt);
  ~TglProgram();
  TglProgram(const TglProgram&) = delete;
  TglProgram& operator=(const TglProgram&) = delete;

  GLuint id() const { return id_; }

  // Uniform locations.
  GLint mvp = -1, model_view = -1, normal_matrix = -1;
  GLint lit = -1, material = -1, global_ambient = -1;
  GLint light_count = -1, light_kind = -1, light_pos = -1, light_dir = -1;
  GLint tex_transform = -1, tex_mode = -1, flat = -1, tex = -1;

 private:
  GLuint id_ = 0;
};

// Vertex attribute locations of the canvas vertex.
enum : GLuint { kAttrPosition = 0, kAttrNormal = 1, kAttrColor = 2, kAttrTexCoord = 3 };
