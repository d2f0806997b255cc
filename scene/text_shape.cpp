#include "scene/text_shape.h"

#include "core/property_registry.h"

TgkText::TgkText(TComponent* owner) : TgkShape(owner) {
  SetHeight(0.1f);
  Material().SetLighting(false);
  SetZWrite(false);
  font_.OnChange = [this] { Repaint(); };
}

void TgkText::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Repaint();
}

void TgkText::Paint() {
  TgkCanvas* canvas = GetCanvas();
  if (!canvas || text_.empty()) return;
  canvas->Font().Assign(font_);
  const TgkPoint size = canvas->MeasureText(text_);
  canvas->FillText(text_, -size.X / 2, -size.Y / 2, GetAbsoluteOpacity());
}

bool TgkText::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir, TgkVector& hit) {
  return RayCastShapeBox(*this, ray_pos, ray_dir, hit);
}

TgkText3D::TgkText3D(TComponent* owner) : TgkShape(owner) {
  SetWidth(3);
  SetHeight(1);
  SetDepth(0.3f);
  SetZWrite(true);
  font_.OnChange = [this] { Repaint(); };
}

void TgkText3D::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Repaint();
}

void TgkText3D::Paint() {
  TgkCanvas* canvas = GetCanvas();
  if (!canvas || text_.empty()) return;
  canvas->Font().Assign(font_);
  const TgkPoint extent = canvas->TextToPolygon(text_, outline_);
  if (extent.X <= 0 || extent.Y <= 0 || outline_.empty()) return;
  // The outline lies in the local XZ plane and is extruded along y (its front faces -y).
  const float h = Height();
  const TgkVector size = MakeVector(h * extent.X / extent.Y, Depth(), h, 0);
  canvas->FillPolygon(MakeVector(0, 0, 0, 1), size, GetAbsoluteOpacity(),
                      static_cast<int>(outline_.size()), outline_);
}

bool TgkText3D::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                                 TgkVector& hit) {
  return RayCastShapeBox(*this, ray_pos, ray_dir, hit);
}

FM_REGISTER_CLASS(TgkText) {
  c.String("Text", &TgkText::Text, &TgkText::SetText).Default("");
}
FM_REGISTER_CLASS(TgkText3D) {
  c.String("Text", &TgkText3D::Text, &TgkText3D::SetText).Default("");
}
