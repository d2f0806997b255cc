// The round cube's table: vertex and index order are fixed because stored scenes and the
// texture layout rely on them.
#include <array>
#include <cmath>

#include "scene/shape_tables.h"

namespace {

constexpr double kA = 0.42;  // half size of the inner box
constexpr double kR = 0.08;  // rounding radius
constexpr double kPiD = 3.14159265358979323846;

// Wall texture u of the 16 ring points; the seam copies of point 0 take 1.
constexpr std::array<float, 16> kWallU = {
    0.0f,      0.009914f, 0.019828f, 0.029743f, 0.230847f, 0.240761f, 0.250676f, 0.260590f,
    0.461694f, 0.471609f, 0.481523f, 0.491437f, 0.692542f, 0.702456f, 0.712370f, 0.722284f};

struct RingPoint {
  double x, y;
};

// 16 points, four per corner, counter-clockwise seen from +z from (-a, a + r).
std::array<RingPoint, 16> Ring(double r) {
  constexpr RingPoint corners[4] = {{-kA, kA}, {-kA, -kA}, {kA, -kA}, {kA, kA}};
  std::array<RingPoint, 16> ring{};
  for (int k = 0; k < 4; ++k) {
    for (int j = 0; j < 4; ++j) {
      const double t = (90.0 + 90.0 * k + 30.0 * j) * kPiD / 180.0;
      ring[4 * k + j] = {corners[k].x + r * std::cos(t), corners[k].y + r * std::sin(t)};
    }
  }
  return ring;
}

struct Level {
  double radius, z;
};

Level BevelLevel(double degrees) {
  const double f = degrees * kPiD / 180.0;
  return {kR * std::cos(f), kA + kR * std::sin(f)};
}

TgkMeshVertex Front(double x, double y, double z) {
  return MakeMeshVertex(float(x), float(y), float(z), 0, 0, 0, float(x + 0.5), float(0.5 - y));
}
TgkMeshVertex Back(double x, double y, double z) {
  return MakeMeshVertex(float(x), float(y), float(z), 0, 0, 0, float(x + 0.5), float(y + 0.5));
}
TgkMeshVertex Wall(double x, double y, double z, float u, float v) {
  return MakeMeshVertex(float(x), float(y), float(z), 0, 0, 0, u, v);
}

TgkShapeTable BuildRoundCube() {
  TgkShapeTable t;
  auto& v = t.vertices;
  auto& idx = t.indices;
  auto tri = [&](int a, int b, int c) {
    idx.push_back(uint32_t(a));
    idx.push_back(uint32_t(b));
    idx.push_back(uint32_t(c));
  };
  const Level l60 = BevelLevel(60), l30 = BevelLevel(30), l0 = BevelLevel(0);
  const auto ring60 = Ring(l60.radius), ring30 = Ring(l30.radius), ring0 = Ring(l0.radius);
  const double cap = kA + kR;

  // 0..3 front cap, 4..51 the front rings, 52..67 the wall's back edge.
  for (RingPoint p : {RingPoint{-kA, kA}, {kA, kA}, {-kA, -kA}, {kA, -kA}}) {
    v.push_back(Front(p.x, p.y, cap));
  }
  for (const auto& [ring, z] : {std::pair{ring60, l60.z}, {ring30, l30.z}, {ring0, l0.z}}) {
    for (RingPoint p : ring) v.push_back(Front(p.x, p.y, z));
  }
  for (int k = 0; k < 16; ++k) v.push_back(Wall(ring0[k].x, ring0[k].y, -l0.z, kWallU[k], 1));
  // 68..99 the back rings, 100..103 the back cap.
  for (const auto& [ring, z] : {std::pair{ring30, l30.z}, {ring60, l60.z}}) {
    for (RingPoint p : ring) v.push_back(Back(p.x, p.y, -z));
  }
  for (RingPoint p : {RingPoint{kA, -kA}, {-kA, -kA}, {kA, kA}, {-kA, kA}}) {
    v.push_back(Back(p.x, p.y, -cap));
  }

  auto ring_at = [](int start, int k) { return start + (k % 16); };
  // 1. Front cap.
  tri(0, 3, 2);
  tri(0, 1, 3);
  // 2. Front fan between the cap corners and ring 4.
  const int c[5] = {0, 2, 3, 1, 0};
  for (int k = 0; k < 4; ++k) {
    auto P = [&](int i) { return ring_at(4, i); };
    tri(c[k], P(4 * k + 1), P(4 * k));
    tri(c[k], P(4 * k + 2), P(4 * k + 1));
    tri(c[k], P(4 * k + 3), P(4 * k + 2));
    tri(c[k], P(4 * k + 4), P(4 * k + 3));
    tri(c[k], c[k + 1], P(4 * k + 4));
  }
  auto band = [&](int outer, int inner) {
    for (int k = 0; k < 16; ++k) {
      tri(ring_at(outer, k), ring_at(inner, k + 1), ring_at(inner, k));
      tri(ring_at(outer, k), ring_at(outer, k + 1), ring_at(inner, k + 1));
    }
  };
  // 3. Bevel bands.
  band(4, 20);
  band(20, 36);
  // 4. The wall: one front-edge vertex per use, so the wall is flat-shaded.
  auto wall_front = [&](int k, float u) {
    v.push_back(Wall(ring0[k % 16].x, ring0[k % 16].y, l0.z, u, 0));
    return int(v.size()) - 1;
  };
  for (int k = 0; k < 15; ++k) {
    const int b_k = 52 + k, b_next = 52 + k + 1;
    const int t0 = wall_front(k, kWallU[k]);
    tri(t0, b_next, b_k);
    const int t1 = wall_front(k, kWallU[k]);
    const int t2 = wall_front(k + 1, kWallU[k + 1]);
    tri(t1, t2, b_next);
  }
  {
    const int v149 = wall_front(15, kWallU[15]);
    v.push_back(Wall(ring0[0].x, ring0[0].y, -l0.z, 1, 1));
    const int v150 = int(v.size()) - 1;
    const int v151 = wall_front(15, kWallU[15]);
    v.push_back(Wall(ring0[0].x, ring0[0].y, -l0.z, 1, 1));
    const int v152 = int(v.size()) - 1;
    const int v153 = wall_front(0, 1);
    tri(v149, v150, 67);
    tri(v151, v153, v152);
  }
  // 5. The back band: again one vertex per use.
  auto back_edge = [&](int k) {
    v.push_back(Back(ring0[k % 16].x, ring0[k % 16].y, -l0.z));
    return int(v.size()) - 1;
  };
  for (int k = 0; k < 16; ++k) {
    const int n0 = back_edge(k);
    tri(n0, ring_at(68, k + 1), ring_at(68, k));
    const int n1 = back_edge(k);
    const int n2 = back_edge(k + 1);
    tri(n1, n2, ring_at(68, k + 1));
  }
  // 6. Back bevel band.
  band(68, 84);
  // 7. Back fan between ring 84 and the back cap corners.
  const int d[5] = {103, 101, 100, 102, 103};
  for (int k = 0; k < 4; ++k) {
    auto U = [&](int i) { return ring_at(84, i); };
    tri(U(4 * k), U(4 * k + 1), d[k]);
    tri(U(4 * k + 1), U(4 * k + 2), d[k]);
    tri(U(4 * k + 2), U(4 * k + 3), d[k]);
    tri(U(4 * k + 3), d[k + 1], d[k]);
    tri(U(4 * k + 3), U(4 * k + 4), d[k + 1]);
  }
  // 8. Back cap.
  tri(102, 101, 100);
  tri(102, 103, 101);

  SetSummedFaceNormals(t);
  return t;
}

}  // namespace

const TgkShapeTable& RoundCubeTable() {
  static const TgkShapeTable table = BuildRoundCube();
  return table;
}
