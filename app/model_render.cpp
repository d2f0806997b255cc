#include <algorithm>
#include <cstring>

#include "app/icon_pipeline.h"
#include "app/render_pose.h"
#include "scene/camera_light.h"
#include "scene/canvas.h"
#include "scene/dummy.h"
#include "scene/scene_bitmap.h"
#include "scene/shape.h"

TRenderPose::TRenderPose(TgkDummy& owner, TgkShape* selected) : owner_(owner), selected_(selected) {
  owner_.Scale().SetPoint({2, 2, 2});
  if (selected_) selected_->Material().SetFillMode(gkSolid);
}

TRenderPose::~TRenderPose() {
  if (selected_) selected_->Material().SetFillMode(gkWireframe);
  owner_.Scale().SetPoint({1, 1, 1});
}

bool RenderFrame(TgkBitmap& scene, TgkDummy& owner, TgkCamera& camera, TgkLight& light,
                 TgkShape* selected, const TgkFrameTile& tile) {
  TgkCanvas& canvas = scene.Canvas();
  canvas.ResetState();
  // The tile holds only for this frame: the canvas's next frames are whole again.
  struct TTileScope {
    TgkCanvas& canvas;
    ~TTileScope() { canvas.SetFrameTile({}); }
  } tile_scope{canvas};
  canvas.SetFrameTile(tile);
  canvas.SetLighting(true);
  TRenderPose pose(owner, selected);
  canvas.SetCamera(&camera);
  canvas.AddLight(&light);
  if (!canvas.BeginScene()) return false;
  canvas.Clear(0);
  for (TgkRenderState state : {rsShadeGouraud, rsCameraMatrix, rsZWriteOn, rsLightingOn}) {
    canvas.SetRenderState(state);
  }
  canvas.SetMatrix(owner.GetAbsoluteMatrix());
  owner.SetCanvas(&canvas);
  try {
    owner.BeforePaint();
    owner.Paint();
    owner.PaintChildren();
  } catch (...) {
    owner.SetCanvas(nullptr);
    throw;
  }
  owner.SetCanvas(nullptr);
  canvas.EndScene();
  return true;
}

bool RenderModel(TgkBitmap& scene, TpmBitmap& work, TgkDummy& owner, TgkCamera& camera,
                 TgkLight& light, TgkShape* selected) {
  if (!RenderFrame(scene, owner, camera, light, selected)) return false;
  // The frame is premultiplied BGRA like the work bitmap: rows are copied as they are.
  const uint32_t* bits = scene.Bits();
  if (!bits) return false;
  const int width = std::min(scene.Width(), work.Width());
  const int height = std::min(scene.Height(), work.Height());
  for (int y = 0; y < height; ++y) {
    std::memcpy(work.Scanline(y), bits + static_cast<size_t>(y) * scene.Width(),
                static_cast<size_t>(width) * 4);
  }
  return true;
}
