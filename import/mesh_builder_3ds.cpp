#include "import/mesh_builder_3ds.h"

#include <array>
#include <cmath>

#include "import/name_text.h"

namespace {

using Vec3 = std::array<double, 3>;

Vec3 Sub(const Vec3& a, const Vec3& b) {
  return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

int LowestBit(uint32_t mask) {
  int g = 0;
  while (!(mask & 1u)) {
    mask >>= 1;
    ++g;
  }
  return g;
}

// Normals are summed in double; one that would overflow a float is scaled down, since
// only its direction matters to the renderer.
void StoreNormal(TBuiltVertex& v, const Vec3& n) {
  double largest = std::max({std::fabs(n[0]), std::fabs(n[1]), std::fabs(n[2])});
  double k = largest > 1e30 ? 1e30 / largest : 1;
  v.NX = static_cast<float>(n[0] * k);
  v.NY = static_cast<float>(n[1] * k);
  v.NZ = static_cast<float>(n[2] * k);
}

uint8_t Channel(float c) {
  float v = c * 255;
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return static_cast<uint8_t>(v);  // Trunc
}

}  // namespace

bool IsAccepted3DSMesh(const TMesh3DS& mesh) {
  return !mesh.Hidden && mesh.VertexCount() >= 3;
}

uint32_t MaterialColorToArgb(const TColor3DS& color) {
  return 0xFF000000u | (uint32_t{Channel(color.R)} << 16) | (uint32_t{Channel(color.G)} << 8) |
         uint32_t{Channel(color.B)};
}

TBuiltMesh Build3DSMesh(const TMesh3DS& mesh, const double model_centre[3], double model_scale) {
  TBuiltMesh out;
  out.DisplayName = ModelNameToUtf8(mesh.Name);
  if (!mesh.MaterialGroups.empty()) {
    out.HasMaterialGroup = true;
    out.MaterialGroup = mesh.MaterialGroups[0].Name;
  }

  const size_t n = mesh.Vertices.size();
  std::vector<TBuiltVertex>& verts = out.Vertices;
  std::vector<Vec3> positions(n);
  verts.reserve(n + n / 2);
  verts.resize(n);
  for (size_t k = 0; k < n; ++k) {
    const TPoint3DS& p = mesh.Vertices[k];
    positions[k] = {FiniteOrZero(p.X), FiniteOrZero(p.Y), FiniteOrZero(p.Z)};
    // Texture coordinates are indexed by vertex; vertices past a short list get (0, 0).
    if (k < mesh.TexCoords.size()) {
      verts[k].TU = static_cast<float>(FiniteOrZero(mesh.TexCoords[k].U));
      verts[k].TV = static_cast<float>(1 - FiniteOrZero(mesh.TexCoords[k].V));
    }
  }

  // Split: a file vertex shared by faces of the same lowest smoothing bit stays one vertex
  // with the summed normal; every other reuse gets a copy with the face's own normal.
  std::vector<Vec3> normals(n);
  std::vector<Vec3> vertex_pos(positions);  // positions of all vertices, copies included
  std::vector<bool> used(n, false);
  std::vector<int32_t> groups(n * 32, -1);  // per file vertex: the copy for each bit
  out.Indices.reserve(mesh.Faces.size() * 3);
  auto copy_of = [&](size_t v, const Vec3& nf) -> int32_t {
    verts.push_back(verts[v]);
    vertex_pos.push_back(positions[v]);
    normals.push_back(nf);
    return static_cast<int32_t>(verts.size() - 1);
  };
  for (size_t fi = 0; fi < mesh.Faces.size(); ++fi) {
    const TFace3DS& f = mesh.Faces[fi];
    const size_t corner_v[3] = {f.V1, f.V2, f.V3};
    // A face naming a vertex the mesh does not have is left out.
    if (corner_v[0] >= n || corner_v[1] >= n || corner_v[2] >= n) continue;
    const uint32_t s = fi < mesh.SmoothingGroups.size() ? mesh.SmoothingGroups[fi] : 0;
    const Vec3& a = positions[corner_v[0]];
    const Vec3 nf = Cross(Sub(positions[corner_v[1]], a), Sub(positions[corner_v[2]], a));
    const int g = s ? LowestBit(s) : 0;
    int32_t corner[3];
    for (int c = 0; c < 3; ++c) {
      const size_t v = corner_v[c];
      int32_t& slot = groups[v * 32 + static_cast<size_t>(g)];
      int32_t chosen;
      if (!used[v]) {
        normals[v] = nf;
        if (s) slot = static_cast<int32_t>(v);
        used[v] = true;
        chosen = static_cast<int32_t>(v);
      } else if (s == 0 || slot < 0) {
        chosen = copy_of(v, nf);
        if (s) slot = chosen;
      } else {
        chosen = slot;
        Vec3& w = normals[static_cast<size_t>(chosen)];
        for (int k = 0; k < 3; ++k) w[k] += nf[k];
      }
      corner[c] = chosen;
    }
    out.Indices.push_back(static_cast<uint32_t>(corner[0]));
    out.Indices.push_back(static_cast<uint32_t>(corner[2]));
    out.Indices.push_back(static_cast<uint32_t>(corner[1]));
  }

  TModelBounds bounds;
  for (const Vec3& p : positions) bounds.Add(p[0], p[1], p[2]);
  double centre[3], extent[3];
  for (int k = 0; k < 3; ++k) {
    extent[k] = bounds.Extent(k);
    centre[k] = bounds.Centre(k);
  }
  for (size_t i = 0; i < verts.size(); ++i) {
    const Vec3& p = vertex_pos[i];
    verts[i].X = NormaliseCoordinate(p[0], centre[0], extent[0]);
    verts[i].Y = NormaliseCoordinate(p[1], centre[1], extent[1]);
    verts[i].Z = NormaliseCoordinate(p[2], centre[2], extent[2]);
    StoreNormal(verts[i], normals[i]);
  }
  out.Width = static_cast<float>(extent[0] * model_scale);
  out.Height = static_cast<float>(extent[1] * model_scale);
  out.Depth = static_cast<float>(extent[2] * model_scale);
  out.X = static_cast<float>((centre[0] - model_centre[0]) * model_scale);
  out.Y = static_cast<float>((centre[1] - model_centre[1]) * model_scale);
  out.Z = static_cast<float>((centre[2] - model_centre[2]) * model_scale);
  return out;
}

void Build3DSMeshes(TFile3DS& file, const std::function<void(TBuiltMesh&&)>& emit) {
  TObjectList& objects = file.ObjectList();
  const int count = objects.MeshCount();
  TModelBounds model;
  for (int i = 0; i < count; ++i) {
    const TMesh3DS& mesh = objects.Mesh(i);
    if (!IsAccepted3DSMesh(mesh)) continue;
    for (const TPoint3DS& p : mesh.Vertices) {
      model.Add(FiniteOrZero(p.X), FiniteOrZero(p.Y), FiniteOrZero(p.Z));
    }
  }
  if (model.Empty()) return;
  const double centre[3] = {model.Centre(0), model.Centre(1), model.Centre(2)};
  const double scale = model.Scale();
  for (int i = 0; i < count; ++i) {
    const TMesh3DS& mesh = objects.Mesh(i);
    if (!IsAccepted3DSMesh(mesh)) continue;
    emit(Build3DSMesh(mesh, centre, scale));
  }
}

uint32_t WithTransparency(uint32_t argb, float transparency) {
  return (argb & 0x00FFFFFFu) | (uint32_t{Channel(1 - transparency)} << 24);
}

std::optional<TBuiltMaterial> Find3DSMaterial(TFile3DS& file, const std::string& group) {
  const TMaterial3DS* material = file.MaterialList().FindByName(group);
  if (!material) return std::nullopt;
  const uint32_t diffuse = MaterialColorToArgb(material->Diffuse);
  // Only a transparency above nothing changes the colour: opaque materials stay as they were.
  const float t = material->Transparency;
  return TBuiltMaterial{t > 0 ? WithTransparency(diffuse, t) : diffuse, material->Texture.Map.Name,
                        material->TwoSided};
}
