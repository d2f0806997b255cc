#include "import/mesh_builder_md3.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/import/model_writer.h"
#include "tests/support/test_support.h"

using namespace modelwriter;

namespace {

TBuiltMD3Model Build(const MD3Layout& layout) {
  TMemoryStream stream(FileMD3(layout));
  TFileMD3 file;
  file.LoadFromStream(stream);
  return BuildMD3Model(file);
}

MD3Surface Span(const std::string& name, int16_t x0, int16_t x1) {
  MD3Surface s;
  s.name = name;
  s.vertices = {{{x0, 0, 0}, {x1, 0, 0}, {x1, 64, 32}, {x0, 64, 32}}};
  s.triangles = {{0, 1, 2}, {0, 2, 3}};
  return s;
}

TEST(BuildMD3, StoredUnitsAreSixtyFourths) {
  MD3Surface s;
  s.name = "h_head";
  s.vertices = {{{64, -128, 32}, {0, 0, 0}, {0, 0, 0}}};
  s.triangles = {{0, 1, 2}};
  MD3Layout layout;
  layout.surfaces = {s};
  TBuiltMD3Model m = Build(layout);
  ASSERT_EQ(m.Meshes.size(), 1u);
  const TBuiltMesh& b = m.Meshes[0];
  EXPECT_EQ(b.DisplayName, "h_head");
  // Extents (1, 2, 0.5): the model scale is 1/2.
  EXPECT_FLOAT_EQ(m.Width, 0.5f);
  EXPECT_FLOAT_EQ(m.Height, 1);
  EXPECT_FLOAT_EQ(m.Depth, 0.25f);
  EXPECT_FLOAT_EQ(b.Width, 0.5f);
  EXPECT_FLOAT_EQ(b.Vertices[0].X, 0.5f);
  EXPECT_FLOAT_EQ(b.Vertices[0].Y, -0.5f);
  EXPECT_FLOAT_EQ(b.Vertices[0].Z, 0.5f);
  // Indices in file order.
  EXPECT_EQ(b.Indices, (std::vector<uint32_t>{0, 1, 2}));
}

TEST(BuildMD3, NormalDecoding) {
  TBuiltVertex up = DecodeMD3Normal(0, 0);
  EXPECT_FLOAT_EQ(up.NX, 0);
  EXPECT_FLOAT_EQ(up.NY, 0);
  EXPECT_FLOAT_EQ(up.NZ, 1);
  TBuiltVertex side = DecodeMD3Normal(64, 0);  // longitude 1.577 radians
  EXPECT_NEAR(side.NX, 1, 1e-4);
  EXPECT_NEAR(side.NY, 0, 1e-6);
  EXPECT_NEAR(side.NZ, std::cos(64 * 2 * M_PI / 255), 1e-6);
  TBuiltVertex turned = DecodeMD3Normal(64, 64);  // latitude turns it towards y
  EXPECT_NEAR(turned.NX, std::cos(64 * 2 * M_PI / 255) * std::sin(64 * 2 * M_PI / 255), 1e-6);
  EXPECT_NEAR(turned.NY, 1, 1e-3);
  // The first byte of a stored vertex normal is the longitude.
  MD3Surface s = Span("n", 0, 64);
  s.vertices[0][1].lng = 64;
  MD3Layout layout;
  layout.surfaces = {s};
  EXPECT_NEAR(Build(layout).Meshes[0].Vertices[1].NX, 1, 1e-4);
}

TEST(BuildMD3, TwoSurfacesSideBySide) {
  MD3Layout layout;
  layout.surfaces = {Span("left", 0, 128), Span("right", 128, 256)};
  TBuiltMD3Model m = Build(layout);
  EXPECT_FLOAT_EQ(m.Width, 1);
  ASSERT_EQ(m.Meshes.size(), 2u);
  EXPECT_FLOAT_EQ(m.Meshes[0].X, -0.25f);
  EXPECT_FLOAT_EQ(m.Meshes[1].X, 0.25f);
  EXPECT_FLOAT_EQ(m.Meshes[0].Width, 0.5f);
  EXPECT_FLOAT_EQ(m.Meshes[1].Width, 0.5f);
}

TEST(BuildMD3, OnlyTheFirstFrameIsShown) {
  MD3Surface s = Span("anim", 0, 64);
  s.frames = 10;
  for (int f = 1; f < 10; ++f)
    s.vertices.push_back({{1000, 1000, 1000}, {-900, 0, 0}, {0, 0, 0}, {0, 0, 0}});
  MD3Layout layout;
  layout.frames = 10;
  layout.surfaces = {s};
  TMemoryStream stream(FileMD3(layout));
  TFileMD3 file;
  file.LoadFromStream(stream);
  TBuiltMD3Model m = BuildMD3Model(file);
  EXPECT_EQ(file.Header.NumFrames, 1);
  ASSERT_EQ(m.Meshes[0].Vertices.size(), 4u);
  // Frame 0 spans (1, 1, 0.5): width and height 1.
  EXPECT_FLOAT_EQ(m.Width, 1);
  EXPECT_FLOAT_EQ(m.Height, 1);
  EXPECT_FLOAT_EQ(m.Depth, 0.5f);
}

TEST(BuildMD3, EmptyModelIsAUnitCubeWithoutMeshes) {
  // The reader refuses a file without surfaces; the builder still copes with the records.
  TFileMD3 empty;
  TBuiltMD3Model m = BuildMD3Model(empty);
  EXPECT_TRUE(m.Meshes.empty());
  EXPECT_EQ(m.Width, 1);
  EXPECT_EQ(m.Height, 1);
  EXPECT_EQ(m.Depth, 1);
}

TEST(BuildMD3, TextureCoordinatesAreTakenUnchanged) {
  MD3Surface s = Span("uv", 0, 64);
  s.texcoords = {{0.25f, 0.75f}, {1, 0}, {0.5f, 0.5f}, {0, 1}};
  MD3Layout layout;
  layout.surfaces = {s};
  const TBuiltMesh b = Build(layout).Meshes[0];
  EXPECT_FLOAT_EQ(b.Vertices[0].TU, 0.25f);
  EXPECT_FLOAT_EQ(b.Vertices[0].TV, 0.75f);
  EXPECT_FLOAT_EQ(b.Vertices[3].TV, 1);
}

void ExpectSound(const TBuiltMesh& m) {
  for (const TBuiltVertex& v : m.Vertices) {
    for (float f : {v.X, v.Y, v.Z, v.NX, v.NY, v.NZ, v.TU, v.TV}) ASSERT_TRUE(std::isfinite(f));
  }
  for (float f : {m.Width, m.Height, m.Depth, m.X, m.Y, m.Z}) ASSERT_TRUE(std::isfinite(f));
  for (uint32_t i : m.Indices) ASSERT_LT(i, m.Vertices.size());
}

TEST(BuildMD3, ForgedSurfacesGiveSoundMeshes) {
  MD3Surface s = Span("bad", 0, 64);
  s.triangles.push_back({0, 1, 4});   // past the vertices
  s.triangles.push_back({-1, 0, 1});  // negative
  s.triangles.push_back({0, 1, 1 << 20});
  s.texcoords = {{NAN, INFINITY}};
  MD3Surface line;  // no extent along x and y
  line.name = "line";
  line.vertices = {{{5, 5, 0}, {5, 5, 64}, {5, 5, 128}}};
  line.triangles = {{0, 1, 2}};
  MD3Layout layout;
  layout.surfaces = {s, line};
  TBuiltMD3Model m = Build(layout);
  ASSERT_EQ(m.Meshes.size(), 2u);
  EXPECT_EQ(m.Meshes[0].Indices.size(), 6u);
  ExpectSound(m.Meshes[0]);
  ExpectSound(m.Meshes[1]);
  EXPECT_EQ(m.Meshes[1].Width, 0);
  EXPECT_EQ(m.Meshes[1].Vertices[0].X, 0);

  // A surface claiming vertices but no frames, and one past 16 bits (kept whole). The
  // reader refuses the first; the builder still copes with such records.
  TFileMD3 file;
  file.Header.NumFrames = 1;
  for (int32_t verts : {10, 70000}) {
    TMD3MeshData f;
    f.Name[0] = 's';
    f.NumFrames = verts == 10 ? 0 : 1;
    f.NumVerts = verts;
    f.NumTriangles = 1;
    f.Triangles = {TMD3Triangle{{0, 9, verts == 10 ? 5 : 69999}}};
    f.TexCoords.resize(static_cast<size_t>(verts));
    f.Vertices.resize(static_cast<size_t>(f.NumFrames) * static_cast<size_t>(verts));
    file.Surfaces.push_back(std::move(f));
  }
  TBuiltMD3Model forged = BuildMD3Model(file);
  ASSERT_EQ(forged.Meshes.size(), 2u);
  EXPECT_EQ(forged.Meshes[0].Vertices.size(), 10u);
  EXPECT_EQ(forged.Meshes[0].Indices.size(), 3u);
  EXPECT_EQ(forged.Meshes[1].Vertices.size(), 70000u);
  EXPECT_EQ(forged.Meshes[1].Indices, (std::vector<uint32_t>{0, 9, 69999}));
  ExpectSound(forged.Meshes[0]);
  ExpectSound(forged.Meshes[1]);
}

}  // namespace

namespace {

// Where each vertex lands in the parent: position + vertex x size, per axis.
void ExpectPlacedInsideModel(const TBuiltMD3Model& model) {
  for (const TBuiltMesh& m : model.Meshes) {
    const float size[3] = {m.Width, m.Height, m.Depth}, pos[3] = {m.X, m.Y, m.Z};
    for (const TBuiltVertex& v : m.Vertices) {
      const float p[3] = {v.X, v.Y, v.Z};
      for (int k = 0; k < 3; ++k) {
        EXPECT_LE(std::fabs(pos[k] + p[k] * size[k]), 0.5f + 1e-4f) << m.DisplayName << k;
      }
    }
  }
}

TEST(BuildMD3, FlatSurfacesOfAThinModelStayInsideIt) {
  // A model one stored unit (1/64) across; each surface is flat, so its depth becomes the
  // 0.01 slab, larger than the model's own. The slab sticks out, the vertices do not.
  MD3Surface low, high;
  low.name = "low";
  low.vertices = {{{0, 0, -1}, {1, 0, -1}, {0, 1, -1}}};
  low.triangles = {{0, 1, 2}};
  high.name = "high";
  high.vertices = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}};
  high.triangles = {{0, 1, 2}};
  MD3Layout layout;
  layout.surfaces = {low, high};
  TBuiltMD3Model m = Build(layout);
  EXPECT_FLOAT_EQ(m.Depth, 1);
  ASSERT_EQ(m.Meshes.size(), 2u);
  EXPECT_FLOAT_EQ(m.Meshes[1].Depth, 0.64f);
  ExpectPlacedInsideModel(m);

  // The fuzzer's find of this case: a surface with 768 vertices and no frame. The reader
  // now refuses the file, naming the surface; the builder still copes with such records.
  const std::string path = testsupport::DataDir() + "/import/md3_surface_position_crash.md3";
  TMemoryStream stream;
  stream.LoadFromFile(path);
  TFileMD3 file;
  try {
    file.LoadFromStream(stream);
    ADD_FAILURE() << "read without error";
  } catch (const EAssertionFailed& e) {
    EXPECT_NE(std::string(e.what()).find("Surface 2 of 2"), std::string::npos) << e.what();
  }
  file.Header.NumFrames = 1;
  file.Surfaces.resize(2);
  file.Surfaces[0] = TMD3MeshData{};
  file.Surfaces[0].NumFrames = 1;
  file.Surfaces[0].NumVerts = 3;
  file.Surfaces[0].Vertices = {{0, 0, -1}, {1, 0, -1}, {0, 1, -1}};
  file.Surfaces[0].TexCoords.resize(3);
  file.Surfaces[1] = TMD3MeshData{};
  file.Surfaces[1].NumVerts = 768;
  file.Surfaces[1].TexCoords.resize(768);
  TBuiltMD3Model found = BuildMD3Model(file);
  ASSERT_EQ(found.Meshes.size(), 2u);
  EXPECT_EQ(found.Meshes[1].Vertices.size(), 768u);
  ExpectPlacedInsideModel(found);
}

}  // namespace
