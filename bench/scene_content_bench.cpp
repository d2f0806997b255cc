// Measures picking of a mesh shape: TgkMesh::RayCastIntersect against a 30 000-triangle
// height field, for a ray that crosses the box but no triangle (every triangle is tested)
// and for a ray whose only hit is the last triangle in index order; and the construction
// of the default round cube (one block copy per array).
#include <benchmark/benchmark.h>

#include <cmath>

#include "scene/shape.h"

namespace {

// A (cols x rows)-quad height field filling the unit box's x and y.
void FillHeightField(TgkMeshData& mesh, int cols, int rows) {
  mesh.Vertices.clear();
  mesh.Indices.clear();
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c <= cols; ++c) {
      const float x = -0.5f + float(c) / cols, y = -0.5f + float(r) / rows;
      const float z = 0.3f * std::sin(x * 12) * std::cos(y * 9);
      mesh.Vertices.push_back(MakeMeshVertex(x, y, z, 0, 0, 1, x + 0.5f, 0.5f - y));
    }
  }
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const uint16_t i = uint16_t(r * (cols + 1) + c);
      const uint16_t right = uint16_t(i + 1), up = uint16_t(i + cols + 1),
                     diag = uint16_t(i + cols + 2);
      mesh.Indices.insert(mesh.Indices.end(), {i, right, diag, i, diag, up});
    }
  }
}

void BM_PickMeshMissingEveryTriangle(benchmark::State& state) {
  TgkMesh mesh;
  FillHeightField(mesh.Data(), 150, 100);
  const TgkVector pos = MakeVector(-10, 0.1f, 0.45f, 1), dir = MakeVector(1, 0, 0, 0);
  TgkVector hit;
  if (mesh.RayCastIntersect(pos, dir, hit)) state.SkipWithError("the ray should miss");
  for (auto _ : state) {
    benchmark::DoNotOptimize(mesh.RayCastIntersect(pos, dir, hit));
  }
  state.counters["triangles"] = double(mesh.Data().TriangleCount());
}
BENCHMARK(BM_PickMeshMissingEveryTriangle)->Unit(benchmark::kMicrosecond);

void BM_PickMeshHittingTheLastTriangle(benchmark::State& state) {
  TgkMesh mesh;
  FillHeightField(mesh.Data(), 150, 100);
  // Just inside the last quad's upper-left triangle (i, diag, up).
  const TgkVector pos = MakeVector(0.4985f, 0.4995f, 10, 1), dir = MakeVector(0, 0, -1, 0);
  TgkVector hit;
  if (!mesh.RayCastIntersect(pos, dir, hit)) state.SkipWithError("the ray should hit");
  for (auto _ : state) {
    benchmark::DoNotOptimize(mesh.RayCastIntersect(pos, dir, hit));
  }
  state.counters["triangles"] = double(mesh.Data().TriangleCount());
}
BENCHMARK(BM_PickMeshHittingTheLastTriangle)->Unit(benchmark::kMicrosecond);

void BM_CreateRoundCube(benchmark::State& state) {
  for (auto _ : state) {
    TgkRoundCube cube;
    benchmark::DoNotOptimize(cube.MeshData().Vertices.data());
  }
}
BENCHMARK(BM_CreateRoundCube)->Unit(benchmark::kMicrosecond);

}  // namespace
