#include "import/mesh_builder_3ds.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>

#include "tests/import/model_writer.h"

using namespace modelwriter;

namespace {

struct Model {
  explicit Model(Bytes bytes) : stream(std::move(bytes)) {
    file.LoadFromStream(stream);
    Build3DSMeshes(file, [this](TBuiltMesh&& m) { meshes.push_back(std::move(m)); });
  }
  TMemoryStream stream;
  TFile3DS file;
  std::vector<TBuiltMesh> meshes;
};

Model CubeWith(std::optional<std::vector<uint32_t>> smoothing) {
  MeshLayout m = Cube();
  m.smoothing = std::move(smoothing);
  return Model(File3DS({MeshChunk(m)}));
}

using Vec = std::array<double, 3>;
Vec Pos(const TBuiltVertex& v) {
  return {v.X, v.Y, v.Z};
}
Vec Minus(Vec a, Vec b) {
  return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Vec Cross(Vec a, Vec b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

void ExpectAllFinite(const TBuiltMesh& m) {
  for (const TBuiltVertex& v : m.Vertices) {
    for (float f : {v.X, v.Y, v.Z, v.NX, v.NY, v.NZ, v.TU, v.TV}) ASSERT_TRUE(std::isfinite(f));
    for (float f : {v.X, v.Y, v.Z}) {
      ASSERT_GE(f, -0.5f);
      ASSERT_LE(f, 0.5f);
    }
  }
  for (float f : {m.Width, m.Height, m.Depth, m.X, m.Y, m.Z}) ASSERT_TRUE(std::isfinite(f));
  for (uint32_t i : m.Indices) ASSERT_LT(i, m.Vertices.size());
}

TEST(Build3DS, CubeSmoothingVariants) {
  Model smooth = CubeWith(std::vector<uint32_t>(12, 1));
  ASSERT_EQ(smooth.meshes.size(), 1u);
  EXPECT_EQ(smooth.meshes[0].Vertices.size(), 8u);
  EXPECT_EQ(smooth.meshes[0].Indices.size(), 36u);

  std::vector<uint32_t> per_side;
  for (uint32_t side = 0; side < 6; ++side) per_side.insert(per_side.end(), 2, 1u << side);
  EXPECT_EQ(CubeWith(per_side).meshes[0].Vertices.size(), 24u);
  EXPECT_EQ(CubeWith(std::nullopt).meshes[0].Vertices.size(), 36u);
  // A smoothing list shorter than the faces: the faces without an entry are flat.
  Model half = CubeWith(std::vector<uint32_t>(6, 1));
  EXPECT_GT(half.meshes[0].Vertices.size(), 8u);
  EXPECT_EQ(half.meshes[0].Indices.size(), 36u);
  ExpectAllFinite(half.meshes[0]);
}

TEST(Build3DS, NormalsAreTheSummedOutwardFaceNormalsOfTheStoredTriangles) {
  for (auto smoothing : {std::optional<std::vector<uint32_t>>(std::vector<uint32_t>(12, 1)),
                         std::optional<std::vector<uint32_t>>()}) {
    const TBuiltMesh m = CubeWith(smoothing).meshes[0];
    std::vector<Vec> sum(m.Vertices.size(), Vec{0, 0, 0});
    for (size_t t = 0; t + 2 < m.Indices.size(); t += 3) {
      Vec a = Pos(m.Vertices[m.Indices[t]]), b = Pos(m.Vertices[m.Indices[t + 1]]),
          c = Pos(m.Vertices[m.Indices[t + 2]]);
      Vec n = Cross(Minus(c, a), Minus(b, a));
      for (int k = 0; k < 3; ++k) {
        for (uint32_t i : {m.Indices[t], m.Indices[t + 1], m.Indices[t + 2]}) sum[i][k] += n[k];
      }
    }
    for (size_t i = 0; i < m.Vertices.size(); ++i) {
      const TBuiltVertex& v = m.Vertices[i];
      EXPECT_NEAR(v.NX, sum[i][0], 1e-5);
      EXPECT_NEAR(v.NY, sum[i][1], 1e-5);
      EXPECT_NEAR(v.NZ, sum[i][2], 1e-5);
      // The cube is centred on the origin: outward means along the position.
      EXPECT_GT(v.NX * v.X + v.NY * v.Y + v.NZ * v.Z, 0) << i;
    }
  }
}

TEST(Build3DS, OnlyTheLowestSmoothingBitJoinsFaces) {
  // Three triangles around vertex 0: masks 6 and 2 share bit 1, mask 4 does not.
  MeshLayout m;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 1}};
  m.faces = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}};
  m.smoothing = std::vector<uint32_t>{6, 2, 4};
  Model model(File3DS({MeshChunk(m)}));
  const TBuiltMesh& b = model.meshes[0];
  // Faces 0 and 1 share vertices 0 and 2; face 2 gets its own copies of 0 and 3.
  EXPECT_EQ(b.Vertices.size(), 7u);
  EXPECT_EQ(b.Indices[0], b.Indices[3]);  // vertex 0 of faces 0 and 1
  EXPECT_NE(b.Indices[6], b.Indices[0]);  // face 2 has a copy of vertex 0
  EXPECT_EQ(b.Indices[1], b.Indices[5]);  // a, c, b: vertex 2 of both faces
}

TEST(Build3DS, TextureCoordinatesFlipV) {
  MeshLayout m = Cube();
  m.texcoords = {{0.25f, 0.75f}, {1, 1}, {0, 0}};  // shorter than the vertex list
  m.smoothing = std::vector<uint32_t>(12, 1);
  const TBuiltMesh b = Model(File3DS({MeshChunk(m)})).meshes[0];
  EXPECT_FLOAT_EQ(b.Vertices[0].TU, 0.25f);
  EXPECT_FLOAT_EQ(b.Vertices[0].TV, 0.25f);
  EXPECT_FLOAT_EQ(b.Vertices[1].TV, 0);
  EXPECT_FLOAT_EQ(b.Vertices[2].TV, 1);
  EXPECT_FLOAT_EQ(b.Vertices[7].TU, 0);  // no coordinate in the file
  EXPECT_FLOAT_EQ(b.Vertices[7].TV, 0);
}

MeshLayout Box(const std::string& name, V3 lo, V3 hi) {
  MeshLayout m = Cube(name);
  for (V3& v : m.vertices) {
    v = {v.x ? hi.x : lo.x, v.y ? hi.y : lo.y, v.z ? hi.z : lo.z};
  }
  return m;
}

TEST(Build3DS, BoundsAndPositions) {
  Model one(File3DS({MeshChunk(Box("A", {10, 0, -2}, {30, 5, 2}))}));
  ASSERT_EQ(one.meshes.size(), 1u);
  const TBuiltMesh& a = one.meshes[0];
  EXPECT_FLOAT_EQ(a.Width, 1);
  EXPECT_FLOAT_EQ(a.Height, 0.25f);
  EXPECT_FLOAT_EQ(a.Depth, 0.2f);
  EXPECT_FLOAT_EQ(a.X, 0);
  EXPECT_FLOAT_EQ(a.Y, 0);
  EXPECT_FLOAT_EQ(a.Z, 0);
  float lo = 1, hi = -1;
  for (const TBuiltVertex& v : a.Vertices) lo = std::min(lo, v.X), hi = std::max(hi, v.X);
  EXPECT_FLOAT_EQ(lo, -0.5f);
  EXPECT_FLOAT_EQ(hi, 0.5f);

  Model two(File3DS(
      {MeshChunk(Box("L", {0, 0, 0}, {1, 1, 1})), MeshChunk(Box("R", {3, 0, 0}, {4, 1, 1}))}));
  ASSERT_EQ(two.meshes.size(), 2u);
  EXPECT_FLOAT_EQ(two.meshes[0].X, -0.375f);
  EXPECT_FLOAT_EQ(two.meshes[1].X, 0.375f);
  EXPECT_FLOAT_EQ(two.meshes[0].Width, 0.25f);
  EXPECT_EQ(two.meshes[1].DisplayName, "R");
}

TEST(Build3DS, FlatMeshGetsADepthAndZeroExtentsStayFinite) {
  Model flat(File3DS({MeshChunk(Box("Flat", {0, 0, 3}, {2, 1, 3}))}));
  const TBuiltMesh& f = flat.meshes[0];
  EXPECT_FLOAT_EQ(f.Depth, 0.005f);  // 0.01 before the model's scale of 1/2
  for (const TBuiltVertex& v : f.Vertices) EXPECT_FLOAT_EQ(v.Z, -0.5f);

  // No extent along x, or along x and y, or a single point: nothing divides by zero.
  for (auto [lo, hi] :
       {std::pair<V3, V3>{{5, 0, 0}, {5, 2, 1}}, {{5, 7, 0}, {5, 7, 1}}, {{5, 7, 1}, {5, 7, 1}}}) {
    Model m(File3DS({MeshChunk(Box("Thin", lo, hi))}));
    ASSERT_EQ(m.meshes.size(), 1u);
    ExpectAllFinite(m.meshes[0]);
    EXPECT_EQ(m.meshes[0].Width, 0);
    for (const TBuiltVertex& v : m.meshes[0].Vertices) EXPECT_EQ(v.X, 0);
  }
}

TEST(Build3DS, HiddenAndTwoVertexMeshesAreLeftOut) {
  MeshLayout hidden = Box("Hidden", {100, 100, 100}, {200, 200, 200});
  hidden.hidden = true;
  MeshLayout line;
  line.name = "Line";
  line.vertices = {{-50, -50, -50}, {50, 50, 50}};
  Model m(
      File3DS({MeshChunk(hidden), MeshChunk(Box("Shown", {0, 0, 0}, {2, 1, 1})), MeshChunk(line)}));
  ASSERT_EQ(m.meshes.size(), 1u);
  EXPECT_EQ(m.meshes[0].DisplayName, "Shown");
  EXPECT_FLOAT_EQ(m.meshes[0].Width, 1);  // the others do not count in the bounds
  EXPECT_FLOAT_EQ(m.meshes[0].X, 0);
}

TEST(Build3DS, MaterialsByNameWithTruncatedColours) {
  MeshLayout steel = Cube("Bolt");
  steel.groups = {{"Steel", {0, 1}}, {"Other", {2}}};
  Model m(File3DS({MaterialChunk("STEEL", {1.0f, 0.5f, 0.0f}, "BOLT.JPG"), MeshChunk(steel)}));
  ASSERT_EQ(m.meshes.size(), 1u);
  EXPECT_EQ(m.meshes[0].MaterialGroup, "Steel");
  auto mat = Find3DSMaterial(m.file, m.meshes[0].MaterialGroup);
  ASSERT_TRUE(mat.has_value());
  EXPECT_EQ(mat->Diffuse, 0xFFFF7F00u);
  EXPECT_EQ(mat->TextureMap, "BOLT.JPG");
  EXPECT_FALSE(Find3DSMaterial(m.file, "Other").has_value());

  // A group with an empty name finds the material that has no name chunk.
  MeshLayout plain = Cube("Plain");
  plain.groups = {{"", {0}}};
  Chunk unnamed = C(0xAFFF, {}, {C(0xA020, {}, {C(0x0010, Out().f32(0).f32(1).f32(0))})});
  Model n(File3DS({unnamed, MeshChunk(plain)}));
  ASSERT_TRUE(n.meshes[0].HasMaterialGroup);
  auto green = Find3DSMaterial(n.file, n.meshes[0].MaterialGroup);
  ASSERT_TRUE(green.has_value());
  EXPECT_EQ(green->Diffuse, 0xFF00FF00u);
  EXPECT_FALSE(Model(File3DS({MeshChunk(Cube())})).meshes[0].HasMaterialGroup);

  // Out-of-range channels are held to 0 ... 255 instead of spilling into their neighbours.
  EXPECT_EQ(MaterialColorToArgb({2.0f, -1.0f, NAN}), 0xFFFF0000u);
  EXPECT_EQ(MaterialColorToArgb({10 / 255.0f, 20 / 255.0f, 30 / 255.0f}), 0xFF0A141Eu);
}

TEST(Build3DS, ForgedFacesAndCoordinatesGiveFiniteMeshes) {
  MeshLayout m = Cube("Odd");
  m.faces.push_back({0, 1, 200});  // beyond the vertex list: left out
  m.vertices[6] = {NAN, INFINITY, 1};
  m.vertices[7] = {3e38f, -3e38f, 1};
  m.vertices[0] = {-3e38f, 3e38f, 0};
  m.smoothing = std::vector<uint32_t>(13, 0x80000000u);
  Model model(File3DS({MeshChunk(m)}));
  ASSERT_EQ(model.meshes.size(), 1u);
  EXPECT_EQ(model.meshes[0].Indices.size(), 36u);
  ExpectAllFinite(model.meshes[0]);
}

TEST(Build3DS, SplitsBeyondSixteenBitsAreAllMade) {
  // 60 000 vertices, 21 000 faces without smoothing over vertices 0 ... 1001: the first use
  // of a vertex keeps it, every other corner gets a copy of its own, well past 65 536.
  MeshLayout m;
  m.name = "Big";
  for (int i = 0; i < 60000; ++i) {
    m.vertices.push_back(
        {static_cast<float>(i % 300), static_cast<float>(i / 300), static_cast<float>(i % 7)});
  }
  for (int f = 0; f < 21000; ++f) {
    uint16_t a = static_cast<uint16_t>(f % 1000);  // vertices 0..1001 are reused many times
    m.faces.push_back({a, static_cast<uint16_t>(a + 1), static_cast<uint16_t>(a + 2)});
  }
  Model model(File3DS({MeshChunk(m)}));
  ASSERT_EQ(model.meshes.size(), 1u);
  const TBuiltMesh& b = model.meshes[0];
  const size_t corners = 3 * m.faces.size(), first_uses = 1002;
  EXPECT_EQ(b.Vertices.size(), m.vertices.size() + corners - first_uses);
  ASSERT_EQ(b.Indices.size(), corners);
  ExpectAllFinite(b);
  // No corner shares a vertex with another, and each sits where its file vertex is
  // (positions normalised over x 0 ... 299, y 0 ... 199, z 0 ... 6).
  EXPECT_EQ(std::set<uint32_t>(b.Indices.begin(), b.Indices.end()).size(), corners);
  for (size_t f = 0; f < m.faces.size(); f += 997) {
    const uint16_t file_corner[3] = {m.faces[f].a, m.faces[f].c, m.faces[f].b};
    for (int c = 0; c < 3; ++c) {
      const V3& p = m.vertices[file_corner[c]];
      const TBuiltVertex& v = b.Vertices[b.Indices[3 * f + static_cast<size_t>(c)]];
      EXPECT_NEAR(v.X, p.x / 299 - 0.5, 1e-6) << f;
      EXPECT_NEAR(v.Y, p.y / 199 - 0.5, 1e-6) << f;
      EXPECT_NEAR(v.Z, p.z / 6 - 0.5, 1e-6) << f;
    }
  }
}

}  // namespace
