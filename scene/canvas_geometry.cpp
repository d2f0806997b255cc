// Geometry the canvases share: the solid box of FillCube.
#include "scene/canvas.h"

namespace {

struct TFace {
  TgkVector normal, u, v;  // unit vectors; u along the texture's U, v downward along V
};

// Each face's u x v points into the box, so the face appears clockwise from outside.
constexpr TFace kFaces[6] = {
    {{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, -1, 0}},   // front, toward a default camera
    {{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, -1, 0}},   // back
    {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}},    // right
    {{-1, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, -1, 0}},  // left
    {{0, 0, 1, 0}, {1, 0, 0, 0}, {0, -1, 0, 0}},    // top
    {{0, 0, -1, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}},    // bottom
};

}  // namespace

void TgkCanvas::BuildCube(const TgkVector& center, const TgkVector& size, std::uint32_t color,
                          std::vector<TgkCanvasVertex>& vertices,
                          std::vector<std::uint16_t>& indices) {
  vertices.clear();
  indices.clear();
  constexpr float kTex[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  auto scaled = [&](const TgkVector& a, float f) {
    return TgkVector{a.X * size.X * f, a.Y * size.Y * f, a.Z * size.Z * f, 0};
  };
  for (const TFace& face : kFaces) {
    const TgkVector c = scaled(face.normal, 0.5f);
    const TgkVector u = scaled(face.u, 1);
    const TgkVector v = scaled(face.v, 1);
    const auto base = static_cast<std::uint16_t>(vertices.size());
    for (const auto& t : kTex) {
      const float du = t[0] - 0.5f, dv = t[1] - 0.5f;
      vertices.push_back({center.X + c.X + du * u.X + dv * v.X,
                          center.Y + c.Y + du * u.Y + dv * v.Y,
                          center.Z + c.Z + du * u.Z + dv * v.Z, face.normal.X, face.normal.Y,
                          face.normal.Z, color, t[0], t[1]});
    }
    for (int k : {0, 1, 2, 0, 2, 3}) indices.push_back(static_cast<std::uint16_t>(base + k));
  }
}
