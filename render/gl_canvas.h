// TgkOpenGLCanvas: the render canvas on OpenGL 3.3 core with ARB_clip_control.
//
// A bitmap canvas draws with the process's off-screen EGL context into a framebuffer object
// of the bitmap's size (RGBA8 colour, 24/8 depth-stencil, multisampled only at
// gkSuperHighQuality, with 4 samples where the context allows) and reads the
// frame back into the bitmap's pixels at EndScene. A window canvas draws with the context of
// a TglWindowTarget: when the frame is single-sampled and opaque and the window's
// framebuffer has the same colour and depth precision, straight into that framebuffer;
// otherwise into a framebuffer object of its own (multisampled as Quality asks and the
// context allows) that it copies upright into the window at EndScene. Without a context the
// canvas exists but has no device: BeginScene reports False.
//
// Depth runs 0..1 and the origin of our own targets is the upper left (glClipControl), so
// frames read back top row first; in a window's framebuffer it is the lower left, where the
// window shows its first row. The canvas matrices (row vectors) are uploaded unchanged.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <memory>
#include <vector>

#include "scene/canvas.h"

class TglContext;
class TglGlyphAtlas;
class TglProgram;

class TgkOpenGLCanvas final : public TgkCanvas {
 public:
  // window must be a TglWindowTarget with a context to get a device.
  TgkOpenGLCanvas(TgkCanvasWindow* window, int width, int height, bool transparency,
                  TgkQuality quality);
  explicit TgkOpenGLCanvas(TgkBitmap& bitmap);
  ~TgkOpenGLCanvas() override;

  bool HasDevice() const { return device_; }
  // Samples per pixel of the colour target (0 = not multisampled).
  int Samples() const { return samples_; }
  // Whether a window canvas draws straight into the window's framebuffer (single-sampled,
  // opaque, and the framebuffer has 8-bit colour and 24-bit depth) rather than into a
  // frame of its own that EndScene copies there.
  bool DrawsIntoWindow() const { return direct_; }
  // With fast paths (the default) the canvas draws with programs specialised for the
  // lighting, shading and texture states in effect, and samples a texture whose texels lie
  // one for one on the pixels of a screen draw by nearest texel even when bilinear
  // filtering is asked for (it would return the texels unmixed anyway). Without them it
  // draws with the general program, which reads those states from uniforms, and the filter
  // the state asks for. Both give the same pixels; the general way is there to show that.
  void SetFastPaths(bool on) { fast_paths_ = on; }
  bool FastPaths() const { return fast_paths_; }
  // Whether every pixel centre of a FillMesh of mesh at size, with the states, object
  // matrix and texture now in effect, lands on a texel centre (a screen draw one texel per
  // pixel), so that bilinear filtering would return the texels unmixed.
  bool TexelForPixel(const TgkMeshData& mesh, const TgkVector& size) const;

  void ApplyMaterial() override;
  void PrepareState(TgkRenderState state) override;
  void ApplyState(TgkRenderState state) override;
  void UpdateBitmap(TgkBitmap& bitmap) override;
  void FreeBitmap(TgkBitmap& bitmap) override;
  void SetQuality(TgkQuality quality) override;
  bool BeginScene() override;
  void EndScene() override;
  void FreeBuffer() override;
  void ResizeBuffer(int width, int height) override;
  void Clear(std::uint32_t color) override;
  void ClearDepth() override;
  void CopyPixels(const std::uint32_t* pixels) override;
  void SetMatrix(const TgkMatrix& m) override;
  void DrawLine(const TgkVector& start, const TgkVector& finish, float opacity) override;
  void FillCube(const TgkVector& center, const TgkVector& size, float opacity) override;
  void FillMesh(const TgkVector& center, const TgkVector& size, float opacity,
                const TgkMeshData& mesh) override;
  void FillPolygon(const TgkVector& center, const TgkVector& size, float opacity, int count,
                   const TgkPolygon& polygon) override;
  void FillText(const std::string& text, float x, float y, float opacity) override;
  TgkPoint MeasureText(const std::string& text) override;
  TgkPoint TextToPolygon(const std::string& text, TgkPolygon& polygon) override;

 private:
  struct TTexture {
    GLuint id = 0;
    int width = 0, height = 0;
  };
  // What the device has in effect, so that a canvas sharing a context can restore it.
  struct TDeviceState {
    bool screen = false;
    bool lighting = false;
    bool depth_test = true;
    bool depth_write = true;
    int cull = 1;  // 0 none, 1 counter-clockwise, 2 clockwise
    bool additive = false;
    bool linear = false;
    int tex_mode = 0;  // 0 colour, 1 texture, 2 texture times colour
    bool wire = false;
    bool flat = true;
    GLuint texture = 0;
    int texture_width = 0, texture_height = 0;
  };

  void CreateDevice();
  void CreateTargets();
  void ReleaseTargets();
  void ReleaseDevice();
  // Makes the context current and, when another canvas used it last, restores this one's
  // GL state. False without a device.
  bool Use();
  void RestoreDeviceState();
  void ApplyCull();
  void ApplyBlend();
  // Puts the program for the states in effect in use (before UploadUniforms).
  void UseProgram();
  void UploadUniforms();
  TTexture* TextureFor(const TgkBitmap* bitmap) const;
  // Streams vertices and indices into the ring buffers and draws them; fill writes both and
  // returns the number of indices it wrote.
  template <typename Fill>
  void Draw(GLenum mode, int vertex_count, int index_count, Fill&& fill);
  // FillMesh of a mesh beyond the buffer limits: several draws, each within them.
  template <typename Place>
  void FillMeshInBatches(const TgkMeshData& mesh, int index_count, Place&& place);
  void DrawArrays(GLenum mode, const std::vector<TgkCanvasVertex>& vertices,
                  const std::vector<std::uint16_t>& indices);
  // stride: words from one row to the next, 0 for Width.
  void ReadFrame(GLuint framebuffer, std::uint32_t* pixels, int stride = 0);
  TglGlyphAtlas& AtlasForFont();

  TglContext* context_ = nullptr;
  TglProgram* general_program_ = nullptr;
  TglProgram* program_ = nullptr;  // in use; nullptr until the next draw chooses one
  bool fast_paths_ = true;
  bool device_ = false;
  bool window_canvas_ = false;
  bool direct_ = false;  // see DrawsIntoWindow
  int samples_ = 0;
  GLuint framebuffer_ = 0, color_buffer_ = 0, depth_buffer_ = 0;
  GLuint resolve_framebuffer_ = 0, resolve_buffer_ = 0;
  GLuint vertex_array_ = 0, vertex_buffer_ = 0, index_buffer_ = 0;
  GLuint samplers_[2] = {0, 0};  // nearest, linear
  size_t vertex_cursor_ = 0, index_cursor_ = 0;
  bool orphan_vertices_ = true, orphan_indices_ = true;

  TDeviceState state_;
  TgkMatrix screen_projection_, camera_projection_;
  TgkMatrix projection_, device_view_, device_world_;
  std::vector<TgkCanvasLight> frame_lights_;
  std::array<float, 4> material_color_{};
  TgkTextureTransform texture_transform_;
  bool matrices_dirty_ = true, uniforms_dirty_ = true;

  std::vector<std::unique_ptr<TTexture>> owned_textures_;
  std::vector<TgkCanvasVertex> scratch_vertices_;
  std::vector<std::uint16_t> scratch_indices_;
  // FillMeshInBatches: the mesh vertices of the current draw, and each mesh vertex's number
  // in it (-1 when not in it). Kept between frames so drawing does not allocate.
  std::vector<std::uint32_t> batch_vertices_;
  std::vector<std::int32_t> batch_slot_;
  std::vector<std::unique_ptr<TglGlyphAtlas>> atlases_;
};

// Makes DefaultCanvasClass3D() create TgkOpenGLCanvas canvases.
void InstallOpenGLRenderer();
