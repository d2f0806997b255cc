#include "scene/canvas.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/property_registry.h"
#include "scene/material.h"
#include "scene/mesh_data.h"
#include "scene/scene_bitmap.h"
#include "tests/support/recording_canvas.h"

using testsupport::RecordingCanvas;

namespace {

TgkVector Apply(const TgkMatrix& m, float x, float y, float z) {
  // Full homogeneous transform with the perspective division.
  const float in[4] = {x, y, z, 1};
  float out[4] = {};
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) out[c] += in[r] * m[r][c];
  }
  return {out[0] / out[3], out[1] / out[3], out[2] / out[3], 1};
}

int ApplyCount(const RecordingCanvas& c, TgkRenderState s) {
  return static_cast<int>(c.Calls(std::string("ApplyState ") + RenderStateName(s)).size());
}

}  // namespace

// ---- The render-state cache ----

TEST(CanvasStateCache, RepeatedStateIsAppliedOnceUntilItsGroupChanges) {
  RecordingCanvas c;
  c.SetRenderState(rsLightingOn);
  c.SetRenderState(rsLightingOn);
  EXPECT_EQ(ApplyCount(c, rsLightingOn), 1);
  c.SetRenderState(rsLightingOff);
  c.SetRenderState(rsLightingOn);
  EXPECT_EQ(ApplyCount(c, rsLightingOn), 2);
  EXPECT_TRUE(c.StateSet(rsLightingOn));
  EXPECT_FALSE(c.StateSet(rsLightingOff));
}

TEST(CanvasStateCache, CullStatesExcludeEachOther) {
  RecordingCanvas c;
  c.SetRenderState(rsCullNone);
  c.SetRenderState(rsCullCCW);
  c.SetRenderState(rsCullNone);  // must reach the device: it culls at this point
  EXPECT_EQ(ApplyCount(c, rsCullNone), 2);
  EXPECT_EQ(ApplyCount(c, rsCullCCW), 1);
  EXPECT_TRUE(c.StateSet(rsCullNone));
  EXPECT_FALSE(c.StateSet(rsCullCCW));
  EXPECT_FALSE(c.StateSet(rsCullCW));
}

TEST(CanvasStateCache, TextureStatesExcludeEachOtherInAGroupOfThree) {
  RecordingCanvas c;
  c.SetRenderState(rsTexReplace);
  c.SetRenderState(rsTexModulate);
  EXPECT_FALSE(c.StateSet(rsTexReplace));
  c.SetRenderState(rsTexReplace);
  EXPECT_EQ(ApplyCount(c, rsTexReplace), 2);
  // Other groups are left alone.
  c.SetRenderState(rsShadeFlat);
  c.SetRenderState(rsTexDisable);
  EXPECT_TRUE(c.StateSet(rsShadeFlat));
  EXPECT_TRUE(c.StateSet(rsTexDisable));
  EXPECT_FALSE(c.StateSet(rsTexReplace));
}

TEST(CanvasStateCache, ResetStateClearsFlagsViewLightsAndMaterial) {
  RecordingCanvas c;
  c.SetRenderState(rsZWriteOn);
  c.SetMatrix(MatrixPerspectiveFovRH(1, 1, 1, 10));
  c.Material().SetDiffuse(0xFF123456);
  c.Material().SetBitmap("wood");
  int changes = 0;
  c.Material().OnChange = [&] { ++changes; };
  c.ResetState();
  EXPECT_EQ(changes, 0);  // without notification
  EXPECT_EQ(c.Material().Diffuse(), 0u);
  EXPECT_EQ(c.Material().Bitmap(), "");
  EXPECT_FALSE(c.StateSet(rsZWriteOn));
  EXPECT_EQ(c.World(), IdentityMatrix);
  EXPECT_EQ(c.View(), IdentityMatrix);
  EXPECT_TRUE(c.Lights().empty());
  c.SetRenderState(rsZWriteOn);  // effective again
  EXPECT_EQ(ApplyCount(c, rsZWriteOn), 2);
}

TEST(CanvasMaterial, MaterialChangeBringsItsStatesIntoEffect) {
  RecordingCanvas c;
  TgkMaterial m;
  m.SetShadeMode(gkFlat);
  m.SetFillMode(gkWireframe);
  m.SetLighting(false);
  m.SetBitmap("no such texture");
  c.Material().Assign(m);
  ASSERT_EQ(c.Calls("ApplyMaterial").size(), 1u);
  EXPECT_TRUE(c.StateSet(rsTexDisable));  // the name finds nothing: untextured
  EXPECT_TRUE(c.StateSet(rsShadeFlat));
  EXPECT_TRUE(c.StateSet(rsFrameWire));
  EXPECT_TRUE(c.StateSet(rsLightingOff));
}

TEST(CanvasMaterial, DirectBitmapSelectsTextureModeAndRegistersTheHolder) {
  RecordingCanvas c;
  TgkBitmap texture(4, 4);
  c.Material().SetDirectBitmap(&texture);
  c.Material().SetBitmapMode(gkTexReplace);
  EXPECT_TRUE(c.StateSet(rsTexReplace));
  ASSERT_EQ(texture.TextureHolders().size(), 1u);
  EXPECT_EQ(texture.TextureHolders()[0], &c);
  c.Material().SetBitmapMode(gkTexModulate);
  EXPECT_TRUE(c.StateSet(rsTexModulate));
  c.Material().SetDirectBitmap(nullptr);
}

TEST(CanvasMaterial, EmptyBitmapOnlyLosesItsUploadMark) {
  RecordingCanvas c;
  TgkBitmap empty;
  empty.SetNeedsUpload(true);
  c.TgkCanvas::UpdateBitmap(empty);
  EXPECT_FALSE(empty.NeedsUpload());
  EXPECT_TRUE(empty.TextureHolders().empty());
}

// ---- Size, texture table and lifetime ----

TEST(CanvasSize, ResizeBelowOneGivesOnePixel) {
  RecordingCanvas c;
  c.ResizeBuffer(0, -5);
  EXPECT_EQ(c.Width(), 1);
  EXPECT_EQ(c.Height(), 1);
  TgkBitmap empty;
  RecordingCanvas on_empty(empty);
  EXPECT_EQ(on_empty.Width(), 1);
  EXPECT_TRUE(on_empty.Transparency());
}

TEST(CanvasTextures, TableAddsOnceAndReplacesOnSet) {
  TgkBitmap a(1, 1), b(1, 1);  // outlive the canvas, which frees what its table holds
  RecordingCanvas c;
  EXPECT_EQ(c.TextureOf(&a), 0u);
  c.AddTexture(&a, 11);
  c.AddTexture(&a, 12);  // already present: kept
  c.AddTexture(&b, 21);
  EXPECT_EQ(c.TextureOf(&a), 11u);
  c.SetTexture(&a, 13);
  EXPECT_EQ(c.TextureOf(&a), 13u);
  c.RemoveTexture(&a);
  EXPECT_EQ(c.TextureOf(&a), 0u);
  EXPECT_EQ(c.TextureOf(&b), 21u);
}

TEST(CanvasTextures, CanvasAndBitmapMayGoInEitherOrder) {
  auto texture = std::make_unique<TgkBitmap>(2, 2);
  {
    RecordingCanvas c;
    c.UpdateBitmap(*texture);
    EXPECT_EQ(texture->TextureHolders().size(), 1u);
  }
  EXPECT_TRUE(texture->TextureHolders().empty());  // no dangling holder
  RecordingCanvas c;
  c.UpdateBitmap(*texture);
  texture.reset();
  EXPECT_TRUE(c.Textures().empty());
  EXPECT_EQ(c.Calls("FreeBitmap").size(), 1u);
}

// ---- Projections and picking ----

TEST(CanvasProjection, ScreenMatrixMapsPixelsOntoTheTarget) {
  RecordingCanvas c(200, 100);
  const TgkMatrix m = c.GetScreenMatrix();
  const TgkVector tl = Apply(m, 0, 0, 0), br = Apply(m, 200, 100, 0), mid = Apply(m, 50, 75, 0);
  EXPECT_NEAR(tl.X, -1, 1e-5);
  EXPECT_NEAR(tl.Y, 1, 1e-5);  // the top edge
  EXPECT_NEAR(br.X, 1, 1e-5);
  EXPECT_NEAR(br.Y, -1, 1e-5);
  EXPECT_NEAR(mid.X, -0.5, 1e-5);
  EXPECT_NEAR(mid.Y, -0.5, 1e-5);
  EXPECT_GT(tl.Z, 0);
  EXPECT_LT(tl.Z, 1);
  // Farther along +z is deeper.
  EXPECT_GT(Apply(m, 0, 0, 10).Z, tl.Z);
}

TEST(CanvasProjection, CameraMatrixIsAFortyFiveDegreePerspective) {
  RecordingCanvas c(200, 100);
  const TgkMatrix p = c.GetProjectionMatrix();
  EXPECT_NEAR(p[1][1], 1 / std::tan(kPi / 8), 1e-5);
  EXPECT_NEAR(p[0][0], p[1][1] / 2, 1e-5);
  EXPECT_NEAR(Apply(p, 0, 0, -1).Z, 0, 1e-5);     // near plane at depth 0
  EXPECT_NEAR(Apply(p, 0, 0, -1000).Z, 1, 1e-4);  // far plane at depth 1
}

TEST(CanvasPicking, ScreenRayThroughTheCentreLooksAlongPlusZ) {
  RecordingCanvas c(640, 480);
  TgkVector pos, dir;
  c.PickRay(true, pos, dir, 320, 240);
  EXPECT_NEAR(dir.X, 0, 1e-6);
  EXPECT_NEAR(dir.Y, 0, 1e-6);
  EXPECT_NEAR(dir.Z, 1, 1e-6);
  EXPECT_NEAR(pos.X, 320, 1e-3);
  // The eye sits (H/2) cot 15 deg in front of the plane.
  EXPECT_NEAR(pos.Z, -240 / std::tan(kPi / 12), 0.05);
  // A ray through a corner meets the plane z = 0 at that corner.
  c.PickRay(true, pos, dir, 0, 0);
  const float t = -pos.Z / dir.Z;
  EXPECT_NEAR(pos.X + t * dir.X, 0, 1e-2);
  EXPECT_NEAR(pos.Y + t * dir.Y, 0, 1e-2);
}

TEST(CanvasPicking, CameraRayWithoutCameraStaysInViewSpace) {
  RecordingCanvas c(640, 480);
  TgkVector pos, dir;
  c.PickRay(false, pos, dir, 320, 240);
  EXPECT_NEAR(dir.X, 0, 1e-6);
  EXPECT_NEAR(dir.Y, 0, 1e-6);
  EXPECT_NEAR(dir.Z, -1, 1e-6);
  // Left edge, half way up: 45 degrees field of view vertically, aspect 4:3.
  c.PickRay(false, pos, dir, 0, 240);
  EXPECT_LT(dir.X, 0);
  EXPECT_NEAR(dir.X / dir.Z, std::tan(kPi / 8) * 640 / 480, 1e-4);
}

// ---- Shared geometry ----

TEST(CanvasGeometry, CubeFacesPointOutAndAppearClockwiseFromOutside) {
  std::vector<TgkCanvasVertex> v;
  std::vector<std::uint16_t> idx;
  RecordingCanvas::BuildCube(MakeVector(1, 2, 3), MakeVector(2, 4, 6, 0), 0xFF00FF00, v, idx);
  ASSERT_EQ(v.size(), 24u);
  ASSERT_EQ(idx.size(), 36u);
  for (size_t t = 0; t < idx.size(); t += 3) {
    const TgkCanvasVertex &a = v[idx[t]], &b = v[idx[t + 1]], &c = v[idx[t + 2]];
    const TgkVector e1{b.X - a.X, b.Y - a.Y, b.Z - a.Z, 0}, e2{c.X - a.X, c.Y - a.Y, c.Z - a.Z, 0};
    const TgkVector n = VectorCross(e1, e2);
    // Clockwise seen from outside: the right-handed normal points inward, against the
    // stored outward normal.
    EXPECT_LT(n.X * a.NX + n.Y * a.NY + n.Z * a.NZ, 0) << "triangle " << t / 3;
    // The face lies on the box surface its normal names.
    const float along = (a.X - 1) * a.NX + (a.Y - 2) * a.NY + (a.Z - 3) * a.NZ;
    const float half = std::abs(a.NX) * 1 + std::abs(a.NY) * 2 + std::abs(a.NZ) * 3;
    EXPECT_FLOAT_EQ(along, half);
    EXPECT_EQ(a.Color, 0xFF00FF00u);
  }
  EXPECT_EQ(v[2].U, 1);
  EXPECT_EQ(v[2].V, 1);
}

TEST(CanvasGeometry, PolygonSolidFillsASquareWithAHole) {
  // A 4 x 4 square with a 2 x 2 hole: the caps cover 12 square units each.
  const TgkPoint brk{PolygonBreak3D, PolygonBreak3D, PolygonBreak3D};
  TgkPolygon poly = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, brk,
                     {1, 1, 0}, {3, 1, 0}, {3, 3, 0}, {1, 3, 0}};
  std::vector<TgkCanvasVertex> v;
  std::vector<std::uint16_t> idx;
  RecordingCanvas::BuildPolygonSolid(MakeVector(0, 0, 0), MakeVector(4, 4, 1, 0), 0xFFFFFFFF,
                                     static_cast<int>(poly.size()), poly, v, idx);
  double front = 0, back = 0, side = 0;
  for (size_t t = 0; t < idx.size(); t += 3) {
    const TgkCanvasVertex &a = v[idx[t]], &b = v[idx[t + 1]], &c = v[idx[t + 2]];
    const TgkVector n =
        VectorCross({b.X - a.X, b.Y - a.Y, b.Z - a.Z, 0}, {c.X - a.X, c.Y - a.Y, c.Z - a.Z, 0});
    const double area = VectorLength(n) / 2;
    // Inward right-handed normal: front faces from outside.
    EXPECT_LT(n.X * a.NX + n.Y * a.NY + n.Z * a.NZ, 0) << "triangle " << t / 3;
    if (a.NZ > 0.5f) front += area;
    if (a.NZ < -0.5f) back += area;
    if (std::abs(a.NZ) < 0.5f) side += area;
  }
  EXPECT_NEAR(front, 12, 1e-4);
  EXPECT_NEAR(back, 12, 1e-4);
  EXPECT_NEAR(side, 16 + 8, 1e-4);  // both perimeters times the depth of 1
  // Normalised to the bounding box about the centre, texture 0.02 + 0.96 t.
  for (const auto& p : v) {
    EXPECT_GE(p.X, -2);
    EXPECT_LE(p.X, 2);
    EXPECT_GE(p.U, 0.02f - 1e-6f);
    EXPECT_LE(p.U, 0.98f + 1e-6f);
  }
}

TEST(CanvasGeometry, PolygonSolidUsesOnlyTheFirstCountPoints) {
  TgkPolygon poly = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  std::vector<TgkCanvasVertex> v;
  std::vector<std::uint16_t> idx;
  RecordingCanvas::BuildPolygonSolid({}, MakeVector(1, 1, 1, 0), 0, 2, poly, v, idx);
  EXPECT_TRUE(idx.empty());  // two points make no contour
  RecordingCanvas::BuildPolygonSolid({}, MakeVector(1, 1, 1, 0), 0, 99, poly, v, idx);
  EXPECT_EQ(idx.size(), 2u * 3 * 2 + 4u * 6);  // two triangles per cap, four sides
}

TEST(CanvasGeometry, DrawCubeDrawsTwelveEdges) {
  RecordingCanvas c;
  c.DrawCube(MakeVector(0, 0, 0), MakeVector(2, 2, 2, 0), 1);
  ASSERT_EQ(c.draws.size(), 12u);
  for (const auto& d : c.draws) {
    // Each edge runs along one axis with length 2.
    const float dx = std::abs(d.size.X - d.center.X), dy = std::abs(d.size.Y - d.center.Y),
                dz = std::abs(d.size.Z - d.center.Z);
    EXPECT_FLOAT_EQ(dx + dy + dz, 2);
  }
}

TEST(CanvasFont, SettersNotifyOnlyOnRealChange) {
  TgkFont f;
  int changes = 0;
  f.OnChange = [&] { ++changes; };
  EXPECT_EQ(f.Family(), "Tahoma");
  EXPECT_EQ(f.Size(), 12);
  EXPECT_FALSE(f.FamilyStored());
  f.SetSize(12);
  f.SetFamily("Tahoma");
  EXPECT_EQ(changes, 0);
  f.SetStyle(gkFontBold);
  EXPECT_EQ(changes, 1);
  TgkFont g;
  g.SetFamily("DejaVu Sans");
  g.SetSize(20);
  f.Assign(g);
  EXPECT_EQ(changes, 2);  // once for the whole copy
  EXPECT_EQ(f.Style(), gkFontRegular);
  EXPECT_TRUE(f.FamilyStored());
  EXPECT_TRUE(f.SizeStored());
}

TEST(CanvasClass, WithoutRendererCanvasesHaveNoFrames) {
  SetDefaultCanvasClass3D(nullptr);
  TgkBitmap b(8, 8);
  TgkCanvas& c = b.Canvas();
  EXPECT_FALSE(c.BeginScene());
  EXPECT_EQ(c.Width(), 8);
  TgkVector pos, dir;
  c.PickRay(false, pos, dir, 4, 4);
  EXPECT_NEAR(dir.Z, -1, 1e-6);
}

TEST(CanvasFont, PublishedPropertiesReadAndWriteByName) {
  TgkFont f;
  ASSERT_NE(FindProp(f, "style"), nullptr);
  SetPropText(f, "Style", "gkFontBoldItalic");
  EXPECT_EQ(f.Style(), gkFontBoldItalic);
  SetPropText(f, "Size", "20");
  EXPECT_EQ(f.Size(), 20);
  EXPECT_EQ(GetPropText(f, "Family"), "Tahoma");
  EXPECT_TRUE(GetProp(f, "Family").IsDefault(f));
  EXPECT_FALSE(GetProp(f, "Size").IsDefault(f));
}
