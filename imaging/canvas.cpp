#include "imaging/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/bitmap.h"
#include "imaging/cairo_canvas.h"

namespace {

const TpmCanvasClass* g_default = nullptr;

// Trunc toward zero, kept inside [lo, hi] without overflowing on huge or NaN input.
int TruncClamped(float v, int lo, int hi) {
  if (!(v > static_cast<float>(lo))) return lo;
  if (v >= static_cast<float>(hi)) return hi;
  return static_cast<int>(v);
}

TpmPathData PolygonPath(const TpmPolygon& points, bool closed, TpmRect& bounds, bool& any) {
  TpmPathData path;
  bool start = true;
  any = false;
  for (const auto& p : points) {
    if (IsPolygonBreak(p)) {
      if (!start && closed) path.ClosePath();
      start = true;
      continue;
    }
    if (start)
      path.MoveTo(p);
    else
      path.LineTo(p);
    start = false;
    if (!any) {
      bounds = {p.X, p.Y, p.X, p.Y};
      any = true;
    } else {
      bounds.Left = std::min(bounds.Left, p.X);
      bounds.Top = std::min(bounds.Top, p.Y);
      bounds.Right = std::max(bounds.Right, p.X);
      bounds.Bottom = std::max(bounds.Bottom, p.Y);
    }
  }
  if (!start && closed) path.ClosePath();
  return path;
}

}  // namespace

TpmCanvas::TpmCanvas() {
  Font.OnChange = [this](TpmFont&) { FontChanged(); };
}

TpmCanvas::~TpmCanvas() = default;

void TpmCanvas::SetStrokeDash(TpmStrokeDash dash) {
  stroke_dash_ = dash;
  switch (dash) {
    case pqDashSolid:
      Dash.clear();
      break;
    case pqDashDash:
      Dash = {3, 1};
      break;
    case pqDashDot:
      Dash = {1, 1};
      break;
    case pqDashDashDot:
      Dash = {3, 1, 1, 1};
      break;
    case pqDashDashDotDot:
      Dash = {3, 1, 1, 1, 1, 1};
      break;
    case pqDashCustom:
      break;
  }
  DashOffset = 0;
}

void TpmCanvas::SetMatrix(const TpmMatrix& m) {
  matrix_ = m;
}

void TpmCanvas::MultiplyMatrix(const TpmMatrix& m) {
  matrix_ = m * matrix_;
}

uint32_t* TpmCanvas::GetBitmapScanline(TpmBitmap& bitmap, int y) {
  return bitmap.Scanline(y);
}

void TpmCanvas::FillPolygon(const TpmPolygon& points, float opacity) {
  TpmRect bounds;
  bool any;
  TpmPathData path = PolygonPath(points, true, bounds, any);
  if (any) FillPath(path, bounds, opacity);
}

void TpmCanvas::DrawPolygon(const TpmPolygon& points, float opacity) {
  TpmRect bounds;
  bool any;
  TpmPathData path = PolygonPath(points, false, bounds, any);
  if (any) DrawPath(path, bounds, opacity);
}

void TpmCanvas::Clear(uint32_t color) {
  uint32_t* bits = Bits();
  if (!bits) return;
  BeginDirectAccess();
  std::fill_n(bits, static_cast<size_t>(width_) * height_, color);
  EndDirectAccess();
}

void TpmCanvas::ClearRect(const TpmRect& rect, uint32_t color) {
  uint32_t* bits = Bits();
  if (!bits) return;
  const int l = TruncClamped(rect.Left, 0, width_);
  const int t = TruncClamped(rect.Top, 0, height_);
  const int r = TruncClamped(rect.Right, 0, width_);  // exclusive
  const int b = TruncClamped(rect.Bottom, 0, height_);
  if (l >= r || t >= b) return;
  BeginDirectAccess();
  for (int y = t; y < b; ++y)
    std::fill(bits + size_t(y) * width_ + l, bits + size_t(y) * width_ + r, color);
  EndDirectAccess();
}

void TpmCanvas::CopyBits(uint32_t* dest) {
  uint32_t* bits = Bits();
  if (!bits || !dest) return;
  BeginDirectAccess();
  std::memcpy(dest, bits, static_cast<size_t>(width_) * height_ * 4);
  EndDirectAccess();
}

const TpmCanvasClass& DefaultCanvasClass() {
  return g_default ? *g_default : CairoCanvasClass();
}

void SetDefaultCanvasClass(const TpmCanvasClass* cls) {
  g_default = cls;
}
