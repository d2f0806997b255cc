// The hand-back of the model reader process is untrusted: anything but exactly what the
// writer writes must fail with EHandbackError, never crash or allocate without bound.
#include "import/model_handback.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

THandbackModel Sample() {
  THandbackModel model;
  model.UpAxis = 1;
  model.UpSign = -1;
  THandbackTexture texture;
  texture.FormatHint = "png";
  texture.Name = "logo.png";
  texture.Bytes = {1, 2, 3};
  model.Textures.push_back(texture);
  THandbackMaterial plain, textured;
  plain.IsDefault = true;
  textured.Diffuse = 0xFF102030;
  textured.Opacity = 0.5f;
  textured.TwoSided = true;
  textured.EmbeddedTexture = 0;
  model.Materials = {plain, textured};
  THandbackMesh mesh;
  mesh.NodeName = "Node";
  mesh.MeshName = "Mesh";
  mesh.NodeMeshCount = 2;
  mesh.Material = 1;
  mesh.Positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  mesh.Normals = {0, 0, 1, 0, 0, 1, 0, 0, 1};
  mesh.TexCoords = {0, 0, 1, 0, 0, 1};
  mesh.Colors = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
  mesh.Indices = {0, 1, 2};
  model.Meshes = {mesh};
  return model;
}

std::string Written(const THandbackModel& model) {
  std::string out;
  WriteHandback(model, out);
  return out;
}

TEST(ModelHandback, WhatIsWrittenReadsBackTheSame) {
  const THandbackModel read = ReadHandback(Written(Sample()));
  EXPECT_EQ(read.UpAxis, 1);
  EXPECT_EQ(read.UpSign, -1);
  ASSERT_EQ(read.Textures.size(), 1u);
  EXPECT_EQ(read.Textures[0].Name, "logo.png");
  EXPECT_EQ(read.Textures[0].Bytes, (std::vector<uint8_t>{1, 2, 3}));
  ASSERT_EQ(read.Materials.size(), 2u);
  EXPECT_TRUE(read.Materials[0].IsDefault);
  EXPECT_FALSE(read.Materials[1].IsDefault);
  EXPECT_TRUE(read.Materials[1].TwoSided);
  EXPECT_EQ(read.Materials[1].Diffuse, 0xFF102030u);
  EXPECT_EQ(read.Materials[1].Opacity, 0.5f);
  EXPECT_EQ(read.Materials[1].EmbeddedTexture, 0);
  ASSERT_EQ(read.Meshes.size(), 1u);
  const THandbackMesh& m = read.Meshes[0];
  EXPECT_EQ(m.NodeName, "Node");
  EXPECT_EQ(m.NodeMeshCount, 2u);
  EXPECT_EQ(m.Positions, Sample().Meshes[0].Positions);
  EXPECT_EQ(m.Colors, Sample().Meshes[0].Colors);
  EXPECT_EQ(m.Indices, (std::vector<uint32_t>{0, 1, 2}));
}

TEST(ModelHandback, DamagedDataFailsCleanly) {
  const std::string whole = Written(Sample());
  // Cut anywhere, or with anything after its end.
  for (size_t n = 0; n < whole.size(); ++n)
    EXPECT_THROW(ReadHandback(whole.substr(0, n)), EHandbackError) << n;
  EXPECT_THROW(ReadHandback(whole + '\0'), EHandbackError);

  auto damaged = [](auto change) {
    THandbackModel model = Sample();
    change(model);
    return Written(model);
  };
  EXPECT_THROW(ReadHandback(damaged([](THandbackModel& m) { m.Meshes[0].Indices[2] = 3; })),
               EHandbackError);
  EXPECT_THROW(ReadHandback(damaged([](THandbackModel& m) {
                 m.Meshes[0].Positions[4] = std::numeric_limits<float>::quiet_NaN();
               })),
               EHandbackError);
  EXPECT_THROW(ReadHandback(damaged([](THandbackModel& m) { m.Meshes[0].Normals.pop_back(); })),
               EHandbackError);
  EXPECT_THROW(ReadHandback(damaged([](THandbackModel& m) { m.Meshes[0].Colors.pop_back(); })),
               EHandbackError);
  EXPECT_THROW(ReadHandback(damaged([](THandbackModel& m) { m.Meshes[0].Material = 2; })),
               EHandbackError);
  EXPECT_THROW(ReadHandback(damaged([](THandbackModel& m) { m.Materials[1].EmbeddedTexture = 1; })),
               EHandbackError);
  EXPECT_THROW(ReadHandback(damaged([](THandbackModel& m) { m.Materials[1].Opacity = 2; })),
               EHandbackError);
  EXPECT_THROW(ReadHandback(damaged([](THandbackModel& m) { m.UpAxis = 3; })), EHandbackError);
  EXPECT_THROW(ReadHandback(damaged([](THandbackModel& m) {
                 m.Textures[0].Raw = true;
                 m.Textures[0].Width = m.Textures[0].Height = 65536;
               })),
               EHandbackError);

  // A count far beyond the data is refused before anything is allocated for it.
  std::string huge = Written(Sample());
  const size_t textures_at = 16;  // magic, up axis, up sign
  const uint32_t absurd = 0xFFFFFFF0u;
  std::memcpy(huge.data() + textures_at, &absurd, 4);
  EXPECT_THROW(ReadHandback(huge), EHandbackError);
  EXPECT_THROW(ReadHandback("not model data at all"), EHandbackError);
}

}  // namespace
