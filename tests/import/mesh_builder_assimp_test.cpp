// The hand-back turned into scene meshes: up axis, normalisation, facing, names.
#include "import/mesh_builder_assimp.h"

#include <gtest/gtest.h>

namespace {

THandbackMesh Box(float x0, float y0, float z0, float x1, float y1, float z1) {
  THandbackMesh m;
  for (int k = 0; k < 8; ++k) {
    m.Positions.insert(m.Positions.end(), {k & 1 ? x1 : x0, k & 2 ? y1 : y0, k & 4 ? z1 : z0});
  }
  m.Indices = {0, 1, 2, 4, 5, 6};
  return m;
}

THandbackModel Model(int up_axis, int up_sign, std::vector<THandbackMesh> meshes) {
  THandbackModel model;
  model.UpAxis = up_axis;
  model.UpSign = up_sign;
  model.Materials.emplace_back();
  model.Meshes = std::move(meshes);
  return model;
}

TEST(HandbackMeshes, YUpModelsStandOnTheSceneZAxisFacingTheCamera) {
  // 1 wide, 2 tall, 0.5 deep in +Y-up axes.
  const auto built = BuildHandbackMeshes(Model(1, 1, {Box(0, 0, 0, 1, 2, 0.5f)}));
  ASSERT_EQ(built.size(), 1u);
  const TBuiltMesh& m = built[0].Mesh;
  EXPECT_FLOAT_EQ(m.Width, 0.5f);
  EXPECT_FLOAT_EQ(m.Height, 0.25f);
  EXPECT_FLOAT_EQ(m.Depth, 1);
  // The file's top (y = 2) is the scene's top; its front (z = 0.5) faces -Y, the camera.
  const TBuiltVertex& top_front = m.Vertices[2 | 4];  // y1, z1
  EXPECT_FLOAT_EQ(top_front.Z, 0.5f);
  EXPECT_FLOAT_EQ(top_front.Y, -0.5f);

  // Upside down (-Y up): the file's y = 2 is the bottom.
  const auto flipped = BuildHandbackMeshes(Model(1, -1, {Box(0, 0, 0, 1, 2, 0.5f)}));
  EXPECT_FLOAT_EQ(flipped[0].Mesh.Vertices[2].Z, -0.5f);
  // +Z up: as it is.
  const auto same = BuildHandbackMeshes(Model(2, 1, {Box(0, 0, 0, 1, 2, 0.5f)}));
  EXPECT_FLOAT_EQ(same[0].Mesh.Height, 1);
  EXPECT_FLOAT_EQ(same[0].Mesh.Depth, 0.25f);
}

TEST(HandbackMeshes, TheWholeModelIsNormalisedAndEachMeshPlaced) {
  const auto built =
      BuildHandbackMeshes(Model(2, 1, {Box(0, 0, 0, 1, 1, 1), Box(3, 0, 0, 4, 1, 1)}));
  ASSERT_EQ(built.size(), 2u);
  EXPECT_FLOAT_EQ(built[0].Mesh.X, -0.375f);
  EXPECT_FLOAT_EQ(built[1].Mesh.X, 0.375f);
  EXPECT_FLOAT_EQ(built[0].Mesh.Width, 0.25f);
  EXPECT_FLOAT_EQ(built[0].Mesh.Vertices[0].X, -0.5f);
  EXPECT_FLOAT_EQ(built[0].Mesh.Vertices[1].X, 0.5f);
}

TEST(HandbackMeshes, FacingTextureRowsColoursAndMissingNormals) {
  THandbackMesh m;
  m.Positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};  // counter-clockwise seen from +Z
  m.Indices = {0, 1, 2};
  m.TexCoords = {0, 0.25f, 1, 0, 0, 1};
  m.Colors = {0xFFFF0000, 0xFF00FF00, 0x800000FF};
  const auto built = BuildHandbackMeshes(Model(2, 1, {m}));
  const TBuiltMesh& b = built[0].Mesh;
  EXPECT_EQ(b.Indices, (std::vector<uint32_t>{0, 2, 1}));  // the scene's a, c, b order
  EXPECT_FLOAT_EQ(b.Vertices[0].TV, 0.75f);                // rows run top to bottom
  EXPECT_EQ(b.Colors, m.Colors);
  for (const TBuiltVertex& v : b.Vertices) {
    EXPECT_FLOAT_EQ(v.NZ, 1) << "the face's own normal, out of its front";
  }
}

TEST(HandbackMeshes, NamesUsersSee) {
  THandbackMesh m;
  m.NodeName = "Wheel";
  m.MeshName = "Rubber";
  EXPECT_EQ(HandbackMeshName(m, 0), "Wheel");
  m.NodeMeshCount = 2;
  EXPECT_EQ(HandbackMeshName(m, 0), "Wheel / Rubber");
  m.NodeName.clear();
  EXPECT_EQ(HandbackMeshName(m, 0), "Rubber");
  m.MeshName.clear();
  EXPECT_EQ(HandbackMeshName(m, 2), "mesh 3");
}

}  // namespace
