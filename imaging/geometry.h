// The 2D geometry records of the drawing library: points, rectangles, 3x3 matrices and
// polygons, all in single precision.
#pragma once

#include <vector>

struct TpmPoint {
  float X = 0;
  float Y = 0;
};

inline bool operator==(const TpmPoint& a, const TpmPoint& b) {
  return a.X == b.X && a.Y == b.Y;
}

// Right and bottom are the first coordinates outside the rectangle.
struct TpmRect {
  float Left = 0;
  float Top = 0;
  float Right = 0;
  float Bottom = 0;

  float Width() const { return Right - Left; }
  float Height() const { return Bottom - Top; }
  bool IsEmpty() const { return !(Right > Left && Bottom > Top); }
};

inline bool operator==(const TpmRect& a, const TpmRect& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

// Row-vector convention: (x, y, 1) * M, translation in the third row (M[2][0], M[2][1]).
struct TpmMatrix {
  float M[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

  static TpmMatrix Identity() { return {}; }
  static TpmMatrix Translation(float dx, float dy);
  static TpmMatrix Scaling(float sx, float sy);
  // Degrees; positive angles turn from +X towards +Y (clockwise on screen, Y grows down).
  static TpmMatrix Rotation(float degrees);

  TpmPoint Apply(const TpmPoint& p) const;
};

// a * b: a is applied first.
TpmMatrix operator*(const TpmMatrix& a, const TpmMatrix& b);
bool operator==(const TpmMatrix& a, const TpmMatrix& b);

// A polygon is a list of points; contours are separated by PolygonBreak points.
using TpmPolygon = std::vector<TpmPoint>;
inline constexpr TpmPoint PolygonBreak{65535.0f, 65535.0f};
inline bool IsPolygonBreak(const TpmPoint& p) {
  return p.X == PolygonBreak.X && p.Y == PolygonBreak.Y;
}
