// TgkGrid: unlit guide lines in the local plane z = 0, every Frequency units, with every
// Marks-th whole line stronger. Not a shape: it has no material of its own.
#pragma once

#include "scene/visual_object.h"

class TgkGrid : public TgkVisualObject {
  FM_CLASS(TgkGrid, TgkVisualObject)
 public:
  static constexpr uint32_t kDefaultLineColor = 0x50505050;
  // At most this many lines on each side of each axis; a tiny frequency on a huge grid
  // would otherwise take for ever to draw.
  static constexpr int kMaxLinesPerSide = 2048;

  // Depth 0.01.
  explicit TgkGrid(TComponent* owner = nullptr);

  float Frequency() const { return frequency_; }
  // A value not above 0 becomes 0.01.
  void SetFrequency(float value);
  float Marks() const { return marks_; }
  void SetMarks(float value);
  uint32_t LineColor() const { return line_color_; }
  void SetLineColor(uint32_t color);

  void SetDepth(float value) override;
  void Paint() override;
  // The ray against the plane z = 0, inside Width x Height.
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;

 private:
  float frequency_ = 1;
  float marks_ = 4;
  uint32_t line_color_ = kDefaultLineColor;
};
