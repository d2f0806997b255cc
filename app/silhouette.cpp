#include "app/silhouette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "app/render_pose.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/shape.h"

namespace {

// Row vector times matrix with the fourth component kept.
std::array<float, 4> Transform(const std::array<float, 4>& v, const TgkMatrix& m) {
  std::array<float, 4> r{};
  for (int c = 0; c < 4; ++c) {
    r[c] = v[0] * m[0][c] + v[1] * m[1][c] + v[2] * m[2][c] + v[3] * m[3][c];
  }
  return r;
}

TgkVector Row(const TgkMatrix& m, int r, float w) {
  return MakeVector(m[r][0], m[r][1], m[r][2], w);
}

// Every vertex the icon render draws below parent, into clip space.
void Collect(TgkVisualObject& parent, const TgkMatrix& view_projection,
             std::vector<std::array<float, 4>>& out) {
  for (TgkObject* node : parent.Children()) {
    if (!node->IsVisualObject()) continue;
    auto& child = static_cast<TgkVisualObject&>(*node);
    // As the render: hidden objects and objects squashed flat are skipped with their subtree.
    if (!child.Visible()) continue;
    if (std::fabs(child.Scale().X()) < 0.01f || std::fabs(child.Scale().Y()) < 0.01f) continue;
    if (auto* mesh = dynamic_cast<TgkCustomMesh*>(&child)) {
      const TgkMatrix m = MatrixMultiply(mesh->GetAbsoluteMatrix(), view_projection);
      for (const TgkMeshVertex& v : mesh->MeshData().Vertices) {
        out.push_back(
            Transform({v.X * mesh->Width(), v.Y * mesh->Height(), v.Z * mesh->Depth(), 1}, m));
      }
    }
    Collect(child, view_projection, out);
  }
}

}  // namespace

TSilhouette ProjectSilhouette(TgkDummy& owner, TgkCamera& camera, float side) {
  const TgkMatrix& cm = camera.GetAbsoluteMatrix();
  const TgkMatrix view_projection =
      MatrixMultiply(MatrixLookAtDirRH(Row(cm, 3, 1), Row(cm, 1, 0), Row(cm, 2, 0)),
                     MatrixPerspectiveFovRH(static_cast<float>(kPi / 4), 1, 1, 1000));
  std::vector<std::array<float, 4>> clip;
  {
    TRenderPose pose(owner, nullptr);
    Collect(owner, view_projection, clip);
  }
  TSilhouette s;
  s.Left = s.Top = side;
  s.Right = s.Bottom = 0;
  for (const auto& c : clip) {
    if (!(c[3] > 1.0f)) {
      s.Behind = true;
      continue;
    }
    // Clip space to pixels: x right, y up, as the frame is read back top row first.
    const float x = (c[0] / c[3] + 1) * 0.5f * side;
    const float y = (1 - c[1] / c[3]) * 0.5f * side;
    s.Left = std::min(s.Left, x);
    s.Right = std::max(s.Right, x);
    s.Top = std::min(s.Top, y);
    s.Bottom = std::max(s.Bottom, y);
    s.Empty = false;
  }
  return s;
}
