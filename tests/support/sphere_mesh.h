// A UV sphere for render tests and benchmarks: radius 0.5 (the unit box), Rows x Cols quads
// of two triangles each, unit normals, texture coordinates running 0..1 around and down.
#pragma once

#include <cmath>
#include <cstdint>

#include "scene/mesh_data.h"

namespace testsupport {

inline void BuildSphere(TgkMeshData& mesh, int rows, int cols) {
  mesh.Vertices.clear();
  mesh.Indices.clear();
  for (int r = 0; r <= rows; ++r) {
    const float phi = 3.14159265f * static_cast<float>(r) / static_cast<float>(rows);
    for (int c = 0; c <= cols; ++c) {
      const float theta = 2 * 3.14159265f * static_cast<float>(c) / static_cast<float>(cols);
      const float x = std::sin(phi) * std::cos(theta), y = std::sin(phi) * std::sin(theta);
      const float z = std::cos(phi);
      mesh.Vertices.push_back(MakeMeshVertex(0.5f * x, 0.5f * y, 0.5f * z, x, y, z,
                                             static_cast<float>(c) / static_cast<float>(cols),
                                             static_cast<float>(r) / static_cast<float>(rows)));
    }
  }
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const auto a = static_cast<std::uint32_t>(r * (cols + 1) + c);
      const auto b = static_cast<std::uint32_t>(a + cols + 1);
      mesh.Indices.insert(mesh.Indices.end(), {a, b, static_cast<std::uint32_t>(a + 1),
                                               static_cast<std::uint32_t>(a + 1), b,
                                               static_cast<std::uint32_t>(b + 1)});
    }
  }
  mesh.NotifyChange();
}

}  // namespace testsupport
