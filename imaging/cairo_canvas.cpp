#include "imaging/cairo_canvas.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <stdexcept>

#include "core/text_helpers.h"
#include "imaging/bitmap.h"
#include "imaging/resample.h"

namespace {

constexpr int kMaxSurfaceSide = 32767;  // Cairo's image surface limit

// Filled here rather than by cairo_matrix_init: a canvas without a context must not load
// Cairo for it.
cairo_matrix_t ToCairo(const TpmMatrix& m) {
  cairo_matrix_t c;
  c.xx = m.M[0][0];
  c.yx = m.M[0][1];
  c.xy = m.M[1][0];
  c.yy = m.M[1][1];
  c.x0 = m.M[2][0];
  c.y0 = m.M[2][1];
  return c;
}

// What cairo_matrix_invert accepts: a finite, non-zero determinant.
bool Invertible(const cairo_matrix_t& m) {
  const double det = m.xx * m.yy - m.yx * m.xy;
  return std::isfinite(det) && det != 0;
}

TpmPixelBox Intersection(TpmPixelBox a, const TpmPixelBox& b) {
  a.Left = std::max(a.Left, b.Left);
  a.Top = std::max(a.Top, b.Top);
  a.Right = std::min(a.Right, b.Right);
  a.Bottom = std::min(a.Bottom, b.Bottom);
  return a;
}

bool Finite(const cairo_matrix_t& m) {
  return std::isfinite(m.xx) && std::isfinite(m.yx) && std::isfinite(m.xy) && std::isfinite(m.yy) &&
         std::isfinite(m.x0) && std::isfinite(m.y0);
}

bool FiniteRect(const TpmRect& r) {
  return std::isfinite(r.Left) && std::isfinite(r.Top) && std::isfinite(r.Right) &&
         std::isfinite(r.Bottom);
}

// Straight colour with its alpha scaled by opacity (truncated, unchanged at opacity >= 1).
void ColorComponents(uint32_t color, float opacity, double rgba[4]) {
  uint32_t a = color >> 24;
  if (opacity < 1) a = static_cast<uint32_t>(a * std::max(0.0f, opacity));
  rgba[0] = ((color >> 16) & 0xFF) / 255.0;
  rgba[1] = ((color >> 8) & 0xFF) / 255.0;
  rgba[2] = (color & 0xFF) / 255.0;
  rgba[3] = a / 255.0;
}

void AddStop(cairo_pattern_t* pattern, double offset, uint32_t color, float opacity) {
  double c[4];
  ColorComponents(color, opacity, c);
  cairo_pattern_add_color_stop_rgba(pattern, offset, c[0], c[1], c[2], c[3]);
}

void AddStops(cairo_pattern_t* pattern, const TpmGradient& g, float opacity, bool pad) {
  std::vector<TpmGradientPoint> points = g.Points;
  std::stable_sort(points.begin(), points.end(),
                   [](const auto& a, const auto& b) { return a.Offset < b.Offset; });
  if (pad && points.front().Offset > 0) AddStop(pattern, 0, points.front().Color, opacity);
  for (const auto& p : points)
    AddStop(pattern, std::clamp<double>(p.Offset, 0, 1), p.Color, opacity);
  if (pad && points.back().Offset < 1) AddStop(pattern, 1, points.back().Color, opacity);
}

cairo_surface_t* SurfaceOver(const TpmBitmap& bitmap) {
  return cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(bitmap.Pixels())), CAIRO_FORMAT_ARGB32,
      bitmap.Width(), bitmap.Height(), bitmap.Width() * 4);
}

// Lower-case names of the font families fontconfig knows, read once.
const std::set<std::string>& KnownFamilies() {
  static const std::set<std::string> names = [] {
    std::set<std::string> out;
    PangoFontFamily** families = nullptr;
    int count = 0;
    pango_font_map_list_families(pango_cairo_font_map_get_default(), &families, &count);
    for (int i = 0; i < count; ++i) {
      out.insert(LowerCase(pango_font_family_get_name(families[i])));
    }
    g_free(families);
    return out;
  }();
  return names;
}

struct LayoutDeleter {
  void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutDeleter>;

// A text layout in the canvas font; wrapWidth <= 0 means one line per paragraph.
LayoutPtr MakeLayout(cairo_t* cr, const std::string& family, const TpmFont& font, int antialias,
                     const std::string& text, double wrapWidth, TpmTextAlign hAlign) {
  LayoutPtr layout(pango_cairo_create_layout(cr));
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, static_cast<cairo_antialias_t>(antialias));
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  if (antialias == CAIRO_ANTIALIAS_NONE)
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout.get()), options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(layout.get());

  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, family.c_str());
  // Pango keeps sizes as integers in 1/1024 units: keep them in a sane range.
  const double size = std::clamp<double>(std::isfinite(font.Size()) ? font.Size() : 1, 1, 4096);
  pango_font_description_set_absolute_size(desc, size * PANGO_SCALE);
  const TpmFontStyle style = font.Style();
  pango_font_description_set_weight(desc, style == pqFontBold || style == pqFontBoldItalic
                                              ? PANGO_WEIGHT_BOLD
                                              : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(desc, style == pqFontItalic || style == pqFontBoldItalic
                                             ? PANGO_STYLE_ITALIC
                                             : PANGO_STYLE_NORMAL);
  pango_layout_set_font_description(layout.get(), desc);
  pango_font_description_free(desc);
  if (style == pqFontUnderline || style == pqFontStrikeout) {
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, style == pqFontUnderline
                                      ? pango_attr_underline_new(PANGO_UNDERLINE_SINGLE)
                                      : pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout.get(), attrs);
    pango_attr_list_unref(attrs);
  }
  if (wrapWidth > 0) {
    pango_layout_set_width(layout.get(),
                           static_cast<int>(std::min(wrapWidth, 1.0e6) * PANGO_SCALE));
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    pango_layout_set_alignment(layout.get(), hAlign == pqTextAlignCenter ? PANGO_ALIGN_CENTER
                                             : hAlign == pqTextAlignFar  ? PANGO_ALIGN_RIGHT
                                                                         : PANGO_ALIGN_LEFT);
  }
  // Text that is not valid UTF-8 shows replacement characters instead of being refused.
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
  } else {
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    pango_layout_set_text(layout.get(), valid, -1);
    g_free(valid);
  }
  return layout;
}

double AlignOffset(TpmTextAlign align, double space) {
  return align == pqTextAlignCenter ? space / 2 : align == pqTextAlignFar ? space : 0;
}

// Where a layout goes in rect and the box its text covers, in user coordinates.
struct TextPlacement {
  double x = 0, y = 0;  // layout origin
  TpmRect bounds;
};

TextPlacement PlaceLayout(PangoLayout* layout, const TpmRect& rect, bool wrapped,
                          TpmTextAlign hAlign, TpmTextAlign vAlign) {
  PangoRectangle ink, logical;
  pango_layout_get_extents(layout, &ink, &logical);
  const double lx = logical.x / double(PANGO_SCALE), ly = logical.y / double(PANGO_SCALE);
  const double lw = logical.width / double(PANGO_SCALE), lh = logical.height / double(PANGO_SCALE);
  TextPlacement p;
  // A wrapped layout aligns its lines inside the rect width itself.
  const double left = wrapped ? rect.Left + lx : rect.Left + AlignOffset(hAlign, rect.Width() - lw);
  const double top = rect.Top + AlignOffset(vAlign, rect.Height() - lh);
  p.x = left - lx;
  p.y = top - ly;
  p.bounds = {static_cast<float>(left), static_cast<float>(top), static_cast<float>(left + lw),
              static_cast<float>(top + lh)};
  return p;
}

class CairoClass final : public TpmCanvasClass {
 public:
  std::unique_ptr<TpmCanvas> Create(int width, int height) const override {
    return std::make_unique<TpmCanvasCairo>(width, height);
  }
  std::unique_ptr<TpmCanvas> CreateFromBitmap(TpmBitmap& bitmap) const override {
    return std::make_unique<TpmCanvasCairo>(bitmap);
  }
};

}  // namespace

const TpmCanvasClass& CairoCanvasClass() {
  static const CairoClass instance;
  return instance;
}

// ---- lifetime -------------------------------------------------------------------------

TpmCanvasCairo::TpmCanvasCairo(int width, int height) {
  text_antialias_ = CAIRO_ANTIALIAS_GRAY;
  ResizeBuffer(width, height);
  FontChanged();
}

TpmCanvasCairo::TpmCanvasCairo(TpmBitmap& bitmap) : bound_(true), bitmap_(&bitmap) {
  text_antialias_ = CAIRO_ANTIALIAS_GRAY;
  SetSize(bitmap.Width(), bitmap.Height());
  release_handler_ = bitmap.AddReleaseHandler([this](TpmBitmap&) { Unbind(); });
  MakeContext(reinterpret_cast<unsigned char*>(bitmap.Pixels()), bitmap.Width(), bitmap.Height());
  FontChanged();
}

TpmCanvasCairo::~TpmCanvasCairo() {
  Font.OnChange = nullptr;
  if (bitmap_) bitmap_->RemoveReleaseHandler(release_handler_);
  DestroyContext();
}

void TpmCanvasCairo::MakeContext(unsigned char* data, int width, int height) {
  DestroyContext();
  if (width > kMaxSurfaceSide || height > kMaxSurfaceSide) return;  // draws do nothing
  pending_ = data;
  pending_width_ = width;
  pending_height_ = height;
  ApplyMatrix();
}

bool TpmCanvasCairo::Realize() {
  if (cr_) return true;
  if (!pending_) return false;
  unsigned char* data = pending_;
  const int width = pending_width_, height = pending_height_;
  pending_ = nullptr;
  surface_ =
      cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, width, height, width * 4);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
    DestroyContext();
    return false;
  }
  cr_ = cairo_create(surface_);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
    DestroyContext();
    return false;
  }
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_GOOD);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  depth_ = 0;
  for (auto& s : saved_) s = SavedState();
  if (pending_clip_) {  // the clip so far goes to the context, in device pixels
    const TpmPixelBox& box = *pending_clip_;
    if (box.Left < box.Right && box.Top < box.Bottom) {
      cairo_rectangle(cr_, box.Left, box.Top, box.Right - box.Left, box.Bottom - box.Top);
    }
    cairo_clip(cr_);  // an empty path clips everything
    pending_clip_.reset();
  }
  ApplyMatrix();
  return true;
}

void TpmCanvasCairo::DestroyContext() {
  if (cr_) cairo_destroy(cr_);
  if (surface_) {
    cairo_surface_finish(surface_);
    cairo_surface_destroy(surface_);
  }
  cr_ = nullptr;
  surface_ = nullptr;
  pending_ = nullptr;
  pending_clip_.reset();
  depth_ = 0;
  for (auto& s : saved_) s = SavedState();
}

void TpmCanvasCairo::Unbind() {
  DestroyContext();
  bitmap_ = nullptr;
}

void TpmCanvasCairo::FreeBuffer() {
  if (bound_) return;
  DestroyContext();
  surface_pixels_.reset();
}

void TpmCanvasCairo::ResizeBuffer(int width, int height) {
  if (bound_) return;
  width = std::max(width, 1);
  height = std::max(height, 1);
  FreeBuffer();
  if (width > kMaxSurfaceSide || height > kMaxSurfaceSide)
    throw std::runtime_error("Can't allocate the DIB handle");
  surface_pixels_ = std::make_unique<uint32_t[]>(static_cast<size_t>(width) * height);
  SetSize(width, height);
  // A surface canvas paints the interface through Cairo: its context is made at once.
  MakeContext(reinterpret_cast<unsigned char*>(surface_pixels_.get()), width, height);
  if (!Realize()) {
    surface_pixels_.reset();
    throw std::runtime_error("Can't create compatible DC");
  }
}

uint32_t* TpmCanvasCairo::Bits() {
  if (bound_) return bitmap_ ? bitmap_->Pixels() : nullptr;
  return surface_pixels_.get();
}

void TpmCanvasCairo::BeginDirectAccess() {
  if (surface_) cairo_surface_flush(surface_);
}

void TpmCanvasCairo::EndDirectAccess() {
  if (surface_) cairo_surface_mark_dirty(surface_);
}

bool TpmCanvasCairo::Ready() {
  return Realize() && matrix_invertible_;
}

void TpmCanvasCairo::Begin() {
  if (!cr_) return;  // the pixels are all there is
  // Someone may have written the pixels directly since the last draw.
  cairo_surface_mark_dirty(surface_);
  cairo_new_path(cr_);
}

void TpmCanvasCairo::End() {
  if (!cr_) return;
  cairo_new_path(cr_);
  cairo_surface_flush(surface_);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
    // An error status is sticky in Cairo: start a fresh context, losing saved states.
    cairo_destroy(cr_);
    cr_ = cairo_create(surface_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_GOOD);
    depth_ = 0;
    for (auto& s : saved_) s = SavedState();
    ApplyMatrix();
  }
}

// ---- state ----------------------------------------------------------------------------

void TpmCanvasCairo::FontChanged() {
  // Resolved when text is first measured or drawn: asking fontconfig for its families costs
  // milliseconds that a canvas without text (an icon render) should not pay.
  font_family_.clear();
}

const std::string& TpmCanvasCairo::FontFamily() {
  if (font_family_.empty()) {
    font_family_ =
        KnownFamilies().count(LowerCase(Font.Family())) ? Font.Family() : std::string("Sans");
  }
  return font_family_;
}

void TpmCanvasCairo::ApplyMatrix() {
  if (!cr_) {
    const cairo_matrix_t m = ToCairo(Matrix());
    matrix_invertible_ = Finite(m) && Invertible(m);
    return;
  }
  cairo_matrix_t m = ToCairo(Matrix());
  cairo_matrix_t inverse = m;
  matrix_invertible_ = Finite(m) && cairo_matrix_invert(&inverse) == CAIRO_STATUS_SUCCESS;
  // A singular transform would put Cairo into an error state; drawing just stops instead.
  if (matrix_invertible_) cairo_set_matrix(cr_, &m);
}

void TpmCanvasCairo::SetMatrix(const TpmMatrix& m) {
  TpmCanvas::SetMatrix(m);
  ApplyMatrix();
}

void TpmCanvasCairo::MultiplyMatrix(const TpmMatrix& m) {
  TpmCanvas::MultiplyMatrix(m);
  ApplyMatrix();
}

int TpmCanvasCairo::SaveCanvas() {
  if (!Realize()) return -1;
  cairo_save(cr_);
  ++depth_;
  for (int i = 0; i < CanvasSaveSlots; ++i) {
    SavedState& s = saved_[i];
    if (s.platform != 0) continue;
    s.platform = depth_;
    s.matrix = Matrix();
    s.strokeThickness = StrokeThickness;
    s.stroke = std::make_unique<TpmBrush>(Stroke);
    s.fill = std::make_unique<TpmBrush>(Fill);
    return i;
  }
  return depth_ + SaveTokenOverflow;
}

void TpmCanvasCairo::PopPlatform(int depth) {
  // Restoring a state also drops every state saved after it.
  while (depth_ >= depth && depth_ > 0) {
    cairo_restore(cr_);
    --depth_;
  }
  for (auto& s : saved_)
    if (s.platform >= depth) s = SavedState();
}

void TpmCanvasCairo::RestoreCanvas(int token) {
  if (!Realize()) return;
  if (token >= SaveTokenOverflow) {
    const int depth = token - SaveTokenOverflow;
    if (depth >= 1 && depth <= depth_) PopPlatform(depth);
    return;
  }
  if (token < 0 || token >= CanvasSaveSlots || saved_[token].platform == 0) return;
  SavedState s = std::move(saved_[token]);
  PopPlatform(s.platform);
  StoreMatrix(s.matrix);
  StrokeThickness = s.strokeThickness;
  Stroke = *s.stroke;
  Fill = *s.fill;
  ApplyMatrix();
}

// ---- clipping -------------------------------------------------------------------------

void TpmCanvasCairo::SetClipRects(const std::vector<TpmRect>& rects) {
  if (!Ready()) return;
  cairo_new_path(cr_);
  cairo_reset_clip(cr_);
  for (const auto& r : rects)
    if (FiniteRect(r) && !r.IsEmpty()) cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr_);  // an empty union clips everything
}

void TpmCanvasCairo::IntersectClipRect(const TpmRect& rect) {
  if (!cr_ && Drawable()) {
    // Kept without a context while it stays whole device pixels, as Cairo would keep it.
    std::optional<TpmPixelBox> box;
    if (!FiniteRect(rect) || rect.IsEmpty()) {
      box = TpmPixelBox{};  // clips everything
    } else {
      const cairo_matrix_t m = ToCairo(Matrix());
      const double x0 = m.xx * rect.Left + m.x0, y0 = m.yy * rect.Top + m.y0;
      const double x1 = m.xx * rect.Right + m.x0, y1 = m.yy * rect.Bottom + m.y0;
      auto whole = [](double v) { return std::abs(v) <= 65536 && v == std::floor(v); };
      if (m.xy == 0 && m.yx == 0 && m.xx > 0 && m.yy > 0 && whole(x0) && whole(y0) && whole(x1) &&
          whole(y1)) {
        box = TpmPixelBox{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1),
                          static_cast<int>(y1)};
      }
    }
    if (box) {
      pending_clip_ = pending_clip_ ? Intersection(*box, *pending_clip_) : *box;
      return;
    }
  }
  if (!Ready()) return;
  cairo_new_path(cr_);
  if (FiniteRect(rect) && !rect.IsEmpty())
    cairo_rectangle(cr_, rect.Left, rect.Top, rect.Width(), rect.Height());
  cairo_clip(cr_);
}

void TpmCanvasCairo::ExcludeClipRect(const TpmRect& rect) {
  if (!Ready() || !FiniteRect(rect) || rect.IsEmpty()) return;
  cairo_new_path(cr_);
  cairo_matrix_t m;
  cairo_get_matrix(cr_, &m);
  cairo_identity_matrix(cr_);
  cairo_rectangle(cr_, -1, -1, Width() + 2.0, Height() + 2.0);
  cairo_set_matrix(cr_, &m);
  cairo_rectangle(cr_, rect.Left, rect.Top, rect.Width(), rect.Height());
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_clip(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
}

void TpmCanvasCairo::ResetClipRect() {
  pending_clip_.reset();
  if (cr_) cairo_reset_clip(cr_);
}

// ---- paths and painting ---------------------------------------------------------------

void TpmCanvasCairo::AddEllipsePath(const TpmRect& r) {
  const double rx = r.Width() / 2.0, ry = r.Height() / 2.0;
  if (!(rx > 0 && ry > 0)) return;
  cairo_save(cr_);
  cairo_translate(cr_, r.Left + rx, r.Top + ry);
  cairo_scale(cr_, rx, ry);
  cairo_new_sub_path(cr_);
  cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
  cairo_close_path(cr_);
  cairo_restore(cr_);
}

void TpmCanvasCairo::AddRectPath(const TpmRect& r, float xr, float yr, TpmCorners corners,
                                 TpmCornerType type) {
  if (!FiniteRect(r) || r.IsEmpty()) return;
  double rx = std::min<double>(std::max(0.0f, xr), r.Width() / 2.0);
  double ry = std::min<double>(std::max(0.0f, yr), r.Height() / 2.0);
  if (!(rx > 0 && ry > 0) || (corners & pqAllCorners) == 0) {
    cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
    return;
  }
  // Corners clockwise from the top left: position, the directions along the two edges.
  struct CornerInfo {
    TpmCorners flag;
    double x, y;
    double inX, inY;  // towards the inside along x and y
    double start;     // arc start angle of the convex (outer) quarter
  };
  const CornerInfo info[4] = {
      {pqCornerTopLeft, r.Left, r.Top, 1, 1, M_PI},
      {pqCornerTopRight, r.Right, r.Top, -1, 1, 1.5 * M_PI},
      {pqCornerBottomRight, r.Right, r.Bottom, -1, -1, 0},
      {pqCornerBottomLeft, r.Left, r.Bottom, 1, -1, 0.5 * M_PI},
  };
  cairo_new_sub_path(cr_);
  for (int k = 0; k < 4; ++k) {
    const CornerInfo& c = info[k];
    // Entry point: on the edge arriving at this corner (clockwise order).
    const bool vertical_entry = k == 0 || k == 2;  // TL and BR are reached along a vertical edge
    const double ex = vertical_entry ? c.x : c.x + c.inX * rx;
    const double ey = vertical_entry ? c.y + c.inY * ry : c.y;
    const double lx = vertical_entry ? c.x + c.inX * rx : c.x;  // leaving point
    const double ly = vertical_entry ? c.y : c.y + c.inY * ry;
    if (!(corners & c.flag)) {
      cairo_line_to(cr_, c.x, c.y);
      continue;
    }
    cairo_line_to(cr_, ex, ey);
    switch (type) {
      case pqCornerRound: {
        cairo_save(cr_);
        cairo_translate(cr_, c.x + c.inX * rx, c.y + c.inY * ry);
        cairo_scale(cr_, rx, ry);
        cairo_arc(cr_, 0, 0, 1, c.start, c.start + M_PI / 2);
        cairo_restore(cr_);
        break;
      }
      case pqCornerBevel:
        cairo_line_to(cr_, lx, ly);
        break;
      case pqCornerInnerRound: {
        // A concave quarter centred on the corner itself.
        cairo_save(cr_);
        cairo_translate(cr_, c.x, c.y);
        cairo_scale(cr_, rx, ry);
        const double a0 = std::atan2((ey - c.y) / ry, (ex - c.x) / rx);
        cairo_arc_negative(cr_, 0, 0, 1, a0, a0 - M_PI / 2);
        cairo_restore(cr_);
        break;
      }
      case pqCornerInnerLine:
        // A square notch: in to the inner corner point, then out to the other edge.
        cairo_line_to(cr_, c.x + c.inX * rx, c.y + c.inY * ry);
        cairo_line_to(cr_, lx, ly);
        break;
    }
  }
  cairo_close_path(cr_);
}

void TpmCanvasCairo::AddPath(const TpmPathData& path, const TpmRect& rect) {
  if (path.IsEmpty() || !FiniteRect(rect)) return;
  const TpmMatrix fit = FitRectMatrix(path.Bounds(), rect);
  for (const auto& item : path.Items()) {
    switch (item.Kind) {
      case pqPathMoveTo: {
        const TpmPoint p = fit.Apply(item.Points[0]);
        cairo_move_to(cr_, p.X, p.Y);
        break;
      }
      case pqPathLineTo: {
        const TpmPoint p = fit.Apply(item.Points[0]);
        cairo_line_to(cr_, p.X, p.Y);
        break;
      }
      case pqPathCurveTo: {
        const TpmPoint a = fit.Apply(item.Points[0]);
        const TpmPoint b = fit.Apply(item.Points[1]);
        const TpmPoint c = fit.Apply(item.Points[2]);
        cairo_curve_to(cr_, a.X, a.Y, b.X, b.Y, c.X, c.Y);
        break;
      }
      case pqPathClose:
        cairo_close_path(cr_);
        break;
    }
  }
}

void TpmCanvasCairo::PaintCurrent(TpmBrush& brush, const TpmRect& area, float opacity,
                                  PaintKind kind, void (*paintText)(cairo_t*, void*),
                                  void* textData) {
  if (!(opacity > 0)) return;
  opacity = std::min(opacity, 1.0f);
  if (brush.Style == pqBrushResource) {
    const TpmBrush* resolved = ResolveBrushResource(brush.Resource);
    if (!resolved || resolved->Style == pqBrushResource) return;
    brush = *resolved;  // the named brush is copied into the canvas brush
  }
  const auto draw = [&] {
    if (kind == PaintKind::Text)
      paintText(cr_, textData);
    else if (kind == PaintKind::Fill)
      cairo_fill(cr_);
    else {
      // Pen: flat or round caps, the three joins, dashes in units of the pen width.
      cairo_set_line_cap(cr_, StrokeCap == pqCapRound ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
      cairo_set_line_join(cr_, StrokeJoin == pqJoinRound   ? CAIRO_LINE_JOIN_ROUND
                               : StrokeJoin == pqJoinBevel ? CAIRO_LINE_JOIN_BEVEL
                                                           : CAIRO_LINE_JOIN_MITER);
      const bool hairline = !(StrokeThickness > 0);
      const double width = hairline ? 1.0 : StrokeThickness;
      std::vector<double> dashes;
      double total = 0;
      bool valid = true;
      for (float d : Dash) {
        valid &= std::isfinite(d) && d >= 0;
        dashes.push_back(d * width);
        total += d;
      }
      if (!valid || !(total > 0)) dashes.clear();
      cairo_set_dash(cr_, dashes.data(), static_cast<int>(dashes.size()),
                     std::isfinite(DashOffset) ? DashOffset * width : 0);
      cairo_matrix_t m;
      cairo_get_matrix(cr_, &m);
      if (hairline) cairo_identity_matrix(cr_);  // one device pixel whatever the transform
      cairo_set_line_width(cr_, width);
      cairo_stroke(cr_);
      cairo_set_matrix(cr_, &m);
    }
  };
  cairo_pattern_t* pattern = nullptr;
  bool group = false;  // bitmap brushes carry no alpha of their own: paint through a group
  switch (brush.Style) {
    case pqBrushNone:
    case pqBrushResource:
      return;
    case pqBrushVisual: {
      if (kind != PaintKind::Fill || !brush.Visual) return;
      cairo_save(cr_);
      cairo_clip(cr_);
      brush.Visual->PaintVisual(*this, area, opacity);
      if (cr_) cairo_restore(cr_);
      return;
    }
    case pqBrushSolid: {
      double c[4];
      ColorComponents(brush.Color, opacity, c);
      cairo_set_source_rgba(cr_, c[0], c[1], c[2], c[3]);
      break;
    }
    case pqBrushGradient: {
      const TpmGradient& g = brush.Gradient;
      if (g.Points.size() < 2) {
        double c[4];
        ColorComponents(brush.Color, opacity, c);
        cairo_set_source_rgba(cr_, c[0], c[1], c[2], c[3]);
        break;
      }
      if (g.Style == pqLinearGradient) {
        pattern = cairo_pattern_create_linear(area.Left + g.StartPosition.X * area.Width(),
                                              area.Top + g.StartPosition.Y * area.Height(),
                                              area.Left + g.StopPosition.X * area.Width(),
                                              area.Top + g.StopPosition.Y * area.Height());
      } else {
        pattern = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
        // Unit circle -> the rect's ellipse -> the radial transform; the pattern needs the
        // inverse (user space to pattern space).
        const TpmMatrix ellipse =
            TpmMatrix::Scaling(area.Width() / 2, area.Height() / 2) *
            TpmMatrix::Translation(area.Left + area.Width() / 2, area.Top + area.Height() / 2);
        cairo_matrix_t m = ToCairo(ellipse * g.RadialTransform);
        if (!Finite(m) || cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS) {
          cairo_pattern_destroy(pattern);
          return;
        }
        cairo_pattern_set_matrix(pattern, &m);
      }
      AddStops(pattern, g, opacity, kind != PaintKind::Stroke);
      cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REFLECT);
      break;
    }
    case pqBrushBitmap: {
      const TpmBitmap* bmp = brush.BitmapOrNull();
      if (!bmp) return;
      cairo_surface_t* s = SurfaceOver(*bmp);
      pattern = cairo_pattern_create_for_surface(s);
      cairo_surface_destroy(s);
      if (brush.WrapMode == pqWrapTileStretch) {
        const double half = std::max(0.0f, StrokeThickness) / 2;
        const double w = area.Width() + 2 * half, h = area.Height() + 2 * half;
        if (!(w > 0 && h > 0)) {
          cairo_pattern_destroy(pattern);
          return;
        }
        cairo_matrix_t m;
        cairo_matrix_init_scale(&m, bmp->Width() / w, bmp->Height() / h);
        cairo_matrix_translate(&m, -(area.Left - half), -(area.Top - half));
        cairo_pattern_set_matrix(pattern, &m);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
      } else {
        cairo_pattern_set_extend(
            pattern, brush.WrapMode == pqWrapTile ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_REFLECT);
      }
      cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
      group = opacity < 1;
      break;
    }
  }
  if (group) {
    // The group keeps the path: the shape is drawn opaque, then blended at opacity.
    cairo_path_t* path = cairo_copy_path(cr_);
    cairo_new_path(cr_);  // the path outlives push_group; start the group with one copy
    cairo_push_group(cr_);
    cairo_append_path(cr_, path);
    cairo_path_destroy(path);
    cairo_set_source(cr_, pattern);
    draw();
    cairo_pop_group_to_source(cr_);
    cairo_paint_with_alpha(cr_, opacity);
  } else {
    if (pattern) cairo_set_source(cr_, pattern);
    draw();
  }
  if (pattern) cairo_pattern_destroy(pattern);
}

void TpmCanvasCairo::DrawLine(const TpmPoint& p1, const TpmPoint& p2, float opacity) {
  if (!Ready()) return;
  Begin();
  cairo_move_to(cr_, p1.X, p1.Y);
  cairo_line_to(cr_, p2.X, p2.Y);
  const TpmRect area{std::min(p1.X, p2.X), std::min(p1.Y, p2.Y), std::max(p1.X, p2.X),
                     std::max(p1.Y, p2.Y)};
  PaintCurrent(Stroke, area, opacity, PaintKind::Stroke);
  End();
}

void TpmCanvasCairo::FillRect(const TpmRect& rect, float xRadius, float yRadius, TpmCorners corners,
                              float opacity, TpmCornerType cornerType) {
  if (!Ready()) return;
  Begin();
  AddRectPath(rect, xRadius, yRadius, corners, cornerType);
  PaintCurrent(Fill, rect, opacity, PaintKind::Fill);
  End();
}

void TpmCanvasCairo::DrawRect(const TpmRect& rect, float xRadius, float yRadius, TpmCorners corners,
                              float opacity, TpmCornerType cornerType) {
  if (!Ready()) return;
  Begin();
  AddRectPath(rect, xRadius, yRadius, corners, cornerType);
  PaintCurrent(Stroke, rect, opacity, PaintKind::Stroke);
  End();
}

void TpmCanvasCairo::FillEllipse(const TpmRect& rect, float opacity) {
  if (!Ready() || !FiniteRect(rect)) return;
  Begin();
  AddEllipsePath(rect);
  PaintCurrent(Fill, rect, opacity, PaintKind::Fill);
  End();
}

void TpmCanvasCairo::DrawEllipse(const TpmRect& rect, float opacity) {
  if (!Ready() || !FiniteRect(rect)) return;
  Begin();
  AddEllipsePath(rect);
  PaintCurrent(Stroke, rect, opacity, PaintKind::Stroke);
  End();
}

bool TpmCanvasCairo::PtInPath(const TpmPoint& p, const TpmPathData& path, const TpmRect& rect) {
  if (!Ready()) return false;
  cairo_new_path(cr_);
  AddPath(path, rect);
  const bool inside = cairo_in_fill(cr_, p.X, p.Y);
  cairo_new_path(cr_);
  return inside;
}

void TpmCanvasCairo::FillPath(const TpmPathData& path, const TpmRect& rect, float opacity) {
  if (!Ready()) return;
  Begin();
  AddPath(path, rect);
  PaintCurrent(Fill, rect, opacity, PaintKind::Fill);
  End();
}

void TpmCanvasCairo::DrawPath(const TpmPathData& path, const TpmRect& rect, float opacity) {
  if (!Ready()) return;
  Begin();
  AddPath(path, rect);
  PaintCurrent(Stroke, rect, opacity, PaintKind::Stroke);
  End();
}

// ---- bitmaps --------------------------------------------------------------------------

bool TpmCanvasCairo::DrawBitmapFast(const TpmBitmap& bitmap, const TpmRect& srcRect,
                                    const TpmRect& dstRect, float opacity, bool highSpeed) {
  cairo_matrix_t m;
  if (cr_) {
    cairo_get_matrix(cr_, &m);
  } else {
    m = ToCairo(Matrix());  // what ApplyMatrix will give the context
  }
  if (m.xy != 0 || m.yx != 0 || !(m.xx > 0) || !(m.yy > 0)) return false;
  if (!cr_) {
    // The clip kept so far within the surface, as Cairo would list it.
    const TpmPixelBox surface{0, 0, Width(), Height()};
    const TpmPixelBox box = pending_clip_ ? Intersection(surface, *pending_clip_) : surface;
    if (box.Left >= box.Right || box.Top >= box.Bottom) return true;  // all clipped away
    DrawBitmapResampled(bitmap, srcRect, dstRect, m, {box}, opacity, highSpeed);
    return true;
  }
  // The clip must be whole device pixels; anything else goes through Cairo.
  cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(cr_);
  if (list->status != CAIRO_STATUS_SUCCESS) {
    cairo_rectangle_list_destroy(list);
    return false;
  }
  std::vector<TpmPixelBox> clip;
  for (int i = 0; i < list->num_rectangles; ++i) {
    double x0 = list->rectangles[i].x, y0 = list->rectangles[i].y;
    double x1 = x0 + list->rectangles[i].width, y1 = y0 + list->rectangles[i].height;
    cairo_user_to_device(cr_, &x0, &y0);
    cairo_user_to_device(cr_, &x1, &y1);
    TpmPixelBox box{static_cast<int>(std::lround(std::clamp(x0, -1.0, 65536.0))),
                    static_cast<int>(std::lround(std::clamp(y0, -1.0, 65536.0))),
                    static_cast<int>(std::lround(std::clamp(x1, -1.0, 65536.0))),
                    static_cast<int>(std::lround(std::clamp(y1, -1.0, 65536.0)))};
    if (box.Left < box.Right && box.Top < box.Bottom) clip.push_back(box);
  }
  cairo_rectangle_list_destroy(list);
  if (clip.empty()) return true;  // everything is clipped away
  DrawBitmapResampled(bitmap, srcRect, dstRect, m, clip, opacity, highSpeed);
  return true;
}

void TpmCanvasCairo::DrawBitmapResampled(const TpmBitmap& bitmap, const TpmRect& srcRect,
                                         const TpmRect& dstRect, const cairo_matrix_t& m,
                                         const std::vector<TpmPixelBox>& clip, float opacity,
                                         bool highSpeed) {
  const TpmRect device{static_cast<float>(m.xx * dstRect.Left + m.x0),
                       static_cast<float>(m.yy * dstRect.Top + m.y0),
                       static_cast<float>(m.xx * dstRect.Right + m.x0),
                       static_cast<float>(m.yy * dstRect.Bottom + m.y0)};
  TpmPixelImage source{bitmap.Pixels(), bitmap.Width(), bitmap.Height(), bitmap.Width()};
  std::unique_ptr<uint32_t[]> copy;
  if (source.Pixels == Bits()) {  // drawing a bitmap into itself
    copy = std::make_unique<uint32_t[]>(static_cast<size_t>(bitmap.Width()) * bitmap.Height());
    std::memcpy(copy.get(), source.Pixels, bitmap.ByteSize());
    source.Pixels = copy.get();
  }
  TpmPixelTarget target{Bits(), Width(), Height(), Width()};
  ResampleDraw(source, srcRect, target, device, clip, opacity, highSpeed);
}

void TpmCanvasCairo::DrawBitmap(const TpmBitmap& bitmap, const TpmRect& srcRect,
                                const TpmRect& dstRect, float opacity, bool highSpeed) {
  if (!Drawable() || !(opacity > 0) || !FiniteRect(srcRect) || !FiniteRect(dstRect)) return;
  if (srcRect.IsEmpty() || dstRect.IsEmpty() || !bitmap.Pixels()) return;
  opacity = std::min(opacity, 1.0f);
  Begin();
  if (surface_) cairo_surface_flush(surface_);
  if (DrawBitmapFast(bitmap, srcRect, dstRect, opacity, highSpeed)) {
    if (surface_) cairo_surface_mark_dirty(surface_);
    End();
    return;
  }
  if (!cr_) {  // rotated or sheared: through Cairo, whose context comes now
    if (!Ready()) return;
    Begin();
  }
  // General transforms: Cairo samples the source rect's whole pixels, edges padded.
  const int sx0 = std::clamp(static_cast<int>(std::floor(srcRect.Left)), 0, bitmap.Width());
  const int sy0 = std::clamp(static_cast<int>(std::floor(srcRect.Top)), 0, bitmap.Height());
  const int sx1 = std::clamp(static_cast<int>(std::ceil(srcRect.Right)), 0, bitmap.Width());
  const int sy1 = std::clamp(static_cast<int>(std::ceil(srcRect.Bottom)), 0, bitmap.Height());
  if (sx0 >= sx1 || sy0 >= sy1) {
    End();
    return;
  }
  std::unique_ptr<TpmBitmap> copy;
  const TpmBitmap* src = &bitmap;
  if (bitmap.Pixels() == Bits()) {
    copy = std::make_unique<TpmBitmap>(1, 1);
    copy->Assign(bitmap);
    src = copy.get();
  }
  cairo_surface_t* whole = SurfaceOver(*src);
  cairo_surface_t* part = cairo_surface_create_for_rectangle(whole, sx0, sy0, sx1 - sx0, sy1 - sy0);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
  const double kx = srcRect.Width() / dstRect.Width();
  const double ky = srcRect.Height() / dstRect.Height();
  cairo_matrix_t pm;
  cairo_matrix_init(&pm, kx, 0, 0, ky, srcRect.Left - sx0 - dstRect.Left * kx,
                    srcRect.Top - sy0 - dstRect.Top * ky);
  cairo_pattern_set_matrix(pattern, &pm);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(pattern, highSpeed ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
  cairo_save(cr_);
  cairo_rectangle(cr_, dstRect.Left, dstRect.Top, dstRect.Width(), dstRect.Height());
  cairo_clip(cr_);
  cairo_set_source(cr_, pattern);
  cairo_paint_with_alpha(cr_, opacity);
  cairo_restore(cr_);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(part);
  cairo_surface_finish(whole);
  cairo_surface_destroy(whole);
  End();
}

void TpmCanvasCairo::DrawThumbnail(const TpmBitmap& bitmap, float width, float /*height*/) {
  if (!bound_ || !(width > 0)) return;
  const float scale = width / bitmap.Width();
  DrawBitmap(bitmap, {0, 0, float(bitmap.Width()), float(bitmap.Height())},
             {0, 0, bitmap.Width() * scale, bitmap.Height() * scale}, 1, false);
}

// ---- text -----------------------------------------------------------------------------

namespace {
struct TextJob {
  PangoLayout* layout;
  double x, y;
};
void ShowLayout(cairo_t* cr, void* data) {
  auto* job = static_cast<TextJob*>(data);
  cairo_move_to(cr, job->x, job->y);
  pango_cairo_show_layout(cr, job->layout);
}
}  // namespace

void TpmCanvasCairo::FillText(const TpmRect& rect, const TpmRect& /*clipRect*/,
                              const std::string& text, bool wordWrap, float opacity,
                              TpmTextAlign hAlign, TpmTextAlign vAlign) {
  if (!Ready() || text.empty() || Fill.Style == pqBrushNone || !FiniteRect(rect)) return;
  Begin();
  const bool wrapped = wordWrap && rect.Width() > 0;
  LayoutPtr layout = MakeLayout(cr_, FontFamily(), Font, text_antialias_, text,
                                wrapped ? rect.Width() : 0, hAlign);
  // A line wider than its rectangle ends in "…" instead of being cut through a letter: names
  // from model files are as long as they come. A line that fits is laid out as before.
  if (!wrapped && rect.Width() > 0) {
    int width = 0;
    pango_layout_get_pixel_size(layout.get(), &width, nullptr);
    if (width > rect.Width()) {
      pango_layout_set_width(layout.get(), static_cast<int>(rect.Width() * PANGO_SCALE));
      pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
    }
  }
  const TextPlacement place = PlaceLayout(layout.get(), rect, wrapped, hAlign, vAlign);
  TextJob job{layout.get(), place.x, place.y};
  cairo_save(cr_);
  // The text stays inside its layout rectangle.
  cairo_rectangle(cr_, rect.Left, rect.Top, std::max(0.0f, rect.Width()),
                  std::max(0.0f, rect.Height()));
  cairo_clip(cr_);
  if (Fill.Style != pqBrushVisual)
    PaintCurrent(Fill, rect, opacity, PaintKind::Text, ShowLayout, &job);
  cairo_restore(cr_);
  End();
}

void TpmCanvasCairo::MeasureText(TpmRect& rect, const TpmRect& /*clipRect*/,
                                 const std::string& text, bool wordWrap, TpmTextAlign hAlign,
                                 TpmTextAlign vAlign) {
  if (!Realize() || !FiniteRect(rect)) return;
  if (!wordWrap) rect.Right = rect.Left;
  const bool wrapped = wordWrap && rect.Width() > 0;
  LayoutPtr layout = MakeLayout(cr_, FontFamily(), Font, text_antialias_, text,
                                wrapped ? rect.Width() : 0, hAlign);
  rect = PlaceLayout(layout.get(), rect, wrapped, hAlign, vAlign).bounds;
}

void TpmCanvasCairo::ApplyTextRendering(TpmTextRendering value) {
  text_antialias_ = value == pqLowQuality  ? CAIRO_ANTIALIAS_NONE
                    : value == pqClearType ? CAIRO_ANTIALIAS_SUBPIXEL
                                           : CAIRO_ANTIALIAS_GRAY;
}

void TpmCanvasCairo::TextToPolygon(const std::string& text, TpmPolygon& polygon, TpmPoint& size) {
  polygon.clear();
  size = {0, 0};
  if (text.empty()) return;
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  cairo_t* cr = cairo_create(scratch);
  TpmFont big(Font);
  big.SetSize(72);
  LayoutPtr layout =
      MakeLayout(cr, FontFamily(), big, CAIRO_ANTIALIAS_GRAY, text, 0, pqTextAlignNear);
  cairo_set_tolerance(cr, 0.25);
  pango_cairo_layout_path(cr, layout.get());
  cairo_path_t* path = cairo_copy_path_flat(cr);
  TpmPoint first{};
  bool open = false;
  float minX = 0, minY = 0, maxX = 0, maxY = 0;
  bool any = false;
  auto add = [&](float x, float y) {
    polygon.push_back({x, y});
    if (!any) {
      minX = maxX = x;
      minY = maxY = y;
      any = true;
    }
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
  };
  for (int i = 0; path->status == CAIRO_STATUS_SUCCESS && i < path->num_data;
       i += path->data[i].header.length) {
    const cairo_path_data_t& d = path->data[i];
    switch (d.header.type) {
      case CAIRO_PATH_MOVE_TO:
        if (!polygon.empty()) polygon.push_back(PolygonBreak);
        first = {float(path->data[i + 1].point.x), float(path->data[i + 1].point.y)};
        add(first.X, first.Y);
        open = true;
        break;
      case CAIRO_PATH_LINE_TO:
        add(float(path->data[i + 1].point.x), float(path->data[i + 1].point.y));
        break;
      case CAIRO_PATH_CLOSE_PATH:
        if (open) add(first.X, first.Y);
        open = false;
        break;
      case CAIRO_PATH_CURVE_TO:  // not produced by a flat copy
        break;
    }
  }
  cairo_path_destroy(path);
  cairo_destroy(cr);
  cairo_surface_destroy(scratch);
  if (any) size = {maxX - minX, maxY - minY};
}
