// TgkImage: a textured quad in the local XZ plane facing -y, showing its own bitmap;
// TgkScreenImage is the same shape listed for screen projection.
#pragma once

#include "scene/scene_bitmap.h"
#include "scene/shape.h"

class TgkImage : public TgkCustomMesh {
  FM_CLASS(TgkImage, TgkCustomMesh)
 public:
  // Size 4 x 0.1 x 3.
  explicit TgkImage(TComponent* owner = nullptr);

  TgkBitmap& Bitmap() { return bitmap_; }
  const TgkBitmap& Bitmap() const { return bitmap_; }
  // Copies the pixels into the owned bitmap.
  void SetBitmap(const TgkBitmap& bitmap) { bitmap_.Assign(bitmap); }

  // In the screen projection the depth is always 0.1.
  void SetDepth(float value) override;
  // Only with pixels: unlit, the texture replacing the colour, linear filtering, white with
  // the opacity in its alpha, size (Width, 0, Depth).
  void Paint() override;
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;

 private:
  TgkBitmap bitmap_;
};

// Starts exactly like TgkImage (camera projection); only its design-tool group differs.
class TgkScreenImage : public TgkImage {
  FM_CLASS(TgkScreenImage, TgkImage)
 public:
  explicit TgkScreenImage(TComponent* owner = nullptr);
};
