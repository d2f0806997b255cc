#include "scene/math.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

TgkMatrix MakeIdentity() {
  TgkMatrix m;
  for (int i = 0; i < 4; ++i) m.M[i][i] = 1;
  return m;
}

// Determinant of the 3 x 3 matrix of the given rows and columns.
float Det3(const TgkMatrix& m, const int rows[3], const int cols[3]) {
  auto e = [&](int r, int c) { return m.M[rows[r]][cols[c]]; };
  return e(0, 0) * (e(1, 1) * e(2, 2) - e(1, 2) * e(2, 1)) -
         e(0, 1) * (e(1, 0) * e(2, 2) - e(1, 2) * e(2, 0)) +
         e(0, 2) * (e(1, 0) * e(2, 1) - e(1, 1) * e(2, 0));
}

// The three indices of 0..3 other than skip.
void Others(int skip, int out[3]) {
  int n = 0;
  for (int i = 0; i < 4; ++i)
    if (i != skip) out[n++] = i;
}

float Minor(const TgkMatrix& m, int row, int col) {
  int rows[3], cols[3];
  Others(row, rows);
  Others(col, cols);
  return Det3(m, rows, cols);
}

TgkVector Axis(int axis, float sign) {
  TgkVector v;
  (axis == 0 ? v.X : axis == 1 ? v.Y : v.Z) = sign;
  return v;
}

float Component(const TgkVector& v, int axis) {
  return axis == 0 ? v.X : axis == 1 ? v.Y : v.Z;
}

int Channel(uint32_t c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}

}  // namespace

const TgkMatrix IdentityMatrix = MakeIdentity();
const TgkQuaternion IdentityQuaternion = {{0, 0, 0, 0}, 1};

bool operator==(const TgkMatrix& a, const TgkMatrix& b) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (a.M[r][c] != b.M[r][c]) return false;
  return true;
}

// ---- Construction and conversion ----

TgkPoint MakePoint(float x, float y, float z) {
  return {x, y, z};
}
TgkVector MakeVector(float x, float y, float z, float w) {
  return {x, y, z, w};
}
TgkVector PointToVector(const TgkPoint& p, float w) {
  return {p.X, p.Y, p.Z, w};
}
TgkPoint VectorToPoint(const TgkVector& v) {
  return {v.X, v.Y, v.Z};
}
TgkRect MakeRect(float left, float top, float right, float bottom) {
  return {left, top, right, bottom};
}
uint32_t MakeColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}
TgkMeshVertex MakeMeshVertex(float x, float y, float z, float nx, float ny, float nz, float tu,
                             float tv) {
  return {x, y, z, nx, ny, nz, tu, tv};
}

// ---- Vector arithmetic ----

TgkVector VectorAdd(const TgkVector& a, const TgkVector& b) {
  return {a.X + b.X, a.Y + b.Y, a.Z + b.Z, 1};
}
TgkVector VectorSubtract(const TgkVector& a, const TgkVector& b) {
  return {a.X - b.X, a.Y - b.Y, a.Z - b.Z, 1};
}
TgkVector VectorScale(const TgkVector& v, float f) {
  return {v.X * f, v.Y * f, v.Z * f, 1};
}
TgkVector VectorCombine(const TgkVector& v1, const TgkVector& v2, float f) {
  return {v1.X + f * v2.X, v1.Y + f * v2.Y, v1.Z + f * v2.Z, 1};
}
TgkVector VectorCombine2(const TgkVector& v1, const TgkVector& v2, float f1, float f2) {
  return {f1 * v1.X + f2 * v2.X, f1 * v1.Y + f2 * v2.Y, f1 * v1.Z + f2 * v2.Z,
          f1 * v1.W + f2 * v2.W};
}
TgkVector VectorCross(const TgkVector& a, const TgkVector& b) {
  return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X, 1};
}
float VectorDot(const TgkVector& a, const TgkVector& b) {
  return a.X * b.X + a.Y * b.Y + a.Z * b.Z;
}
float VectorNorm(const TgkVector& v) {
  return v.X * v.X + v.Y * v.Y + v.Z * v.Z;
}
float VectorLength(const TgkVector& v) {
  return std::sqrt(VectorNorm(v));
}
float InvSqrt(float x) {
  float a = std::fabs(x);
  return a > 0 ? 1.0f / std::sqrt(a) : 1.0f;
}
TgkVector VectorNormalize(const TgkVector& v) {
  float f = InvSqrt(VectorNorm(v));
  return {v.X * f, v.Y * f, v.Z * f, 0};
}
float VectorDistance2(const TgkVector& a, const TgkVector& b) {
  return VectorNorm(VectorSubtract(a, b));
}
float PointProject(const TgkVector& p, const TgkVector& origin, const TgkVector& direction) {
  return VectorDot(VectorSubtract(p, origin), direction);
}
float VectorAngleCosine(const TgkVector& a, const TgkVector& b) {
  float divisor = VectorLength(a) * VectorLength(b);
  if (std::fabs(divisor) <= Epsilon) divisor = Epsilon;
  return VectorDot(a, b) / divisor;
}
TgkVector CalcPlaneNormal(const TgkVector& p1, const TgkVector& p2, const TgkVector& p3) {
  return VectorNormalize(VectorCross(VectorSubtract(p2, p1), VectorSubtract(p3, p1)));
}
TgkVector VectorTransform(const TgkVector& v, const TgkMatrix& m) {
  TgkVector r;
  r.X = v.X * m.M[0][0] + v.Y * m.M[1][0] + v.Z * m.M[2][0] + v.W * m.M[3][0];
  r.Y = v.X * m.M[0][1] + v.Y * m.M[1][1] + v.Z * m.M[2][1] + v.W * m.M[3][1];
  r.Z = v.X * m.M[0][2] + v.Y * m.M[1][2] + v.Z * m.M[2][2] + v.W * m.M[3][2];
  r.W = 1;
  return r;
}

// ---- Matrices ----

TgkMatrix MatrixMultiply(const TgkMatrix& a, const TgkMatrix& b) {
  TgkMatrix c;
  for (int r = 0; r < 4; ++r)
    for (int col = 0; col < 4; ++col) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a.M[r][k] * b.M[k][col];
      c.M[r][col] = s;
    }
  return c;
}

float MatrixDeterminant(const TgkMatrix& m) {
  float det = 0;
  for (int c = 0; c < 4; ++c) {
    float term = m.M[0][c] * Minor(m, 0, c);
    det += (c % 2 == 0) ? term : -term;
  }
  return det;
}

void MatrixAdjoint(TgkMatrix& m) {
  TgkMatrix adj;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      float cofactor = Minor(m, r, c);
      if ((r + c) % 2) cofactor = -cofactor;
      adj.M[c][r] = cofactor;  // transpose of the cofactor matrix
    }
  m = adj;
}

void MatrixScale(TgkMatrix& m, float f) {
  for (auto& row : m.M)
    for (float& e : row) e *= f;
}

void MatrixInvert(TgkMatrix& m) {
  float det = MatrixDeterminant(m);
  if (!(std::fabs(det) >= Epsilon)) {  // NaN counts as singular as well
    m = IdentityMatrix;
    return;
  }
  MatrixAdjoint(m);
  MatrixScale(m, 1.0f / det);
}

TgkMatrix MatrixOrthoOffCenterRH(float left, float right, float bottom, float top, float z_near,
                                 float z_far) {
  TgkMatrix m = IdentityMatrix;
  m.M[0][0] = 2 / (right - left);
  m.M[1][1] = 2 / (top - bottom);
  m.M[2][2] = 1 / (z_near - z_far);
  m.M[3][0] = (left + right) / (left - right);
  m.M[3][1] = (top + bottom) / (bottom - top);
  m.M[3][2] = z_near / (z_near - z_far);
  m.M[3][3] = 1;
  return m;
}

TgkMatrix MatrixPerspectiveFovRH(float fov_y_radians, float aspect, float z_near, float z_far) {
  TgkMatrix m;
  float c = static_cast<float>(1.0 / std::tan(fov_y_radians / 2.0));
  m.M[0][0] = c / aspect;
  m.M[1][1] = c;
  m.M[2][2] = z_far / (z_near - z_far);
  m.M[2][3] = -1;
  m.M[3][2] = z_near * z_far / (z_near - z_far);
  m.M[3][3] = 0;
  return m;
}

TgkMatrix MatrixLookAtDirRH(const TgkVector& eye, const TgkVector& dir, const TgkVector& up) {
  TgkVector z = VectorNormalize({-dir.X, -dir.Y, -dir.Z, 0});
  TgkVector x = VectorNormalize(VectorCross(up, z));
  TgkVector y = VectorCross(z, x);
  TgkMatrix m;
  m.M[0][0] = x.X, m.M[0][1] = y.X, m.M[0][2] = z.X;
  m.M[1][0] = x.Y, m.M[1][1] = y.Y, m.M[1][2] = z.Y;
  m.M[2][0] = x.Z, m.M[2][1] = y.Z, m.M[2][2] = z.Z;
  m.M[3][0] = -VectorDot(x, eye);
  m.M[3][1] = -VectorDot(y, eye);
  m.M[3][2] = -VectorDot(z, eye);
  m.M[3][3] = 1;
  return m;
}

// ---- Quaternions ----

TgkQuaternion QuaternionFromAxisAngle(const TgkVector& axis, float angle_degrees) {
  double half = angle_degrees * (kPi / 180.0) / 2.0;
  float s = static_cast<float>(std::sin(half));
  float c = static_cast<float>(std::cos(half));
  TgkQuaternion q;
  float f = s / VectorLength(axis);
  q.ImagPart = {axis.X * f, axis.Y * f, axis.Z * f, 0};
  q.RealPart = c;
  return q;
}

TgkQuaternion QuaternionMultiply(const TgkQuaternion& p, const TgkQuaternion& q) {
  const float px = p.ImagPart.X, py = p.ImagPart.Y, pz = p.ImagPart.Z, pw = p.RealPart;
  const float qx = q.ImagPart.X, qy = q.ImagPart.Y, qz = q.ImagPart.Z, qw = q.RealPart;
  TgkQuaternion r;
  r.ImagPart.X = pw * qx + px * qw + py * qz - pz * qy;
  r.ImagPart.Y = pw * qy + qw * py + qx * pz - px * qz;
  r.ImagPart.Z = pw * qz + qw * pz + px * qy - qx * py;
  r.ImagPart.W = 0;
  r.RealPart = pw * qw - px * qx - py * qy - pz * qz;
  return r;
}

float QuaternionMagnitude(const TgkQuaternion& q) {
  const TgkVector& i = q.ImagPart;
  return std::sqrt(i.X * i.X + i.Y * i.Y + i.Z * i.Z + q.RealPart * q.RealPart);
}

void QuaternionNormalize(TgkQuaternion& q) {
  float m = QuaternionMagnitude(q);
  if (m > Epsilon2) {
    q.ImagPart.X /= m;
    q.ImagPart.Y /= m;
    q.ImagPart.Z /= m;
    q.ImagPart.W /= m;
    q.RealPart /= m;
  } else {
    q = IdentityQuaternion;
  }
}

TgkMatrix QuaternionToMatrix(const TgkQuaternion& source) {
  TgkQuaternion q = source;
  QuaternionNormalize(q);
  const float x = q.ImagPart.X, y = q.ImagPart.Y, z = q.ImagPart.Z, w = q.RealPart;
  TgkMatrix m;
  m.M[0][0] = 1 - 2 * (y * y + z * z);
  m.M[0][1] = 2 * (x * y + z * w);
  m.M[0][2] = 2 * (x * z - y * w);
  m.M[1][0] = 2 * (x * y - z * w);
  m.M[1][1] = 1 - 2 * (x * x + z * z);
  m.M[1][2] = 2 * (y * z + x * w);
  m.M[2][0] = 2 * (x * z + y * w);
  m.M[2][1] = 2 * (y * z - x * w);
  m.M[2][2] = 1 - 2 * (x * x + y * y);
  m.M[3][3] = 1;
  return m;
}

TgkQuaternion QuaternionFromMatrix(const TgkMatrix& m) {
  TgkQuaternion q;
  float t = m.M[0][0] + m.M[1][1] + m.M[2][2] + 1;
  if (t > Epsilon2) {
    float s = 2 * std::sqrt(t);
    q.ImagPart = {(m.M[1][2] - m.M[2][1]) / s, (m.M[2][0] - m.M[0][2]) / s,
                  (m.M[0][1] - m.M[1][0]) / s, 0};
    q.RealPart = s / 4;
  } else if (m.M[0][0] > m.M[1][1] && m.M[0][0] > m.M[2][2]) {
    float s = 2 * std::sqrt(std::max(1 + m.M[0][0] - m.M[1][1] - m.M[2][2], Epsilon2));
    q.ImagPart = {s / 4, (m.M[0][1] + m.M[1][0]) / s, (m.M[2][0] + m.M[0][2]) / s, 0};
    q.RealPart = (m.M[1][2] - m.M[2][1]) / s;
  } else if (m.M[1][1] > m.M[2][2]) {
    float s = 2 * std::sqrt(std::max(1 + m.M[1][1] - m.M[0][0] - m.M[2][2], Epsilon2));
    q.ImagPart = {(m.M[0][1] + m.M[1][0]) / s, s / 4, (m.M[1][2] + m.M[2][1]) / s, 0};
    q.RealPart = (m.M[2][0] - m.M[0][2]) / s;
  } else {
    float s = 2 * std::sqrt(std::max(1 + m.M[2][2] - m.M[0][0] - m.M[1][1], Epsilon2));
    q.ImagPart = {(m.M[2][0] + m.M[0][2]) / s, (m.M[1][2] + m.M[2][1]) / s, s / 4, 0};
    q.RealPart = (m.M[0][1] - m.M[1][0]) / s;
  }
  QuaternionNormalize(q);
  return q;
}

// ---- Angles ----

float DegToRad(float a) {
  return a * DegToRadFactor;
}
float RadToDeg(float a) {
  return a * RadToDegFactor;
}

float NormalizeAngle(float a) {
  float r = a - std::trunc(a / 360.0f) * 360.0f;
  if (r > 180) r -= 360;
  if (r < -180) r += 360;
  return r;
}

float ArcCosClamped(float x) {
  return std::acos(std::clamp(x, -1.0f, 1.0f));
}

// ---- Ray tests ----

bool RayCastPlane(const TgkVector& ray_pos, const TgkVector& ray_dir, const TgkVector& plane_point,
                  const TgkVector& plane_normal, TgkVector* hit) {
  float d = VectorDot(ray_dir, plane_normal);
  if (std::fabs(d) <= Epsilon2) return false;
  float t = VectorDot(VectorSubtract(plane_point, ray_pos), plane_normal) / d;
  if (!(t > 0)) return false;
  if (hit) *hit = VectorCombine(ray_pos, ray_dir, t);
  return true;
}

bool RayCastTriangle(const TgkVector& ray_pos, const TgkVector& ray_dir, const TgkVector& p1,
                     const TgkVector& p2, const TgkVector& p3, TgkVector* hit, TgkVector* normal) {
  TgkVector e1 = VectorSubtract(p2, p1);
  TgkVector e2 = VectorSubtract(p3, p1);
  TgkVector p = VectorCross(ray_dir, e2);
  float det = VectorDot(e1, p);
  if (!(std::fabs(det) >= Epsilon2)) return false;
  TgkVector s = VectorSubtract(ray_pos, p1);
  float u = VectorDot(s, p) / det;
  if (!(u >= 0 && u <= 1)) return false;
  TgkVector q = VectorCross(s, e1);
  float v = VectorDot(ray_dir, q) / det;
  if (!(v >= 0 && u + v <= 1)) return false;
  float t = VectorDot(e2, q) / det;
  if (!(t > 0)) return false;
  if (hit) *hit = VectorCombine(ray_pos, ray_dir, t);
  if (normal) *normal = VectorCross(e1, e2);
  return true;
}

int RayCastSphere(const TgkVector& ray_pos, const TgkVector& ray_dir, const TgkVector& center,
                  float radius, TgkVector* i1, TgkVector* i2) {
  float p = PointProject(center, ray_pos, ray_dir);
  TgkVector closest = VectorCombine(ray_pos, ray_dir, p);
  float k = radius * radius - VectorDistance2(center, closest);
  if (k < 0) return 0;
  if (k == 0) {
    if (p > 0) {
      if (i1) *i1 = VectorCombine(ray_pos, ray_dir, p);
      return 1;
    }
    return 0;
  }
  float g = std::sqrt(k);
  if (p >= g) {
    if (i1) *i1 = VectorCombine(ray_pos, ray_dir, p - g);
    if (i2) *i2 = VectorCombine(ray_pos, ray_dir, p + g);
    return 2;
  }
  if (p + g >= 0) {
    if (i1) *i1 = VectorCombine(ray_pos, ray_dir, p + g);
    return 1;
  }
  return 0;
}

bool RayHitsSphere(const TgkVector& ray_pos, const TgkVector& ray_dir, const TgkVector& center,
                   float radius) {
  float p = std::max(PointProject(center, ray_pos, ray_dir), 0.0f);
  return radius * radius >= VectorDistance2(center, VectorCombine(ray_pos, ray_dir, p));
}

bool RayCastBox(const TgkVector& ray_pos, const TgkVector& ray_dir, const TgkVector& size,
                float tolerance, TgkVector* hit) {
  static constexpr struct {
    int axis;
    float sign;
  } kFaces[6] = {{0, 1}, {1, 1}, {2, 1}, {0, -1}, {1, -1}, {2, -1}};
  for (const auto& face : kFaces) {
    TgkVector n = Axis(face.axis, face.sign);
    float nd = VectorDot(n, ray_dir);
    if (!(nd > 0)) continue;
    float h = Component(size, face.axis) / 2;
    float t = -(VectorDot(n, ray_pos) + h) / nd;
    TgkVector p = VectorCombine(ray_pos, ray_dir, t);
    if (std::fabs(p.X) <= tolerance * size.X && std::fabs(p.Y) <= tolerance * size.Y &&
        std::fabs(p.Z) <= tolerance * size.Z &&
        VectorDot(VectorSubtract(p, ray_pos), ray_dir) > 0) {
      if (hit) *hit = p;
      return true;
    }
  }
  return false;
}

// ---- Rectangles ----

float RectWidth(const TgkRect& r) {
  return r.Right - r.Left;
}
float RectHeight(const TgkRect& r) {
  return r.Bottom - r.Top;
}
bool IsRectEmpty(const TgkRect& r) {
  return !(RectWidth(r) > 0 && RectHeight(r) > 0);
}

void OffsetRect(TgkRect& r, float dx, float dy) {
  r.Left += dx;
  r.Right += dx;
  r.Top += dy;
  r.Bottom += dy;
}

void RectCenter(TgkRect& r, const TgkRect& bounds) {
  float w = RectWidth(r), h = RectHeight(r);
  float left = bounds.Left + std::trunc((RectWidth(bounds) - w) / 2);
  float top = bounds.Top + std::trunc((RectHeight(bounds) - h) / 2);
  r = {left, top, left + w, top + h};
}

float RectFit(TgkRect& r, const TgkRect& bounds) {
  float bw = RectWidth(bounds), bh = RectHeight(bounds);
  if (bw * bh == 0) return 1;
  float w = RectWidth(r), h = RectHeight(r);
  float ratio = std::max(w / bw, h / bh);
  if (ratio >= 1)
    r = {0, 0, w / ratio, h / ratio};
  else
    r = {0, 0, w, h};
  RectCenter(r, bounds);
  return ratio;
}

// ---- Colours ----

uint32_t ColorWithOpacity(uint32_t color, float opacity) {
  if (opacity >= 1) return color;
  float a = std::max(0.0f, opacity) * static_cast<float>(color >> 24);
  uint32_t alpha = static_cast<uint32_t>(std::trunc(a)) & 0xFF;
  return (color & 0x00FFFFFF) | (alpha << 24);
}

uint32_t ModulateColor(uint32_t a, uint32_t b) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
    out |= ((x * y + 127) / 255) << shift;
  }
  return out;
}

float InterpolateSingle(float start, float stop, float t) {
  return start + (stop - start) * t;
}

uint32_t InterpolateColor(uint32_t start, uint32_t stop, float t) {
  uint32_t result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    int a = Channel(start, shift), b = Channel(stop, shift);
    int v = a + static_cast<int>(std::trunc((b - a) * t));
    result |= (static_cast<uint32_t>(v) & 0xFF) << shift;
  }
  return result;
}

uint32_t ColorAdd(uint32_t a, uint32_t b) {
  uint32_t result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    int v = std::min(255, Channel(a, shift) + Channel(b, shift));
    result |= static_cast<uint32_t>(v) << shift;
  }
  return result;
}

uint32_t ColorSubtract(uint32_t a, uint32_t b) {
  uint32_t result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t v = static_cast<uint32_t>(Channel(a, shift) - Channel(b, shift)) & 0xFF;
    result |= v << shift;
  }
  return result;
}

float MaxSingle(float a, float b) {
  return a > b ? a : b;
}

// ---- Bulk operations ----

void MoveLongs(const uint32_t* src, uint32_t* dst, int64_t count) {
  if (src == dst || count <= 0) return;
  std::memmove(dst, src, static_cast<size_t>(count) * sizeof(uint32_t));
}

void FillLongs(uint32_t* dst, int64_t count, uint32_t value) {
  if (count <= 0) return;
  std::fill_n(dst, count, value);
}

void FillAlpha(uint32_t* dst, int64_t count, uint8_t alpha) {
  for (int64_t i = 0; i < count; ++i) dst[i] = (dst[i] & 0x00FFFFFF) | (uint32_t(alpha) << 24);
}
