// Geometry the canvases share: the solid box of FillCube and the extruded polygon of
// FillPolygon.
#include <algorithm>
#include <cmath>

#include "scene/canvas.h"

namespace {

struct TFace {
  TgkVector normal, u, v;  // unit vectors; u along the texture's U, v downward along V
};

// Each face's u x v points into the box, so the face appears clockwise from outside.
constexpr TFace kFaces[6] = {
    {{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, -1, 0}},   // front, toward a default camera
    {{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, -1, 0}},   // back
    {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}},    // right
    {{-1, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, -1, 0}},  // left
    {{0, 0, 1, 0}, {1, 0, 0, 0}, {0, -1, 0, 0}},    // top
    {{0, 0, -1, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}},    // bottom
};

}  // namespace

void TgkCanvas::BuildCube(const TgkVector& center, const TgkVector& size, std::uint32_t color,
                          std::vector<TgkCanvasVertex>& vertices,
                          std::vector<std::uint16_t>& indices) {
  vertices.clear();
  indices.clear();
  constexpr float kTex[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  auto scaled = [&](const TgkVector& a, float f) {
    return TgkVector{a.X * size.X * f, a.Y * size.Y * f, a.Z * size.Z * f, 0};
  };
  for (const TFace& face : kFaces) {
    const TgkVector c = scaled(face.normal, 0.5f);
    const TgkVector u = scaled(face.u, 1);
    const TgkVector v = scaled(face.v, 1);
    const auto base = static_cast<std::uint16_t>(vertices.size());
    for (const auto& t : kTex) {
      const float du = t[0] - 0.5f, dv = t[1] - 0.5f;
      vertices.push_back({center.X + c.X + du * u.X + dv * v.X,
                          center.Y + c.Y + du * u.Y + dv * v.Y,
                          center.Z + c.Z + du * u.Z + dv * v.Z, face.normal.X, face.normal.Y,
                          face.normal.Z, color, t[0], t[1]});
    }
    for (int k : {0, 1, 2, 0, 2, 3}) indices.push_back(static_cast<std::uint16_t>(base + k));
  }
}

// ---- The extruded polygon of FillPolygon ----

namespace {

struct TPt {
  float x, y;
};

double Cross(const TPt& o, const TPt& a, const TPt& b) {
  return (static_cast<double>(a.x) - o.x) * (static_cast<double>(b.y) - o.y) -
         (static_cast<double>(a.y) - o.y) * (static_cast<double>(b.x) - o.x);
}

double SignedArea(const std::vector<TPt>& c) {
  double area = 0;
  for (size_t i = 0, j = c.size() - 1; i < c.size(); j = i++) {
    area += static_cast<double>(c[j].x) * c[i].y - static_cast<double>(c[i].x) * c[j].y;
  }
  return area / 2;
}

bool Inside(const std::vector<TPt>& c, const TPt& p) {
  bool in = false;
  for (size_t i = 0, j = c.size() - 1; i < c.size(); j = i++) {
    if ((c[i].y > p.y) != (c[j].y > p.y) &&
        p.x < (c[j].x - c[i].x) * (p.y - c[i].y) / (c[j].y - c[i].y) + c[i].x) {
      in = !in;
    }
  }
  return in;
}

bool SegmentsCross(const TPt& a, const TPt& b, const TPt& c, const TPt& d) {
  const double d1 = Cross(c, d, a), d2 = Cross(c, d, b);
  const double d3 = Cross(a, b, c), d4 = Cross(a, b, d);
  return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

bool PointInTriangle(const TPt& p, const TPt& a, const TPt& b, const TPt& c) {
  return Cross(a, b, p) >= 0 && Cross(b, c, p) >= 0 && Cross(c, a, p) >= 0;
}

// Joins a clockwise hole into a counter-clockwise outline through a bridge to the nearest
// outline vertex the hole can see.
void BridgeHole(std::vector<int>& outline, const std::vector<int>& hole,
                const std::vector<TPt>& pts, const std::vector<std::vector<int>>& others) {
  size_t start = 0;
  for (size_t i = 1; i < hole.size(); ++i) {
    if (pts[hole[i]].x > pts[hole[start]].x) start = i;
  }
  const TPt& h = pts[hole[start]];
  auto blocked = [&](const TPt& a, const TPt& b) {
    auto hits = [&](const std::vector<int>& ring) {
      for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        if (SegmentsCross(a, b, pts[ring[j]], pts[ring[i]])) return true;
      }
      return false;
    };
    if (hits(outline) || hits(hole)) return true;
    for (const auto& other : others) {
      if (hits(other)) return true;
    }
    return false;
  };
  size_t best = outline.size();
  double best_d = 0;
  for (size_t i = 0; i < outline.size(); ++i) {
    const TPt& o = pts[outline[i]];
    const double d = (static_cast<double>(o.x) - h.x) * (o.x - h.x) +
                     (static_cast<double>(o.y) - h.y) * (o.y - h.y);
    if ((best == outline.size() || d < best_d) && !blocked(h, o)) {
      best = i;
      best_d = d;
    }
  }
  if (best == outline.size()) best = 0;
  std::vector<int> merged(outline.begin(), outline.begin() + static_cast<long>(best) + 1);
  for (size_t k = 0; k <= hole.size(); ++k) merged.push_back(hole[(start + k) % hole.size()]);
  merged.insert(merged.end(), outline.begin() + static_cast<long>(best), outline.end());
  outline.swap(merged);
}

// Ear clipping of a counter-clockwise ring; triangles come out counter-clockwise.
void EarClip(std::vector<int> ring, const std::vector<TPt>& pts, std::vector<int>& triangles) {
  while (ring.size() > 3) {
    const size_t n = ring.size();
    bool clipped = false;
    for (size_t i = 0; i < n; ++i) {
      const int a = ring[(i + n - 1) % n], b = ring[i], c = ring[(i + 1) % n];
      if (Cross(pts[a], pts[b], pts[c]) <= 0) continue;  // reflex or flat
      bool ear = true;
      for (size_t k = 0; k < n && ear; ++k) {
        const int p = ring[k];
        if (p == a || p == b || p == c) continue;
        const TPt& q = pts[p];
        const bool same = (q.x == pts[a].x && q.y == pts[a].y) ||
                          (q.x == pts[b].x && q.y == pts[b].y) ||
                          (q.x == pts[c].x && q.y == pts[c].y);
        if (!same && PointInTriangle(q, pts[a], pts[b], pts[c])) ear = false;
      }
      if (!ear) continue;
      triangles.insert(triangles.end(), {a, b, c});
      ring.erase(ring.begin() + static_cast<long>(i));
      clipped = true;
      break;
    }
    if (!clipped) {
      // Self-touching leftovers: drop the flattest vertex rather than loop forever.
      ring.erase(ring.begin());
    }
  }
  if (ring.size() == 3 && Cross(pts[ring[0]], pts[ring[1]], pts[ring[2]]) > 0) {
    triangles.insert(triangles.end(), {ring[0], ring[1], ring[2]});
  }
}

}  // namespace

void TgkCanvas::BuildPolygonSolid(const TgkVector& center, const TgkVector& size,
                                  std::uint32_t color, int count, const TgkPolygon& polygon,
                                  std::vector<TgkCanvasVertex>& vertices,
                                  std::vector<std::uint16_t>& indices) {
  vertices.clear();
  indices.clear();
  const int n = std::min<int>(std::max(count, 0), static_cast<int>(polygon.size()));
  // Contours split at the break points; degenerate ones are dropped.
  std::vector<TPt> pts;
  std::vector<std::vector<int>> contours(1);
  float min_x = 0, min_y = 0, max_x = 0, max_y = 0;
  for (int i = 0; i < n; ++i) {
    const TgkPoint& p = polygon[static_cast<size_t>(i)];
    if (p.X == PolygonBreak3D && p.Y == PolygonBreak3D && p.Z == PolygonBreak3D) {
      contours.emplace_back();
      continue;
    }
    auto& c = contours.back();
    if (!c.empty() && pts[c.back()].x == p.X && pts[c.back()].y == p.Y) continue;
    if (pts.empty()) {
      min_x = max_x = p.X;
      min_y = max_y = p.Y;
    }
    min_x = std::min(min_x, p.X);
    max_x = std::max(max_x, p.X);
    min_y = std::min(min_y, p.Y);
    max_y = std::max(max_y, p.Y);
    c.push_back(static_cast<int>(pts.size()));
    pts.push_back({p.X, p.Y});
  }
  std::erase_if(contours, [&](std::vector<int>& c) {
    if (c.size() > 1 && pts[c.front()].x == pts[c.back()].x &&
        pts[c.front()].y == pts[c.back()].y) {
      c.pop_back();
    }
    return c.size() < 3;
  });
  if (contours.empty()) return;

  // Nesting depth: even depth outlines a solid, odd depth is a hole in its parent.
  std::vector<std::vector<TPt>> rings(contours.size());
  for (size_t i = 0; i < contours.size(); ++i) {
    for (int k : contours[i]) rings[i].push_back(pts[static_cast<size_t>(k)]);
  }
  std::vector<int> depth(contours.size(), 0), parent(contours.size(), -1);
  for (size_t i = 0; i < contours.size(); ++i) {
    double parent_area = 0;
    for (size_t j = 0; j < contours.size(); ++j) {
      if (i == j || !Inside(rings[j], rings[i][0])) continue;
      ++depth[i];
      const double area = std::abs(SignedArea(rings[j]));
      if (parent[i] < 0 || area < parent_area) {
        parent[i] = static_cast<int>(j);
        parent_area = area;
      }
    }
  }
  // Outlines counter-clockwise, holes clockwise (y up).
  for (size_t i = 0; i < contours.size(); ++i) {
    const bool hole = depth[i] % 2 == 1;
    if ((SignedArea(rings[i]) > 0) == hole) std::reverse(contours[i].begin(), contours[i].end());
  }

  const float w = max_x - min_x, h = max_y - min_y;
  auto normalized = [&](const TPt& p) {
    return TPt{w > 0 ? (p.x - min_x) / w : 0.5f, h > 0 ? (p.y - min_y) / h : 0.5f};
  };
  const float z_front = center.Z + size.Z / 2, z_back = center.Z - size.Z / 2;
  auto vertex = [&](const TPt& p, float z, float nx, float ny, float nz) {
    const TPt q = normalized(p);
    vertices.push_back({center.X + (q.x - 0.5f) * size.X, center.Y + (q.y - 0.5f) * size.Y, z, nx,
                        ny, nz, color, 0.02f + 0.96f * q.x, 0.02f + 0.96f * q.y});
  };
  auto full = [&] { return vertices.size() + 4 > static_cast<size_t>(kCanvasMaxVertices); };

  // Caps: each outline with its holes, triangulated once, drawn facing +Z and -Z.
  std::vector<int> triangles;
  for (size_t i = 0; i < contours.size(); ++i) {
    if (depth[i] % 2 == 1) continue;
    std::vector<int> ring = contours[i];
    std::vector<std::vector<int>> holes;
    for (size_t j = 0; j < contours.size(); ++j) {
      if (parent[j] == static_cast<int>(i) && depth[j] % 2 == 1) holes.push_back(contours[j]);
    }
    std::sort(holes.begin(), holes.end(), [&](const auto& a, const auto& b) {
      auto right = [&](const std::vector<int>& c) {
        float m = pts[c[0]].x;
        for (int k : c) m = std::max(m, pts[k].x);
        return m;
      };
      return right(a) > right(b);
    });
    for (size_t k = 0; k < holes.size(); ++k) {
      std::vector<std::vector<int>> rest(holes.begin() + static_cast<long>(k) + 1, holes.end());
      BridgeHole(ring, holes[k], pts, rest);
    }
    EarClip(ring, pts, triangles);
  }
  for (size_t t = 0; t + 2 < triangles.size() && !full(); t += 3) {
    const auto base = static_cast<std::uint16_t>(vertices.size());
    for (int k = 0; k < 3; ++k) vertex(pts[triangles[t + k]], z_front, 0, 0, 1);
    for (int k = 0; k < 3; ++k) vertex(pts[triangles[t + k]], z_back, 0, 0, -1);
    // Front faces appear clockwise from outside: reversed on the +Z cap.
    for (int k : {0, 2, 1, 3, 4, 5}) indices.push_back(static_cast<std::uint16_t>(base + k));
  }
  // Sides: one quad per contour edge with its outward normal.
  for (const auto& c : contours) {
    for (size_t k = 0; k < c.size() && !full(); ++k) {
      const TPt& p = pts[c[k]];
      const TPt& q = pts[c[(k + 1) % c.size()]];
      const float dx = (q.x - p.x) * (w > 0 ? size.X / w : 0);
      const float dy = (q.y - p.y) * (h > 0 ? size.Y / h : 0);
      const float len = std::sqrt(dx * dx + dy * dy);
      const float nx = len > 0 ? dy / len : 0, ny = len > 0 ? -dx / len : 0;
      const auto base = static_cast<std::uint16_t>(vertices.size());
      vertex(p, z_front, nx, ny, 0);  // 0: p top
      vertex(q, z_front, nx, ny, 0);  // 1: q top
      vertex(p, z_back, nx, ny, 0);   // 2: p bottom
      vertex(q, z_back, nx, ny, 0);   // 3: q bottom
      for (int i : {2, 1, 3, 2, 0, 1}) indices.push_back(static_cast<std::uint16_t>(base + i));
    }
  }
}
