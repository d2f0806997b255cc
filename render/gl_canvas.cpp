#include "render/gl_canvas.h"

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "imaging/image_codec.h"
#include "render/egl_context.h"
#include "render/gl_context.h"
#include "render/gl_program.h"
#include "render/glyph_atlas.h"
#include "scene/bitmap_codec.h"
#include "scene/canvas_class_of.h"
#include "scene/material.h"
#include "scene/mesh_data.h"
#include "scene/scene_bitmap.h"

namespace {

constexpr GLsizeiptr kVertexBufferBytes =
    static_cast<GLsizeiptr>(kCanvasMaxVertices) * sizeof(TgkCanvasVertex);
constexpr GLsizeiptr kIndexBufferBytes =
    static_cast<GLsizeiptr>(kCanvasMaxIndices) * sizeof(std::uint16_t);

std::array<float, 4> ColorToFloats(std::uint32_t argb) {
  return {static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
          static_cast<float>((argb >> 8) & 0xFF) / 255.0f, static_cast<float>(argb & 0xFF) / 255.0f,
          static_cast<float>((argb >> 24) & 0xFF) / 255.0f};
}

// GL reads the row-major canvas matrix column by column, which makes it the transpose a
// column-vector shader expects: M * v in GLSL is v * M for the canvas.
void UploadMatrix(GLint location, const TgkMatrix& m) {
  glUniformMatrix4fv(location, 1, GL_FALSE, &m.M[0][0]);
}

// Mesa's software rasteriser takes its per-frame triangle bins from the heap in small
// blocks and frees them after every frame. With glibc's default trim threshold the heap top
// goes back to the system each time and the next frame faults every page in again, which
// cost more than the drawing itself. Keeping up to 64 MB of freed heap avoids that. Fixing
// the trim threshold stops glibc from adapting its mmap threshold, so that one is set to
// the largest value glibc would adapt it to, keeping big blocks such as bitmaps reusable.
constexpr int kKeptFreeHeapBytes = 64 << 20;
constexpr int kLargestHeapBlockBytes = 32 << 20;

void KeepFreedHeap() {
  static const bool done = [] {
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBlockBytes);
    mallopt(M_TRIM_THRESHOLD, kKeptFreeHeapBytes);
    return true;
  }();
  (void)done;
}

// Whether a window's framebuffer can take the frame as the canvas's own targets would:
// 8-bit colour channels, a 24-bit depth buffer, one sample per pixel.
bool FramebufferFitsFrames(GLuint framebuffer) {
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  GLint double_buffered = GL_FALSE;
  glGetIntegerv(GL_DOUBLEBUFFER, &double_buffered);
  const GLenum colour = framebuffer != 0  ? GL_COLOR_ATTACHMENT0
                        : double_buffered ? GL_BACK_LEFT
                                          : GL_FRONT_LEFT;
  const GLenum depth = framebuffer != 0 ? GL_DEPTH_ATTACHMENT : GL_DEPTH;
  auto param = [](GLenum attachment, GLenum name) {
    GLint value = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment, name, &value);
    return value;
  };
  bool fits = param(colour, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE) != GL_NONE &&
              param(depth, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE) != GL_NONE;
  if (fits) {
    GLint samples = -1;
    glGetIntegerv(GL_SAMPLES, &samples);
    fits = samples == 0 && param(colour, GL_FRAMEBUFFER_ATTACHMENT_RED_SIZE) == 8 &&
           param(colour, GL_FRAMEBUFFER_ATTACHMENT_GREEN_SIZE) == 8 &&
           param(colour, GL_FRAMEBUFFER_ATTACHMENT_BLUE_SIZE) == 8 &&
           param(depth, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE) == 24 &&
           glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  }
  // A query the framebuffer cannot answer only means it does not fit; take its error back
  // (a bounded number: a lost context may keep reporting one).
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
  return fits;
}

}  // namespace

// ---- Creation and destruction ----

TgkOpenGLCanvas::TgkOpenGLCanvas(TgkCanvasWindow* window, int width, int height, bool transparency,
                                 TgkQuality quality)
    : TgkCanvas(window, width, height, transparency, quality), window_canvas_(true) {
  if (auto* target = dynamic_cast<TglWindowTarget*>(window)) context_ = target->Context();
  CreateDevice();
}

TgkOpenGLCanvas::TgkOpenGLCanvas(TgkBitmap& bitmap) : TgkCanvas(bitmap) {
  context_ = TglEglContext::Shared();
  CreateDevice();
}

TgkOpenGLCanvas::~TgkOpenGLCanvas() {
  atlases_.clear();  // their bitmaps drop their textures from this canvas
  FreeAllTextures();
  FreeBuffer();
}

void TgkOpenGLCanvas::CreateDevice() {
  if (!context_ || !context_->Activate()) return;
  KeepFreedHeap();
  // Programs are built when a draw first needs one (UseProgram): a render on the fast paths
  // never uses the general program, and each build costs milliseconds on llvmpipe.
  general_program_ = nullptr;
  program_ = nullptr;
  glGenVertexArrays(1, &vertex_array_);
  glBindVertexArray(vertex_array_);
  glGenBuffers(1, &vertex_buffer_);
  glBindBuffer(GL_ARRAY_BUFFER, vertex_buffer_);
  glBufferData(GL_ARRAY_BUFFER, kVertexBufferBytes, nullptr, GL_STREAM_DRAW);
  glGenBuffers(1, &index_buffer_);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, index_buffer_);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, kIndexBufferBytes, nullptr, GL_STREAM_DRAW);
  const GLsizei stride = sizeof(TgkCanvasVertex);
  glEnableVertexAttribArray(kAttrPosition);
  glVertexAttribPointer(kAttrPosition, 3, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(offsetof(TgkCanvasVertex, X)));
  glEnableVertexAttribArray(kAttrNormal);
  glVertexAttribPointer(kAttrNormal, 3, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(offsetof(TgkCanvasVertex, NX)));
  // The ARGB word is B, G, R, A in memory: GL_BGRA hands it to the shader as RGBA.
  glEnableVertexAttribArray(kAttrColor);
  glVertexAttribPointer(kAttrColor, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                        reinterpret_cast<const void*>(offsetof(TgkCanvasVertex, Color)));
  glEnableVertexAttribArray(kAttrTexCoord);
  glVertexAttribPointer(kAttrTexCoord, 2, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(offsetof(TgkCanvasVertex, U)));
  glGenSamplers(2, samplers_);
  for (int i = 0; i < 2; ++i) {
    const GLint filter = i == 0 ? GL_NEAREST : GL_LINEAR;
    glSamplerParameteri(samplers_[i], GL_TEXTURE_MIN_FILTER, filter);
    glSamplerParameteri(samplers_[i], GL_TEXTURE_MAG_FILTER, filter);
    glSamplerParameteri(samplers_[i], GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(samplers_[i], GL_TEXTURE_WRAP_T, GL_REPEAT);
  }
  CreateTargets();
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    ReleaseDevice();
    return;
  }
  device_ = true;
  // Textures loaded from now on are reduced to what this device can hold.
  GLint max_texture = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture);
  if (max_texture > 0) SetRendererTextureLimit(max_texture);
  context_->user = nullptr;  // restore everything on the first Use
  for (int s = 0; s < kRenderStateCount; ++s) PrepareState(static_cast<TgkRenderState>(s));
}

void TgkOpenGLCanvas::CreateTargets() {
  samples_ = 0;
  // A bitmap canvas is multisampled only when asked for the highest quality: the icon
  // render's own frames stay single-sampled, pixel for pixel as they always were.
  const bool multisample =
      window_canvas_ ? Quality() != gkLowQuality : Quality() == gkSuperHighQuality;
  if (multisample) {
    GLint max_samples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &max_samples);
    if (Quality() == gkSuperHighQuality && max_samples >= 4) {
      samples_ = 4;
    } else if (max_samples >= 2) {
      samples_ = 2;
    }
  }
  // A single-sampled opaque window frame is drawn straight into the window's framebuffer
  // (bottom row first, as GL shows it): copying a frame of our own there cost a software
  // rasteriser about as much as drawing a panel layer over the whole window.
  direct_ = false;
  if (window_canvas_ && samples_ == 0 && !Transparency()) {
    if (auto* target = dynamic_cast<TglWindowTarget*>(ParentWindow())) {
      direct_ = FramebufferFitsFrames(target->DefaultFramebuffer());
      if (direct_) {
        framebuffer_ = target->DefaultFramebuffer();
        glViewport(0, 0, Width(), Height());
        return;
      }
    }
  }
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glGenRenderbuffers(1, &color_buffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, color_buffer_);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples_, GL_RGBA8, Width(), Height());
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color_buffer_);
  glGenRenderbuffers(1, &depth_buffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, depth_buffer_);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples_, GL_DEPTH24_STENCIL8, Width(),
                                   Height());
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                            depth_buffer_);
  if (samples_ > 0) {
    // Multisampled frames are resolved here before they are shown or read.
    glGenFramebuffers(1, &resolve_framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, resolve_framebuffer_);
    glGenRenderbuffers(1, &resolve_buffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, resolve_buffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, Width(), Height());
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              resolve_buffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  }
  glViewport(0, 0, Width(), Height());
}

void TgkOpenGLCanvas::ReleaseTargets() {
  if (!direct_) glDeleteFramebuffers(1, &framebuffer_);
  direct_ = false;
  glDeleteRenderbuffers(1, &color_buffer_);
  glDeleteRenderbuffers(1, &depth_buffer_);
  glDeleteFramebuffers(1, &resolve_framebuffer_);
  glDeleteRenderbuffers(1, &resolve_buffer_);
  framebuffer_ = color_buffer_ = depth_buffer_ = resolve_framebuffer_ = resolve_buffer_ = 0;
}

void TgkOpenGLCanvas::ReleaseDevice() {
  if (context_ && context_->Activate()) {
    ReleaseTargets();
    glDeleteVertexArrays(1, &vertex_array_);
    glDeleteBuffers(1, &vertex_buffer_);
    glDeleteBuffers(1, &index_buffer_);
    glDeleteSamplers(2, samplers_);
    if (context_->user == this) context_->user = nullptr;
  }
  vertex_array_ = vertex_buffer_ = index_buffer_ = 0;
  samplers_[0] = samplers_[1] = 0;
  device_ = false;
}

void TgkOpenGLCanvas::FreeBuffer() {
  if (device_) {
    FreeAllTextures();
    ReleaseDevice();
  }
  context_ = nullptr;
  TgkCanvas::FreeBuffer();
}

void TgkOpenGLCanvas::ResizeBuffer(int width, int height) {
  TgkCanvas::ResizeBuffer(width, height);
  if (!Use()) return;
  ReleaseTargets();
  CreateTargets();
  context_->user = nullptr;  // the targets may have changed: restore all state on next use
  for (int s = 0; s < kRenderStateCount; ++s) PrepareState(static_cast<TgkRenderState>(s));
  if (state_.screen) {
    ApplyState(rsScreenMatrix);
  } else {
    ApplyState(rsCameraMatrix);
  }
}

void TgkOpenGLCanvas::SetQuality(TgkQuality quality) {
  const bool changed = quality != Quality();
  TgkCanvas::SetQuality(quality);
  if (window_canvas_ || (changed && device_)) ResizeBuffer(Width(), Height());
}

// ---- Context and device state ----

bool TgkOpenGLCanvas::Use() {
  if (!device_ || !context_->Activate()) return false;
  if (context_->user != this) {
    context_->user = this;
    RestoreDeviceState();
  }
  return true;
}

void TgkOpenGLCanvas::RestoreDeviceState() {
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glViewport(0, 0, Width(), Height());
  glBindVertexArray(vertex_array_);
  glBindBuffer(GL_ARRAY_BUFFER, vertex_buffer_);
  program_ = nullptr;  // the next draw chooses and fills its program
  // Frames of our own targets keep the top row first; a window's framebuffer shows its
  // bottom row first. Facing is decided in normalised coordinates either way, where
  // clockwise on screen is front.
  glClipControl(direct_ ? GL_LOWER_LEFT : GL_UPPER_LEFT, GL_ZERO_TO_ONE);
  glFrontFace(GL_CW);
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_SCISSOR_TEST);
  glEnable(GL_BLEND);
  glDepthFunc(GL_LEQUAL);
  if (state_.depth_test) {
    glEnable(GL_DEPTH_TEST);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  glDepthMask(state_.depth_write ? GL_TRUE : GL_FALSE);
  ApplyCull();
  ApplyBlend();
  glPolygonMode(GL_FRONT_AND_BACK, state_.wire ? GL_LINE : GL_FILL);
  glActiveTexture(GL_TEXTURE0);
  glBindSampler(0, samplers_[state_.linear ? 1 : 0]);
  glBindTexture(GL_TEXTURE_2D, state_.texture);
  matrices_dirty_ = uniforms_dirty_ = true;
}

void TgkOpenGLCanvas::ApplyCull() {
  if (state_.cull == 0) {
    glDisable(GL_CULL_FACE);
    return;
  }
  glEnable(GL_CULL_FACE);
  glCullFace(state_.cull == 1 ? GL_BACK : GL_FRONT);
}

void TgkOpenGLCanvas::ApplyBlend() {
  const GLenum dst = state_.additive ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA;
  if (Transparency()) {
    // Alpha accumulates coverage, leaving premultiplied colour over transparent black.
    glBlendFuncSeparate(GL_SRC_ALPHA, dst, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  } else {
    glBlendFunc(GL_SRC_ALPHA, dst);
  }
}

void TgkOpenGLCanvas::PrepareState(TgkRenderState state) {
  if (state == rsScreenMatrix) screen_projection_ = GetScreenMatrix();
  if (state == rsCameraMatrix) camera_projection_ = GetProjectionMatrix();
}

void TgkOpenGLCanvas::ApplyState(TgkRenderState state) {
  // Projections and the view live in uniforms; the rest is GL state set at once.
  const bool gl = Use();
  switch (state) {
    case rsScreenMatrix:
    case rsCameraMatrix:
      state_.screen = state == rsScreenMatrix;
      projection_ = state_.screen ? screen_projection_ : camera_projection_;
      device_view_ = state_.screen ? IdentityMatrix : View();
      device_world_ = IdentityMatrix;
      matrices_dirty_ = uniforms_dirty_ = true;
      return;
    case rsLightingOn:
    case rsLightingOff:
      state_.lighting = state == rsLightingOn;
      uniforms_dirty_ = true;
      return;
    case rsZTestOn:
    case rsZTestOff:
      state_.depth_test = state == rsZTestOn;
      if (gl) {
        if (state_.depth_test) {
          glEnable(GL_DEPTH_TEST);
        } else {
          glDisable(GL_DEPTH_TEST);
        }
      }
      return;
    case rsZWriteOn:
    case rsZWriteOff:
      state_.depth_write = state == rsZWriteOn;
      if (gl) glDepthMask(state_.depth_write ? GL_TRUE : GL_FALSE);
      return;
    case rsCullCCW:
    case rsCullCW:
    case rsCullNone:
      state_.cull = state == rsCullNone ? 0 : state == rsCullCCW ? 1 : 2;
      if (gl) ApplyCull();
      return;
    case rsBlendAdditive:
    case rsBlendNormal:
      state_.additive = state == rsBlendAdditive;
      if (gl) ApplyBlend();
      return;
    case rsTexNearest:
    case rsTexLinear:
      state_.linear = state == rsTexLinear;
      if (gl) glBindSampler(0, samplers_[state_.linear ? 1 : 0]);
      return;
    case rsTexDisable:
    case rsTexReplace:
    case rsTexModulate:
      state_.tex_mode = state == rsTexDisable ? 0 : state == rsTexReplace ? 1 : 2;
      uniforms_dirty_ = true;
      return;
    case rsFrameWire:
    case rsFrameSolid:
      state_.wire = state == rsFrameWire;
      if (gl) glPolygonMode(GL_FRONT_AND_BACK, state_.wire ? GL_LINE : GL_FILL);
      return;
    case rsShadeFlat:
    case rsShadeGouraud:
      state_.flat = state == rsShadeFlat;
      uniforms_dirty_ = true;
      return;
  }
}

void TgkOpenGLCanvas::SetMatrix(const TgkMatrix& m) {
  TgkCanvas::SetMatrix(m);
  device_world_ = m;
  matrices_dirty_ = true;
}

void TgkOpenGLCanvas::UseProgram() {
  TglProgram* wanted = nullptr;
  if (fast_paths_) {
    const TglProgramStates states{state_.lighting, state_.flat, state_.tex_mode};
    wanted = context_->Program(states);
  }
  if (!wanted) {
    if (!general_program_) general_program_ = context_->Program();
    wanted = general_program_;
  }
  if (!wanted) throw std::runtime_error("the canvas's shaders cannot be built on this device");
  if (wanted == program_) return;
  program_ = wanted;
  glUseProgram(program_->id());
  // Uniform values belong to a program: the one now in use gets all of them.
  matrices_dirty_ = uniforms_dirty_ = true;
}

void TgkOpenGLCanvas::UploadUniforms() {
  if (matrices_dirty_) {
    const TgkMatrix model_view = MatrixMultiply(device_world_, device_view_);
    UploadMatrix(program_->mvp, MatrixMultiply(model_view, projection_));
    UploadMatrix(program_->model_view, model_view);
    // Normals: the inverse transpose of the model-view without its translation (FillMesh
    // scales positions only, so the object's size is not in it).
    TgkMatrix inverse = model_view;
    inverse[3][0] = inverse[3][1] = inverse[3][2] = 0;
    MatrixInvert(inverse);
    float normal[9];
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) normal[c * 3 + r] = inverse[r][c];
    }
    glUniformMatrix3fv(program_->normal_matrix, 1, GL_FALSE, normal);
    // Lights are kept in scene space and follow the view in effect.
    const int count = std::min<int>(static_cast<int>(frame_lights_.size()), TglProgram::kMaxLights);
    GLint kinds[TglProgram::kMaxLights] = {};
    float positions[TglProgram::kMaxLights * 3] = {};
    float directions[TglProgram::kMaxLights * 3] = {};
    for (int i = 0; i < count; ++i) {
      const TgkCanvasLight& light = frame_lights_[static_cast<size_t>(i)];
      kinds[i] = static_cast<GLint>(light.kind);
      const TgkVector p = VectorTransform(light.position, device_view_);
      TgkVector d = light.direction;
      d.W = 0;
      d = VectorNormalize(VectorTransform(d, device_view_));
      positions[i * 3] = p.X;
      positions[i * 3 + 1] = p.Y;
      positions[i * 3 + 2] = p.Z;
      directions[i * 3] = d.X;
      directions[i * 3 + 1] = d.Y;
      directions[i * 3 + 2] = d.Z;
    }
    glUniform1i(program_->light_count, count);
    glUniform1iv(program_->light_kind, TglProgram::kMaxLights, kinds);
    glUniform3fv(program_->light_pos, TglProgram::kMaxLights, positions);
    glUniform3fv(program_->light_dir, TglProgram::kMaxLights, directions);
    matrices_dirty_ = false;
  }
  if (uniforms_dirty_) {
    glUniform1i(program_->lit, state_.lighting ? 1 : 0);
    glUniform4fv(program_->material, 1, material_color_.data());
    const auto ambient = ColorToFloats(Lighting() ? Ambient() : 0);
    glUniform3f(program_->global_ambient, ambient[0], ambient[1], ambient[2]);
    glUniform1i(program_->flat, state_.flat ? 1 : 0);
    glUniform1i(program_->tex_mode, state_.tex_mode);
    if (texture_transform_.enabled) {
      glUniform4f(program_->tex_transform, texture_transform_.ScaleU, texture_transform_.ScaleV,
                  texture_transform_.OffsetU, texture_transform_.OffsetV);
    } else {
      glUniform4f(program_->tex_transform, 1, 1, 0, 0);
    }
    uniforms_dirty_ = false;
  }
}

// ---- Materials and textures ----

void TgkOpenGLCanvas::ApplyMaterial() {
  material_color_ = ColorToFloats(Material().Diffuse());
  uniforms_dirty_ = true;
  TgkTextureTransform transform;
  TgkBitmap* bitmap = MaterialTexture(transform);
  texture_transform_ = transform;
  if (bitmap) {
    if (TTexture* texture = TextureFor(bitmap); texture && Use()) {
      state_.texture = texture->id;
      state_.texture_width = texture->width;
      state_.texture_height = texture->height;
      glBindTexture(GL_TEXTURE_2D, texture->id);
    }
  }
  SetMaterialStates(bitmap != nullptr);
}

TgkOpenGLCanvas::TTexture* TgkOpenGLCanvas::TextureFor(const TgkBitmap* bitmap) const {
  return reinterpret_cast<TTexture*>(TextureOf(bitmap));
}

void TgkOpenGLCanvas::UpdateBitmap(TgkBitmap& bitmap) {
  TgkCanvas::UpdateBitmap(bitmap);
  if (bitmap.Width() == 0 || bitmap.Height() == 0 || !Use()) return;
  TTexture* texture = TextureFor(&bitmap);
  if (!texture) {
    owned_textures_.push_back(std::make_unique<TTexture>());
    texture = owned_textures_.back().get();
    glGenTextures(1, &texture->id);
    AddTexture(&bitmap, reinterpret_cast<TgkTexture>(texture));
  }
  glBindTexture(GL_TEXTURE_2D, texture->id);
  if (texture->width != bitmap.Width() || texture->height != bitmap.Height()) {
    texture->width = bitmap.Width();
    texture->height = bitmap.Height();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texture->width, texture->height, 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    bitmap.SetNeedsUpload(true);
    if (state_.texture == texture->id) {
      state_.texture_width = texture->width;
      state_.texture_height = texture->height;
    }
  }
  const bool stale = TakeTextureStale(&bitmap);
  if ((bitmap.NeedsUpload() || stale) && bitmap.Bits()) {
    // Textures hold straight colour: a rendered (premultiplied) bitmap is converted on the way.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    TRasterImage straight;
    const std::uint32_t* pixels = bitmap.Bits();
    if (bitmap.AlphaForm() != TAlphaForm::Straight) {
      straight.width = bitmap.Width();
      straight.height = bitmap.Height();
      straight.form = bitmap.AlphaForm();
      straight.pixels.assign(pixels, pixels + bitmap.PixelCount());
      ConvertAlphaForm(straight, TAlphaForm::Straight);
      pixels = straight.pixels.data();
    }
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, texture->width, texture->height, GL_BGRA,
                    GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
    if (bitmap.NeedsUpload()) TellOtherHolders(bitmap);
  }
  bitmap.SetNeedsUpload(false);
  glBindTexture(GL_TEXTURE_2D, state_.texture);
}

void TgkOpenGLCanvas::FreeBitmap(TgkBitmap& bitmap) {
  bitmap.RemoveTextureHolder(this);
  TTexture* texture = TextureFor(&bitmap);
  RemoveTexture(&bitmap);
  if (!texture) return;
  if (context_ && context_->Activate()) {
    if (state_.texture == texture->id) {
      state_.texture = 0;
      state_.texture_width = state_.texture_height = 0;
    }
    glDeleteTextures(1, &texture->id);
    if (context_->user == this) glBindTexture(GL_TEXTURE_2D, state_.texture);
  }
  std::erase_if(owned_textures_, [texture](const auto& t) { return t.get() == texture; });
}

// ---- The frame ----

bool TgkOpenGLCanvas::BeginScene() {
  // A window whose context could not be made current at creation gets its device later.
  if (!device_ && context_) CreateDevice();
  if (!Use()) return false;
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  vertex_cursor_ = index_cursor_ = 0;
  orphan_vertices_ = orphan_indices_ = true;
  // Defaults of every frame; depth test and writes, texture stage and sampling keep what
  // the last frame left, as on the fixed-function device.
  state_.additive = false;
  ApplyBlend();
  state_.flat = true;
  state_.wire = false;
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  state_.cull = 1;
  ApplyCull();
  frame_lights_.clear();
  state_.lighting = Lighting();
  if (Lighting()) frame_lights_ = LightSetup();
  matrices_dirty_ = uniforms_dirty_ = true;
  SetRenderState(rsCameraMatrix);
  return true;
}

void TgkOpenGLCanvas::ReadFrame(GLuint framebuffer, std::uint32_t* pixels, int stride) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, stride);
  // The upper-left origin puts the top row first; BGRA words are the ARGB layout. Only the
  // wanted part is read. (It is not cleared or drawn alone: a clear limited by a scissor
  // costs llvmpipe a shader compile of its own, more than clearing the whole canvas.)
  glReadPixels(0, 0, UsedWidth(), UsedHeight(), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
}

void TgkOpenGLCanvas::EndScene() {
  if (!Use()) return;
  GLuint source = framebuffer_;
  if (samples_ > 0) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolve_framebuffer_);
    glBlitFramebuffer(0, 0, Width(), Height(), 0, 0, Width(), Height(), GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    source = resolve_framebuffer_;
  }
  if (TgkBitmap* bitmap = Bitmap()) {
    if (std::uint32_t* destination = FrameDestination()) {
      ReadFrame(source, destination, FrameDestinationStride());
    } else if (bitmap->Width() == Width() && bitmap->Height() == Height() && bitmap->Bits()) {
      // The targets are made at the bitmap's size; a bitmap resized since keeps its pixels.
      ReadFrame(source, bitmap->Bits());
      bitmap->SetAlphaForm(TAlphaForm::Premultiplied);
      bitmap->SetNeedsUpload(true);
    }
  } else if (auto* target = dynamic_cast<TglWindowTarget*>(ParentWindow())) {
    if (!direct_) {
      if (Transparency() && !PixelBuffer().empty()) {
        ReadFrame(source, MutablePixelBuffer().data());
      }
      // The window shows its framebuffer bottom row first: copy the frame flipped.
      glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
      glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target->DefaultFramebuffer());
      glBlitFramebuffer(0, 0, Width(), Height(), 0, Height(), Width(), 0, GL_COLOR_BUFFER_BIT,
                        GL_NEAREST);
    }
    target->SwapBuffers();
  }
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
}

void TgkOpenGLCanvas::Clear(std::uint32_t color) {
  if (!Use()) return;
  const auto c = ColorToFloats(color);
  glClearColor(c[0], c[1], c[2], c[3]);
  glClearDepth(1.0);
  // Clearing ignores the depth-write state, as the fixed-function clear does.
  glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDepthMask(state_.depth_write ? GL_TRUE : GL_FALSE);
}

void TgkOpenGLCanvas::ClearDepth() {
  if (!Use()) return;
  glClearDepth(1.0);
  glDepthMask(GL_TRUE);
  glClear(GL_DEPTH_BUFFER_BIT);
  glDepthMask(state_.depth_write ? GL_TRUE : GL_FALSE);
}

void TgkOpenGLCanvas::CopyPixels(const std::uint32_t* pixels) {
  if (!pixels || !Use()) return;
  glDepthMask(GL_TRUE);
  glClear(GL_DEPTH_BUFFER_BIT);
  glDepthMask(state_.depth_write ? GL_TRUE : GL_FALSE);
  GLuint texture = 0, framebuffer = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, Width(), Height(), 0, GL_BGRA,
               GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
  // Row 0 of the block is the top row: framebuffer row 0 in our own targets, the last row
  // in a window's framebuffer.
  if (direct_) {
    glBlitFramebuffer(0, 0, Width(), Height(), 0, Height(), Width(), 0, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
  } else {
    glBlitFramebuffer(0, 0, Width(), Height(), 0, 0, Width(), Height(), GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, state_.texture);
}

// ---- Drawing ----

template <typename Fill>
void TgkOpenGLCanvas::Draw(GLenum mode, int vertex_count, int index_count, Fill&& fill) {
  if (vertex_count <= 0 || index_count <= 0 || vertex_count > kCanvasMaxVertices ||
      index_count > kCanvasMaxIndices || !Use()) {
    return;
  }
  const size_t vertex_bytes = static_cast<size_t>(vertex_count) * sizeof(TgkCanvasVertex);
  const size_t index_bytes = static_cast<size_t>(index_count) * sizeof(std::uint16_t);
  // Rings: start again from the front when the data would pass the end. The first write
  // of a frame and of each lap orphans the buffer, so draws still in flight keep theirs.
  if (vertex_cursor_ + vertex_bytes > static_cast<size_t>(kVertexBufferBytes)) {
    vertex_cursor_ = 0;
    orphan_vertices_ = true;
  }
  if (index_cursor_ + index_bytes > static_cast<size_t>(kIndexBufferBytes)) {
    index_cursor_ = 0;
    orphan_indices_ = true;
  }
  auto flags = [](bool orphan) -> GLbitfield {
    return GL_MAP_WRITE_BIT | (orphan ? GL_MAP_INVALIDATE_BUFFER_BIT
                                      : GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
  };
  glBindBuffer(GL_ARRAY_BUFFER, vertex_buffer_);
  void* vertices = glMapBufferRange(GL_ARRAY_BUFFER, static_cast<GLintptr>(vertex_cursor_),
                                    static_cast<GLsizeiptr>(vertex_bytes), flags(orphan_vertices_));
  void* indices = glMapBufferRange(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLintptr>(index_cursor_),
                                   static_cast<GLsizeiptr>(index_bytes), flags(orphan_indices_));
  int written = 0;
  if (vertices && indices) {
    written = fill(static_cast<TgkCanvasVertex*>(vertices), static_cast<std::uint16_t*>(indices));
  }
  if (vertices) glUnmapBuffer(GL_ARRAY_BUFFER);
  if (indices) glUnmapBuffer(GL_ELEMENT_ARRAY_BUFFER);
  if (!vertices || !indices) return;  // a failed map skips the draw
  orphan_vertices_ = orphan_indices_ = false;
  if (written > 0) {
    UseProgram();
    UploadUniforms();
    glDrawElementsBaseVertex(mode, written, GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(index_cursor_),
                             static_cast<GLint>(vertex_cursor_ / sizeof(TgkCanvasVertex)));
  }
  vertex_cursor_ += vertex_bytes;
  index_cursor_ += index_bytes;
}

void TgkOpenGLCanvas::DrawArrays(GLenum mode, const std::vector<TgkCanvasVertex>& vertices,
                                 const std::vector<std::uint16_t>& indices) {
  const int nv = static_cast<int>(vertices.size());
  const int ni = static_cast<int>(indices.size());
  Draw(mode, nv, ni, [&](TgkCanvasVertex* v, std::uint16_t* i) {
    std::memcpy(v, vertices.data(), vertices.size() * sizeof(TgkCanvasVertex));
    std::memcpy(i, indices.data(), indices.size() * sizeof(std::uint16_t));
    return ni;
  });
}

void TgkOpenGLCanvas::DrawLine(const TgkVector& start, const TgkVector& finish, float opacity) {
  const std::uint32_t color = ColorWithOpacity(Material().Diffuse(), opacity);
  Draw(GL_LINES, 2, 2, [&](TgkCanvasVertex* v, std::uint16_t* i) {
    v[0] = {start.X, start.Y, start.Z, 0, 0, 0, color, 0, 0};
    v[1] = {finish.X, finish.Y, finish.Z, 0, 0, 0, color, 1, 1};
    i[0] = 0;
    i[1] = 1;
    return 2;
  });
}

void TgkOpenGLCanvas::FillCube(const TgkVector& center, const TgkVector& size, float opacity) {
  if (!device_) return;
  BuildCube(center, size, ColorWithOpacity(Material().Diffuse(), opacity), scratch_vertices_,
            scratch_indices_);
  DrawArrays(GL_TRIANGLES, scratch_vertices_, scratch_indices_);
}

bool TgkOpenGLCanvas::TexelForPixel(const TgkMeshData& mesh, const TgkVector& size) const {
  if (!state_.screen || state_.tex_mode == 0 || state_.texture == 0 || texture_transform_.enabled ||
      state_.texture_width <= 0 || state_.texture_height <= 0) {
    return false;
  }
  // The object matrix must only move by whole pixels in the plane z = 0, where the screen
  // projection puts pixel (x, y) at x, y (the view is the identity in that projection).
  const TgkMatrix& m = device_world_;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (m[r][c] != (r == c ? 1.0f : 0.0f)) return false;
    }
  }
  if (m[3][2] != 0 || m[3][3] != 1 || std::nearbyint(m[3][0]) != m[3][0] ||
      std::nearbyint(m[3][1]) != m[3][1]) {
    return false;
  }
  // Every vertex must carry the texel position of its pixel position plus the same whole
  // offsets; coordinates are interpolated linearly then (all at one depth), so every pixel
  // centre meets a texel centre. Products of a float and an int are exact in double.
  const double w = state_.texture_width, h = state_.texture_height;
  double offset_u = 0, offset_v = 0;
  for (size_t k = 0; k < mesh.Vertices.size(); ++k) {
    const TgkMeshVertex& v = mesh.Vertices[k];
    if (v.Z * size.Z != 0) return false;
    // As FillMesh places it, whole pixels included.
    const double x = std::nearbyint(v.X * size.X), y = std::nearbyint(v.Y * size.Y);
    const double du = static_cast<double>(v.TU) * w - x, dv = static_cast<double>(v.TV) * h - y;
    if (std::nearbyint(du) != du || std::nearbyint(dv) != dv) return false;
    if (k == 0) {
      offset_u = du, offset_v = dv;
    } else if (du != offset_u || dv != offset_v) {
      return false;
    }
  }
  return true;
}

void TgkOpenGLCanvas::FillMesh(const TgkVector& center, const TgkVector& size, float opacity,
                               const TgkMeshData& mesh) {
  const int nv = mesh.VertexCount();
  const int ni = mesh.IndexCount() / 3 * 3;
  if (nv <= 0 || ni <= 0 || !device_) return;
  const std::uint32_t color = ColorWithOpacity(Material().Diffuse(), opacity);
  const bool screen = state_.screen;
  // Vertex colours, when the mesh has one for every vertex, multiply the material's.
  const std::uint32_t* colors =
      mesh.Colors.size() == mesh.Vertices.size() ? mesh.Colors.data() : nullptr;
  auto place = [&](const TgkMeshVertex& in, std::uint32_t k) -> TgkCanvasVertex {
    float x = in.X * size.X, y = in.Y * size.Y;
    if (screen) {
      // Whole pixels (halves to even): quad edges meet pixel edges, so a quad shows its
      // texture one texel per pixel (GL's pixel centres already lie on the halves).
      x = std::nearbyint(x);
      y = std::nearbyint(y);
    }
    const std::uint32_t c = colors ? ModulateColor(color, colors[k]) : color;
    return {x, y, in.Z * size.Z, in.NX, in.NY, in.NZ, c, in.TU, in.TV};
  };
  // Bilinear filtering of texels that lie one for one on the pixels returns them unmixed;
  // nearest sampling does the same at a fraction of a software rasteriser's cost.
  const bool nearest = fast_paths_ && state_.linear && TexelForPixel(mesh, size);
  if (nearest && Use()) glBindSampler(0, samplers_[0]);
  const std::uint32_t* idx = mesh.Indices.data();
  const auto n = static_cast<std::uint32_t>(nv);
  if (nv <= kCanvasMaxVertices && ni <= kCanvasMaxIndices) {
    // Fits the buffers: one draw of the mesh as it is.
    Draw(GL_TRIANGLES, nv, ni, [&](TgkCanvasVertex* out, std::uint16_t* index_out) {
      const TgkMeshVertex* in = mesh.Vertices.data();
      for (int k = 0; k < nv; ++k) out[k] = place(in[k], static_cast<std::uint32_t>(k));
      // Triangles naming a vertex the mesh does not have are left out.
      int written = 0;
      for (int t = 0; t < ni; t += 3) {
        if (idx[t] < n && idx[t + 1] < n && idx[t + 2] < n) {
          index_out[written++] = static_cast<std::uint16_t>(idx[t]);
          index_out[written++] = static_cast<std::uint16_t>(idx[t + 1]);
          index_out[written++] = static_cast<std::uint16_t>(idx[t + 2]);
        }
      }
      return written;
    });
  } else {
    FillMeshInBatches(mesh, ni, place);
  }
  if (nearest && Use()) glBindSampler(0, samplers_[1]);
}

template <typename Place>
void TgkOpenGLCanvas::FillMeshInBatches(const TgkMeshData& mesh, int index_count, Place&& place) {
  // Consecutive triangles go into one draw until its vertices or indices would pass the
  // buffers; each draw carries only the vertices its triangles name, numbered afresh.
  const auto n = static_cast<std::uint32_t>(mesh.VertexCount());
  const std::uint32_t* idx = mesh.Indices.data();
  batch_slot_.assign(n, -1);
  std::vector<std::uint32_t>& batch = batch_vertices_;
  std::vector<std::uint16_t>& local = scratch_indices_;
  int t = 0;
  while (t < index_count) {
    batch.clear();
    local.clear();
    for (; t < index_count; t += 3) {
      if (idx[t] >= n || idx[t + 1] >= n || idx[t + 2] >= n) continue;  // names no vertex
      if (batch.size() + 3 > static_cast<size_t>(kCanvasMaxVertices) ||
          local.size() + 3 > static_cast<size_t>(kCanvasMaxIndices)) {
        break;
      }
      for (int c = 0; c < 3; ++c) {
        std::int32_t& slot = batch_slot_[idx[t + c]];
        if (slot < 0) {
          slot = static_cast<std::int32_t>(batch.size());
          batch.push_back(idx[t + c]);
        }
        local.push_back(static_cast<std::uint16_t>(slot));
      }
    }
    const int batch_vertices = static_cast<int>(batch.size());
    const int batch_indices = static_cast<int>(local.size());
    Draw(GL_TRIANGLES, batch_vertices, batch_indices,
         [&](TgkCanvasVertex* out, std::uint16_t* index_out) {
           const TgkMeshVertex* in = mesh.Vertices.data();
           for (int k = 0; k < batch_vertices; ++k) out[k] = place(in[batch[k]], batch[k]);
           std::memcpy(index_out, local.data(), local.size() * sizeof(std::uint16_t));
           return batch_indices;
         });
    for (std::uint32_t v : batch) batch_slot_[v] = -1;
  }
}

void TgkOpenGLCanvas::FillPolygon(const TgkVector& center, const TgkVector& size, float opacity,
                                  int count, const TgkPolygon& polygon) {
  if (!device_) return;
  BuildPolygonSolid(center, size, ColorWithOpacity(Material().Diffuse(), opacity), count, polygon,
                    scratch_vertices_, scratch_indices_);
  DrawArrays(GL_TRIANGLES, scratch_vertices_, scratch_indices_);
}

// ---- The class reference ----

namespace {

const TgkCanvasClassOf<TgkOpenGLCanvas> kOpenGLCanvasClass;

}  // namespace

void InstallOpenGLRenderer() {
  SetDefaultCanvasClass3D(&kOpenGLCanvasClass);
}
