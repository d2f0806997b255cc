// TgkCanvas: the abstract 3D drawing surface. Scene objects set matrices, a camera, lights,
// a material and render states on a canvas and ask it to draw; the canvas keeps the state
// that does not depend on the graphics platform and leaves device work to a descendant.
//
// Conventions every descendant honours:
// - Camera projection: MatrixPerspectiveFovRH(Pi/4, Width/Height, 1, 1000), depth 0..1.
// - Screen projection: a point (x, y, 0) in pixels (origin top-left, y down) lands on pixel
//   (x, y); other z are seen in perspective from an eye above the window centre.
// - Front faces appear clockwise to the viewer; rsCullCCW culls the others.
// - Blending: colour = src * src.a + dst * (1 - src.a) (normal) or src * src.a + dst
//   (additive); with Transparency, alpha = src.a + dst.a * (1 - src.a), so a frame drawn
//   over transparent black is premultiplied. Fragments with alpha 0 are discarded.
// - Frame order: ResetState, Lighting/Ambient, SetCamera, lights (AddLight), BeginScene
//   (stop when False), Clear and states, render passes, EndScene.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/persistent.h"
#include "scene/math.h"

class TEnumInfo;
class TgkBitmap;
class TgkLight;
class TgkMaterial;
class TgkMeshData;
class TgkScene;
class TgkVisualObject;

enum TgkQuality { gkLowQuality, gkHighQuality, gkSuperHighQuality };

enum TgkFontStyle { gkFontRegular, gkFontBold, gkFontItalic, gkFontBoldItalic };
const TEnumInfo& FontStyleInfo();

// Each value is a complete setting; values of one group exclude each other (see
// RenderStateGroup).
enum TgkRenderState : std::uint8_t {
  rsScreenMatrix = 0,
  rsCameraMatrix = 1,
  rsLightingOn = 2,
  rsLightingOff = 3,
  rsZTestOn = 4,
  rsZTestOff = 5,
  rsZWriteOn = 6,
  rsZWriteOff = 7,
  rsCullCCW = 8,
  rsCullCW = 9,
  rsCullNone = 10,
  rsBlendAdditive = 11,
  rsBlendNormal = 12,
  rsTexNearest = 13,
  rsTexLinear = 14,
  rsTexDisable = 15,
  rsTexReplace = 16,
  rsTexModulate = 17,
  rsFrameWire = 18,
  rsFrameSolid = 19,
  rsShadeFlat = 20,
  rsShadeGouraud = 21,
};
inline constexpr int kRenderStateCount = 22;

// The states that exclude State (State itself included); a cull state has only itself.
struct TgkRenderStateGroup {
  TgkRenderState first;
  int count;
};
TgkRenderStateGroup RenderStateGroup(TgkRenderState state);
const char* RenderStateName(TgkRenderState state);

// The canvas's own font for the text operations (published Family, Size, Style). Setters
// notify only on a real change.
class TgkFont : public TPersistent {
  FM_CLASS(TgkFont, TPersistent)

 public:
  static constexpr const char* kDefaultFamily = "Tahoma";
  static constexpr int kDefaultSize = 12;

  const std::string& Family() const { return family_; }
  int Size() const { return size_; }
  TgkFontStyle Style() const { return style_; }
  void SetFamily(const std::string& family);
  void SetSize(int size);
  void SetStyle(TgkFontStyle style);
  // Copies the three values, notifying once when any changed.
  void Assign(const TgkFont& source);
  void Assign(const TPersistent& source) override;

  // Stored only when they differ from the defaults.
  bool FamilyStored() const { return family_ != kDefaultFamily; }
  bool SizeStored() const { return size_ != kDefaultSize; }

  std::function<void()> OnChange;

 private:
  void Changed();

  std::string family_ = kDefaultFamily;
  int size_ = kDefaultSize;
  TgkFontStyle style_ = gkFontRegular;
};

// The window a window canvas draws into. The platform window layer derives from it and
// hands its rendering context to the renderer (which casts to the kind it understands).
class TgkCanvasWindow {
 public:
  virtual ~TgkCanvasWindow() = default;
};

// One vertex of every draw, 36 bytes: position, normal, ARGB colour, texture coordinates.
struct TgkCanvasVertex {
  float X, Y, Z;
  float NX, NY, NZ;
  std::uint32_t Color;
  float U, V;
};
static_assert(sizeof(TgkCanvasVertex) == 36);

// Per-canvas buffer limits of one draw. FillMesh draws a larger mesh in several draws
// within them; the other draws keep within them.
inline constexpr int kCanvasMaxVertices = 65535;
inline constexpr int kCanvasMaxIndices = 131070;

// A light as BeginScene sets it up, in absolute (scene) space.
enum class TgkCanvasLightKind { Directional, Point, Spot };
struct TgkCanvasLight {
  TgkCanvasLightKind kind = TgkCanvasLightKind::Directional;
  TgkVector position;   // the light's absolute position (W = 1)
  TgkVector direction;  // its absolute +Y axis, normalised (W = 0)
};
// The fixed parameters every light gets.
inline constexpr float kLightRange = 100.0f;
inline constexpr float kLightAmbient = 105.0f / 255.0f;  // 0x69 grey
inline constexpr float kPointLightLinearAttenuation = 0.2f;
inline constexpr float kSpotInnerCone = 0.5f;  // full angles in radians
inline constexpr float kSpotOuterCone = 1.0f;

// The texture-coordinate transform a material asks for: u' = u * ScaleU + OffsetU.
struct TgkTextureTransform {
  bool enabled = false;
  float ScaleU = 1, ScaleV = 1, OffsetU = 0, OffsetV = 0;
};

// A platform texture handle; 0 is none.
using TgkTexture = std::uintptr_t;

// A part of a larger frame (TgkCanvas::SetFrameTile).
struct TgkFrameTile {
  int FrameWidth = 0;
  int FrameHeight = 0;
  int Left = 0;
  int Top = 0;
  // The part of the canvas that is wanted, from its upper-left corner (0: all of it): the
  // canvas stores only that part, so a tile at the edge of what a picture needs is not read
  // whole.
  int UsedWidth = 0;
  int UsedHeight = 0;
};

class TgkCanvas {
 public:
  virtual ~TgkCanvas();
  TgkCanvas(const TgkCanvas&) = delete;
  TgkCanvas& operator=(const TgkCanvas&) = delete;

  // ---- Fields ----
  bool Lighting() const { return lighting_; }
  void SetLighting(bool lighting) { lighting_ = lighting; }
  std::uint32_t Ambient() const { return ambient_; }
  void SetAmbient(std::uint32_t color) { ambient_ = color; }
  // The canvas's own material; a change brings it into effect (ApplyMaterial).
  TgkMaterial& Material() { return *material_; }
  TgkFont& Font() { return font_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  TgkCanvasWindow* ParentWindow() const { return window_; }
  TgkBitmap* Bitmap() const { return bitmap_; }
  TgkScene* Scene() const { return scene_; }
  void SetScene(TgkScene* scene) { scene_ = scene; }
  bool Transparency() const { return transparency_; }
  TgkQuality Quality() const { return quality_; }
  // True while State is known to be in effect (the render-state cache).
  bool StateSet(TgkRenderState state) const { return state_flags_[state]; }
  const std::vector<TgkLight*>& Lights() const { return lights_; }
  TgkVisualObject* Camera() const { return camera_; }
  const TgkMatrix& View() const { return view_; }
  const TgkMatrix& InverseView() const { return inverse_view_; }
  const TgkMatrix& World() const { return world_; }
  // Transparent window canvases: the last frame, Width x Height ARGB, rows top to bottom.
  const std::vector<std::uint32_t>& PixelBuffer() const { return pixel_buffer_; }
  // Bitmap canvases: where EndScene stores the frame (Width x Height premultiplied ARGB words,
  // rows top first, stride words from one row to the next: 0 for Width) instead of the
  // bitmap's pixels, so a caller that wants the frame in its own buffer, or in a part of a
  // larger picture, is spared a copy; nullptr stores into the bitmap again.
  std::uint32_t* FrameDestination() const { return frame_destination_; }
  int FrameDestinationStride() const { return frame_stride_ > 0 ? frame_stride_ : Width(); }
  void SetFrameDestination(std::uint32_t* pixels, int stride = 0) {
    frame_destination_ = pixels;
    frame_stride_ = stride;
  }

  // ---- Virtual operations ----
  // Brings Material into effect; the base does nothing.
  virtual void ApplyMaterial() {}
  // Prepares a quick switch to State; called for all states after the device is (re)made.
  virtual void PrepareState(TgkRenderState state) = 0;
  // Puts State into effect on the device.
  virtual void ApplyState(TgkRenderState state) = 0;
  // Perspective through the camera: fov Pi/4, aspect Width/Height, near 1, far 1000; with a
  // frame tile, the part of the larger frame the tile names.
  virtual TgkMatrix GetProjectionMatrix() const;
  // Makes the camera frames show only a part of a larger frame: the pixels Left .. Left +
  // Width and Top .. Top + Height of a FrameWidth x FrameHeight frame, as the canvas would
  // show that whole frame at that size, stretched to the canvas. A large picture can then be
  // rendered in tiles of the canvas's size. FrameWidth 0 (the start value) shows the whole
  // frame.
  void SetFrameTile(const TgkFrameTile& tile) {
    tile_ = tile;
    PrepareState(rsCameraMatrix);  // descendants keep the projection made there
  }
  const TgkFrameTile& FrameTile() const { return tile_; }
  // The wanted part of the frame (TgkFrameTile::UsedWidth, UsedHeight), within the canvas.
  int UsedWidth() const { return tile_.UsedWidth > 0 ? std::min(tile_.UsedWidth, width_) : width_; }
  int UsedHeight() const {
    return tile_.UsedHeight > 0 ? std::min(tile_.UsedHeight, height_) : height_;
  }
  // Pixels, origin top-left, y down, pixel-exact in the plane z = 0.
  virtual TgkMatrix GetScreenMatrix() const;
  // Makes sure Bitmap has an up-to-date texture. The base registers the canvas as a texture
  // holder of a bitmap with pixels and only clears NeedsUpload of an empty one.
  virtual void UpdateBitmap(TgkBitmap& bitmap);
  // Drops the texture of Bitmap and the canvas from its holders.
  virtual void FreeBitmap(TgkBitmap& bitmap) = 0;
  virtual void SetQuality(TgkQuality quality) { quality_ = quality; }
  // Starts a frame; False means nothing may be drawn this frame.
  virtual bool BeginScene() { return false; }
  // Finishes the frame: shows it (window) or stores it in the bitmap's pixels.
  virtual void EndScene() {}
  // Releases every platform resource.
  virtual void FreeBuffer();
  // Sizes below 1 become 1; recreates the surfaces and prepares all states again.
  virtual void ResizeBuffer(int width, int height);
  // Colour target := Color (ARGB, straight), depth := far.
  virtual void Clear(std::uint32_t color) = 0;
  // Depth := far, the colours kept.
  virtual void ClearDepth() {}
  // Copies Width x Height ARGB pixels into the target after clearing depth.
  virtual void CopyPixels(const std::uint32_t* pixels) = 0;
  // World := M, also the device's object transform.
  virtual void SetMatrix(const TgkMatrix& m);

  // One segment in the current matrix space in ColorWithOpacity(Material Diffuse, Opacity).
  virtual void DrawLine(const TgkVector& start, const TgkVector& finish, float opacity) = 0;
  // The twelve edges of the box Center +- Size/2, each through DrawLine.
  virtual void DrawCube(const TgkVector& center, const TgkVector& size, float opacity);
  // The solid box: six faces with flat normals and texture coordinates 0..1 over each.
  virtual void FillCube(const TgkVector& center, const TgkVector& size, float opacity) = 0;
  // The whole mesh, however large, with positions scaled component-wise by Size (Center
  // unused); in the screen projection x and y are snapped to whole pixels.
  virtual void FillMesh(const TgkVector& center, const TgkVector& size, float opacity,
                        const TgkMeshData& mesh) = 0;
  // The first Count points of Polygon extruded into a solid (see BuildPolygonSolid).
  virtual void FillPolygon(const TgkVector& center, const TgkVector& size, float opacity, int count,
                           const TgkPolygon& polygon) = 0;
  // One line of UTF-8 Text in Font, top-left at (X, Y): pixels in the screen projection,
  // 0.02 units per font pixel in the local XZ plane in the camera projection.
  virtual void FillText(const std::string& text, float x, float y, float opacity) = 0;
  // Width of Text set on one line and the line height, in font pixels; (0, 0, 0) for "".
  // Characters below 32 are skipped.
  virtual TgkPoint MeasureText(const std::string& text) = 0;
  // The outline of Text at size 72 as contours separated by break points, y growing
  // upward; returns the outline's extent.
  virtual TgkPoint TextToPolygon(const std::string& text, TgkPolygon& polygon) = 0;

  // ---- Non-virtual operations ----
  // All state flags cleared, View := identity, SetMatrix(identity), Lights emptied,
  // Material Diffuse, Ambient and Bitmap cleared without notification.
  void ResetState();
  // Camera := camera; View looks from its absolute position along its absolute +Y, +Z up.
  void SetCamera(TgkVisualObject* camera);
  void AddLight(TgkLight* light);
  // Applies State unless the cache says it is in effect; clears the rest of its group.
  void SetRenderState(TgkRenderState state);
  // The ray through pixel (X, Y) in the screen or the camera projection.
  void PickRay(bool screen, TgkVector& ray_pos, TgkVector& ray_dir, float x, float y) const;

  // The texture table: at most one texture per bitmap.
  TgkTexture TextureOf(const TgkBitmap* bitmap) const;
  void AddTexture(TgkBitmap* bitmap, TgkTexture texture);  // only when not yet present
  void SetTexture(TgkBitmap* bitmap, TgkTexture texture);  // replaces the entry
  void RemoveTexture(TgkBitmap* bitmap);
  // Another canvas uploaded Bitmap and cleared its NeedsUpload: this canvas's texture of it
  // is out of date all the same.
  void MarkTextureStale(TgkBitmap* bitmap);
  const std::vector<std::pair<TgkBitmap*, TgkTexture>>& Textures() const { return textures_; }

 protected:
  // Window canvas; with Transparency also the pixel buffer.
  TgkCanvas(TgkCanvasWindow* window, int width, int height, bool transparency, TgkQuality quality);
  // Bitmap canvas: the bitmap's size (at least 1), Transparency on, low quality.
  explicit TgkCanvas(TgkBitmap& bitmap);

  // Descendants call this first in their destructor: FreeBitmap for every bitmap in the
  // texture table while the descendant still exists.
  void FreeAllTextures();
  // Forgets the textures of every bitmap without device work (after a device loss).
  void ForgetAllTextures();
  std::vector<std::uint32_t>& MutablePixelBuffer() { return pixel_buffer_; }
  // True (once) when another canvas marked the texture of Bitmap stale.
  bool TakeTextureStale(TgkBitmap* bitmap);
  // After uploading Bitmap: the other canvases holding a texture of it must upload too.
  void TellOtherHolders(TgkBitmap& bitmap);

  // The lights of the next frame in absolute space, as BeginScene sets them up.
  std::vector<TgkCanvasLight> LightSetup() const;

  // ApplyMaterial's platform-independent part. Runs UpdateBitmap on the material's bitmap
  // and returns its bitmap when it has a texture (else nullptr), with the transform.
  TgkBitmap* MaterialTexture(TgkTextureTransform& transform);
  // Sets the texture, shade, fill and lighting states the material asks for.
  void SetMaterialStates(bool textured);

  // Geometry shared by the descendants; Color is written into every vertex.
  static void BuildCube(const TgkVector& center, const TgkVector& size, std::uint32_t color,
                        std::vector<TgkCanvasVertex>& vertices,
                        std::vector<std::uint16_t>& indices);
  // The extruded solid of FillPolygon: the polygon's x, y normalised to its bounding box
  // and scaled by Size.X, Size.Y about Center, caps at Center.Z +- Size.Z/2 facing out,
  // sides joining the contours (nested contours are holes, even-odd); texture coordinates
  // 0.02 + 0.96 * the normalised position.
  static void BuildPolygonSolid(const TgkVector& center, const TgkVector& size, std::uint32_t color,
                                int count, const TgkPolygon& polygon,
                                std::vector<TgkCanvasVertex>& vertices,
                                std::vector<std::uint16_t>& indices);

 private:
  void Init();
  void DetachFromTextureHolders();

  bool lighting_ = true;
  std::uint32_t ambient_ = 0;
  std::unique_ptr<TgkMaterial> material_;
  TgkFont font_;
  int width_ = 1;
  int height_ = 1;
  TgkCanvasWindow* window_ = nullptr;
  TgkBitmap* bitmap_ = nullptr;
  TgkScene* scene_ = nullptr;
  bool transparency_ = false;
  TgkQuality quality_ = gkLowQuality;
  TgkFrameTile tile_;
  std::array<bool, kRenderStateCount> state_flags_{};
  std::vector<TgkLight*> lights_;
  TgkVisualObject* camera_ = nullptr;
  TgkMatrix view_;
  TgkMatrix inverse_view_;
  TgkMatrix world_;
  std::vector<std::pair<TgkBitmap*, TgkTexture>> textures_;
  std::vector<TgkBitmap*> stale_textures_;
  std::vector<std::uint32_t> pixel_buffer_;
  std::uint32_t* frame_destination_ = nullptr;
  int frame_stride_ = 0;
};

// The canvas implementation, as the 3D library's class reference. Bitmaps and the scene host
// create their canvases only through DefaultCanvasClass3D().
class TgkCanvasClass {
 public:
  virtual ~TgkCanvasClass() = default;
  virtual std::unique_ptr<TgkCanvas> CreateFromWindow(TgkCanvasWindow* window, int width,
                                                      int height, bool transparency,
                                                      TgkQuality quality) const = 0;
  virtual std::unique_ptr<TgkCanvas> CreateFromBitmap(TgkBitmap& bitmap) const = 0;
};

// Without a renderer installed this makes canvases with no device: BeginScene reports False
// and nothing is drawn, but states, matrices and picking still work.
const TgkCanvasClass& DefaultCanvasClass3D();
void SetDefaultCanvasClass3D(const TgkCanvasClass* cls);
// Whether a renderer has installed its canvas class (else canvases have no device).
bool RendererInstalled();
