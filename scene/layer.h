// TgkLayer: a flat rectangle in the scene showing a picture held in its own bitmap. In the
// camera projection it is a sheet standing in the scene (the plane y = 0 of its box, Width
// along x, Depth along z, facing -Y); in the screen projection a pixel-exact rectangle of
// Width x Height pixels, centred on its position and laid out along the window edges by the
// scene. Descendants (the vector layers) paint the bitmap's content; the layer keeps the
// bitmap at the right even pixel size, draws it as a textured quad, is picked as a box and
// reports mouse events in bitmap pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/layer_layout.h"
#include "scene/mesh_data.h"
#include "scene/scene_bitmap.h"
#include "scene/visual_object.h"

using TgkLayerMouseEvent =
    TEvent<void(TPersistent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TgkLayerMouseMoveEvent = TEvent<void(TPersistent* sender, TShiftState shift, int x, int y)>;

const TEnumInfo& LayerAlignInfo();

// 2 * round(v / 2), halves to even: the layer bitmap sizes.
int EvenRound(float v);

class TgkLayer : public TgkVisualObject {
  FM_CLASS(TgkLayer, TgkVisualObject)
 public:
  static constexpr uint32_t kDefaultModulation = 0xFFFFFFFF;

  explicit TgkLayer(TComponent* owner = nullptr);
  ~TgkLayer() override;

  // Bitmap pixels per scene unit in the camera projection.
  int Resolution() const { return resolution_; }
  void SetResolution(int value);
  uint32_t ModulationColor() const { return modulation_; }
  void SetModulationColor(uint32_t color);
  std::string ModulationColorText() const;
  void SetModulationColorText(const std::string& text);
  TgkLayerAlign LayerAlign() const { return layer_align_; }
  void SetLayerAlign(TgkLayerAlign value);

  // The pixel size the bitmap must have; it is reallocated in BeforePaint.
  int BitmapWidth() const { return bitmap_width_; }
  int BitmapHeight() const { return bitmap_height_; }
  TgkBitmap& Bitmap() { return *bitmap_; }
  const TgkMeshData& CameraQuad() const { return camera_quad_; }
  const TgkMeshData& ScreenQuad() const { return screen_quad_; }

  // X, Y in bitmap pixels (meaningful for camera-projection layers).
  TgkLayerMouseEvent OnLayerMouseDown, OnLayerMouseUp;
  TgkLayerMouseMoveEvent OnLayerMouseMove;

  void SetWidth(float value) override;
  void SetHeight(float value) override;
  void SetDepth(float value) override;
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;
  void MouseDown(TMouseButton button, TShiftState shift, float x, float y, const TgkVector& ray_pos,
                 const TgkVector& ray_dir) override;
  void MouseMove(TShiftState shift, float x, float y, float dx, float dy, const TgkVector& ray_pos,
                 const TgkVector& ray_dir) override;
  void MouseUp(TMouseButton button, TShiftState shift, float x, float y, const TgkVector& ray_pos,
               const TgkVector& ray_dir) override;
  void BeforePaint() override;
  void Paint() override;

  // The bitmap pixel under the scene's last mouse position; False when the pointer's ray
  // misses the layer's plane (or the layer has no extent).
  bool BitmapPointAtMouse(int& x, int& y);

 private:
  int resolution_ = 60;
  uint32_t modulation_ = kDefaultModulation;
  TgkLayerAlign layer_align_ = gkLayerNone;
  int bitmap_width_ = 240;
  int bitmap_height_ = 180;
  std::unique_ptr<TgkBitmap> bitmap_;
  TgkMeshData camera_quad_;
  TgkMeshData screen_quad_;
};
