// The canvas's view of scene objects: a camera's absolute axes and the lights' set-up.
#include "scene/camera_light.h"
#include "scene/canvas.h"
#include "scene/visual_object.h"

namespace {

TgkVector Row(const TgkMatrix& m, int r, float w) {
  return {m[r][0], m[r][1], m[r][2], w};
}

}  // namespace

void TgkCanvas::SetCamera(TgkVisualObject* camera) {
  camera_ = camera;
  if (!camera) {
    // No camera: the view stays in view space, as picking expects.
    view_ = IdentityMatrix;
    inverse_view_ = IdentityMatrix;
    return;
  }
  const TgkMatrix& m = camera->GetAbsoluteMatrix();
  view_ = MatrixLookAtDirRH(Row(m, 3, 1), Row(m, 1, 0), Row(m, 2, 0));
  inverse_view_ = view_;
  MatrixInvert(inverse_view_);
}

std::vector<TgkCanvasLight> TgkCanvas::LightSetup() const {
  std::vector<TgkCanvasLight> setup;
  for (TgkLight* light : lights_) {
    if (!light->Enabled()) continue;
    const TgkMatrix& m = light->GetAbsoluteMatrix();
    TgkCanvasLight l;
    l.kind = light->LightType() == gkLightPoint  ? TgkCanvasLightKind::Point
             : light->LightType() == gkLightSpot ? TgkCanvasLightKind::Spot
                                                 : TgkCanvasLightKind::Directional;
    l.position = Row(m, 3, 1);
    l.direction = VectorNormalize(Row(m, 1, 0));
    setup.push_back(l);
  }
  return setup;
}
