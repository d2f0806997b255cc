// Value types and pure functions of the 3D scene: points, homogeneous vectors, 4 x 4
// matrices, quaternions, rectangles, ARGB colours and the ray tests used for picking.
//
// Conventions every caller relies on:
// - Every stored component is a 32-bit float.
// - Row vectors: p' = p * M. Rows 0..2 of an affine matrix are the images of the X, Y, Z
//   axes, row 3 the translation. A * B applies A first, then B.
// - Right-handed, Z up; a camera or light looks along its own +Y with +Z as up.
// - Angles are degrees everywhere except inside the trigonometric functions.
#pragma once

#include <cstdint>
#include <vector>

struct TgkPoint {
  float X = 0, Y = 0, Z = 0;
  friend bool operator==(const TgkPoint&, const TgkPoint&) = default;
};

// W = 1 for positions, W = 0 for directions.
struct TgkVector {
  float X = 0, Y = 0, Z = 0, W = 0;
  friend bool operator==(const TgkVector&, const TgkVector&) = default;
};

// Row-major: M[r][c].
struct TgkMatrix {
  float M[4][4] = {};
  float* operator[](int row) { return M[row]; }
  const float* operator[](int row) const { return M[row]; }
  friend bool operator==(const TgkMatrix& a, const TgkMatrix& b);
};

// ImagPart.W takes part in no formula; it is carried so the layout matches stored data.
struct TgkQuaternion {
  TgkVector ImagPart;
  float RealPart = 1;
  friend bool operator==(const TgkQuaternion&, const TgkQuaternion&) = default;
};

struct TgkRect {
  float Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const TgkRect&, const TgkRect&) = default;
};

// One or more contours; a point whose three coordinates are PolygonBreak3D separates two.
using TgkPolygon = std::vector<TgkPoint>;

// 32 bytes: position in the shape's unit box, normal, texture coordinates.
struct TgkMeshVertex {
  float X = 0, Y = 0, Z = 0;
  float NX = 0, NY = 0, NZ = 0;
  float TU = 0, TV = 0;
  friend bool operator==(const TgkMeshVertex&, const TgkMeshVertex&) = default;
};
static_assert(sizeof(TgkMeshVertex) == 32);

// ---- Constants ----
extern const TgkMatrix IdentityMatrix;
extern const TgkQuaternion IdentityQuaternion;
inline constexpr float Epsilon = 1e-40f;   // denormal on purpose: singular-matrix test
inline constexpr float Epsilon2 = 1e-30f;  // zero-length quaternion, parallel rays
inline constexpr double kPi = 3.14159265358979323846;
inline constexpr float DegToRadFactor = static_cast<float>(kPi / 180.0);
inline constexpr float RadToDegFactor = static_cast<float>(180.0 / kPi);
inline constexpr float PolygonBreak3D = 65535.0f;

// ---- Construction and conversion ----
TgkPoint MakePoint(float x, float y, float z);
TgkVector MakeVector(float x, float y, float z, float w = 1);
TgkVector PointToVector(const TgkPoint& p, float w = 1);
TgkPoint VectorToPoint(const TgkVector& v);
TgkRect MakeRect(float left, float top, float right, float bottom);
uint32_t MakeColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
TgkMeshVertex MakeMeshVertex(float x, float y, float z, float nx, float ny, float nz, float tu,
                             float tv);

// ---- Vector arithmetic: only X, Y, Z take part; the result's W is as commented ----
TgkVector VectorAdd(const TgkVector& a, const TgkVector& b);                 // W = 1
TgkVector VectorSubtract(const TgkVector& a, const TgkVector& b);            // W = 1
TgkVector VectorScale(const TgkVector& v, float f);                          // W = 1
TgkVector VectorCombine(const TgkVector& v1, const TgkVector& v2, float f);  // v1 + f*v2, W = 1
// f1*v1 + f2*v2 on all four components.
TgkVector VectorCombine2(const TgkVector& v1, const TgkVector& v2, float f1, float f2);
TgkVector VectorCross(const TgkVector& a, const TgkVector& b);  // W = 1
float VectorDot(const TgkVector& a, const TgkVector& b);
float VectorNorm(const TgkVector& v);  // squared length
float VectorLength(const TgkVector& v);
TgkVector VectorNormalize(const TgkVector& v);  // zero stays zero; W = 0
float VectorDistance2(const TgkVector& a, const TgkVector& b);
float PointProject(const TgkVector& p, const TgkVector& origin, const TgkVector& direction);
float VectorAngleCosine(const TgkVector& a, const TgkVector& b);
TgkVector CalcPlaneNormal(const TgkVector& p1, const TgkVector& p2, const TgkVector& p3);
// (V * M) using V.W as the fourth input; no perspective division; W = 1.
TgkVector VectorTransform(const TgkVector& v, const TgkMatrix& m);
float InvSqrt(float x);  // 1/sqrt(|x|), or 1 for 0

// ---- Matrices ----
TgkMatrix MatrixMultiply(const TgkMatrix& a, const TgkMatrix& b);
float MatrixDeterminant(const TgkMatrix& m);
void MatrixAdjoint(TgkMatrix& m);  // classical adjugate, in place
void MatrixScale(TgkMatrix& m, float f);
// In place; a singular matrix (|det| < Epsilon) becomes the identity, nothing is raised.
void MatrixInvert(TgkMatrix& m);

// Right-handed, for row vectors, depth mapped to 0..1.
TgkMatrix MatrixOrthoOffCenterRH(float left, float right, float bottom, float top, float z_near,
                                 float z_far);
TgkMatrix MatrixPerspectiveFovRH(float fov_y_radians, float aspect, float z_near, float z_far);
// Takes a direction, not a target point.
TgkMatrix MatrixLookAtDirRH(const TgkVector& eye, const TgkVector& dir, const TgkVector& up);

// ---- Quaternions ----
// v * QuaternionToMatrix(P x Q) rotates v first by Q, then by P.
TgkQuaternion QuaternionFromAxisAngle(const TgkVector& axis, float angle_degrees);
TgkQuaternion QuaternionMultiply(const TgkQuaternion& p, const TgkQuaternion& q);
float QuaternionMagnitude(const TgkQuaternion& q);
void QuaternionNormalize(TgkQuaternion& q);  // near zero becomes IdentityQuaternion
TgkMatrix QuaternionToMatrix(const TgkQuaternion& q);
TgkQuaternion QuaternionFromMatrix(const TgkMatrix& m);

// ---- Angles ----
float DegToRad(float a);
float RadToDeg(float a);
float NormalizeAngle(float a);  // degrees, result in [-180, 180]
float ArcCosClamped(float x);

// ---- Ray tests: hits only in front of the origin ----
bool RayCastPlane(const TgkVector& ray_pos, const TgkVector& ray_dir, const TgkVector& plane_point,
                  const TgkVector& plane_normal, TgkVector* hit = nullptr);
// Hit from either side; normal = e1 x e2, not normalised. Outputs optional.
bool RayCastTriangle(const TgkVector& ray_pos, const TgkVector& ray_dir, const TgkVector& p1,
                     const TgkVector& p2, const TgkVector& p3, TgkVector* hit = nullptr,
                     TgkVector* normal = nullptr);
// Number of hits (0..2); i1 is the nearer one.
int RayCastSphere(const TgkVector& ray_pos, const TgkVector& ray_dir, const TgkVector& center,
                  float radius, TgkVector* i1 = nullptr, TgkVector* i2 = nullptr);
bool RayHitsSphere(const TgkVector& ray_pos, const TgkVector& ray_dir, const TgkVector& center,
                   float radius);
// Box centred on the origin with edge lengths size; finds the face the ray enters through
// (a ray starting inside finds nothing). Hit is in the box's space.
bool RayCastBox(const TgkVector& ray_pos, const TgkVector& ray_dir, const TgkVector& size,
                float tolerance, TgkVector* hit = nullptr);

// ---- Rectangles ----
float RectWidth(const TgkRect& r);
float RectHeight(const TgkRect& r);
bool IsRectEmpty(const TgkRect& r);
void OffsetRect(TgkRect& r, float dx, float dy);
void RectCenter(TgkRect& r, const TgkRect& bounds);
// Shrinks r to fit bounds (never enlarges), centres it; returns the ratio.
float RectFit(TgkRect& r, const TgkRect& bounds);

// ---- Colours (per 8-bit channel of ARGB) ----
uint32_t ColorWithOpacity(uint32_t color, float opacity);
float InterpolateSingle(float start, float stop, float t);
uint32_t InterpolateColor(uint32_t start, uint32_t stop, float t);
// Each ARGB channel of a times that of b (as fractions of 255, rounded); white leaves a as
// it is.
uint32_t ModulateColor(uint32_t a, uint32_t b);
uint32_t ColorAdd(uint32_t a, uint32_t b);       // saturating
uint32_t ColorSubtract(uint32_t a, uint32_t b);  // modulo 256
float MaxSingle(float a, float b);

// ---- Bulk operations on 32-bit values ----
void MoveLongs(const uint32_t* src, uint32_t* dst, int64_t count);  // overlap allowed
void FillLongs(uint32_t* dst, int64_t count, uint32_t value);
void FillAlpha(uint32_t* dst, int64_t count, uint8_t alpha);
