#include "import/mesh_builder_assimp.h"

#include <array>
#include <cmath>

#include "core/text_helpers.h"

namespace {

using Vec3 = std::array<double, 3>;

// The turn that brings the file's up axis to +Z. A +Y-up model faces +Z (glTF's front),
// which the turn brings to -Y, towards the camera.
Vec3 ToSceneAxes(const Vec3& p, int up_axis, int up_sign) {
  Vec3 q;
  switch (up_axis) {
    case 0:  // +X up: a cyclic renaming of the axes keeps the model right-handed
      q = {p[1], p[2], p[0]};
      break;
    case 1:  // +Y up: a quarter turn about X
      q = {p[0], -p[2], p[1]};
      break;
    default:
      q = p;
  }
  if (up_sign < 0) q = {q[0], -q[1], -q[2]};  // half a turn about X: upside up again
  return q;
}

}  // namespace

void ChooseUpAxis(const std::string& file_name, THandbackModel& model) {
  const std::string ext = LowerExtension(file_name);
  if (ext == ".fbx") {
    if (model.UpAxis < 0) {
      model.UpAxis = 1;
      model.UpSign = 1;
    }
    return;
  }
  model.UpSign = 1;
  model.UpAxis = 2;
  for (const char* y_up : {".gltf", ".glb", ".obj", ".dae", ".x3d", ".lwo"}) {
    if (ext == y_up) model.UpAxis = 1;
  }
}

std::string HandbackMeshName(const THandbackMesh& mesh, size_t index) {
  if (!mesh.NodeName.empty()) {
    if (mesh.NodeMeshCount > 1 && !mesh.MeshName.empty())
      return mesh.NodeName + " / " + mesh.MeshName;
    return mesh.NodeName;
  }
  if (!mesh.MeshName.empty()) return mesh.MeshName;
  return "mesh " + std::to_string(index + 1);
}

std::vector<TBuiltHandbackMesh> BuildHandbackMeshes(const THandbackModel& model) {
  auto position = [&](const THandbackMesh& m, size_t i) {
    return ToSceneAxes({m.Positions[3 * i], m.Positions[3 * i + 1], m.Positions[3 * i + 2]},
                       model.UpAxis, model.UpSign);
  };
  TModelBounds whole;
  for (const THandbackMesh& m : model.Meshes) {
    for (size_t i = 0; i < m.VertexCount(); ++i) {
      const Vec3 p = position(m, i);
      whole.Add(p[0], p[1], p[2]);
    }
  }
  std::vector<TBuiltHandbackMesh> out;
  if (whole.Empty()) return out;
  const double model_centre[3] = {whole.Centre(0), whole.Centre(1), whole.Centre(2)};
  const double scale = whole.Scale();
  out.reserve(model.Meshes.size());
  for (size_t k = 0; k < model.Meshes.size(); ++k) {
    const THandbackMesh& m = model.Meshes[k];
    TBuiltHandbackMesh built;
    built.Material = m.Material;
    TBuiltMesh& mesh = built.Mesh;
    mesh.DisplayName = HandbackMeshName(m, k);
    const size_t n = m.VertexCount();
    std::vector<Vec3> positions(n);
    TModelBounds own;
    for (size_t i = 0; i < n; ++i) {
      positions[i] = position(m, i);
      own.Add(positions[i][0], positions[i][1], positions[i][2]);
    }
    double c[3] = {0, 0, 0}, e[3] = {0, 0, 0};
    if (!own.Empty()) {
      for (int a = 0; a < 3; ++a) {
        c[a] = own.Centre(a);
        e[a] = own.Extent(a);
      }
    }
    mesh.Vertices.resize(n);
    for (size_t i = 0; i < n; ++i) {
      TBuiltVertex& v = mesh.Vertices[i];
      v.X = NormaliseCoordinate(positions[i][0], c[0], e[0]);
      v.Y = NormaliseCoordinate(positions[i][1], c[1], e[1]);
      v.Z = NormaliseCoordinate(positions[i][2], c[2], e[2]);
      if (!m.TexCoords.empty()) {
        // Texture rows run top to bottom in the scene; the file's v runs upwards.
        v.TU = m.TexCoords[2 * i];
        v.TV = 1 - m.TexCoords[2 * i + 1];
      }
    }
    if (!m.Normals.empty()) {
      for (size_t i = 0; i < n; ++i) {
        const Vec3 nv = ToSceneAxes({m.Normals[3 * i], m.Normals[3 * i + 1], m.Normals[3 * i + 2]},
                                    model.UpAxis, model.UpSign);
        mesh.Vertices[i].NX = static_cast<float>(nv[0]);
        mesh.Vertices[i].NY = static_cast<float>(nv[1]);
        mesh.Vertices[i].NZ = static_cast<float>(nv[2]);
      }
    } else {
      // Summed face normals where the reader had none.
      std::vector<Vec3> sum(n, Vec3{0, 0, 0});
      for (size_t t = 0; t + 2 < m.Indices.size(); t += 3) {
        const Vec3 &a = positions[m.Indices[t]], &b = positions[m.Indices[t + 1]],
                   &d = positions[m.Indices[t + 2]];
        const Vec3 u = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const Vec3 w = {d[0] - a[0], d[1] - a[1], d[2] - a[2]};
        const Vec3 f = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                        u[0] * w[1] - u[1] * w[0]};
        for (int corner = 0; corner < 3; ++corner)
          for (int a2 = 0; a2 < 3; ++a2) sum[m.Indices[t + corner]][a2] += f[a2];
      }
      for (size_t i = 0; i < n; ++i) {
        const double len =
            std::sqrt(sum[i][0] * sum[i][0] + sum[i][1] * sum[i][1] + sum[i][2] * sum[i][2]);
        if (!(len > 0) || !std::isfinite(len)) continue;
        mesh.Vertices[i].NX = static_cast<float>(sum[i][0] / len);
        mesh.Vertices[i].NY = static_cast<float>(sum[i][1] / len);
        mesh.Vertices[i].NZ = static_cast<float>(sum[i][2] / len);
      }
    }
    // The readers hand back counter-clockwise front faces; the scene's order is a, c, b
    // (as for 3DS files, which share that convention).
    mesh.Indices.resize(m.Indices.size());
    for (size_t t = 0; t + 2 < m.Indices.size(); t += 3) {
      mesh.Indices[t] = m.Indices[t];
      mesh.Indices[t + 1] = m.Indices[t + 2];
      mesh.Indices[t + 2] = m.Indices[t + 1];
    }
    mesh.Colors = m.Colors;
    mesh.Width = static_cast<float>(e[0] * scale);
    mesh.Height = static_cast<float>(e[1] * scale);
    mesh.Depth = static_cast<float>(e[2] * scale);
    mesh.X = static_cast<float>((c[0] - model_centre[0]) * scale);
    mesh.Y = static_cast<float>((c[1] - model_centre[1]) * scale);
    mesh.Z = static_cast<float>((c[2] - model_centre[2]) * scale);
    out.push_back(std::move(built));
  }
  return out;
}
