#include "ui/shapes.h"

#include <algorithm>

#include "ui/shown_text.h"

namespace {

const TEnumInfo& CapInfo() {
  static const TEnumInfo info("TpmStrokeCap", {"pqCapFlat", "pqCapRound"});
  return info;
}
const TEnumInfo& JoinInfo() {
  static const TEnumInfo info("TpmStrokeJoin", {"pqJoinMiter", "pqJoinRound", "pqJoinBevel"});
  return info;
}
const TEnumInfo& DashInfo() {
  static const TEnumInfo info("TpmStrokeDash",
                              {"pqDashSolid", "pqDashDash", "pqDashDot", "pqDashDashDot",
                               "pqDashDashDotDot", "pqDashCustom"});
  return info;
}
const TEnumInfo& CornerTypeInfo() {
  static const TEnumInfo info("TpmCornerType", {"pqCornerRound", "pqCornerBevel",
                                                "pqCornerInnerRound", "pqCornerInnerLine"});
  return info;
}
const TEnumInfo& CornersInfo() {
  static const TEnumInfo info("TpmCorner", {"pqCornerTopLeft", "pqCornerTopRight",
                                            "pqCornerBottomLeft", "pqCornerBottomRight"});
  return info;
}
const TEnumInfo& LineTypeInfo() {
  static const TEnumInfo info("TpmLineType",
                              {"pqLineNormal", "pqLineHorizontal", "pqLineVertical"});
  return info;
}
const TEnumInfo& ImageWrapInfo() {
  static const TEnumInfo info("TpmImageWrap", {"pqImageOriginal", "pqImageFit", "pqImageStretch"});
  return info;
}

template <class T>
void Store(TpmVisualObject& o, T& field, const T& v) {
  if (field == v) return;
  field = v;
  o.Repaint();
}

}  // namespace

const TEnumInfo& PmTextAlignInfo() {
  static const TEnumInfo info("TpmTextAlign",
                              {"pqTextAlignCenter", "pqTextAlignNear", "pqTextAlignFar"});
  return info;
}

// ---- TpmShape ----

FM_REGISTER_CLASS(TpmShape) {
  c.Object<TpmBrush>("Fill", [](TpmShape& s) -> TpmBrush& { return s.Fill(); });
  c.Object<TpmBrush>("Stroke", [](TpmShape& s) -> TpmBrush& { return s.Stroke(); });
  c.Float("StrokeThickness", &TpmShape::StrokeThickness, &TpmShape::SetStrokeThickness)
      .Default(1.0f);
  c.Enum("StrokeCap", CapInfo(), &TpmShape::StrokeCap, &TpmShape::SetStrokeCap)
      .Default(int{pqCapFlat});
  c.Enum("StrokeJoin", JoinInfo(), &TpmShape::StrokeJoin, &TpmShape::SetStrokeJoin)
      .Default(int{pqJoinMiter});
  c.Enum("StrokeDash", DashInfo(), &TpmShape::StrokeDash, &TpmShape::SetStrokeDash)
      .Default(int{pqDashSolid});
}

TpmShape::TpmShape(TComponent* owner) : TpmVisualObject(owner) {
  fill_.OnChange = [this](TpmBrush&) { Repaint(); };
  stroke_.OnChange = [this](TpmBrush&) { Repaint(); };
}

void TpmShape::SetStrokeThickness(float v) {
  Store(*this, thickness_, std::max(0.0f, v));
}
void TpmShape::SetStrokeCap(TpmStrokeCap v) {
  Store(*this, cap_, v);
}
void TpmShape::SetStrokeJoin(TpmStrokeJoin v) {
  Store(*this, join_, v);
}
void TpmShape::SetStrokeDash(TpmStrokeDash v) {
  Store(*this, dash_, v);
}

void TpmShape::PrepareCanvas(TpmCanvas& canvas) {
  canvas.Fill = fill_;
  canvas.Stroke = stroke_;
  canvas.StrokeThickness = thickness_;
  canvas.StrokeCap = cap_;
  canvas.StrokeJoin = join_;
  canvas.SetStrokeDash(dash_);
}

TpmRect TpmShape::ShapeRect() const {
  const float h = stroke_.Style == pqBrushNone ? 0 : thickness_ / 2;
  return {h, h, Width() - h, Height() - h};
}

// ---- TpmRectangle ----

FM_REGISTER_CLASS(TpmRectangle) {
  c.Float("xRadius", &TpmRectangle::XRadius, &TpmRectangle::SetXRadius);
  c.Float("yRadius", &TpmRectangle::YRadius, &TpmRectangle::SetYRadius);
  c.Set("Corners", CornersInfo(), &TpmRectangle::Corners, &TpmRectangle::SetCorners)
      .Default(int{pqAllCorners});
  c.Enum("CornerType", CornerTypeInfo(), &TpmRectangle::CornerType, &TpmRectangle::SetCornerType)
      .Default(int{pqCornerRound});
}

TpmRectangle::TpmRectangle(TComponent* owner) : TpmShape(owner) {}

void TpmRectangle::SetXRadius(float v) {
  Store(*this, x_radius_, v);
}
void TpmRectangle::SetYRadius(float v) {
  Store(*this, y_radius_, v);
}
void TpmRectangle::SetCorners(TpmCorners v) {
  Store(*this, corners_, v);
}
void TpmRectangle::SetCornerType(TpmCornerType v) {
  Store(*this, corner_type_, v);
}

void TpmRectangle::Paint(TpmCanvas& canvas, const TpmRect&) {
  PrepareCanvas(canvas);
  const float o = AbsoluteOpacity();
  const TpmRect r = ShapeRect();
  if (Fill().Style != pqBrushNone)
    canvas.FillRect(r, x_radius_, y_radius_, corners_, o, corner_type_);
  if (Stroke().Style != pqBrushNone)
    canvas.DrawRect(r, x_radius_, y_radius_, corners_, o, corner_type_);
}

// ---- TpmEllipse ----

FM_REGISTER_CLASS(TpmEllipse) {}

void TpmEllipse::Paint(TpmCanvas& canvas, const TpmRect&) {
  PrepareCanvas(canvas);
  const float o = AbsoluteOpacity();
  if (Fill().Style != pqBrushNone) canvas.FillEllipse(ShapeRect(), o);
  if (Stroke().Style != pqBrushNone) canvas.DrawEllipse(ShapeRect(), o);
}

// ---- TpmLine ----

FM_REGISTER_CLASS(TpmLine) {
  c.Enum("LineType", LineTypeInfo(), &TpmLine::LineType, &TpmLine::SetLineType)
      .Default(int{pqLineNormal});
}

TpmLine::TpmLine(TComponent* owner) : TpmShape(owner) {}

void TpmLine::SetLineType(TpmLineType v) {
  Store(*this, line_type_, v);
}

void TpmLine::Paint(TpmCanvas& canvas, const TpmRect&) {
  PrepareCanvas(canvas);
  const float o = AbsoluteOpacity();
  const float h = StrokeThickness() / 2;
  switch (line_type_) {
    case pqLineHorizontal:
      canvas.DrawLine({0, h}, {Width(), h}, o);
      break;
    case pqLineVertical:
      canvas.DrawLine({h, 0}, {h, Height()}, o);
      break;
    default:
      canvas.DrawLine({0, 0}, {Width(), Height()}, o);
      break;
  }
}

// ---- TpmPath ----

FM_REGISTER_CLASS(TpmPath) {
  c.String("Data", &TpmPath::Data, &TpmPath::SetData);
}

TpmPath::TpmPath(TComponent* owner) : TpmShape(owner) {}

void TpmPath::SetData(const std::string& v) {
  TpmPathData next(v);
  path_ = std::move(next);
  Repaint();
}

void TpmPath::Paint(TpmCanvas& canvas, const TpmRect&) {
  if (path_.IsEmpty()) return;
  PrepareCanvas(canvas);
  const float o = AbsoluteOpacity();
  if (Fill().Style != pqBrushNone) canvas.FillPath(path_, ShapeRect(), o);
  if (Stroke().Style != pqBrushNone) canvas.DrawPath(path_, ShapeRect(), o);
}

bool TpmPath::PointInObject(float x, float y) const {
  return TpmVisualObject::PointInObject(x, y);
}

// ---- TpmText ----

FM_REGISTER_CLASS(TpmText) {
  c.String("Text", &TpmText::Text, &TpmText::SetText);
  c.Object<TpmFont>("Font", [](TpmText& t) -> TpmFont& { return t.Font(); });
  c.Enum("HorzTextAlign", PmTextAlignInfo(), &TpmText::HorzTextAlign, &TpmText::SetHorzTextAlign)
      .Default(int{pqTextAlignCenter});
  c.Enum("VertTextAlign", PmTextAlignInfo(), &TpmText::VertTextAlign, &TpmText::SetVertTextAlign)
      .Default(int{pqTextAlignCenter});
  c.Boolean("WordWrap", &TpmText::WordWrap, &TpmText::SetWordWrap).Default(true);
  c.Boolean("AutoSize", &TpmText::AutoSize, &TpmText::SetAutoSize).Default(false);
  c.Boolean("Stretch", &TpmText::Stretch, &TpmText::SetStretch).Default(false);
}

TpmText::TpmText(TComponent* owner) : TpmShape(owner) {
  Fill().Color = 0xFF000000;
  Stroke().Style = pqBrushNone;
  font_.OnChange = [this](TpmFont&) { Repaint(); };
}

void TpmText::SetText(const std::string& v) {
  Store(*this, text_, v);
}
void TpmText::SetHorzTextAlign(TpmTextAlign v) {
  Store(*this, h_align_, v);
}
void TpmText::SetVertTextAlign(TpmTextAlign v) {
  Store(*this, v_align_, v);
}
void TpmText::SetWordWrap(bool v) {
  Store(*this, word_wrap_, v);
}
void TpmText::SetAutoSize(bool v) {
  Store(*this, auto_size_, v);
}
void TpmText::SetStretch(bool v) {
  Store(*this, stretch_, v);
}

void TpmText::SetTranslated(bool v) {
  Store(*this, translated_, v);
}

std::string TpmText::ShownText() const {
  return translated_ ? ::ShownText(text_) : text_;
}

void TpmText::Paint(TpmCanvas& canvas, const TpmRect& rect) {
  if (text_.empty() || Fill().Style == pqBrushNone) return;
  canvas.Fill = Fill();
  canvas.Font = font_;
  canvas.FontChanged();
  canvas.FillText(rect, rect, ShownText(), word_wrap_, AbsoluteOpacity(), h_align_, v_align_);
}

// ---- TpmImage ----

FM_REGISTER_CLASS(TpmImage) {
  c.Object<TpmBitmap>("Bitmap", [](TpmImage& i) -> TpmBitmap& { return i.Bitmap(); });
  c.Enum("WrapMode", ImageWrapInfo(), &TpmImage::WrapMode, &TpmImage::SetWrapMode)
      .Default(int{pqImageFit});
  c.Object<TpmBounds>("BitmapMargins", [](TpmImage& i) -> TpmBounds& { return i.BitmapMargins(); });
  c.Boolean("DisableInterpolation", &TpmImage::DisableInterpolation,
            &TpmImage::SetDisableInterpolation)
      .Default(false);
}

TpmImage::TpmImage(TComponent* owner)
    : TpmVisualObject(owner), bitmap_(std::make_unique<TpmBitmap>(1, 1)) {
  bitmap_->OnChange = [this](TpmBitmap&) { Repaint(); };
  bitmap_margins_.OnChange = [this] { Repaint(); };
}

void TpmImage::SetWrapMode(TpmImageWrap v) {
  Store(*this, wrap_, v);
}
void TpmImage::SetDisableInterpolation(bool v) {
  Store(*this, disable_interpolation_, v);
}

void TpmImage::Paint(TpmCanvas& canvas, const TpmRect& rect) {
  const TpmBitmap& b = *bitmap_;
  const float bw = static_cast<float>(b.Width()), bh = static_cast<float>(b.Height());
  const TpmRect src{0, 0, bw, bh};
  TpmRect dst = rect;
  switch (wrap_) {
    case pqImageOriginal:
      dst = {rect.Left, rect.Top, rect.Left + bw, rect.Top + bh};
      break;
    case pqImageFit: {
      const float s = std::min(rect.Width() / bw, rect.Height() / bh);
      const float w = bw * s, h = bh * s;
      dst.Left = rect.Left + (rect.Width() - w) / 2;
      dst.Top = rect.Top + (rect.Height() - h) / 2;
      dst.Right = dst.Left + w;
      dst.Bottom = dst.Top + h;
      break;
    }
    case pqImageStretch:
      break;
  }
  canvas.DrawBitmap(b, src, dst, AbsoluteOpacity(), disable_interpolation_);
}
