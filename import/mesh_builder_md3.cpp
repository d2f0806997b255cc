#include "import/mesh_builder_md3.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "import/name_text.h"

namespace {

// Frame-0 vertices of a surface: its vertex count, all of them (indices are 32-bit).
// Vertices the file does not hold read as zeros. The reader has held the count to what
// the file's size allows (it sized the texture coordinates by it).
size_t ShownVertexCount(const TMD3MeshData& s) {
  return std::min(static_cast<size_t>(std::max(s.NumVerts, 0)), s.TexCoords.size());
}

TMD3Vertex FrameZeroVertex(const TMD3MeshData& s, size_t j) {
  return j < s.Vertices.size() ? s.Vertices[j] : TMD3Vertex{};
}

}  // namespace

TBuiltVertex DecodeMD3Normal(uint8_t longitude, uint8_t latitude) {
  const double lat = latitude * 2 * std::numbers::pi / 255;
  const double lng = longitude * 2 * std::numbers::pi / 255;
  TBuiltVertex v;
  v.NX = static_cast<float>(std::cos(lat) * std::sin(lng));
  v.NY = static_cast<float>(std::sin(lat) * std::sin(lng));
  v.NZ = static_cast<float>(std::cos(lng));
  return v;
}

TBuiltMD3Model BuildMD3Model(TFileMD3& file) {
  TBuiltMD3Model model;
  file.Header.NumFrames = 1;

  TModelBounds bounds;
  for (const TMD3MeshData& s : file.Surfaces) {
    const size_t n = ShownVertexCount(s);
    for (size_t j = 0; j < n; ++j) {
      TMD3Vertex v = FrameZeroVertex(s, j);
      bounds.Add(v.X / 64.0, v.Y / 64.0, v.Z / 64.0);
    }
  }
  double centre[3] = {0, 0, 0};
  double scale = 1;
  if (!bounds.Empty()) {
    scale = bounds.Scale();
    for (int k = 0; k < 3; ++k) centre[k] = bounds.Centre(k);
    model.Width = static_cast<float>(bounds.Extent(0) * scale);
    model.Height = static_cast<float>(bounds.Extent(1) * scale);
    model.Depth = static_cast<float>(bounds.Extent(2) * scale);
  }

  for (const TMD3MeshData& s : file.Surfaces) {
    TBuiltMesh mesh;
    mesh.DisplayName = ModelNameToUtf8(MD3Name(s.Name, sizeof s.Name));
    const size_t n = ShownVertexCount(s);
    mesh.Vertices.resize(n);
    mesh.Indices.reserve(s.Triangles.size() * 3);
    for (const TMD3Triangle& t : s.Triangles) {
      // A triangle naming a vertex the surface does not have is left out.
      bool inside = true;
      for (int32_t v : t.Indexes) inside = inside && v >= 0 && static_cast<size_t>(v) < n;
      if (!inside) continue;
      for (int32_t v : t.Indexes) mesh.Indices.push_back(static_cast<uint32_t>(v));
      for (int32_t v : {t.Indexes[0], t.Indexes[2], t.Indexes[1]}) {
        const TMD3TexCoord& st = s.TexCoords[static_cast<size_t>(v)];
        mesh.Vertices[static_cast<size_t>(v)].TU = static_cast<float>(FiniteOrZero(st.S));
        mesh.Vertices[static_cast<size_t>(v)].TV = static_cast<float>(FiniteOrZero(st.T));
      }
    }
    TModelBounds own;
    for (size_t j = 0; j < n; ++j) {
      TMD3Vertex v = FrameZeroVertex(s, j);
      TBuiltVertex normal = DecodeMD3Normal(v.Normal[0], v.Normal[1]);
      mesh.Vertices[j].NX = normal.NX;
      mesh.Vertices[j].NY = normal.NY;
      mesh.Vertices[j].NZ = normal.NZ;
      own.Add(v.X / 64.0, v.Y / 64.0, v.Z / 64.0);
    }
    if (!own.Empty()) {
      double c[3], e[3];
      for (int k = 0; k < 3; ++k) {
        c[k] = own.Centre(k);
        e[k] = own.Extent(k);
      }
      for (size_t j = 0; j < n; ++j) {
        TMD3Vertex v = FrameZeroVertex(s, j);
        mesh.Vertices[j].X = NormaliseCoordinate(v.X / 64.0, c[0], e[0]);
        mesh.Vertices[j].Y = NormaliseCoordinate(v.Y / 64.0, c[1], e[1]);
        mesh.Vertices[j].Z = NormaliseCoordinate(v.Z / 64.0, c[2], e[2]);
      }
      mesh.Width = static_cast<float>(e[0] * scale);
      mesh.Height = static_cast<float>(e[1] * scale);
      mesh.Depth = static_cast<float>(e[2] * scale);
      mesh.X = static_cast<float>((c[0] - centre[0]) * scale);
      mesh.Y = static_cast<float>((c[1] - centre[1]) * scale);
      mesh.Z = static_cast<float>((c[2] - centre[2]) * scale);
    }
    model.Meshes.push_back(std::move(mesh));
  }
  return model;
}
