// Tables of the plain built-in solids. Only their counts and forms are fixed; every
// triangle is wound so that it is a front face (clockwise) seen from outside.
#include "scene/shape_tables.h"

#include <cmath>
#include <map>
#include <utility>

namespace {

constexpr double kPiD = 3.14159265358979323846;

TgkVector Pos(const TgkMeshVertex& v) {
  return MakeVector(v.X, v.Y, v.Z, 1);
}

void AddTriangle(TgkShapeTable& t, int a, int b, int c) {
  t.indices.push_back(uint32_t(a));
  t.indices.push_back(uint32_t(b));
  t.indices.push_back(uint32_t(c));
}

// Convex solids around the origin: swap the last two corners of every triangle whose
// summed face normal points inward.
void OrientOutward(TgkShapeTable& t) {
  for (size_t i = 0; i + 2 < t.indices.size(); i += 3) {
    const TgkVector a = Pos(t.vertices[t.indices[i]]);
    const TgkVector b = Pos(t.vertices[t.indices[i + 1]]);
    const TgkVector c = Pos(t.vertices[t.indices[i + 2]]);
    const TgkVector n = VectorCross(VectorSubtract(c, a), VectorSubtract(b, a));
    const TgkVector centroid =
        MakeVector((a.X + b.X + c.X) / 3, (a.Y + b.Y + c.Y) / 3, (a.Z + b.Z + c.Z) / 3, 1);
    if (VectorDot(n, centroid) < 0) std::swap(t.indices[i + 1], t.indices[i + 2]);
  }
}

// A grid of (cols + 1) x (rows + 1) vertices from corner o along the edges u and v, with
// texture coordinates 0..1 over it and two triangles per cell.
void AddGrid(TgkShapeTable& t, TgkVector o, TgkVector u, TgkVector v, int cols, int rows) {
  const int base = int(t.vertices.size());
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c <= cols; ++c) {
      const float fu = float(c) / cols, fv = float(r) / rows;
      TgkVector p = VectorCombine(VectorCombine(o, u, fu), v, fv);
      t.vertices.push_back(MakeMeshVertex(p.X, p.Y, p.Z, 0, 0, 0, fu, fv));
    }
  }
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const int i = base + r * (cols + 1) + c;
      AddTriangle(t, i, i + 1, i + cols + 2);
      AddTriangle(t, i, i + cols + 2, i + cols + 1);
    }
  }
}

TgkShapeTable BuildPlane() {
  TgkShapeTable t;
  for (int r = 0; r <= 10; ++r) {  // rows from the top (y = 0.5) down
    for (int c = 0; c <= 10; ++c) {
      const float x = -0.5f + 0.1f * c, y = 0.5f - 0.1f * r;
      t.vertices.push_back(MakeMeshVertex(x, y, -0.5f, 0, 0, 1, x + 0.5f, 0.5f - y));
    }
  }
  for (int r = 0; r < 10; ++r) {
    for (int c = 0; c < 10; ++c) {
      const int tl = r * 11 + c, tr = tl + 1, bl = tl + 11, br = bl + 1;
      AddTriangle(t, tl, tr, br);  // clockwise seen from +z
      AddTriangle(t, tl, br, bl);
    }
  }
  return t;  // normals are +z as stated, not summed
}

TgkShapeTable BuildCube() {
  TgkShapeTable t;
  const float h = 0.5f;
  // Across z: 6 x 6 squares.
  AddGrid(t, MakeVector(-h, h, h), MakeVector(1, 0, 0, 0), MakeVector(0, -1, 0, 0), 6, 6);
  AddGrid(t, MakeVector(-h, -h, -h), MakeVector(1, 0, 0, 0), MakeVector(0, 1, 0, 0), 6, 6);
  // The four others: 6 across, 7 along z.
  AddGrid(t, MakeVector(-h, -h, h), MakeVector(1, 0, 0, 0), MakeVector(0, 0, -1, 0), 6, 7);
  AddGrid(t, MakeVector(h, -h, h), MakeVector(0, 1, 0, 0), MakeVector(0, 0, -1, 0), 6, 7);
  AddGrid(t, MakeVector(h, h, h), MakeVector(-1, 0, 0, 0), MakeVector(0, 0, -1, 0), 6, 7);
  AddGrid(t, MakeVector(-h, h, h), MakeVector(0, -1, 0, 0), MakeVector(0, 0, -1, 0), 6, 7);
  OrientOutward(t);
  SetSummedFaceNormals(t);
  return t;
}

TgkShapeTable BuildSphere() {
  // Icosahedron; every face split into 36 by dividing its edges into 6; points pushed out
  // to the sphere and shared between faces.
  const double g = (1 + std::sqrt(5.0)) / 2;
  const double ico[12][3] = {{-1, g, 0}, {1, g, 0}, {-1, -g, 0}, {1, -g, 0},
                             {0, -1, g}, {0, 1, g}, {0, -1, -g}, {0, 1, -g},
                             {g, 0, -1}, {g, 0, 1}, {-g, 0, -1}, {-g, 0, 1}};
  const int faces[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                            {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                            {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                            {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
  constexpr int n = 6;
  TgkShapeTable t;
  std::map<std::tuple<long, long, long>, int> known;
  auto vertex = [&](double x, double y, double z) {
    const double len = std::sqrt(x * x + y * y + z * z);
    x /= len;
    y /= len;
    z /= len;
    const auto key =
        std::make_tuple(std::lround(x * 1e6), std::lround(y * 1e6), std::lround(z * 1e6));
    auto it = known.find(key);
    if (it != known.end()) return it->second;
    const double u = 0.5 + std::atan2(y, x) / (2 * kPiD), v = 0.5 - std::asin(z) / kPiD;
    t.vertices.push_back(MakeMeshVertex(float(x / 2), float(y / 2), float(z / 2), float(x),
                                        float(y), float(z), float(u), float(v)));
    const int index = int(t.vertices.size()) - 1;
    known.emplace(key, index);
    return index;
  };
  for (const auto& f : faces) {
    const double* a = ico[f[0]];
    const double* b = ico[f[1]];
    const double* c = ico[f[2]];
    auto point = [&](int i, int j) {  // i steps from a to b, j from a to c
      const double s = double(i) / n, r = double(j) / n;
      return vertex(a[0] + (b[0] - a[0]) * s + (c[0] - a[0]) * r,
                    a[1] + (b[1] - a[1]) * s + (c[1] - a[1]) * r,
                    a[2] + (b[2] - a[2]) * s + (c[2] - a[2]) * r);
    };
    for (int i = 0; i < n; ++i) {
      for (int j = 0; i + j < n; ++j) {
        AddTriangle(t, point(i, j), point(i + 1, j), point(i, j + 1));
        if (i + j + 1 < n) AddTriangle(t, point(i + 1, j), point(i + 1, j + 1), point(i, j + 1));
      }
    }
  }
  OrientOutward(t);  // normals are the unit positions, set above
  return t;
}

// Rings around the x axis at the given x, 'sides' segments with a seam copy each.
void AddRing(TgkShapeTable& t, float x, float radius, int sides, float v) {
  for (int j = 0; j <= sides; ++j) {
    const double a = 2 * kPiD * j / sides;
    t.vertices.push_back(MakeMeshVertex(x, float(radius * std::cos(a)), float(radius * std::sin(a)),
                                        0, 0, 0, float(j) / sides, v));
  }
}

void AddBand(TgkShapeTable& t, int ring0, int ring1, int sides) {
  for (int j = 0; j < sides; ++j) {
    AddTriangle(t, ring0 + j, ring0 + j + 1, ring1 + j + 1);
    AddTriangle(t, ring0 + j, ring1 + j + 1, ring1 + j);
  }
}

// A disc at x closed by a fan around a centre vertex.
void AddFan(TgkShapeTable& t, float x, float radius, int sides) {
  const int centre = int(t.vertices.size());
  t.vertices.push_back(MakeMeshVertex(x, 0, 0, 0, 0, 0, 0.5f, 0.5f));
  for (int j = 0; j < sides; ++j) {
    const double a = 2 * kPiD * j / sides;
    const float c = float(std::cos(a)), s = float(std::sin(a));
    t.vertices.push_back(
        MakeMeshVertex(x, radius * c, radius * s, 0, 0, 0, 0.5f + c / 2, 0.5f - s / 2));
  }
  for (int j = 0; j < sides; ++j) {
    AddTriangle(t, centre, centre + 1 + j, centre + 1 + (j + 1) % sides);
  }
}

TgkShapeTable BuildCylinder() {
  constexpr int sides = 18, segments = 5;
  TgkShapeTable t;
  for (int i = 0; i <= segments; ++i) {
    AddRing(t, -0.5f + float(i) / segments, 0.5f, sides, float(i) / segments);
  }
  for (int i = 0; i < segments; ++i) AddBand(t, i * (sides + 1), (i + 1) * (sides + 1), sides);
  AddFan(t, -0.5f, 0.5f, sides);
  AddFan(t, 0.5f, 0.5f, sides);
  OrientOutward(t);
  SetSummedFaceNormals(t);
  return t;
}

TgkShapeTable BuildCone() {
  constexpr int sides = 20;
  TgkShapeTable t;
  const float xs[4] = {-0.5f, -0.25f, 0, 0.25f};
  for (int i = 0; i < 4; ++i) AddRing(t, xs[i], 0.5f * (0.5f - xs[i]), sides, float(i) / 4);
  for (int i = 0; i < 3; ++i) AddBand(t, i * (sides + 1), (i + 1) * (sides + 1), sides);
  // One apex vertex per side keeps the texture continuous.
  const int apex = int(t.vertices.size());
  for (int j = 0; j < sides; ++j) {
    t.vertices.push_back(MakeMeshVertex(0.5f, 0, 0, 0, 0, 0, (j + 0.5f) / sides, 1));
  }
  for (int j = 0; j < sides; ++j)
    AddTriangle(t, 3 * (sides + 1) + j, 3 * (sides + 1) + j + 1, apex + j);
  // The base: a fan to an inner ring, then a band to the rim.
  AddFan(t, -0.5f, 0.25f, sides);
  const int inner = int(t.vertices.size()) - sides;
  const int rim = int(t.vertices.size());
  for (int j = 0; j < sides; ++j) {
    const double a = 2 * kPiD * j / sides;
    const float c = float(std::cos(a)), s = float(std::sin(a));
    t.vertices.push_back(
        MakeMeshVertex(-0.5f, 0.5f * c, 0.5f * s, 0, 0, 0, 0.5f + c / 2, 0.5f - s / 2));
  }
  for (int j = 0; j < sides; ++j) {
    const int k = (j + 1) % sides;
    AddTriangle(t, inner + j, rim + j, rim + k);
    AddTriangle(t, inner + j, rim + k, inner + k);
  }
  OrientOutward(t);
  SetSummedFaceNormals(t);
  return t;
}

}  // namespace

void SetSummedFaceNormals(TgkShapeTable& table) {
  for (TgkMeshVertex& v : table.vertices) v.NX = v.NY = v.NZ = 0;
  for (size_t i = 0; i + 2 < table.indices.size(); i += 3) {
    TgkMeshVertex& a = table.vertices[table.indices[i]];
    TgkMeshVertex& b = table.vertices[table.indices[i + 1]];
    TgkMeshVertex& c = table.vertices[table.indices[i + 2]];
    const TgkVector n = VectorCross(VectorSubtract(Pos(c), Pos(a)), VectorSubtract(Pos(b), Pos(a)));
    for (TgkMeshVertex* v : {&a, &b, &c}) {
      v->NX += n.X;
      v->NY += n.Y;
      v->NZ += n.Z;
    }
  }
}

const TgkShapeTable& PlaneTable() {
  static const TgkShapeTable table = BuildPlane();
  return table;
}
const TgkShapeTable& CubeTable() {
  static const TgkShapeTable table = BuildCube();
  return table;
}
const TgkShapeTable& SphereTable() {
  static const TgkShapeTable table = BuildSphere();
  return table;
}
const TgkShapeTable& CylinderTable() {
  static const TgkShapeTable table = BuildCylinder();
  return table;
}
const TgkShapeTable& ConeTable() {
  static const TgkShapeTable table = BuildCone();
  return table;
}
