#include "scene/grid.h"

#include <cmath>

#include "core/property_registry.h"
#include "imaging/bitmap.h"
#include "scene/canvas.h"
#include "scene/material.h"

TgkGrid::TgkGrid(TComponent* owner) : TgkVisualObject(owner) {
  SetDepth(0.01f);
}

void TgkGrid::SetFrequency(float value) {
  if (!(value > 0)) value = 0.01f;
  if (value == frequency_) return;
  frequency_ = value;
  Repaint();
}

void TgkGrid::SetMarks(float value) {
  if (value == marks_) return;
  marks_ = value;
  Repaint();
}

void TgkGrid::SetLineColor(uint32_t color) {
  if (color == line_color_) return;
  line_color_ = color;
  Repaint();
}

void TgkGrid::SetDepth(float) {
  TgkVisualObject::SetDepth(0.01f);
}

void TgkGrid::Paint() {
  TgkCanvas* canvas = GetCanvas();
  if (!canvas) return;
  const float opacity = GetAbsoluteOpacity();
  const float half_w = Width() / 2, half_h = Height() / 2;
  auto line_color = [&](float position) {
    const bool mark =
        position == std::trunc(position) && marks_ != 0 && std::fmod(position, marks_) == 0;
    return mark ? (line_color_ & 0x00FFFFFFu) | 0xA0000000u : line_color_;
  };
  auto draw = [&](float position, bool vertical) {
    TgkMaterial drawn;
    drawn.Assign(canvas->Material());
    drawn.SetLighting(false);
    drawn.SetDiffuse(line_color(position));
    canvas->Material().Assign(drawn);
    if (vertical) {
      canvas->DrawLine(MakeVector(position, -half_h, 0, 1), MakeVector(position, half_h, 0, 1),
                       opacity);
    } else {
      canvas->DrawLine(MakeVector(-half_w, position, 0, 1), MakeVector(half_w, position, 0, 1),
                       opacity);
    }
  };
  for (int k = 0; k <= kMaxLinesPerSide && k * frequency_ < half_w; ++k) {
    draw(k * frequency_, true);
    if (k > 0) draw(-k * frequency_, true);
  }
  for (int k = 0; k <= kMaxLinesPerSide && k * frequency_ < half_h; ++k) {
    draw(k * frequency_, false);
    if (k > 0) draw(-k * frequency_, false);
  }
}

bool TgkGrid::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir, TgkVector& hit) {
  TgkVector p;
  if (!RayCastPlane(ray_pos, ray_dir, MakeVector(0, 0, 0, 1), MakeVector(0, 0, 1, 0), &p)) {
    return false;
  }
  if (std::fabs(p.X) > Width() / 2 || std::fabs(p.Y) > Height() / 2) return false;
  hit = PointToVector(LocalToAbsolute(VectorToPoint(p)), 1);
  return true;
}

FM_REGISTER_CLASS(TgkGrid) {
  c.Float("Frequency", &TgkGrid::Frequency, &TgkGrid::SetFrequency).Default(1.0f);
  c.Float("Marks", &TgkGrid::Marks, &TgkGrid::SetMarks).Default(4.0f);
  c.Color("LineColor", &TgkGrid::LineColor, &TgkGrid::SetLineColor, &ColorToString, &StringToColor)
      .Default(TgkGrid::kDefaultLineColor);
}
