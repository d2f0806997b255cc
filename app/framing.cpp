#include "app/framing.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "app/shadow_placement.h"
#include "app/silhouette.h"
#include "app/workbench.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/shape.h"

namespace {

TgkVector Row(const TgkMatrix& m, int r, float w) {
  return MakeVector(m[r][0], m[r][1], m[r][2], w);
}

}  // namespace

bool FitFraming(TWorkbench& workbench, float margin_percent) {
  if (!(margin_percent >= 0 && margin_percent < 50)) {
    throw std::invalid_argument("the fit margin must be 0 to below 50 percent");
  }
  const float side = static_cast<float>(kMasterSize);
  const float available = side * (1 - 2 * margin_percent / 100);
  // What the shadow adds on each side of the silhouette, in master pixels.
  float add_left = 0, add_right = 0, add_top = 0, add_bottom = 0;
  const TShadowSettings shadow = workbench.Shadow();
  if (shadow.Enabled) {
    // The blur reaches its radius beyond the moved silhouette (a pixel more for the
    // scaling's fringe); the effect's spread only sizes its work bitmap.
    const TShadowGeometry g = ShadowGeometry(shadow, 1);
    const float reach = static_cast<float>(g.Radius) + 1;
    add_left = std::max(0.0f, reach - g.Dx);
    add_right = std::max(0.0f, reach + g.Dx);
    add_top = std::max(0.0f, reach - g.Dy);
    add_bottom = std::max(0.0f, reach + g.Dy);
  }
  const float min_distance = -(kDistanceTrack.Max - kDistanceTrack.ViewportSize);
  const float max_distance = -kDistanceTrack.Min;
  const float half_view = std::tan(static_cast<float>(kPi / 8));

  TgkCamera& camera = workbench.Camera1();
  TgkDummy& owner = workbench.MeshOwner();
  float distance = -camera.Position().Y();
  TgkPoint offset = owner.Position().Point();
  bool found = false;
  for (int step = 0; step < 40; ++step) {
    const TSilhouette box = ProjectSilhouette(owner, camera, side);
    if (box.Empty && !box.Behind) return found;
    const TgkMatrix& cm = camera.GetAbsoluteMatrix();
    const TgkVector eye = Row(cm, 3, 1), dir = VectorNormalize(Row(cm, 1, 0));
    const TgkVector up = VectorNormalize(Row(cm, 2, 0)), right = VectorNormalize(Row(cm, 0, 0));
    const TgkVector pivot = owner.AbsolutePosition();
    const float depth = VectorDot(VectorSubtract(pivot, eye), dir);
    float new_distance = distance;
    TgkPoint new_offset = offset;
    if (box.Behind || box.Empty) {
      new_distance = std::min(max_distance, distance * 1.5f + 1);
    } else {
      const float w = std::max(box.Right - box.Left, 1e-3f);
      const float h = std::max(box.Bottom - box.Top, 1e-3f);
      const float room_x = std::max(available - add_left - add_right, 1.0f);
      const float room_y = std::max(available - add_top - add_bottom, 1.0f);
      const float grow = std::min(room_x / w, room_y / h);
      // The picture's size goes with 1 / depth: the camera moves along its axis.
      const float new_depth = std::max(depth / grow, 0.5f);
      new_distance = std::clamp(distance + (new_depth - depth), min_distance, max_distance);
      // Centre the picture with its shadow: move the model across the view.
      const float cx = (box.Left - add_left + box.Right + add_right) / 2;
      const float cy = (box.Top - add_top + box.Bottom + add_bottom) / 2;
      const float per_pixel = 2 * std::max(depth, 0.5f) * half_view / side;
      const float mx = (side / 2 - cx) * per_pixel, my = (cy - side / 2) * per_pixel;
      TgkVector target = VectorAdd(pivot, VectorCombine2(right, up, mx, my));
      target.W = 1;
      if (auto* parent = dynamic_cast<TgkVisualObject*>(owner.Parent())) {
        target = parent->AbsoluteToLocalVector(target);
      }
      new_offset = {target.X, target.Y, target.Z};
      found = true;
      const bool settled = std::fabs(grow - 1) < 1e-4f && std::fabs(side / 2 - cx) < 0.01f &&
                           std::fabs(side / 2 - cy) < 0.01f;
      if (settled) break;
    }
    distance = new_distance;
    offset = new_offset;
    workbench.SetCameraDistance(distance);
    distance = -camera.Position().Y();
    workbench.SetModelOffset(offset);
  }
  if (found) workbench.MarkFramingFitted();
  return found;
}
