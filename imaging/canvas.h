// TpmCanvas: the 2D drawing surface. Bound to a TpmBitmap it draws straight into the
// bitmap's own pixels (premultiplied BGRA); in surface mode it owns a 32-bit surface of the
// same layout. All canvases are made through the class reference DefaultCanvasClass().
// Drawing calls never raise: a failed draw leaves the target unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/brush.h"
#include "imaging/font.h"
#include "imaging/geometry.h"
#include "imaging/path_data.h"

class TpmBitmap;

enum TpmStrokeCap { pqCapFlat, pqCapRound };
enum TpmStrokeJoin { pqJoinMiter, pqJoinRound, pqJoinBevel };
enum TpmStrokeDash {
  pqDashSolid,
  pqDashDash,
  pqDashDot,
  pqDashDashDot,
  pqDashDashDotDot,
  pqDashCustom
};

// A set of corners (bit flags).
using TpmCorners = unsigned;
inline constexpr TpmCorners pqCornerTopLeft = 1;
inline constexpr TpmCorners pqCornerTopRight = 2;
inline constexpr TpmCorners pqCornerBottomLeft = 4;
inline constexpr TpmCorners pqCornerBottomRight = 8;
inline constexpr TpmCorners pqAllCorners = 15;

enum TpmCornerType { pqCornerRound, pqCornerBevel, pqCornerInnerRound, pqCornerInnerLine };
enum TpmTextAlign { pqTextAlignCenter, pqTextAlignNear, pqTextAlignFar };
enum TpmTextRendering { pqAntiAlias, pqLowQuality, pqClearType };

// Saved states beyond this many keep only the platform state (token >= SaveTokenOverflow).
inline constexpr int CanvasSaveSlots = 200;
inline constexpr int SaveTokenOverflow = 1000;

class TpmCanvas {
 public:
  virtual ~TpmCanvas();
  TpmCanvas(const TpmCanvas&) = delete;
  TpmCanvas& operator=(const TpmCanvas&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Brush for fills and text (default solid white) and for outlines (default solid black).
  TpmBrush Fill{pqBrushSolid, 0xFFFFFFFF};
  TpmBrush Stroke{pqBrushSolid, 0xFF000000};
  float StrokeThickness = 0;  // pixels in user space; 0 draws hairlines one pixel wide
  TpmStrokeCap StrokeCap = pqCapFlat;
  TpmStrokeJoin StrokeJoin = pqJoinMiter;
  // Dash pattern in units of the pen width; empty = solid.
  std::vector<float> Dash;
  float DashOffset = 0;
  // Changing the font re-creates the platform font (FontChanged).
  TpmFont Font;

  TpmStrokeDash StrokeDash() const { return stroke_dash_; }
  // Fills Dash from the preset (Custom keeps it) and resets DashOffset.
  void SetStrokeDash(TpmStrokeDash dash);

  const TpmMatrix& Matrix() const { return matrix_; }
  virtual void SetMatrix(const TpmMatrix& m);
  // Prepends m: m is applied to coordinates before the current transform.
  virtual void MultiplyMatrix(const TpmMatrix& m);

  virtual void FontChanged() = 0;
  // Surface mode: release / re-create the surface (sizes below 1 become 1).
  virtual void FreeBuffer() = 0;
  virtual void ResizeBuffer(int width, int height) = 0;
  static uint32_t* GetBitmapScanline(TpmBitmap& bitmap, int y);

  virtual int SaveCanvas() = 0;
  virtual void RestoreCanvas(int token) = 0;

  // Clip rectangles are in user coordinates (through the current transform).
  virtual void SetClipRects(const std::vector<TpmRect>& rects) = 0;
  virtual void IntersectClipRect(const TpmRect& rect) = 0;
  virtual void ExcludeClipRect(const TpmRect& rect) = 0;
  virtual void ResetClipRect() = 0;

  virtual void DrawLine(const TpmPoint& p1, const TpmPoint& p2, float opacity) = 0;
  virtual void FillRect(const TpmRect& rect, float xRadius, float yRadius, TpmCorners corners,
                        float opacity, TpmCornerType cornerType = pqCornerRound) = 0;
  virtual void DrawRect(const TpmRect& rect, float xRadius, float yRadius, TpmCorners corners,
                        float opacity, TpmCornerType cornerType = pqCornerRound) = 0;
  virtual void FillEllipse(const TpmRect& rect, float opacity) = 0;
  virtual void DrawEllipse(const TpmRect& rect, float opacity) = 0;
  // The path is fitted to rect (its bounds mapped onto rect).
  virtual bool PtInPath(const TpmPoint& p, const TpmPathData& path, const TpmRect& rect) = 0;
  virtual void FillPath(const TpmPathData& path, const TpmRect& rect, float opacity) = 0;
  virtual void DrawPath(const TpmPathData& path, const TpmRect& rect, float opacity) = 0;
  // Source-over in premultiplied terms; opacity scales the source alpha; highSpeed selects
  // nearest-neighbour sampling, otherwise shrinking averages every covered source pixel.
  virtual void DrawBitmap(const TpmBitmap& bitmap, const TpmRect& srcRect, const TpmRect& dstRect,
                          float opacity, bool highSpeed = false) = 0;
  // The whole bitmap at (0, 0), scaled uniformly by width / bitmap width (height unused).
  virtual void DrawThumbnail(const TpmBitmap& bitmap, float width, float height) = 0;
  // Contours are split at PolygonBreak points; fitted to their own bounding box.
  virtual void FillPolygon(const TpmPolygon& points, float opacity);
  virtual void DrawPolygon(const TpmPolygon& points, float opacity);

  // Text is UTF-8. clipRect is accepted for compatibility and not used.
  virtual void FillText(const TpmRect& rect, const TpmRect& clipRect, const std::string& text,
                        bool wordWrap, float opacity, TpmTextAlign hAlign,
                        TpmTextAlign vAlign = pqTextAlignCenter) = 0;
  // Replaces rect by the bounds of the laid-out text.
  virtual void MeasureText(TpmRect& rect, const TpmRect& clipRect, const std::string& text,
                           bool wordWrap, TpmTextAlign hAlign,
                           TpmTextAlign vAlign = pqTextAlignCenter) = 0;
  virtual void ApplyTextRendering(TpmTextRendering value) = 0;
  // Outline of the text at size 72 (y down), flattened with tolerance 0.25; size = extent.
  virtual void TextToPolygon(const std::string& text, TpmPolygon& polygon, TpmPoint& size) = 0;

  // Whole-surface pixel operations (bound mode: the bitmap's pixels).
  void Clear(uint32_t color);
  // Truncated rect, right and bottom exclusive, clamped to the surface.
  void ClearRect(const TpmRect& rect, uint32_t color);
  // Copies Width x Height pixels to dest (stride Width).
  void CopyBits(uint32_t* dest);
  // The pixels drawn into (nullptr when there are none), stride Width.
  virtual uint32_t* Bits() = 0;

 protected:
  TpmCanvas();
  void SetSize(int width, int height) {
    width_ = width;
    height_ = height;
  }
  // Stores the transform without touching the platform (restore of saved states).
  void StoreMatrix(const TpmMatrix& m) { matrix_ = m; }
  // Called around direct writes to Bits() so the platform drops stale caches.
  virtual void BeginDirectAccess() {}
  virtual void EndDirectAccess() {}

 private:
  int width_ = 0;
  int height_ = 0;
  TpmMatrix matrix_;
  TpmStrokeDash stroke_dash_ = pqDashSolid;
};

// A canvas implementation, as the class reference of the 2D library.
class TpmCanvasClass {
 public:
  virtual ~TpmCanvasClass() = default;
  virtual std::unique_ptr<TpmCanvas> Create(int width, int height) const = 0;
  virtual std::unique_ptr<TpmCanvas> CreateFromBitmap(TpmBitmap& bitmap) const = 0;
};

// The Cairo canvas unless another implementation was set.
const TpmCanvasClass& DefaultCanvasClass();
// nullptr returns to the built-in implementation.
void SetDefaultCanvasClass(const TpmCanvasClass* cls);
