// The icon render: the model drawn off-screen at 1024 x 1024, reduced to a 256 x 256
// master, given a drop shadow and drawn into the six previews that every saved file is
// made from. Each step is its own function so that it can be measured on its own;
// TWorkbench::RenderIcons runs them in order. The 3D step (RenderModel) is in
// model_render.cpp, the 2D steps in icon_pipeline.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "imaging/bitmap.h"
#include "scene/canvas.h"

class TgkBitmap;
class TgkCamera;
class TgkDummy;
class TgkLight;
class TgkShape;

// The shadow as the render reads it: the slider values, not the effect's units.
struct TShadowSettings {
  bool Enabled = true;
  float Direction = 45;  // degrees, 0 right, 90 down
  float Distance = 3;    // pixels
  float Opacity = 60;    // percent
  float Softness = 30;   // slider value, 20 .. 100
  uint32_t Color = 0xFF000000;
};

// The six previews, largest first.
class TIconPreviews {
 public:
  static constexpr std::array<int, 6> kSizes{256, 128, 64, 48, 32, 16};
  // The preview of one of kSizes; raises std::out_of_range for any other size.
  TpmBitmap& Of(int size);
  const TpmBitmap& Of(int size) const;

 private:
  std::array<TpmBitmap, 6> images_;
};

inline constexpr int kRenderSize = 1024;
inline constexpr int kMasterSize = 256;

// Renders owner (scaled by 2 for the duration) through scene's canvas with camera and light,
// selected (may be null) drawn solid; the frame is left in scene's pixels. With a tile, the
// frame is that part of a larger frame (TgkCanvas::SetFrameTile). False when the canvas
// cannot start a frame.
bool RenderFrame(TgkBitmap& scene, TgkDummy& owner, TgkCamera& camera, TgkLight& light,
                 TgkShape* selected, const TgkFrameTile& tile = {});

// Step A: renders owner (scaled by 2 for the duration) through scene's canvas with camera
// and light, selected (may be null) drawn solid, and copies the frame into work. False
// when the canvas cannot start a frame; work then keeps its previous pixels.
bool RenderModel(TgkBitmap& scene, TpmBitmap& work, TgkDummy& owner, TgkCamera& camera,
                 TgkLight& light, TgkShape* selected);

// Step B: the 256 x 256 master, work drawn scaled into a fresh bitmap.
void MakeMaster(const TpmBitmap& work, TpmBitmap& master);

// Step C: replaces master by its shadow with the model drawn again on top. The model is the
// master's own shown part, moved by whole pixels: a master reduced from a larger frame (as
// MakeMaster and the large masters make it) and moved so is that frame reduced to the moved
// place, pixel for pixel, so the frame is not reduced a second time. scale is the master's
// side / 256: the shadow's distance, spread and blur grow with it, so that every master shows
// the same picture. shift false leaves model and shadow in place (see PlaceShadow).
void AddShadow(TpmBitmap& master, const TShadowSettings& settings, int scale = 1,
               bool shift = true);

// Step D: every preview resized and drawn from the master.
void MakePreviews(const TpmBitmap& master, TIconPreviews& previews);
