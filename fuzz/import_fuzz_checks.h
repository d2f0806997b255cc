// Checks the fuzz targets of the model builders apply to what they build: finite numbers,
// positions inside the unit box, sizes within the normalised model, valid indices.
#pragma once

#include <cmath>

#include "import/built_mesh.h"
#include "import/mesh_builder_3ds.h"
#include "scene/shape.h"

namespace importfuzz {

inline void Require(bool ok) {
  if (!ok) __builtin_trap();
}

template <typename Vertex>
void CheckGeometry(const std::vector<Vertex>& vertices, const std::vector<uint16_t>& indices) {
  Require(vertices.size() <= kMaxMeshVertices && indices.size() % 3 == 0);
  for (const Vertex& v : vertices) {
    for (float f : {v.X, v.Y, v.Z}) Require(f >= -0.5f && f <= 0.5f);
    for (float f : {v.NX, v.NY, v.NZ, v.TU, v.TV}) Require(std::isfinite(f));
  }
  for (uint16_t i : indices) Require(i < vertices.size());
}

inline void CheckPlacement(float w, float h, float d, float x, float y, float z) {
  for (float f : {w, h, d}) Require(f >= 0 && f <= 1.0001f);
  for (float f : {x, y, z}) Require(std::isfinite(f) && std::fabs(f) <= 0.5001f);
}

inline void CheckBuilt(const TBuiltMesh& m) {
  CheckGeometry(m.Vertices, m.Indices);
  CheckPlacement(m.Width, m.Height, m.Depth, m.X, m.Y, m.Z);
}

// Every child of the parent is a mesh as the builders make them.
inline void CheckSceneChildren(TgkVisualObject& parent) {
  for (float f : {parent.Width(), parent.Height(), parent.Depth()}) {
    Require(std::isfinite(f) && f >= 0 && f <= 1.0001f);
  }
  for (TgkObject* child : parent.Children()) {
    auto* mesh = dynamic_cast<TgkMesh*>(child);
    Require(mesh != nullptr);
    CheckGeometry(mesh->Data().Vertices, mesh->Data().Indices);
    CheckPlacement(mesh->Width(), mesh->Height(), mesh->Depth(), mesh->Position().X(),
                   mesh->Position().Y(), mesh->Position().Z());
  }
}

}  // namespace importfuzz
