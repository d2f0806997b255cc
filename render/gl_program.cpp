#include "render/gl_program.h"

#include <stdexcept>
#include <string>

namespace {

// Lighting as the fixed-function pipeline does it, per vertex in view space:
// colour = clamp(M * (G + sum Ai*Si*La) + sum Ai*Si*Ld*M*max(0, N.L)), alpha = M.a,
// with Ld white, La = 0x69 grey, range 100; point lights attenuate by 1/(0.2 d), spot
// lights have cones of 0.5 and 1.0 rad (full angles) and falloff 1.
//
// A specialised program has LIT, FLAT and TEX_MODE defined as constants, so the compiler
// drops what the states leave unused (the lighting of unlit draws, the texture fetches of
// untextured ones); the general program reads the same states from uniforms. Both run the
// same expressions, so they produce the same pixels.
constexpr const char* kVertexShader = R"(
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColor;
layout(location = 3) in vec2 aUV;

uniform mat4 uMVP;
uniform mat4 uModelView;
uniform mat3 uNormalMatrix;
#ifdef LIT
const bool kLit = LIT;
#else
uniform bool uLit;
#define kLit uLit
#endif
uniform vec4 uMaterial;
uniform vec3 uGlobalAmbient;
uniform int uLightCount;
uniform int uLightKind[8];
uniform vec3 uLightPos[8];
uniform vec3 uLightDir[8];
uniform vec4 uTexTransform;

out vec4 vColor;
flat out vec4 vFlatColor;
out vec2 vUV;

const float kRange = 100.0;
const float kLightAmbient = 105.0 / 255.0;
const float kCosInner = 0.96891242;  // cos(0.25)
const float kCosOuter = 0.87758256;  // cos(0.5)

vec4 Lit(vec3 p, vec3 n) {
  float ambient = 0.0;
  float diffuse = 0.0;
  for (int i = 0; i < uLightCount; ++i) {
    vec3 l;
    float factor = 1.0;
    if (uLightKind[i] == 0) {
      l = -uLightDir[i];
    } else {
      vec3 d = uLightPos[i] - p;
      float dist = length(d);
      if (dist > kRange) continue;
      l = dist > 0.0 ? d / dist : vec3(0.0);
      if (uLightKind[i] == 1) {
        factor = 1.0 / max(0.2 * dist, 1e-6);
      } else {
        float rho = dot(-l, uLightDir[i]);
        factor = rho > kCosInner ? 1.0
                 : rho <= kCosOuter ? 0.0
                 : (rho - kCosOuter) / (kCosInner - kCosOuter);
      }
    }
    ambient += factor * kLightAmbient;
    diffuse += factor * max(0.0, dot(n, l));
  }
  vec3 rgb = uMaterial.rgb * (uGlobalAmbient + vec3(ambient)) + uMaterial.rgb * diffuse;
  return vec4(clamp(rgb, 0.0, 1.0), uMaterial.a);
}

void main() {
  gl_Position = uMVP * vec4(aPos, 1.0);
  vec4 c = aColor;
  if (kLit) {
    vec3 p = (uModelView * vec4(aPos, 1.0)).xyz;
    vec3 n = uNormalMatrix * aNormal;
    float len = length(n);
    c = Lit(p, len > 0.0 ? n / len : vec3(0.0));
  }
  vColor = c;
  vFlatColor = c;
  vUV = aUV * uTexTransform.xy + uTexTransform.zw;
}
)";

constexpr const char* kFragmentShader = R"(
in vec4 vColor;
flat in vec4 vFlatColor;
in vec2 vUV;

#ifdef FLAT
const bool kFlat = FLAT;
#else
uniform bool uFlat;
#define kFlat uFlat
#endif
// 0 colour only, 1 texture only, 2 texture times colour
#ifdef TEX_MODE
const int kTexMode = TEX_MODE;
#else
uniform int uTexMode;
#define kTexMode uTexMode
#endif
uniform sampler2D uTex;

out vec4 fragColor;

void main() {
  vec4 c = kFlat ? vFlatColor : vColor;
  if (kTexMode == 1) {
    c = texture(uTex, vUV);
  } else if (kTexMode == 2) {
    c *= texture(uTex, vUV);
  }
  // The alpha test: alpha must reach 1 of 255.
  if (c.a < 0.5 / 255.0) discard;
  fragColor = c;
}
)";

GLuint Compile(GLenum kind, const std::string& header, const char* body) {
  GLuint shader = glCreateShader(kind);
  const char* parts[] = {header.c_str(), body};
  glShaderSource(shader, 2, parts, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    char log[2048] = {};
    glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
    glDeleteShader(shader);
    throw std::runtime_error(std::string("canvas shader does not compile: ") + log);
  }
  return shader;
}

std::string Header(const std::optional<TglProgramStates>& states) {
  std::string header = "#version 330 core\n";
  if (states) {
    header += std::string("#define LIT ") + (states->lit ? "true" : "false") + "\n";
    header += std::string("#define FLAT ") + (states->flat ? "true" : "false") + "\n";
    header += "#define TEX_MODE " + std::to_string(states->tex_mode) + "\n";
  }
  return header;
}

}  // namespace

TglProgram::TglProgram(const std::optional<TglProgramStates>& states) {
  if (states && (states->tex_mode < 0 || states->tex_mode > 2)) {
    throw std::invalid_argument("canvas program: texture mode " + std::to_string(states->tex_mode) +
                                " is not 0, 1 or 2");
  }
  const std::string header = Header(states);
  GLuint vs = Compile(GL_VERTEX_SHADER, header, kVertexShader);
  GLuint fs = 0;
  try {
    fs = Compile(GL_FRAGMENT_SHADER, header, kFragmentShader);
  } catch (...) {
    glDeleteShader(vs);
    throw;
  }
  id_ = glCreateProgram();
  glAttachShader(id_, vs);
  glAttachShader(id_, fs);
  glLinkProgram(id_);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = GL_FALSE;
  glGetProgramiv(id_, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    char log[2048] = {};
    glGetProgramInfoLog(id_, sizeof log - 1, nullptr, log);
    glDeleteProgram(id_);
    throw std::runtime_error(std::string("canvas shaders do not link: ") + log);
  }
  mvp = glGetUniformLocation(id_, "uMVP");
  model_view = glGetUniformLocation(id_, "uModelView");
  normal_matrix = glGetUniformLocation(id_, "uNormalMatrix");
  lit = glGetUniformLocation(id_, "uLit");
  material = glGetUniformLocation(id_, "uMaterial");
  global_ambient = glGetUniformLocation(id_, "uGlobalAmbient");
  light_count = glGetUniformLocation(id_, "uLightCount");
  light_kind = glGetUniformLocation(id_, "uLightKind");
  light_pos = glGetUniformLocation(id_, "uLightPos");
  light_dir = glGetUniformLocation(id_, "uLightDir");
  tex_transform = glGetUniformLocation(id_, "uTexTransform");
  tex_mode = glGetUniformLocation(id_, "uTexMode");
  flat = glGetUniformLocation(id_, "uFlat");
  tex = glGetUniformLocation(id_, "uTex");
  // Programs are made in the middle of a frame: the one in use stays in use.
  GLint previous = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &previous);
  glUseProgram(id_);
  glUniform1i(tex, 0);
  glUseProgram(static_cast<GLuint>(previous));
}

TglProgram::~TglProgram() {
  if (id_) glDeleteProgram(id_);
}
