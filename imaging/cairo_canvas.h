// TpmCanvasCairo: the canvas implementation on Cairo (shapes, bitmaps) and Pango (text).
// A bound canvas wraps the bitmap's own pixel block as a CAIRO_FORMAT_ARGB32 image surface,
// which is exactly the premultiplied BGRA layout, so nothing is copied. That surface and its
// context are made at the first draw that needs Cairo: bitmaps drawn without rotation or
// clip go through the canvas's own resampler, so an icon render never loads Cairo at all.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/canvas.h"
#include "imaging/resample.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_matrix cairo_matrix_t;

class TpmCanvasCairo final : public TpmCanvas {
 public:
  // Surface mode: owns a width x height surface (sizes below 1 become 1).
  TpmCanvasCairo(int width, int height);
  // Bound mode: draws into bitmap's pixels until they are reallocated or freed.
  explicit TpmCanvasCairo(TpmBitmap& bitmap);
  ~TpmCanvasCairo() override;

  bool IsBound() const { return bound_; }
  // Whether Cairo holds a context for it yet (see above).
  bool HasContext() const { return cr_ != nullptr; }
  // The bitmap drawn into, nullptr in surface mode or once its pixels went away.
  TpmBitmap* BoundBitmap() const { return bitmap_; }
  // For the interface library's own painting (nullptr when there is no surface).
  cairo_t* Context() {
    Realize();
    return cr_;
  }

  void FontChanged() override;
  void FreeBuffer() override;
  void ResizeBuffer(int width, int height) override;
  void SetMatrix(const TpmMatrix& m) override;
  void MultiplyMatrix(const TpmMatrix& m) override;
  int SaveCanvas() override;
  void RestoreCanvas(int token) override;
  void SetClipRects(const std::vector<TpmRect>& rects) override;
  void IntersectClipRect(const TpmRect& rect) override;
  void ExcludeClipRect(const TpmRect& rect) override;
  void ResetClipRect() override;
  void DrawLine(const TpmPoint& p1, const TpmPoint& p2, float opacity) override;
  void FillRect(const TpmRect& rect, float xRadius, float yRadius, TpmCorners corners,
                float opacity, TpmCornerType cornerType = pqCornerRound) override;
  void DrawRect(const TpmRect& rect, float xRadius, float yRadius, TpmCorners corners,
                float opacity, TpmCornerType cornerType = pqCornerRound) override;
  void FillEllipse(const TpmRect& rect, float opacity) override;
  void DrawEllipse(const TpmRect& rect, float opacity) override;
  bool PtInPath(const TpmPoint& p, const TpmPathData& path, const TpmRect& rect) override;
  void FillPath(const TpmPathData& path, const TpmRect& rect, float opacity) override;
  void DrawPath(const TpmPathData& path, const TpmRect& rect, float opacity) override;
  void DrawBitmap(const TpmBitmap& bitmap, const TpmRect& srcRect, const TpmRect& dstRect,
                  float opacity, bool highSpeed = false) override;
  void DrawThumbnail(const TpmBitmap& bitmap, float width, float height) override;
  void FillText(const TpmRect& rect, const TpmRect& clipRect, const std::string& text,
                bool wordWrap, float opacity, TpmTextAlign hAlign,
                TpmTextAlign vAlign = pqTextAlignCenter) override;
  void MeasureText(TpmRect& rect, const TpmRect& clipRect, const std::string& text, bool wordWrap,
                   TpmTextAlign hAlign, TpmTextAlign vAlign = pqTextAlignCenter) override;
  void ApplyTextRendering(TpmTextRendering value) override;
  void TextToPolygon(const std::string& text, TpmPolygon& polygon, TpmPoint& size) override;
  uint32_t* Bits() override;

 protected:
  void BeginDirectAccess() override;
  void EndDirectAccess() override;

 private:
  struct SavedState {
    int platform = 0;  // cairo save depth of the entry; 0 = free
    TpmMatrix matrix;
    float strokeThickness = 0;
    std::unique_ptr<TpmBrush> stroke, fill;
  };
  enum class PaintKind { Fill, Stroke, Text };

  // Notes the pixels to wrap; the context follows at Realize.
  void MakeContext(unsigned char* data, int width, int height);
  // Makes the noted surface and context (false when there is none or Cairo refused it).
  bool Realize();
  void DestroyContext();
  void Unbind();
  void ApplyMatrix();
  // Ready to draw through Cairo (realized, with an invertible matrix).
  bool Ready();
  // Ready to draw, realized or not.
  bool Drawable() const { return (cr_ || pending_) && matrix_invertible_; }
  void Begin();
  void End();
  void PopPlatform(int depth);
  // Paints the current path (or, for text, the layout drawn by paintText) with brush.
  void PaintCurrent(TpmBrush& brush, const TpmRect& area, float opacity, PaintKind kind,
                    void (*paintText)(cairo_t*, void*) = nullptr, void* textData = nullptr);
  void AddRectPath(const TpmRect& rect, float xr, float yr, TpmCorners corners, TpmCornerType type);
  void AddEllipsePath(const TpmRect& rect);
  void AddPath(const TpmPathData& path, const TpmRect& rect);
  bool DrawBitmapFast(const TpmBitmap& bitmap, const TpmRect& srcRect, const TpmRect& dstRect,
                      float opacity, bool highSpeed);
  // The resampler's draw for device matrix m (axis-aligned) within the clip boxes.
  void DrawBitmapResampled(const TpmBitmap& bitmap, const TpmRect& srcRect, const TpmRect& dstRect,
                           const cairo_matrix_t& m, const std::vector<TpmPixelBox>& clip,
                           float opacity, bool highSpeed);
  // The family text is drawn with (after fallback), resolved when text first needs it.
  const std::string& FontFamily();

  bool bound_ = false;
  TpmBitmap* bitmap_ = nullptr;
  int release_handler_ = 0;
  std::unique_ptr<uint32_t[]> surface_pixels_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  // The pixels MakeContext noted while no context is made for them yet.
  unsigned char* pending_ = nullptr;
  int pending_width_ = 0, pending_height_ = 0;
  // The clip while there is no context, in whole device pixels (none: not clipped).
  std::optional<TpmPixelBox> pending_clip_;
  std::string font_family_;  // FontFamily(); empty until text needs it
  int text_antialias_ = 0;   // cairo_antialias_t
  bool matrix_invertible_ = true;
  int depth_ = 0;  // cairo_save nesting
  std::array<SavedState, CanvasSaveSlots> saved_;
};

// The class reference that makes TpmCanvasCairo canvases.
const TpmCanvasClass& CairoCanvasClass();
