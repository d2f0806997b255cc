// What the model builders compute for one scene mesh, before any scene object exists:
// geometry in the unit box, the mesh's size and position in the normalised model, and
// its name. Keeping this as plain data lets the arithmetic be checked on its own.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// The scene's 32-byte mesh vertex layout.
struct TBuiltVertex {
  float X = 0, Y = 0, Z = 0;
  float NX = 0, NY = 0, NZ = 0;
  float TU = 0, TV = 0;
};
static_assert(sizeof(TBuiltVertex) == 32);

struct TBuiltMesh {
  std::string DisplayName;  // UTF-8
  std::vector<TBuiltVertex> Vertices;
  std::vector<uint32_t> Indices;
  float Width = 0, Height = 0, Depth = 0;
  float X = 0, Y = 0, Z = 0;  // position in the parent
  // Per-vertex colours (ARGB), multiplied with the material's colour; empty for none.
  std::vector<uint32_t> Colors;
  // 3DS: the file's name (bytes) of the first material group, when the mesh has one.
  bool HasMaterialGroup = false;
  std::string MaterialGroup;
};

// Running bounds of positions. Coordinates are taken as they come (no fixed start
// range), and extents that are zero are handled by the callers' rules.
class TModelBounds {
 public:
  void Add(double x, double y, double z) {
    const double p[3] = {x, y, z};
    for (int k = 0; k < 3; ++k) {
      if (empty_ || p[k] < min_[k]) min_[k] = p[k];
      if (empty_ || p[k] > max_[k]) max_[k] = p[k];
    }
    empty_ = false;
  }
  bool Empty() const { return empty_; }
  double Min(int axis) const { return min_[axis]; }
  // |max - min|; along z an extent below 1e-40 becomes 0.01, so flat models keep a depth.
  double Extent(int axis) const {
    double e = max_[axis] - min_[axis];
    if (axis == 2 && e < 1e-40) e = 0.01;
    return e;
  }
  double Centre(int axis) const { return min_[axis] + Extent(axis) / 2; }
  // 1 / the largest extent; never a division by zero since the depth is at least 0.01.
  double Scale() const { return 1 / std::max({Extent(0), Extent(1), Extent(2)}); }

 private:
  bool empty_ = true;
  double min_[3] = {0, 0, 0};
  double max_[3] = {0, 0, 0};
};

// p normalised into [-0.5, 0.5] along an axis; a zero extent puts every vertex on the
// centre plane instead of dividing by zero.
inline float NormaliseCoordinate(double p, double centre, double extent) {
  if (!(extent > 0)) return 0;
  double v = (p - centre) / extent;
  if (v < -0.5) v = -0.5;
  if (v > 0.5) v = 0.5;
  return static_cast<float>(v);
}

// A coordinate from a file, with NaN and infinities read as 0 so none reaches the scene.
inline double FiniteOrZero(float v) {
  return std::isfinite(v) ? static_cast<double>(v) : 0.0;
}
