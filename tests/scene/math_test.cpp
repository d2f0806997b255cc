#include "scene/math.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "scene/text_forms.h"

namespace {

void ExpectNear(const TgkVector& v, float x, float y, float z, float tol = 1e-5f) {
  EXPECT_NEAR(v.X, x, tol);
  EXPECT_NEAR(v.Y, y, tol);
  EXPECT_NEAR(v.Z, z, tol);
}

void ExpectMatrixNear(const TgkMatrix& a, const TgkMatrix& b, float tol = 1e-5f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a[r][c], b[r][c], tol) << "element " << r << c;
}

TgkMatrix Translation(float x, float y, float z) {
  TgkMatrix m = IdentityMatrix;
  m[3][0] = x, m[3][1] = y, m[3][2] = z;
  return m;
}

TEST(SceneVectors, ArithmeticFixesTheFourthComponent) {
  TgkVector a = MakeVector(1, 2, 3, 7), b = MakeVector(4, 5, 6, 9);
  EXPECT_EQ(VectorAdd(a, b), MakeVector(5, 7, 9, 1));
  EXPECT_EQ(VectorSubtract(a, b), MakeVector(-3, -3, -3, 1));
  EXPECT_EQ(VectorScale(a, 2), MakeVector(2, 4, 6, 1));
  EXPECT_EQ(VectorCombine(a, b, 2), MakeVector(9, 12, 15, 1));
  EXPECT_EQ(VectorCombine2(a, b, 2, 1), MakeVector(6, 9, 12, 23));
  EXPECT_EQ(VectorCross(MakeVector(1, 0, 0), MakeVector(0, 1, 0)), MakeVector(0, 0, 1, 1));
  EXPECT_FLOAT_EQ(VectorDot(a, b), 32);
  EXPECT_FLOAT_EQ(VectorNorm(a), 14);
  EXPECT_FLOAT_EQ(VectorDistance2(a, b), 27);
  EXPECT_FLOAT_EQ(PointProject(MakeVector(3, 4, 0), MakeVector(1, 0, 0), MakeVector(0, 1, 0)), 4);
}

TEST(SceneVectors, NormalizeKeepsZeroAndClearsW) {
  EXPECT_EQ(VectorNormalize(MakeVector(0, 0, 0, 1)), MakeVector(0, 0, 0, 0));
  TgkVector n = VectorNormalize(MakeVector(3, 0, 4, 1));
  ExpectNear(n, 0.6f, 0, 0.8f);
  EXPECT_EQ(n.W, 0);
  EXPECT_EQ(InvSqrt(0), 1);
  EXPECT_FLOAT_EQ(InvSqrt(-4), 0.5f);
  // Plane normal follows the winding: (p2-p1) x (p3-p1).
  ExpectNear(CalcPlaneNormal(MakeVector(0, 0, 0), MakeVector(1, 0, 0), MakeVector(0, 1, 0)), 0, 0,
             1);
  // Zero-length operands do not divide by zero.
  EXPECT_TRUE(std::isfinite(VectorAngleCosine(MakeVector(0, 0, 0), MakeVector(1, 0, 0))));
  EXPECT_NEAR(VectorAngleCosine(MakeVector(2, 0, 0), MakeVector(1, 1, 0)), std::sqrt(0.5f), 1e-6);
}

TEST(SceneVectors, TransformUsesOwnWAndDoesNotDivide) {
  TgkMatrix t = Translation(10, 20, 30);
  EXPECT_EQ(VectorTransform(MakeVector(1, 2, 3, 1), t), MakeVector(11, 22, 33, 1));
  // Directions (W = 0) ignore the translation.
  EXPECT_EQ(VectorTransform(MakeVector(1, 2, 3, 0), t), MakeVector(1, 2, 3, 1));
  TgkMatrix p = MatrixPerspectiveFovRH(static_cast<float>(kPi / 2), 1, 1, 100);
  TgkVector r = VectorTransform(MakeVector(1, 1, -10, 1), p);
  EXPECT_EQ(r.W, 1);
  EXPECT_NEAR(r.X, 1, 1e-5);  // cot(45) = 1, not divided by the depth
}

TEST(SceneMatrices, MultiplyAppliesLeftFirst) {
  TgkMatrix rot = QuaternionToMatrix(QuaternionFromAxisAngle(MakeVector(0, 0, 1), 90));
  TgkMatrix move = Translation(5, 0, 0);
  // Rotate first, then move: (1,0,0) -> (0,1,0) -> (5,1,0).
  ExpectNear(VectorTransform(MakeVector(1, 0, 0, 1), MatrixMultiply(rot, move)), 5, 1, 0);
  // Move first, then rotate: (6,0,0) -> (0,6,0).
  ExpectNear(VectorTransform(MakeVector(1, 0, 0, 1), MatrixMultiply(move, rot)), 0, 6, 0);
}

TEST(SceneMatrices, InvertAndDeterminant) {
  TgkMatrix m = MatrixMultiply(QuaternionToMatrix(QuaternionFromAxisAngle(MakeVector(1, 2, 3), 40)),
                               Translation(1, -2, 3));
  for (float& e : m.M[0]) e *= 2;  // non-uniform scale doubles the determinant
  EXPECT_NEAR(MatrixDeterminant(m), 2, 1e-4);
  TgkMatrix inverse = m;
  MatrixInvert(inverse);
  ExpectMatrixNear(MatrixMultiply(m, inverse), IdentityMatrix);

  TgkMatrix singular = IdentityMatrix;
  singular[2][2] = 0;
  EXPECT_EQ(MatrixDeterminant(singular), 0);
  MatrixInvert(singular);
  EXPECT_EQ(singular, IdentityMatrix);

  TgkMatrix s = IdentityMatrix;
  MatrixScale(s, 3);
  EXPECT_EQ(s[3][3], 3);
  EXPECT_EQ(s[1][0], 0);
}

TEST(SceneMatrices, AdjointIsTransposedCofactors) {
  TgkMatrix m = IdentityMatrix;
  m[0][1] = 2;  // upper triangular: adjugate has -2 at [0][1]
  m[3][0] = 4;
  MatrixAdjoint(m);
  EXPECT_FLOAT_EQ(m[0][1], -2);
  EXPECT_FLOAT_EQ(m[3][0], -4);
  EXPECT_FLOAT_EQ(m[0][0], 1);
}

TEST(SceneMatrices, ProjectionAndViewElements) {
  TgkMatrix o = MatrixOrthoOffCenterRH(0, 200, 100, 0, 1, 11);
  EXPECT_FLOAT_EQ(o[0][0], 0.01f);
  EXPECT_FLOAT_EQ(o[1][1], -0.02f);
  EXPECT_FLOAT_EQ(o[2][2], -0.1f);
  EXPECT_FLOAT_EQ(o[3][0], -1);
  EXPECT_FLOAT_EQ(o[3][1], 1);
  EXPECT_FLOAT_EQ(o[3][2], -0.1f);

  TgkMatrix p = MatrixPerspectiveFovRH(static_cast<float>(kPi / 4), 2, 1, 1000);
  float c = static_cast<float>(1 / std::tan(kPi / 8));
  EXPECT_FLOAT_EQ(p[0][0], c / 2);
  EXPECT_FLOAT_EQ(p[1][1], c);
  EXPECT_FLOAT_EQ(p[2][3], -1);
  EXPECT_FLOAT_EQ(p[3][2], 1000.0f / -999.0f);
  EXPECT_EQ(p[3][3], 0);

  // A camera at (0,-10,0) looking along +Y with +Z up sees the origin straight ahead, 10
  // units down its -Z (right-handed view space).
  TgkMatrix view =
      MatrixLookAtDirRH(MakeVector(0, -10, 0, 1), MakeVector(0, 1, 0), MakeVector(0, 0, 1));
  ExpectNear(VectorTransform(MakeVector(0, 0, 0, 1), view), 0, 0, -10);
  ExpectNear(VectorTransform(MakeVector(1, 0, 0, 1), view), 1, 0, -10);
  ExpectNear(VectorTransform(MakeVector(0, 0, 1, 1), view), 0, 1, -10);
}

TEST(SceneQuaternions, ProductRotatesRightFactorFirst) {
  TgkQuaternion qx = QuaternionFromAxisAngle(MakeVector(1, 0, 0), 90);
  TgkQuaternion qz = QuaternionFromAxisAngle(MakeVector(0, 0, 1), 90);
  TgkVector v = MakeVector(0, 1, 0, 1);
  // First qz: (0,1,0) -> (-1,0,0); then qx leaves it.
  ExpectNear(VectorTransform(v, QuaternionToMatrix(QuaternionMultiply(qx, qz))), -1, 0, 0);
  // First qx: (0,1,0) -> (0,0,1); then qz leaves it.
  ExpectNear(VectorTransform(v, QuaternionToMatrix(QuaternionMultiply(qz, qx))), 0, 0, 1);
  EXPECT_EQ(QuaternionMultiply(qx, qz).ImagPart.W, 0);
}

TEST(SceneQuaternions, AxisLengthDoesNotMatterAndNormalizeHandlesZero) {
  TgkQuaternion a = QuaternionFromAxisAngle(MakeVector(0, 0, 5), 60);
  EXPECT_NEAR(a.ImagPart.Z, 0.5f, 1e-6);
  EXPECT_NEAR(a.RealPart, std::sqrt(3.0f) / 2, 1e-6);
  EXPECT_NEAR(QuaternionMagnitude(a), 1, 1e-6);

  TgkQuaternion zero{{0, 0, 0, 0}, 0};
  QuaternionNormalize(zero);
  EXPECT_EQ(zero, IdentityQuaternion);

  TgkQuaternion big{{0, 0, 2, 0}, 0};
  QuaternionNormalize(big);
  EXPECT_FLOAT_EQ(big.ImagPart.Z, 1);
  // An unnormalised quaternion gives the same rotation matrix as its normalised form.
  TgkQuaternion scaled = a;
  scaled.ImagPart.Z *= 3, scaled.RealPart *= 3;
  ExpectMatrixNear(QuaternionToMatrix(scaled), QuaternionToMatrix(a));
}

TEST(SceneQuaternions, FromMatrixInvertsToMatrixOnEveryBranch) {
  const TgkQuaternion samples[] = {
      QuaternionFromAxisAngle(MakeVector(1, 2, 3), 40),
      QuaternionFromAxisAngle(MakeVector(1, 0, 0), 180),  // trace branch not taken
      QuaternionFromAxisAngle(MakeVector(0, 1, 0), 180),
      QuaternionFromAxisAngle(MakeVector(0, 0, 1), 180),
  };
  for (const auto& q : samples) {
    TgkMatrix m = QuaternionToMatrix(q);
    ExpectMatrixNear(QuaternionToMatrix(QuaternionFromMatrix(m)), m, 1e-5f);
  }
}

TEST(SceneAngles, NormalizeAngle) {
  EXPECT_FLOAT_EQ(NormalizeAngle(540), 180);
  EXPECT_FLOAT_EQ(NormalizeAngle(-190), 170);
  EXPECT_FLOAT_EQ(NormalizeAngle(360), 0);
  EXPECT_FLOAT_EQ(NormalizeAngle(370), 10);
  EXPECT_FLOAT_EQ(NormalizeAngle(-180), -180);
  EXPECT_FLOAT_EQ(NormalizeAngle(190), -170);
  EXPECT_FLOAT_EQ(DegToRad(180), static_cast<float>(kPi));
  EXPECT_FLOAT_EQ(RadToDeg(static_cast<float>(kPi / 2)), 90);
  EXPECT_FLOAT_EQ(ArcCosClamped(1.5f), 0);
  EXPECT_FLOAT_EQ(ArcCosClamped(-2), static_cast<float>(kPi));
}

TEST(SceneRays, Plane) {
  TgkVector hit;
  TgkVector up = MakeVector(0, 0, 1, 0);
  ASSERT_TRUE(RayCastPlane(MakeVector(1, 2, 5, 1), MakeVector(0, 0, -1, 0), MakeVector(0, 0, 0, 1),
                           up, &hit));
  ExpectNear(hit, 1, 2, 0);
  // Parallel ray and plane behind the origin: no hit.
  EXPECT_FALSE(
      RayCastPlane(MakeVector(0, 0, 5, 1), MakeVector(1, 0, 0, 0), MakeVector(0, 0, 0, 1), up));
  EXPECT_FALSE(
      RayCastPlane(MakeVector(0, 0, 5, 1), MakeVector(0, 0, 1, 0), MakeVector(0, 0, 0, 1), up));
}

TEST(SceneRays, TriangleFromEitherSide) {
  TgkVector p1 = MakeVector(0, 0, 0, 1), p2 = MakeVector(1, 0, 0, 1), p3 = MakeVector(0, 1, 0, 1);
  TgkVector hit, normal;
  ASSERT_TRUE(RayCastTriangle(MakeVector(0.25f, 0.25f, 3, 1), MakeVector(0, 0, -1, 0), p1, p2, p3,
                              &hit, &normal));
  ExpectNear(hit, 0.25f, 0.25f, 0);
  ExpectNear(normal, 0, 0, 1);
  EXPECT_TRUE(RayCastTriangle(MakeVector(0.25f, 0.25f, -3, 1), MakeVector(0, 0, 1, 0), p1, p2, p3));
  // Outside the triangle, behind the origin, and parallel.
  EXPECT_FALSE(
      RayCastTriangle(MakeVector(0.75f, 0.75f, 3, 1), MakeVector(0, 0, -1, 0), p1, p2, p3));
  EXPECT_FALSE(RayCastTriangle(MakeVector(0.25f, 0.25f, 3, 1), MakeVector(0, 0, 1, 0), p1, p2, p3));
  EXPECT_FALSE(RayCastTriangle(MakeVector(0.25f, 0.25f, 3, 1), MakeVector(1, 0, 0, 0), p1, p2, p3));
}

TEST(SceneRays, Sphere) {
  TgkVector i1, i2;
  TgkVector c = MakeVector(0, 10, 0, 1);
  ASSERT_EQ(RayCastSphere(MakeVector(0, 0, 0, 1), MakeVector(0, 1, 0, 0), c, 2, &i1, &i2), 2);
  ExpectNear(i1, 0, 8, 0);
  ExpectNear(i2, 0, 12, 0);
  // From inside: one hit, the exit point.
  ASSERT_EQ(RayCastSphere(MakeVector(0, 9, 0, 1), MakeVector(0, 1, 0, 0), c, 2, &i1, &i2), 1);
  ExpectNear(i1, 0, 12, 0);
  EXPECT_EQ(RayCastSphere(MakeVector(0, 0, 0, 1), MakeVector(0, -1, 0, 0), c, 2), 0);
  EXPECT_EQ(RayCastSphere(MakeVector(5, 0, 0, 1), MakeVector(0, 1, 0, 0), c, 2), 0);

  EXPECT_TRUE(RayHitsSphere(MakeVector(1, 0, 0, 1), MakeVector(0, 1, 0, 0), c, 2));
  EXPECT_FALSE(RayHitsSphere(MakeVector(3, 0, 0, 1), MakeVector(0, 1, 0, 0), c, 2));
  // Behind the origin only the origin itself counts.
  EXPECT_FALSE(RayHitsSphere(MakeVector(0, 13, 0, 1), MakeVector(0, 1, 0, 0), c, 2));
}

TEST(SceneRays, BoxFindsTheEntryFace) {
  TgkVector size = MakeVector(2, 4, 6, 0);
  TgkVector hit;
  ASSERT_TRUE(RayCastBox(MakeVector(10, 0.5f, 0, 1), MakeVector(-1, 0, 0, 0), size, 0.501f, &hit));
  ExpectNear(hit, 1, 0.5f, 0);
  ASSERT_TRUE(RayCastBox(MakeVector(0, 0, -10, 1), MakeVector(0, 0, 1, 0), size, 0.501f, &hit));
  ExpectNear(hit, 0, 0, -3);
  // Miss beside the box, and from inside it.
  EXPECT_FALSE(RayCastBox(MakeVector(10, 3, 0, 1), MakeVector(-1, 0, 0, 0), size, 0.501f));
  EXPECT_FALSE(RayCastBox(MakeVector(0, 0, 0, 1), MakeVector(-1, 0, 0, 0), size, 0.501f));
  // Facing away from the box.
  EXPECT_FALSE(RayCastBox(MakeVector(10, 0, 0, 1), MakeVector(1, 0, 0, 0), size, 0.501f));
}

TEST(SceneRects, FitCenterAndEmpty) {
  TgkRect r = MakeRect(0, 0, 200, 100);
  EXPECT_FLOAT_EQ(RectFit(r, MakeRect(0, 0, 100, 100)), 2);
  EXPECT_EQ(r, MakeRect(0, 25, 100, 75));
  r = MakeRect(0, 0, 50, 50);
  EXPECT_FLOAT_EQ(RectFit(r, MakeRect(0, 0, 100, 100)), 0.5f);
  EXPECT_EQ(r, MakeRect(25, 25, 75, 75));
  r = MakeRect(3, 3, 9, 9);
  EXPECT_EQ(RectFit(r, MakeRect(0, 0, 0, 100)), 1);
  EXPECT_EQ(r, MakeRect(3, 3, 9, 9));
  // Centring truncates the offsets.
  r = MakeRect(0, 0, 5, 5);
  RectCenter(r, MakeRect(10, 10, 20, 20));
  EXPECT_EQ(r, MakeRect(12, 12, 17, 17));
  OffsetRect(r, 1, -2);
  EXPECT_EQ(r, MakeRect(13, 10, 18, 15));
  EXPECT_TRUE(IsRectEmpty(MakeRect(0, 0, 0, 5)));
  EXPECT_TRUE(IsRectEmpty(MakeRect(0, 0, 5, -1)));
  EXPECT_FALSE(IsRectEmpty(MakeRect(0, 0, 1, 1)));
}

TEST(SceneColors, ChannelOperations) {
  EXPECT_EQ(MakeColor(0x11, 0x22, 0x33, 0x44), 0x44112233u);
  EXPECT_EQ(ColorWithOpacity(0x80FF0000, 0.5f), 0x40FF0000u);
  EXPECT_EQ(ColorWithOpacity(0x80FF0000, 1.5f), 0x80FF0000u);
  EXPECT_EQ(ColorWithOpacity(0xFF123456, 0), 0x00123456u);
  EXPECT_EQ(ColorWithOpacity(0xFF123456, -1), 0x00123456u);
  EXPECT_EQ(InterpolateColor(0xFF000000, 0xFFFF8040, 0.5f), 0xFF7F4020u);
  EXPECT_EQ(InterpolateColor(0xFFFFFFFF, 0x00000000, 0.5f), 0x80808080u);
  EXPECT_EQ(ColorAdd(0xF0F00102, 0x20100304), 0xFFFF0406u);
  EXPECT_EQ(ColorSubtract(0x10000005, 0x20000001), 0xF0000004u);
  EXPECT_FLOAT_EQ(InterpolateSingle(2, 4, 0.25f), 2.5f);
  EXPECT_EQ(MaxSingle(-1, 3), 3);
}

TEST(SceneBulk, MoveFillAlpha) {
  uint32_t data[6] = {1, 2, 3, 4, 5, 6};
  MoveLongs(data, data + 1, 4);  // overlapping
  EXPECT_EQ(data[1], 1u);
  EXPECT_EQ(data[4], 4u);
  EXPECT_EQ(data[5], 6u);
  FillLongs(data, 0, 9);
  EXPECT_EQ(data[0], 1u);
  FillLongs(data, 2, 0xAABBCCDD);
  EXPECT_EQ(data[1], 0xAABBCCDDu);
  EXPECT_EQ(data[2], 2u);
  FillAlpha(data, 3, 0x10);
  EXPECT_EQ(data[0], 0x10BBCCDDu);
  EXPECT_EQ(data[2], 0x10000002u);
  EXPECT_EQ(data[3], 3u);
  FillAlpha(data, -1, 0);
  EXPECT_EQ(data[0], 0x10BBCCDDu);
}

TEST(SceneText, FloatToTextForms) {
  EXPECT_EQ(FloatToText(2), "2");
  EXPECT_EQ(FloatToText(-10), "-10");
  EXPECT_EQ(FloatToText(0.5f), "0.5");
  EXPECT_EQ(FloatToText(9.10299f), "9.10299");
  EXPECT_EQ(FloatToText(-20.9171f), "-20.9171");
  EXPECT_EQ(FloatToText(0.95882f), "0.95882");
  EXPECT_EQ(FloatToText(-0.0f), "0");
  EXPECT_EQ(FloatToText(1.5e-7f), "1.5E-7");
  EXPECT_EQ(FloatToText(3e9f), "3000000000");  // beyond 32-bit integers
  EXPECT_EQ(FloatToText(1234567.5f), "1.23457E6");
}

TEST(SceneText, RoundTripsRegardlessOfLocale) {
  // A locale with a decimal comma must not change the text forms.
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  bool switched = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "fr_FR.UTF-8");
  EXPECT_EQ(FloatToText(0.25f), "0.25");
  EXPECT_FLOAT_EQ(TextToFloat("0.25"), 0.25f);
  EXPECT_THROW(TextToFloat("0,25"), EConvertError);
  std::setlocale(LC_ALL, saved.c_str());
  if (!switched) GTEST_LOG_(INFO) << "no comma locale installed; checked in the C locale only";

  for (float v : {0.1f, -3.3333333f, 1e-40f, 123456.7f, 3.4e38f, 9.10299f}) {
    float back = TextToFloat(FloatToText(v));
    EXPECT_NEAR(back, v, std::fabs(v) * 1e-5f) << FloatToText(v);
  }
}

TEST(SceneText, TextToFloatRejectsJunk) {
  EXPECT_FLOAT_EQ(TextToFloat(" 1.5 "), 1.5f);
  EXPECT_FLOAT_EQ(TextToFloat("+2"), 2);
  EXPECT_FLOAT_EQ(TextToFloat("-1E3"), -1000);
  for (const char* bad : {"", " ", "x", "1.5x", "1e50", "nan", "inf", "--1", "+"})
    EXPECT_THROW(TextToFloat(bad), EConvertError) << bad;
}

TEST(SceneText, PointsAndRects) {
  EXPECT_EQ(PointToText(MakePoint(0, -10, 0)), "(0,-10,0)");
  EXPECT_EQ(TextToPoint("(1,2,3)"), MakePoint(1, 2, 3));
  EXPECT_EQ(TextToPoint(" ( 1.5 , -2 , 3e1 ) "), MakePoint(1.5f, -2, 30));
  EXPECT_EQ(TextToPoint("(1,x,3)"), MakePoint(0, 0, 0));
  EXPECT_EQ(TextToPoint("(1,2)"), MakePoint(0, 0, 0));
  EXPECT_EQ(TextToPoint(""), MakePoint(0, 0, 0));
  EXPECT_EQ(RectToText(MakeRect(3, 23, 3, 3.5f)), "(3,23,3,3.5)");
  EXPECT_EQ(TextToRect("(3,23,3,3.5)"), MakeRect(3, 23, 3, 3.5f));
  EXPECT_EQ(TextToRect("(3,23,3)"), MakeRect(0, 0, 0, 0));
}

TEST(SceneText, Tokens) {
  std::string s = " ab c;d e ";
  EXPECT_EQ(GetToken(s, ";"), "ab c");
  EXPECT_EQ(s, "d e");
  s = "key=value";
  EXPECT_EQ(GetToken(s, ";", "="), "key");
  EXPECT_EQ(s, "=value");  // the stop character stays

  std::string_view text = "1, 2,,3";
  size_t pos = 0;
  EXPECT_EQ(ReadToken(pos, text, ", "), "1");
  EXPECT_EQ(pos, 3u);
  EXPECT_EQ(ReadToken(pos, text, ", "), "2");
  EXPECT_EQ(ReadToken(pos, text, ", "), "3");
  EXPECT_EQ(pos, text.size());
  EXPECT_EQ(ReadToken(pos, text, ", "), "");
}

}  // namespace
