#include "scene/shape.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "core/component_stream.h"
#include "core/stream.h"
#include "scene/content_classes.h"
#include "scene/grid.h"
#include "scene/image_shape.h"
#include "scene/shape_tables.h"
#include "scene/start_color.h"
#include "scene/text_shape.h"
#include "tests/scene/content_test_host.h"
#include "tests/scene/shape_test_canvas.h"
#include "tests/support/test_support.h"

namespace {

TgkVector P(float x, float y, float z) {
  return MakeVector(x, y, z, 1);
}
TgkVector D(float x, float y, float z) {
  return MakeVector(x, y, z, 0);
}

void ExpectNear(const TgkVector& v, float x, float y, float z) {
  EXPECT_NEAR(v.X, x, 1e-5);
  EXPECT_NEAR(v.Y, y, 1e-5);
  EXPECT_NEAR(v.Z, z, 1e-5);
}

// Every triangle of a convex solid around the origin must face outward (front faces are
// clockwise, so (C - A) x (B - A) points away from the centre).
int InwardTriangles(const TgkShapeTable& t) {
  int inward = 0;
  for (size_t i = 0; i + 2 < t.indices.size(); i += 3) {
    auto pos = [&](size_t k) {
      const TgkMeshVertex& v = t.vertices[t.indices[i + k]];
      return P(v.X, v.Y, v.Z);
    };
    const TgkVector a = pos(0), b = pos(1), c = pos(2);
    const TgkVector n = VectorCross(VectorSubtract(c, a), VectorSubtract(b, a));
    const TgkVector centroid =
        P((a.X + b.X + c.X) / 3, (a.Y + b.Y + c.Y) / 3, (a.Z + b.Z + c.Z) / 3);
    if (VectorDot(n, centroid) <= 0) ++inward;
  }
  return inward;
}

}  // namespace

TEST(RoundCube, TableHasTheFixedCountsValuesAndOrder) {
  TgkRoundCube cube;
  const TgkMeshData& mesh = cube.MeshData();
  ASSERT_EQ(mesh.VertexCount(), 202);
  ASSERT_EQ(mesh.IndexCount(), 612);
  const TgkMeshVertex& v0 = mesh.Vertices[0];
  EXPECT_FLOAT_EQ(v0.X, -0.42f);
  EXPECT_FLOAT_EQ(v0.Y, 0.42f);
  EXPECT_FLOAT_EQ(v0.Z, 0.5f);
  EXPECT_NEAR(v0.TU, 0.08f, 1e-6);
  EXPECT_NEAR(v0.TV, 0.08f, 1e-6);
  // Summed over the cap and the bevel triangles at the corner: within a degree of +z.
  EXPECT_GT(v0.NZ, 0);
  EXPECT_LT(std::hypot(v0.NX, v0.NY) / v0.NZ, std::tan(1.0 * kPi / 180));

  // Ring 4 starts at (-a, a + r) of the 60 degree level; the wall's back edge at z = -a.
  EXPECT_NEAR(mesh.Vertices[4].Y, 0.46f, 1e-6);
  EXPECT_NEAR(mesh.Vertices[4].Z, 0.489282f, 1e-6);
  EXPECT_NEAR(mesh.Vertices[36 + 4].X, -0.5f, 1e-6);  // level 0, corner 1, 90 degrees on
  EXPECT_FLOAT_EQ(mesh.Vertices[52].Z, -0.42f);
  EXPECT_EQ(mesh.Vertices[52].TV, 1);
  EXPECT_FLOAT_EQ(mesh.Vertices[56].TU, 0.230847f);
  EXPECT_FLOAT_EQ(mesh.Vertices[100].X, 0.42f);
  EXPECT_FLOAT_EQ(mesh.Vertices[100].Z, -0.5f);
  EXPECT_NEAR(mesh.Vertices[100].TV, 0.08f, 1e-6);  // back projection: y + 0.5
  EXPECT_EQ(mesh.Vertices[150].TU, 1);
  EXPECT_EQ(mesh.Vertices[150].TV, 1);
  EXPECT_EQ(mesh.Vertices[153].TU, 1);
  EXPECT_EQ(mesh.Vertices[153].TV, 0);
  EXPECT_FLOAT_EQ(mesh.Vertices[153].Z, 0.42f);
  EXPECT_FLOAT_EQ(mesh.Vertices[149].TU, 0.722284f);

  const std::vector<uint32_t> head(mesh.Indices.begin(), mesh.Indices.begin() + 12);
  EXPECT_EQ(head, (std::vector<uint32_t>{0, 3, 2, 0, 1, 3, 0, 5, 4, 0, 6, 5}));
  // Wall: (104, 53, 52), (105, 106, 53); closing (149, 150, 67), (151, 153, 152).
  const size_t wall = 3 * (2 + 20 + 64);
  EXPECT_EQ(mesh.Indices[wall], 104);
  EXPECT_EQ(mesh.Indices[wall + 1], 53);
  EXPECT_EQ(mesh.Indices[wall + 3], 105);
  EXPECT_EQ(mesh.Indices[wall + 3 * 30], 149);
  EXPECT_EQ(mesh.Indices[wall + 3 * 30 + 2], 67);
  EXPECT_EQ(mesh.Indices[wall + 3 * 31 + 1], 153);
  const std::vector<uint32_t> tail(mesh.Indices.end() - 6, mesh.Indices.end());
  EXPECT_EQ(tail, (std::vector<uint32_t>{102, 101, 100, 102, 103, 101}));
}

TEST(RoundCube, FillsTheUnitBoxFacesOutwardAndShadesTheWallFlat) {
  const TgkShapeTable& t = RoundCubeTable();
  float lo[3] = {1, 1, 1}, hi[3] = {-1, -1, -1};
  for (const TgkMeshVertex& v : t.vertices) {
    const float c[3] = {v.X, v.Y, v.Z};
    for (int i = 0; i < 3; ++i) {
      lo[i] = std::min(lo[i], c[i]);
      hi[i] = std::max(hi[i], c[i]);
    }
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(lo[i], -0.5f) << i;
    EXPECT_FLOAT_EQ(hi[i], 0.5f) << i;
  }
  EXPECT_EQ(InwardTriangles(t), 0);
  std::vector<int> uses(t.vertices.size());
  for (uint32_t i : t.indices) {
    ASSERT_LT(i, t.vertices.size());
    ++uses[i];
  }
  for (size_t i = 0; i < uses.size(); ++i) {
    EXPECT_GT(uses[i], 0) << i;
    if (i >= 104) {
      EXPECT_EQ(uses[i], 1) << i;  // one vertex per use
    }
  }
  // A wall vertex carries its triangle's own normal: horizontal.
  EXPECT_EQ(t.vertices[104].NZ, 0);
  EXPECT_GT(std::hypot(t.vertices[104].NX, t.vertices[104].NY), 0);
}

TEST(RoundCube, PickRaysHitTheFrontCapFirstInIndexOrder) {
  TgkRoundCube cube;
  TgkVector hit;
  ASSERT_TRUE(cube.RayCastIntersect(P(0.1f, 0.2f, 10), D(0, 0, -1), hit));
  ExpectNear(hit, 0.1f, 0.2f, 0.5f);
  // From behind: the front cap still comes first among the triangles the ray crosses.
  ASSERT_TRUE(cube.RayCastIntersect(P(0.1f, 0.2f, -10), D(0, 0, 1), hit));
  ExpectNear(hit, 0.1f, 0.2f, 0.5f);
  // A ray through a rounded corner misses although it crosses the box.
  EXPECT_FALSE(cube.RayCastIntersect(P(0.499f, 0.499f, 10), D(0, 0, -1), hit));
  EXPECT_FALSE(cube.RayCastIntersect(P(0.1f, 0.2f, 10), D(0, 0, 1), hit));  // away from it

  // Width 2 doubles the hit-tested extent along x; the vertex data stays as it was.
  const std::vector<TgkMeshVertex> before = cube.MeshData().Vertices;
  EXPECT_FALSE(cube.RayCastIntersect(P(0.8f, 0, 10), D(0, 0, -1), hit));
  cube.SetWidth(2);
  ASSERT_TRUE(cube.RayCastIntersect(P(0.8f, 0, 10), D(0, 0, -1), hit));
  ExpectNear(hit, 0.8f, 0, 0.5f);
  EXPECT_EQ(cube.MeshData().Vertices, before);

  // The hit is reported in scene coordinates.
  cube.Position().SetPoint(MakePoint(5, 0, 0));
  ASSERT_TRUE(cube.RayCastIntersect(P(0.1f, 0.2f, 10), D(0, 0, -1), hit));
  ExpectNear(hit, 5.1f, 0.2f, 0.5f);
}

TEST(Mesh, HitTestSkipsBadTrianglesAndTakesTheFirstInIndexOrder) {
  TgkMesh mesh;
  TgkVector hit;
  EXPECT_FALSE(mesh.RayCastIntersect(P(0, 0, 10), D(0, 0, -1), hit));  // empty: never hit
  auto quad = [](float z) {
    return std::vector<TgkMeshVertex>{MakeMeshVertex(-0.5f, -0.5f, z, 0, 0, 1, 0, 0),
                                      MakeMeshVertex(0.5f, -0.5f, z, 0, 0, 1, 0, 0),
                                      MakeMeshVertex(0, 0.5f, z, 0, 0, 1, 0, 0)};
  };
  auto far = quad(-0.4f), near = quad(0.4f);
  mesh.Data().Vertices = far;
  mesh.Data().Vertices.insert(mesh.Data().Vertices.end(), near.begin(), near.end());
  mesh.Data().Indices = {0, 1, 9, 0, 1, 2, 3, 4, 5};  // a bad one, the far one, the near one
  ASSERT_TRUE(mesh.RayCastIntersect(P(0, 0, 10), D(0, 0, -1), hit));
  ExpectNear(hit, 0, 0, -0.4f);  // first in index order, not the nearest
  mesh.Data().Indices = {0, 1, 9};
  EXPECT_FALSE(mesh.RayCastIntersect(P(0, 0, 10), D(0, 0, -1), hit));
}

TEST(Shape, BeforePaintHandsTheCanvasTheOpacityWithoutTouchingItsOwnMaterial) {
  TShapeTestCanvas canvas;
  TgkRoundCube cube;
  cube.SetCanvas(&canvas);
  cube.Material().SetDiffuse(0x80FF0000);
  cube.Material().SetFillMode(gkWireframe);
  cube.SetOpacity(0.5f);
  cube.SetWidth(2);
  cube.BeforePaint();
  cube.Paint();
  ASSERT_EQ(canvas.meshes.size(), 1u);
  EXPECT_EQ(canvas.meshes[0].diffuse, 0x40FF0000u);
  EXPECT_EQ(canvas.meshes[0].opacity, 0.5f);
  EXPECT_EQ(canvas.meshes[0].size.X, 2);
  EXPECT_EQ(canvas.meshes[0].mesh, &cube.MeshData());
  EXPECT_EQ(canvas.Material().FillMode(), gkWireframe);
  EXPECT_EQ(cube.Material().Diffuse(), 0x80FF0000u);
  canvas.states.clear();
  cube.AfterPaint();
  EXPECT_EQ(canvas.states, (std::vector<TgkRenderState>{rsFrameSolid, rsShadeGouraud}));

  TgkMesh empty;
  empty.SetCanvas(&canvas);
  empty.Paint();
  EXPECT_EQ(canvas.meshes.size(), 1u);  // an empty mesh draws nothing
}

TEST(Shape, ChangesOfMaterialOrMeshAskForARepaint) {
  TContentTestHost host;
  TgkMesh mesh;
  mesh.SetRootOf(&host);
  const int before = host.renders;
  mesh.Material().SetLighting(false);
  EXPECT_GT(host.renders, before);
  const int after_material = host.renders;
  mesh.Data().SetPoints("0 0 0  1 1 1");
  EXPECT_GT(host.renders, after_material);
  mesh.SetRootOf(nullptr);
}

TEST(StartColors, TheGeneratorIsTheSameInEveryRun) {
  TgkRandom random;
  std::vector<uint32_t> colors;
  for (int i = 0; i < 4; ++i) colors.push_back(0xFF000000u + random.Next(0xFFFFFF));
  EXPECT_EQ(colors, (std::vector<uint32_t>{0xFF000000, 0xFF080883, 0xFFDC6DAB, 0xFF33DC58}));
  // Every draw stays below the range.
  for (int i = 0; i < 1000; ++i) EXPECT_LT(random.Next(0xFFFFFF), 0xFFFFFFu);
}

// Runs in a fresh process (see the next test): the first shapes of a run.
TEST(StartColors, FreshProcessChild) {
  if (!std::getenv("FACETMINT_START_COLOR_CHILD")) GTEST_SKIP() << "runs as a child only";
  TgkMesh first;
  TgkCube second;
  TgkSphere third;
  TgkRoundCube fourth;
  EXPECT_EQ(first.Material().Diffuse(), 0xFF000000u);
  EXPECT_EQ(second.Material().Diffuse(), 0xFF080883u);
  EXPECT_EQ(third.Material().Diffuse(), 0xFFDC6DABu);
  EXPECT_EQ(fourth.Material().Diffuse(), 0xFF33DC58u);
}

TEST(StartColors, FirstShapesOfARunTakeTheFixedSequence) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  std::string out;
  const int status =
      testsupport::RunCommand("FACETMINT_START_COLOR_CHILD=1 " + testsupport::ShellQuote(self) +
                                  " --gtest_filter=StartColors.FreshProcessChild",
                              &out);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

TEST(ShapeClasses, AllTwelveAreCreatableByNameAndGrouped) {
  RegisterSceneContentClasses();
  for (const char* name :
       {"TgkFloatAnimation", "TgkColorAnimation", "TgkBitmapList", "TgkBitmapObject"}) {
    EXPECT_NE(TClassRegistry::Instance().FindClass(name), nullptr) << name;
  }
  for (const char* name :
       {"TgkPlane", "TgkCube", "TgkMesh", "TgkSphere", "TgkCylinder", "TgkRoundCube", "TgkCone",
        "TgkText", "TgkText3D", "TgkImage", "TgkGrid", "TgkScreenImage"}) {
    const TClassInfo* info = TClassRegistry::Instance().FindClass(name);
    ASSERT_NE(info, nullptr) << name;
    std::unique_ptr<TPersistent> made(info->Create(nullptr));
    ASSERT_NE(made, nullptr) << name;
    EXPECT_EQ(made->ClassName(), name);
    EXPECT_STREQ(ShapeClassGroup(name),
                 std::string(name) == "TgkScreenImage" ? "Screen Projection" : "Camera Projection");
  }
  std::unique_ptr<TPersistent> cube(
      TClassRegistry::Instance().FindClass("TgkRoundCube")->Create(nullptr));
  EXPECT_EQ(static_cast<TgkRoundCube&>(*cube).MeshData().VertexCount(), 202);
  EXPECT_STREQ(ShapeClassGroup("TgkDummy"), "");
}

TEST(ShapeClasses, AStoredMeshReadsBackWithItsDataAndMaterial) {
  TgkMesh mesh;
  mesh.Data().SetPoints("0 0 0  1 0 0  0 1 0");
  mesh.Data().SetTriangleIndices("0 1 2");
  mesh.Material().SetDiffuseText("#FFEE6F8C");
  mesh.Material().SetBitmap("wood.png");
  const std::string text = ComponentToText(mesh);
  EXPECT_NE(text.find("Data.Mesh = {"), std::string::npos) << text;
  EXPECT_EQ(text.find("Points"), std::string::npos) << text;  // editing forms are not stored
  TMemoryStream stream(std::vector<uint8_t>(text.begin(), text.end()));
  std::unique_ptr<TComponent> back(LoadObjectFromStream(nullptr, stream));
  auto* copy = dynamic_cast<TgkMesh*>(back.get());
  ASSERT_NE(copy, nullptr) << text;
  EXPECT_EQ(copy->Data().Vertices, mesh.Data().Vertices);
  EXPECT_EQ(copy->Data().Indices, mesh.Data().Indices);
  EXPECT_EQ(copy->Material().Diffuse(), 0xFFEE6F8Cu);
  EXPECT_EQ(copy->Material().Bitmap(), "wood.png");
}

TEST(ShapeTables, CountsAndOutwardFaces) {
  struct Expect {
    const char* name;
    const TgkShapeTable& table;
    size_t triangles;
  };
  for (const Expect& e :
       {Expect{"cube", CubeTable(), 480}, Expect{"sphere", SphereTable(), 720},
        Expect{"cylinder", CylinderTable(), 216}, Expect{"cone", ConeTable(), 200}}) {
    EXPECT_EQ(e.table.indices.size(), 3 * e.triangles) << e.name;
    EXPECT_EQ(InwardTriangles(e.table), 0) << e.name;
    for (const TgkMeshVertex& v : e.table.vertices) {
      EXPECT_LE(std::fabs(v.X), 0.5f + 1e-6f) << e.name;
      EXPECT_LE(std::fabs(v.Y), 0.5f + 1e-6f) << e.name;
      EXPECT_LE(std::fabs(v.Z), 0.5f + 1e-6f) << e.name;
    }
    for (uint32_t i : e.table.indices) ASSERT_LT(i, e.table.vertices.size()) << e.name;
  }
  const TgkShapeTable& plane = PlaneTable();
  EXPECT_EQ(plane.vertices.size(), 121u);
  EXPECT_EQ(plane.indices.size(), 600u);
  EXPECT_EQ(plane.vertices[0].TU, 0);
  EXPECT_EQ(plane.vertices[120].TV, 1);
  for (size_t i = 0; i < plane.indices.size(); i += 3) {
    const TgkMeshVertex &a = plane.vertices[plane.indices[i]],
                        &b = plane.vertices[plane.indices[i + 1]],
                        &c = plane.vertices[plane.indices[i + 2]];
    const float nz = (c.X - a.X) * (b.Y - a.Y) - (c.Y - a.Y) * (b.X - a.X);
    ASSERT_GT(nz, 0) << "triangle " << i / 3 << " must face +z";
  }
}

TEST(OtherShapes, PlaneGridAndSphereKeepTheirRules) {
  TgkPlane plane;
  EXPECT_FLOAT_EQ(plane.Depth(), 0.01f);
  plane.SetDepth(5);
  EXPECT_FLOAT_EQ(plane.Depth(), 0.01f);

  TgkSphere sphere;
  TgkVector hit;
  ASSERT_TRUE(sphere.RayCastIntersect(P(0, 0, 10), D(0, 0, -1), hit));
  ExpectNear(hit, 0, 0, 0.5f);
  EXPECT_FALSE(sphere.RayCastIntersect(P(0.45f, 0.45f, 10), D(0, 0, -1), hit));  // in the box
  sphere.SetDepth(4);
  ASSERT_TRUE(sphere.RayCastIntersect(P(10, 0, 0.5f), D(-1, 0, 0), hit));
  ExpectNear(hit, std::sqrt(0.25f - 0.25f * 0.25f / 4), 0, 0.5f);

  TgkGrid grid;
  grid.SetWidth(4.5f);
  grid.SetHeight(2);
  EXPECT_FLOAT_EQ(grid.Depth(), 0.01f);
  grid.SetFrequency(0);
  EXPECT_FLOAT_EQ(grid.Frequency(), 0.01f);
  grid.SetFrequency(1);
  grid.SetMarks(2);
  TShapeTestCanvas canvas;
  grid.SetCanvas(&canvas);
  grid.Paint();
  // x = 0, +-1, +-2 (below 2.25) and y = 0 only (1 is not below 1).
  EXPECT_EQ(std::count(canvas.calls.begin(), canvas.calls.end(), "DrawLine"), 6);
  EXPECT_FALSE(canvas.Material().Lighting());
  EXPECT_EQ(canvas.Material().Diffuse(), 0xA0505050u);  // y = 0 is a mark
  ASSERT_TRUE(grid.RayCastIntersect(P(2, 0.9f, 3), D(0, 0, -1), hit));
  ExpectNear(hit, 2, 0.9f, 0);
  EXPECT_FALSE(grid.RayCastIntersect(P(2.3f, 0, 3), D(0, 0, -1), hit));

  grid.SetFrequency(1e-6f);  // would be millions of lines
  grid.SetWidth(1e6f);
  canvas.calls.clear();
  grid.Paint();
  EXPECT_LE(canvas.calls.size(), 4u * (TgkGrid::kMaxLinesPerSide + 1));
}

TEST(OtherShapes, ImagesAndTextPaintThroughTheCanvas) {
  TShapeTestCanvas canvas;
  TgkImage image;
  image.SetCanvas(&canvas);
  EXPECT_EQ(image.Width(), 4);
  EXPECT_FLOAT_EQ(image.Height(), 0.1f);
  EXPECT_EQ(image.Depth(), 3);
  image.Paint();
  EXPECT_TRUE(canvas.meshes.empty());  // no pixels, nothing drawn
  TgkBitmap pixels(2, 2);
  image.SetBitmap(pixels);
  image.SetOpacity(0.5f);
  image.Paint();
  ASSERT_EQ(canvas.meshes.size(), 1u);
  EXPECT_EQ(canvas.meshes[0].diffuse, 0x7FFFFFFFu);
  EXPECT_FALSE(canvas.meshes[0].lighting);
  EXPECT_EQ(canvas.meshes[0].size.Y, 0);
  EXPECT_EQ(canvas.meshes[0].size.Z, 3);
  EXPECT_EQ(canvas.Material().DirectBitmap(), nullptr);  // only for the draw
  EXPECT_EQ(canvas.meshes[0].texture, &image.Bitmap());
  EXPECT_EQ(canvas.Material().BitmapMode(), gkTexReplace);

  TgkText text;
  text.SetCanvas(&canvas);
  EXPECT_FALSE(text.Material().Lighting());
  EXPECT_FALSE(text.ZWrite());
  text.SetText("Hello");
  text.Paint();
  EXPECT_EQ(canvas.calls.back(), "FillText:Hello");

  TgkText3D solid;
  solid.SetCanvas(&canvas);
  solid.Paint();
  EXPECT_NE(canvas.calls.back(), "FillPolygon");  // empty text draws nothing
  solid.SetText("A");
  solid.Paint();
  EXPECT_EQ(canvas.calls.back(), "FillPolygon");
}

TEST(OtherShapes, BoxShapesAreHitWhereTheRayEntersTheirBox) {
  TgkCube cube;
  TgkVector hit;
  ASSERT_TRUE(cube.RayCastIntersect(P(0.17f, -10, 0), D(0.001f, 1, 0), hit));
  EXPECT_NEAR(hit.Y, -0.5f, 1e-5);
  EXPECT_FALSE(cube.RayCastIntersect(P(0.7f, -10, 0), D(0, 1, 0), hit));
  EXPECT_FALSE(cube.RayCastIntersect(P(0, 0, 0), D(0, 1, 0), hit));  // from inside
}
