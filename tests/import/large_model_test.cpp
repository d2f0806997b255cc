// Models whose meshes reach past 16-bit indices and past one draw's buffers, read by the
// real readers: each mesh is built as one mesh with every corner the smoothing asks for,
// and is drawn, picked and drawn as wire frame whole.
#include <gtest/gtest.h>

#include <set>

#include "core/stream.h"
#include "import/import_3ds.h"
#include "import/import_md3.h"
#include "scene/dummy.h"
#include "scene/material.h"
#include "scene/shape.h"
#include "tests/import/model_writer.h"
#include "tests/render/render_fixture.h"

using namespace modelwriter;
using namespace rendertest;

namespace {

// Cols x rows unit squares at z = 0, two triangles each, without the squares of a hole
// near the end of the face list.
struct Grid {
  int cols, rows;
  int hole_x, hole_y, hole_w, hole_h;

  bool Kept(int i, int j) const {
    return i < hole_x || i >= hole_x + hole_w || j < hole_y || j >= hole_y + hole_h;
  }
  int Triangles() const { return 2 * (cols * rows - hole_w * hole_h); }
  // Calls corner(i, j) for the corners of every triangle in order.
  template <typename Corner>
  void ForEachCorner(Corner&& corner) const {
    for (int j = 0; j < rows; ++j) {
      for (int i = 0; i < cols; ++i) {
        if (!Kept(i, j)) continue;
        for (auto [di, dj] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 1}}) {
          corner(i + di, j + dj);
        }
      }
    }
  }
};

// 3DS: shared grid vertices, no smoothing chunk.
Bytes Grid3DS(const Grid& g) {
  MeshLayout m;
  m.name = "Grid";
  for (int j = 0; j <= g.rows; ++j) {
    for (int i = 0; i <= g.cols; ++i) {
      m.vertices.push_back({static_cast<float>(i), static_cast<float>(j), 0});
    }
  }
  std::vector<uint16_t> corners;
  g.ForEachCorner(
      [&](int i, int j) { corners.push_back(static_cast<uint16_t>(j * (g.cols + 1) + i)); });
  for (size_t k = 0; k < corners.size(); k += 3) {
    m.faces.push_back({corners[k], corners[k + 1], corners[k + 2]});
  }
  return File3DS({MeshChunk(m)});
}

// MD3: one surface, every triangle with vertices of its own.
Bytes GridMD3(const Grid& g) {
  MD3Surface s;
  s.name = "grid";
  s.vertices.emplace_back();
  g.ForEachCorner([&](int i, int j) {
    s.vertices[0].push_back({static_cast<int16_t>(i * 64), static_cast<int16_t>(j * 64), 0, 0, 0});
  });
  for (int32_t k = 0; k < static_cast<int32_t>(s.vertices[0].size()); k += 3) {
    s.triangles.push_back({k, k + 1, k + 2});
  }
  MD3Layout layout;
  layout.surfaces = {s};
  return FileMD3(layout);
}

enum class Format { k3DS, kMD3 };

class LargeModel : public RenderTest {
 protected:
  static constexpr int kSide = 256;

  // Reads the file into the holder and returns its one mesh.
  TgkMesh& Import(Format format, const Grid& g) {
    TMemoryStream stream(format == Format::k3DS ? Grid3DS(g) : GridMD3(g));
    if (format == Format::k3DS) {
      Import3DS("", nullptr, stream, *holder);
    } else {
      ImportMD3("", nullptr, stream, *holder);
    }
    EXPECT_EQ(holder->ChildrenCount(), 1);
    auto* mesh = dynamic_cast<TgkMesh*>(holder->GetChild(0));
    EXPECT_NE(mesh, nullptr);
    return *mesh;
  }

  // Every corner is a vertex of its own (no smoothing) and sits where the file puts it,
  // the corners of 3DS faces in the order a, c, b.
  void ExpectCorners(Format format, const Grid& g, const TgkMeshData& data) {
    const size_t corners = 3 * static_cast<size_t>(g.Triangles());
    ASSERT_EQ(data.Indices.size(), corners);
    // The 3DS file's vertices inside the hole are named by no face but stay in the mesh.
    const size_t unused =
        format == Format::k3DS ? static_cast<size_t>((g.hole_w - 1) * (g.hole_h - 1)) : 0;
    EXPECT_EQ(data.Vertices.size(), corners + unused);
    EXPECT_EQ(std::set<uint32_t>(data.Indices.begin(), data.Indices.end()).size(), corners);
    size_t k = 0;
    g.ForEachCorner([&](int i, int j) {
      size_t stored = k;  // 3DS: b is stored third and c second
      if (format == Format::k3DS && k % 3 == 1) stored = k + 1;
      if (format == Format::k3DS && k % 3 == 2) stored = k - 1;
      ASSERT_LT(data.Indices[stored], data.Vertices.size());
      const TgkMeshVertex& v = data.Vertices[data.Indices[stored]];
      ASSERT_NEAR(v.X, static_cast<double>(i) / g.cols - 0.5, 1e-6) << k;
      ASSERT_NEAR(v.Y, static_cast<double>(j) / g.rows - 0.5, 1e-6) << k;
      ++k;
    });
  }

  // The mesh drawn in the screen projection one square per pixel, centred on the bitmap:
  // square (i, j) covers pixel (x0 + i, y0 + j).
  void Draw(TgkMesh& mesh, const Grid& g) {
    Begin();
    mesh.SetCanvas(canvas.get());
    mesh.BeforePaint();  // the mesh's material, wire frame included
    canvas->SetRenderState(rsScreenMatrix);
    canvas->SetRenderState(rsCullNone);
    canvas->SetMatrix(Translation(kSide / 2.0f, kSide / 2.0f, 0));
    canvas->FillMesh({}, MakeVector(static_cast<float>(g.cols), static_cast<float>(g.rows), 0, 0),
                     1, mesh.Data());
    mesh.SetCanvas(nullptr);
    canvas->EndScene();
  }

  void ExpectDrawnWhole(TgkMesh& mesh, const Grid& g) {
    Make(kSide, kSide);
    ASSERT_LE(g.cols, kSide);
    const int x0 = (kSide - g.cols) / 2, y0 = (kSide - g.rows) / 2;
    auto square = [&](int x, int y, int& i, int& j) {
      i = x - x0, j = y - y0;
      return i >= 0 && i < g.cols && j >= 0 && j < g.rows;
    };
    Draw(mesh, g);
    int wrong = 0;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        int i, j;
        const bool expected = square(x, y, i, j) && g.Kept(i, j);
        wrong += (Pixel(x, y) != 0) != expected;
      }
    }
    EXPECT_EQ(wrong, 0);

    // As wire frame: lines in every band of rows, none inside the hole (one pixel in) or
    // away from the grid.
    mesh.Material().SetFillMode(gkWireframe);
    Draw(mesh, g);
    mesh.Material().SetFillMode(gkSolid);
    std::vector<int> band(static_cast<size_t>(g.rows / 10 + 1), 0);
    int stray = 0;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        if (Pixel(x, y) == 0) continue;
        int i, j;
        const bool near_grid = x >= x0 - 1 && x <= x0 + g.cols && y >= y0 - 1 && y <= y0 + g.rows;
        const bool in_hole = square(x, y, i, j) && i > g.hole_x && i < g.hole_x + g.hole_w - 1 &&
                             j > g.hole_y && j < g.hole_y + g.hole_h - 1;
        stray += !near_grid || in_hole;
        if (square(x, y, i, j)) ++band[static_cast<size_t>(j / 10)];
      }
    }
    EXPECT_EQ(stray, 0);
    for (size_t b = 0; b < band.size(); ++b) EXPECT_GT(band[b], 0) << "rows from " << b * 10;
  }

  // A ray along -z through square (i, j) off its diagonal, in the mesh's space. It starts
  // just above the flat mesh: the mesh's bounding box is only 0.01 / 250 deep, finer than
  // float steps around a far start.
  bool Pick(TgkMesh& mesh, const Grid& g, double i, double j, TgkVector& hit) {
    const float x = static_cast<float>((i + 0.3) / g.cols - 0.5) * mesh.Width();
    const float y = static_cast<float>((j + 0.3) / g.rows - 0.5) * mesh.Height();
    return mesh.RayCastIntersect(MakeVector(x, y, 1e-3f, 1), MakeVector(0, 0, -1, 0), hit);
  }

  void ExpectPicked(TgkMesh& mesh, const Grid& g) {
    TgkVector hit;
    // The last square, named by the last corners, and one beside the hole.
    for (auto [i, j] : {std::pair{g.cols - 1, g.rows - 1}, {g.hole_x - 1, g.hole_y + 2}}) {
      ASSERT_TRUE(Pick(mesh, g, i, j, hit)) << i << ", " << j;
      EXPECT_NEAR(hit.X, ((i + 0.3) / g.cols - 0.5) * mesh.Width(), 1e-5);
      EXPECT_NEAR(hit.Y, ((j + 0.3) / g.rows - 0.5) * mesh.Height(), 1e-5);
    }
    EXPECT_FALSE(Pick(mesh, g, g.hole_x + 2, g.hole_y + 2, hit));
  }

  void ExpectWhole(Format format, const Grid& g) {
    TgkMesh& mesh = Import(format, g);
    ASSERT_FALSE(HasFatalFailure());
    ExpectCorners(format, g, mesh.Data());
    ExpectDrawnWhole(mesh, g);
    ExpectPicked(mesh, g);
  }

  // The window's arrangement: a root component owning the model holder and the meshes.
  TComponent root;
  TgkDummy* holder = new TgkDummy(&root);  // owned by root
};

// 250 x 102 squares less a 25 x 20 hole: 50 000 triangles, 150 000 corners.
constexpr Grid k50k{250, 102, 150, 80, 25, 20};
// 220 x 102 squares less 22 x 20: 44 000 triangles, 132 000 corners.
constexpr Grid k44k{220, 102, 100, 75, 22, 20};

TEST_F(LargeModel, ThreeDSMeshOf50000TrianglesWithoutSmoothing) {
  ASSERT_EQ(k50k.Triangles(), 50000);
  ExpectWhole(Format::k3DS, k50k);
}

TEST_F(LargeModel, ThreeDSMeshOf44000TrianglesWithoutSmoothing) {
  ASSERT_EQ(k44k.Triangles(), 44000);
  ExpectWhole(Format::k3DS, k44k);
}

TEST_F(LargeModel, MD3SurfaceOf50000Triangles) {
  ExpectWhole(Format::kMD3, k50k);
}

}  // namespace
