// Checks the fuzz targets of the model builders apply to what they build: finite numbers,
// positions inside the unit box, sizes within the normalised model, valid indices.
#pragma once

#include <cmath>
#include <string>

#include "import/built_mesh.h"
#include "import/mesh_builder_3ds.h"
#include "scene/shape.h"

namespace importfuzz {

inline void Require(bool ok) {
  if (!ok) __builtin_trap();
}

// A reader's error message is for the user: not empty, without carriage returns (they
// overwrite the terminal line; names quoted in it show them as '?') and without the
// "(source file, line n)" ending of an assertion. Names may hold any other text.
inline void CheckMessage(const std::string& text) {
  Require(!text.empty());
  Require(text.find('\r') == std::string::npos);
  if (text.ends_with(")")) {
    size_t i = text.size() - 1;
    while (i > 0 && text[i - 1] >= '0' && text[i - 1] <= '9') --i;
    Require(i == text.size() - 1 || !text.substr(0, i).ends_with(", line "));
  }
}

// Vertices lie in the unit box, and where they land in the parent (position + vertex x
// size) lies inside the normalised model. A flat mesh's box may stick out of a model
// thinner than its 0.01 slab, but its vertices do not.
// Max_vertices is the most the builder may make of its input.
template <typename Vertex>
void CheckMesh(const std::vector<Vertex>& vertices, const std::vector<uint32_t>& indices,
               const float size[3], const float pos[3], size_t max_vertices) {
  Require(vertices.size() <= max_vertices && indices.size() % 3 == 0);
  for (int k = 0; k < 3; ++k) Require(std::isfinite(size[k]) && size[k] >= 0);
  for (int k = 0; k < 3; ++k) Require(std::isfinite(pos[k]));
  Require(size[0] <= 1.0001f && size[1] <= 1.0001f);
  for (const Vertex& v : vertices) {
    const float p[3] = {v.X, v.Y, v.Z};
    for (int k = 0; k < 3; ++k) {
      Require(p[k] >= -0.5f && p[k] <= 0.5f);
      const double placed = pos[k] + double{p[k]} * size[k];
      const double slack = 1e-3 + 1e-5 * (std::fabs(pos[k]) + size[k]);
      Require(std::fabs(placed) <= 0.5 + slack);
    }
    for (float f : {v.NX, v.NY, v.NZ, v.TU, v.TV}) Require(std::isfinite(f));
  }
  for (uint32_t i : indices) Require(i < vertices.size());
}

inline void CheckBuilt(const TBuiltMesh& m, size_t max_vertices) {
  const float size[3] = {m.Width, m.Height, m.Depth}, pos[3] = {m.X, m.Y, m.Z};
  CheckMesh(m.Vertices, m.Indices, size, pos, max_vertices);
}

inline void CheckModelSize(float w, float h, float d) {
  for (float f : {w, h, d}) Require(f >= 0 && f <= 1.0001f);
}

// Every child of the parent is a mesh as the builders make them.
inline void CheckSceneChildren(TgkVisualObject& parent, size_t max_vertices) {
  for (float f : {parent.Width(), parent.Height(), parent.Depth()}) {
    Require(std::isfinite(f) && f >= 0 && f <= 1.0001f);
  }
  for (TgkObject* child : parent.Children()) {
    auto* mesh = dynamic_cast<TgkMesh*>(child);
    Require(mesh != nullptr);
    const float size[3] = {mesh->Width(), mesh->Height(), mesh->Depth()};
    const float pos[3] = {mesh->Position().X(), mesh->Position().Y(), mesh->Position().Z()};
    CheckMesh(mesh->Data().Vertices, mesh->Data().Indices, size, pos, max_vertices);
  }
}

}  // namespace importfuzz
