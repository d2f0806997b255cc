#include "scene/mesh_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/stream.h"

namespace {

TgkMeshVertex At(float x, float y, float z) {
  return MakeMeshVertex(x, y, z, 9, 9, 9, 0, 0);
}

float Length(const TgkMeshVertex& v) {
  return std::sqrt(v.NX * v.NX + v.NY * v.NY + v.NZ * v.NZ);
}

}  // namespace

TEST(MeshData, CalcNormalsSumsUnitNormalsOfCompleteTriangles) {
  TgkMeshData mesh;
  // Two coplanar triangles sharing vertices 1 and 2, clockwise seen from -z.
  mesh.Vertices = {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0), At(1, 1, 0), At(5, 5, 5)};
  mesh.Indices = {0, 1, 2, 2, 1, 3, 4};  // the seventh index makes no triangle
  mesh.CalcNormals();
  EXPECT_FLOAT_EQ(mesh.Vertices[0].NZ, -1);
  EXPECT_FLOAT_EQ(mesh.Vertices[0].NX, 0);
  EXPECT_FLOAT_EQ(mesh.Vertices[1].NZ, -2);  // shared: length 2, not normalised again
  EXPECT_FLOAT_EQ(Length(mesh.Vertices[2]), 2);
  EXPECT_FLOAT_EQ(mesh.Vertices[3].NZ, -1);
  // Named only by the incomplete triangle: reset, nothing added.
  EXPECT_FLOAT_EQ(Length(mesh.Vertices[4]), 0);

  TgkMeshData two;
  two.Vertices = {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0)};
  two.Indices = {0, 1};
  two.CalcNormals();
  EXPECT_FLOAT_EQ(Length(two.Vertices[0]), 0);
  EXPECT_FLOAT_EQ(Length(two.Vertices[1]), 0);
  EXPECT_FLOAT_EQ(two.Vertices[2].NX, 9);  // not named by any index: untouched
}

TEST(MeshData, CalcNormalsSkipsTrianglesNamingMissingVertices) {
  TgkMeshData mesh;
  mesh.Vertices = {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0)};
  mesh.Indices = {0, 1, 40000, 0, 1, 2};
  mesh.CalcNormals();
  EXPECT_FLOAT_EQ(mesh.Vertices[0].NZ, -1);
  EXPECT_FLOAT_EQ(mesh.Vertices[2].NZ, -1);
}

TEST(MeshData, TextPropertiesRoundTripInTheirExactForms) {
  TgkMeshData mesh;
  mesh.Vertices = {MakeMeshVertex(-0.5f, 2, 0.25f, 0, 0, 1, 0.5f, 1),
                   MakeMeshVertex(1, -20.9171f, 3, 1, 0, 0, 0, 0.95882f)};
  mesh.Indices = {0, 1, 1, 1, 0, 0};
  EXPECT_EQ(mesh.Points(), "-0.5 2 0.25  1 -20.9171 3  ");
  EXPECT_EQ(mesh.Normals(), "0 0 1  1 0 0  ");
  EXPECT_EQ(mesh.TexCoordinates(), "0.5 1  0 0.95882  ");
  EXPECT_EQ(mesh.TriangleIndices(), "0 1 1  1 0 0  ");

  TgkMeshData copy;
  copy.SetPoints(mesh.Points());
  copy.SetNormals(mesh.Normals());
  copy.SetTexCoordinates(mesh.TexCoordinates());
  copy.SetTriangleIndices(mesh.TriangleIndices());
  EXPECT_EQ(copy.Vertices, mesh.Vertices);
  EXPECT_EQ(copy.Indices, mesh.Indices);
}

TEST(MeshData, WritingPointsResizesTheVertexArray) {
  TgkMeshData mesh;
  int changes = 0;
  mesh.OnChange = [&] { ++changes; };
  mesh.Vertices.assign(5, MakeMeshVertex(7, 7, 7, 1, 2, 3, 4, 5));
  mesh.SetPoints("1, 2, 3, 4,5,6 7 8 9");
  ASSERT_EQ(mesh.VertexCount(), 3);
  EXPECT_EQ(mesh.Vertices[1].X, 4);
  EXPECT_EQ(mesh.Vertices[2].Z, 9);
  EXPECT_EQ(mesh.Vertices[2].NX, 1);  // the other fields of kept vertices stay
  EXPECT_TRUE(mesh.Changed);
  EXPECT_EQ(changes, 1);

  // Growing: new vertices start at zero.
  mesh.SetTexCoordinates("0.1 0.2  0.3 0.4  0.5 0.6  0.7 0.8");
  ASSERT_EQ(mesh.VertexCount(), 4);
  EXPECT_FLOAT_EQ(mesh.Vertices[3].TV, 0.8f);
  EXPECT_EQ(mesh.Vertices[3].X, 0);

  // A bad number is skipped: the field keeps its value, later numbers still count.
  mesh.SetPoints("1 x 3  4 5 6");
  ASSERT_EQ(mesh.VertexCount(), 2);
  EXPECT_EQ(mesh.Vertices[0].Y, 2);
  EXPECT_EQ(mesh.Vertices[1].X, 4);

  mesh.SetPoints("");
  EXPECT_EQ(mesh.VertexCount(), 0);
  EXPECT_EQ(changes, 4);
}

TEST(MeshData, WritingIndicesSkipsTokensThatAreNoIndex) {
  TgkMeshData mesh;
  mesh.Indices = {9, 9, 9, 9, 9};
  // A skipped token keeps the old index, or 0 where the array grew. Indices of large meshes
  // (beyond 16 bits) are taken; beyond 32 bits they would wrap and are skipped.
  mesh.SetTriangleIndices("0 1 2  70000 -1 x 4294967296 4294967295");
  EXPECT_EQ(mesh.Indices, (std::vector<uint32_t>{0, 1, 2, 70000, 9, 0, 0, 4294967295u}));
  mesh.SetTriangleIndices("3");
  EXPECT_EQ(mesh.Indices, (std::vector<uint32_t>{3}));
}

TEST(MeshData, BinaryFormRoundTripsAndHasTheStoredLayout) {
  TgkMeshData mesh;
  mesh.Vertices = {MakeMeshVertex(1, 2, 3, 4, 5, 6, 7, 8), MakeMeshVertex(-1, 0, 0, 0, 0, 0, 0, 1)};
  mesh.Indices = {1, 0, 1};
  TMemoryStream stream;
  mesh.WriteMesh(stream);
  ASSERT_EQ(stream.Size(), 4 + 2 * 32 + 4 + 3 * 2);
  const uint8_t* b = stream.Memory();
  EXPECT_EQ(b[0], 2);
  float y = 0;
  std::memcpy(&y, b + 4 + 4, 4);
  EXPECT_EQ(y, 2);
  EXPECT_EQ(b[4 + 64], 3);
  EXPECT_EQ(b[4 + 64 + 4], 1);

  TgkMeshData copy;
  bool notified = false;
  copy.OnChange = [&] { notified = true; };
  stream.Seek(0);
  copy.ReadMesh(stream);
  EXPECT_EQ(copy.Vertices, mesh.Vertices);
  EXPECT_EQ(copy.Indices, mesh.Indices);
  EXPECT_TRUE(notified);
}

TEST(MeshData, DamagedBinaryFormIsRejectedAndLosesNothing) {
  TgkMeshData source;
  source.Vertices.assign(3, MakeMeshVertex(1, 1, 1, 0, 0, 1, 0, 0));
  source.Indices = {0, 1, 2};
  TMemoryStream good;
  source.WriteMesh(good);

  TgkMeshData target;
  target.Vertices = {At(5, 5, 5)};
  target.Indices = {0, 0, 0};
  auto expect_rejected = [&](std::vector<uint8_t> bytes) {
    TMemoryStream s(std::move(bytes));
    EXPECT_THROW(target.ReadMesh(s), EStreamError);
    ASSERT_EQ(target.VertexCount(), 1);
    EXPECT_EQ(target.Vertices[0].X, 5);
    EXPECT_EQ(target.IndexCount(), 3);
  };
  std::vector<uint8_t> bytes = good.Bytes();
  expect_rejected(std::vector<uint8_t>(bytes.begin(), bytes.end() - 1));  // cut short
  expect_rejected({0xFF, 0xFF, 0xFF, 0xFF});                              // negative count
  expect_rejected({0xFF, 0xFF, 0xFF, 0x7F, 0, 0});                        // claims 2^31 vertices
  expect_rejected({});
}

// Stored data of the 16-bit form (count, then 2-byte indices) reads as ever; meshes whose
// indices fit 16 bits still store it, and larger ones a form older readers refuse.
TEST(MeshData, StoredFormKeepsSixteenBitIndicesAndMarksLargerOnes) {
  auto le32 = [](std::vector<uint8_t>& b, uint32_t v) {
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(v >> (8 * k)));
  };
  // Hand-made 16-bit data: one vertex, indices 0, 65535, 7.
  std::vector<uint8_t> old_bytes;
  le32(old_bytes, 1);
  old_bytes.resize(old_bytes.size() + 32, 0);
  le32(old_bytes, 3);
  for (uint16_t i : {0, 65535, 7}) {
    old_bytes.push_back(static_cast<uint8_t>(i));
    old_bytes.push_back(static_cast<uint8_t>(i >> 8));
  }
  TgkMeshData old_mesh;
  TMemoryStream old_stream(old_bytes);
  old_mesh.ReadMesh(old_stream);
  EXPECT_EQ(old_mesh.VertexCount(), 1);
  EXPECT_EQ(old_mesh.Indices, (std::vector<uint32_t>{0, 65535, 7}));
  TMemoryStream rewritten;
  old_mesh.WriteMesh(rewritten);
  EXPECT_EQ(rewritten.Bytes(), old_bytes);

  // 70 000 vertices, a triangle naming the last ones.
  TgkMeshData large;
  for (int k = 0; k < 70000; ++k) {
    large.Vertices.push_back(MakeMeshVertex(static_cast<float>(k), 0, 0, 0, 0, 1, 0, 0));
  }
  large.Indices = {0, 69998, 69999, 65535, 65536, 1};
  TMemoryStream stored;
  large.WriteMesh(stored);
  ASSERT_EQ(stored.Size(), 4 + 70000 * 32 + 4 + 6 * 4);
  int32_t count = 0;
  std::memcpy(&count, stored.Memory() + 4 + 70000 * 32, 4);
  EXPECT_EQ(count, -6);
  TgkMeshData copy;
  stored.Seek(0);
  copy.ReadMesh(stored);
  EXPECT_EQ(copy.Vertices, large.Vertices);
  EXPECT_EQ(copy.Indices, large.Indices);

  // Damaged 32-bit data raises and leaves the mesh as it was.
  const std::vector<uint8_t> bytes = stored.Bytes();
  auto expect_rejected = [&](std::vector<uint8_t> damaged) {
    TMemoryStream s(std::move(damaged));
    EXPECT_THROW(copy.ReadMesh(s), EStreamError);
    EXPECT_EQ(copy.VertexCount(), 70000);
    EXPECT_EQ(copy.Indices, large.Indices);
  };
  expect_rejected(std::vector<uint8_t>(bytes.begin(), bytes.end() - 1));
  std::vector<uint8_t> lowest = bytes;
  lowest.resize(4 + 70000 * 32);
  le32(lowest, 0x80000000u);  // -2^31: no count can be that
  expect_rejected(lowest);
}

TEST(MeshData, AssignCopiesAndNotifies) {
  TgkMeshData a, b;
  a.Vertices = {At(1, 2, 3)};
  a.Indices = {0, 0, 0};
  int changes = 0;
  b.OnChange = [&] { ++changes; };
  b.Assign(a);
  EXPECT_EQ(b.Vertices, a.Vertices);
  EXPECT_EQ(b.Indices, a.Indices);
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(b.IsEmpty());
  EXPECT_TRUE(TgkMeshData().IsEmpty());
}
