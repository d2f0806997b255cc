#include "imaging/geometry.h"

#include <cmath>

TpmMatrix TpmMatrix::Translation(float dx, float dy) {
  TpmMatrix m;
  m.M[2][0] = dx;
  m.M[2][1] = dy;
  return m;
}

TpmMatrix TpmMatrix::Scaling(float sx, float sy) {
  TpmMatrix m;
  m.M[0][0] = sx;
  m.M[1][1] = sy;
  return m;
}

TpmMatrix TpmMatrix::Rotation(float degrees) {
  const double a = degrees * 3.14159265358979323846 / 180.0;
  const float c = static_cast<float>(std::cos(a));
  const float s = static_cast<float>(std::sin(a));
  TpmMatrix m;
  m.M[0][0] = c;
  m.M[0][1] = s;
  m.M[1][0] = -s;
  m.M[1][1] = c;
  return m;
}

TpmPoint TpmMatrix::Apply(const TpmPoint& p) const {
  return {p.X * M[0][0] + p.Y * M[1][0] + M[2][0], p.X * M[0][1] + p.Y * M[1][1] + M[2][1]};
}

TpmMatrix operator*(const TpmMatrix& a, const TpmMatrix& b) {
  TpmMatrix r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      float sum = 0;
      for (int k = 0; k < 3; ++k) sum += a.M[i][k] * b.M[k][j];
      r.M[i][j] = sum;
    }
  return r;
}

bool operator==(const TpmMatrix& a, const TpmMatrix& b) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (a.M[i][j] != b.M[i][j]) return false;
  return true;
}
