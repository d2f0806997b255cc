#include "app/framing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "app/render_pose.h"
#include "app/shadow_placement.h"
#include "app/workbench.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/shape.h"

namespace {

struct TBox {
  float Left = std::numeric_limits<float>::max();
  float Top = std::numeric_limits<float>::max();
  float Right = std::numeric_limits<float>::lowest();
  float Bottom = std::numeric_limits<float>::lowest();
  bool Empty() const { return Left > Right; }
};

// Row vector times matrix with the fourth component kept.
std::array<float, 4> Transform(const std::array<float, 4>& v, const TgkMatrix& m) {
  std::array<float, 4> r{};
  for (int c = 0; c < 4; ++c) {
    r[c] = v[0] * m[0][c] + v[1] * m[1][c] + v[2] * m[2][c] + v[3] * m[3][c];
  }
  return r;
}

// The world positions of every vertex the icon render draws below parent.
void CollectVertices(TgkVisualObject& parent, std::vector<std::array<float, 4>>& out) {
  for (TgkObject* node : parent.Children()) {
    if (!node->IsVisualObject()) continue;
    auto& child = static_cast<TgkVisualObject&>(*node);
    // As the render: hidden objects and objects squashed flat are skipped with their subtree.
    if (!child.Visible()) continue;
    if (std::fabs(child.Scale().X()) < 0.01f || std::fabs(child.Scale().Y()) < 0.01f) continue;
    if (auto* mesh = dynamic_cast<TgkCustomMesh*>(&child)) {
      const TgkMatrix& m = mesh->GetAbsoluteMatrix();
      for (const TgkMeshVertex& v : mesh->MeshData().Vertices) {
        out.push_back(
            Transform({v.X * mesh->Width(), v.Y * mesh->Height(), v.Z * mesh->Depth(), 1}, m));
      }
    }
    CollectVertices(child, out);
  }
}

// The silhouette's box in pixels of a side x side icon; Behind is set when a vertex lies
// at or behind the near plane, where the projection no longer holds.
TBox Project(const std::vector<std::array<float, 4>>& world, const TgkMatrix& view_projection,
             float side, bool& behind) {
  TBox box;
  behind = false;
  for (const auto& p : world) {
    const std::array<float, 4> c = Transform(p, view_projection);
    if (!(c[3] > 1.0f)) {
      behind = true;
      continue;
    }
    // Clip space to pixels: x right, y up, as the frame is read back top row first.
    const float x = (c[0] / c[3] + 1) * 0.5f * side;
    const float y = (1 - c[1] / c[3]) * 0.5f * side;
    box.Left = std::min(box.Left, x);
    box.Right = std::max(box.Right, x);
    box.Top = std::min(box.Top, y);
    box.Bottom = std::max(box.Bottom, y);
  }
  return box;
}

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
  const TgkMatrix projection = MatrixPerspectiveFovRH(static_cast<float>(kPi / 4), 1, 1, 1000);
  const float half_view = std::tan(static_cast<float>(kPi / 8));

  TgkCamera& camera = workbench.Camera1();
  TgkDummy& owner = workbench.MeshOwner();
  float distance = -camera.Position().Y();
  TgkPoint offset = owner.Position().Point();
  bool found = false;
  for (int step = 0; step < 40; ++step) {
    std::vector<std::array<float, 4>> world;
    {
      TRenderPose pose(owner, nullptr);
      CollectVertices(owner, world);
    }
    if (world.empty()) return found;
    const TgkMatrix& cm = camera.GetAbsoluteMatrix();
    const TgkVector eye = Row(cm, 3, 1), dir = VectorNormalize(Row(cm, 1, 0));
    const TgkVector up = VectorNormalize(Row(cm, 2, 0)), right = VectorNormalize(Row(cm, 0, 0));
    const TgkMatrix view_projection =
        MatrixMultiply(MatrixLookAtDirRH(eye, Row(cm, 1, 0), Row(cm, 2, 0)), projection);
    bool behind = false;
    const TBox box = Project(world, view_projection, side, behind);
    const TgkVector pivot = owner.AbsolutePosition();
    const float depth = VectorDot(VectorSubtract(pivot, eye), dir);
    float new_distance = distance;
    TgkPoint new_offset = offset;
    if (behind || box.Empty()) {
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
