// Text shapes: TgkText draws a line of text flat through the canvas font; TgkText3D
// extrudes the text's outline into a solid.
#pragma once

#include <string>

#include "scene/canvas.h"
#include "scene/shape.h"

class TgkText : public TgkShape {
  FM_CLASS(TgkText, TgkShape)
 public:
  // Height 0.1, unlit, no depth writes.
  explicit TgkText(TComponent* owner = nullptr);

  TgkFont& Font() { return font_; }
  const TgkFont& Font() const { return font_; }
  void SetFont(const TgkFont& font) { font_.Assign(font); }
  // UTF-8.
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);

  // Centred on the origin: measured first, drawn at minus half its width and height.
  void Paint() override;
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;

 private:
  TgkFont font_;
  std::string text_;
};

class TgkText3D : public TgkShape {
  FM_CLASS(TgkText3D, TgkShape)
 public:
  // 3 x 1 x 0.3, depth writes on.
  explicit TgkText3D(TComponent* owner = nullptr);

  TgkFont& Font() { return font_; }
  const TgkFont& Font() const { return font_; }
  void SetFont(const TgkFont& font) { font_.Assign(font); }
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);

  // The outline fitted to Height with its proportions kept, extruded to Depth; nothing for
  // empty text or an outline without width.
  void Paint() override;
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;

 private:
  TgkFont font_;
  std::string text_;
  TgkPolygon outline_;  // kept between frames to avoid reallocating
};
