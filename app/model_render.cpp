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
    // As the viewport's scene would: a hidden model leaves the frame empty.
    if (owner.Visible()) {
      owner.BeforePaint();
      owner.Paint();
      owner.PaintChildren();
    }
  } catch (...) {
    owner.SetCanvas(nullptr);
    throw;
  }
  owner.SetCanvas(nullptr);
  canvas.EndScene();
  return true;
}

namespace {

// Sends the canvas's frames into the work bitmap's pixels while a render lasts, when the
// sizes agree, so the frame goes from the device to the icon path in one read.
class TFrameIntoWork {
 public:
  TFrameIntoWork(TgkCanvas& canvas, TpmBitmap& work) : canvas_(canvas) {
    if (work.Width() == canvas.Width() && work.Height() == canvas.Height()) {
      canvas_.SetFrameDestination(work.Pixels());
    }
  }
  ~TFrameIntoWork() { canvas_.SetFrameDestination(nullptr); }
  bool Direct() const { return canvas_.FrameDestination() != nullptr; }
  TFrameIntoWork(const TFrameIntoWork&) = delete;
  TFrameIntoWork& operator=(const TFrameIntoWork&) = delete;

 private:
  TgkCanvas& canvas_;
};

}  // namespace

bool RenderModel(TgkBitmap& scene, TpmBitmap& work, TgkDummy& owner, TgkCamera& camera,
                 TgkLight& light, TgkShape* selected) {
  TFrameIntoWork frame(scene.Canvas(), work);
  if (!RenderFrame(scene, owner, camera, light, selected)) return false;
  if (frame.Direct()) return true;
  // Another size: the frame stored in the scene bitmap is premultiplied BGRA like the work
  // bitmap, so the rows it shares with the work bitmap are copied as they are.
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
