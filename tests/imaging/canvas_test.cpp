// The Cairo canvas: binding to bitmaps, surface mode, state saving, clipping, shapes, text.
#include <gtest/gtest.h>

#include <memory>

#include <cmath>

#include "imaging/bitmap.h"
#include "imaging/cairo_canvas.h"
#include "imaging/canvas.h"

namespace {

uint32_t Px(const TpmBitmap& b, int x, int y) {
  return b.Scanline(y)[x];
}
int Alpha(uint32_t p) {
  return p >> 24;
}
int Red(uint32_t p) {
  return (p >> 16) & 0xFF;
}
int Green(uint32_t p) {
  return (p >> 8) & 0xFF;
}

void FillSolid(TpmCanvas& c, uint32_t color, const TpmRect& r, float opacity = 1) {
  c.Fill = TpmBrush(pqBrushSolid, color);
  c.FillRect(r, 0, 0, pqAllCorners, opacity);
}

}  // namespace

TEST(CanvasBinding, BitmapCanvasDrawsIntoItsOwnPixels) {
  TpmBitmap bitmap(8, 6);
  const uint32_t* block = bitmap.Pixels();
  TpmCanvas& canvas = bitmap.Canvas();
  EXPECT_EQ(canvas.Width(), 8);
  EXPECT_EQ(canvas.Height(), 6);
  EXPECT_EQ(canvas.Matrix(), TpmMatrix::Identity());
  EXPECT_EQ(&canvas, &bitmap.Canvas());
  FillSolid(canvas, 0xFF204080, {2, 1, 4, 3});
  // Visible right after the call, in the same block, premultiplied BGRA.
  EXPECT_EQ(bitmap.Pixels(), block);
  EXPECT_EQ(Px(bitmap, 2, 1), 0xFF204080u);
  EXPECT_EQ(Px(bitmap, 3, 2), 0xFF204080u);
  EXPECT_EQ(Px(bitmap, 4, 2), 0u);
  EXPECT_EQ(Px(bitmap, 1, 1), 0u);
  // Half-transparent fills arrive premultiplied.
  FillSolid(canvas, 0x80FF0000, {0, 5, 1, 6});
  EXPECT_EQ(Alpha(Px(bitmap, 0, 5)), 128);
  EXPECT_EQ(Red(Px(bitmap, 0, 5)), 128);
}

TEST(CanvasBinding, DirectPixelWritesAreSeenByLaterDraws) {
  TpmBitmap bitmap(4, 4);
  TpmCanvas& canvas = bitmap.Canvas();
  FillSolid(canvas, 0xFF0000FF, {0, 0, 4, 4});
  bitmap.Clear(0);
  bitmap.Scanline(0)[0] = 0xFF00FF00;
  // Half-opaque white over the directly written green pixel.
  FillSolid(canvas, 0xFFFFFFFF, {0, 0, 1, 1}, 0.5f);
  const uint32_t p = Px(bitmap, 0, 0);
  EXPECT_EQ(Alpha(p), 255);
  EXPECT_NEAR(Green(p), 255, 1);
  EXPECT_NEAR(Red(p), 127, 2);
  EXPECT_EQ(Px(bitmap, 1, 1), 0u);  // the earlier blue is gone with the Clear
}

TEST(CanvasBinding, ReallocationMakesANewCanvasAndOldOnesLetGo) {
  bool userRelease = false;  // outlives the bitmap, whose destruction fires OnRelease
  TpmBitmap bitmap(4, 4);
  TpmCanvas* first = &bitmap.Canvas();
  bitmap.SetSize(4, 4);  // same size: same canvas
  EXPECT_EQ(first, &bitmap.Canvas());
  // A second, free-standing canvas on the same bitmap.
  auto extra = DefaultCanvasClass().CreateFromBitmap(bitmap);
  auto* cairo = dynamic_cast<TpmCanvasCairo*>(extra.get());
  ASSERT_NE(cairo, nullptr);
  EXPECT_EQ(cairo->BoundBitmap(), &bitmap);
  bitmap.OnRelease = [&](TpmBitmap&) { userRelease = true; };
  bitmap.SetSize(16, 2);
  EXPECT_TRUE(userRelease);
  EXPECT_FALSE(bitmap.HasCanvas());
  EXPECT_EQ(cairo->BoundBitmap(), nullptr);
  // The unbound canvas draws nothing and does not touch freed memory.
  extra->Fill = TpmBrush(pqBrushSolid, 0xFFFFFFFF);
  extra->FillRect({0, 0, 4, 4}, 0, 0, pqAllCorners, 1);
  EXPECT_EQ(extra->Bits(), nullptr);
  TpmCanvas& second = bitmap.Canvas();
  EXPECT_EQ(second.Width(), 16);
  EXPECT_EQ(second.Height(), 2);
  FillSolid(second, 0xFFFFFFFF, {15, 1, 16, 2});
  EXPECT_EQ(Px(bitmap, 15, 1), 0xFFFFFFFFu);
  extra.reset();
  // Destroying the free-standing canvas first, then the bitmap, must also be clean.
  auto third = DefaultCanvasClass().CreateFromBitmap(bitmap);
  third.reset();
  bitmap.SetSize(3, 3);
  EXPECT_EQ(bitmap.Canvas().Width(), 3);
}

TEST(CanvasSurface, OwnsItsPixelsClearsAndCopies) {
  auto canvas = DefaultCanvasClass().Create(5, 3);
  EXPECT_EQ(canvas->Width(), 5);
  EXPECT_EQ(canvas->Height(), 3);
  canvas->Clear(0x11223344);
  // Truncated rect, right and bottom exclusive, clamped to the surface.
  canvas->ClearRect({3.9f, -2, 9, 2.5f}, 0xFFAABBCC);
  std::vector<uint32_t> out(15);
  canvas->CopyBits(out.data());
  EXPECT_EQ(out[0 * 5 + 2], 0x11223344u);
  EXPECT_EQ(out[0 * 5 + 3], 0xFFAABBCCu);
  EXPECT_EQ(out[1 * 5 + 4], 0xFFAABBCCu);
  EXPECT_EQ(out[2 * 5 + 3], 0x11223344u);
  canvas->ClearRect({2, 2, 2, 3}, 0);  // empty: nothing
  canvas->CopyBits(out.data());
  EXPECT_EQ(out[2 * 5 + 2], 0x11223344u);
  FillSolid(*canvas, 0xFF000000, {0, 0, 1, 1});
  canvas->CopyBits(out.data());
  EXPECT_EQ(out[0], 0xFF000000u);
  canvas->ResizeBuffer(0, -4);
  EXPECT_EQ(canvas->Width(), 1);
  EXPECT_EQ(canvas->Height(), 1);
  canvas->CopyBits(out.data());
  EXPECT_EQ(out[0], 0u);
  EXPECT_THROW(canvas->ResizeBuffer(40000, 1), std::runtime_error);
}

TEST(CanvasState, StrokeDashPresets) {
  TpmBitmap bitmap(1, 1);
  TpmCanvas& c = bitmap.Canvas();
  c.DashOffset = 2;
  c.SetStrokeDash(pqDashDashDotDot);
  EXPECT_EQ(c.Dash, (std::vector<float>{3, 1, 1, 1, 1, 1}));
  EXPECT_EQ(c.DashOffset, 0);
  c.SetStrokeDash(pqDashDot);
  EXPECT_EQ(c.Dash, (std::vector<float>{1, 1}));
  c.Dash = {5, 2};
  c.SetStrokeDash(pqDashCustom);
  EXPECT_EQ(c.Dash, (std::vector<float>{5, 2}));
  c.SetStrokeDash(pqDashSolid);
  EXPECT_TRUE(c.Dash.empty());
}

TEST(CanvasState, SaveRestorePutsBackTransformBrushesAndClip) {
  TpmBitmap bitmap(10, 10);
  TpmCanvas& c = bitmap.Canvas();
  c.StrokeThickness = 2;
  c.Fill = TpmBrush(pqBrushSolid, 0xFF00FF00);
  const int token = c.SaveCanvas();
  EXPECT_GE(token, 0);
  EXPECT_LT(token, CanvasSaveSlots);
  c.SetMatrix(TpmMatrix::Translation(5, 5));
  c.StrokeThickness = 7;
  c.Fill = TpmBrush(pqBrushSolid, 0xFFFF0000);
  c.IntersectClipRect({0, 0, 1, 1});
  c.RestoreCanvas(token);
  EXPECT_EQ(c.Matrix(), TpmMatrix::Identity());
  EXPECT_EQ(c.StrokeThickness, 2);
  EXPECT_EQ(c.Fill.Color, 0xFF00FF00u);
  c.FillRect({0, 0, 10, 10}, 0, 0, pqAllCorners, 1);  // clip is gone as well
  EXPECT_EQ(Px(bitmap, 9, 9), 0xFF00FF00u);
  c.RestoreCanvas(token);  // a freed token does nothing
  c.RestoreCanvas(-3);
  c.RestoreCanvas(5000);
  EXPECT_EQ(c.Fill.Color, 0xFF00FF00u);
}

TEST(CanvasState, TwoHundredSlotsThenPlatformOnly) {
  TpmBitmap bitmap(4, 4);
  TpmCanvas& c = bitmap.Canvas();
  std::vector<int> tokens;
  for (int i = 0; i < CanvasSaveSlots; ++i) tokens.push_back(c.SaveCanvas());
  for (int i = 0; i < CanvasSaveSlots; ++i) EXPECT_EQ(tokens[i], i);
  c.StrokeThickness = 3;
  c.Fill = TpmBrush(pqBrushSolid, 0xFF0000FF);
  c.IntersectClipRect({0, 0, 1, 1});
  const int overflow = c.SaveCanvas();
  EXPECT_GE(overflow, SaveTokenOverflow);
  c.StrokeThickness = 9;
  c.Fill = TpmBrush(pqBrushSolid, 0xFFFF0000);
  c.ResetClipRect();
  c.RestoreCanvas(overflow);
  // Only the platform state (the clip) comes back; thickness and fill stay as set.
  EXPECT_EQ(c.StrokeThickness, 9);
  EXPECT_EQ(c.Fill.Color, 0xFFFF0000u);
  c.FillRect({0, 0, 4, 4}, 0, 0, pqAllCorners, 1);
  EXPECT_EQ(Px(bitmap, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(Px(bitmap, 2, 2), 0u);
  // Restoring an outer state drops the inner ones.
  c.RestoreCanvas(tokens[0]);
  EXPECT_EQ(c.StrokeThickness, 0);
  EXPECT_EQ(c.Fill.Color, 0xFFFFFFFFu);
  EXPECT_EQ(c.SaveCanvas(), 0);
}

TEST(CanvasClip, SetIntersectExcludeAndReset) {
  TpmBitmap bitmap(10, 10);
  TpmCanvas& c = bitmap.Canvas();
  c.SetClipRects({{0, 0, 2, 2}, {8, 8, 10, 10}});
  FillSolid(c, 0xFFFFFFFF, {0, 0, 10, 10});
  EXPECT_EQ(Px(bitmap, 1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(Px(bitmap, 9, 9), 0xFFFFFFFFu);
  EXPECT_EQ(Px(bitmap, 5, 5), 0u);
  EXPECT_EQ(Px(bitmap, 2, 1), 0u);
  bitmap.Clear(0);
  c.ResetClipRect();
  c.IntersectClipRect({2, 2, 8, 8});
  c.ExcludeClipRect({4, 4, 6, 6});
  FillSolid(c, 0xFF102030, {0, 0, 10, 10});
  EXPECT_EQ(Px(bitmap, 2, 2), 0xFF102030u);
  EXPECT_EQ(Px(bitmap, 7, 3), 0xFF102030u);
  EXPECT_EQ(Px(bitmap, 4, 4), 0u);
  EXPECT_EQ(Px(bitmap, 5, 5), 0u);
  EXPECT_EQ(Px(bitmap, 1, 1), 0u);
  EXPECT_EQ(Px(bitmap, 8, 8), 0u);
  // Clip rects go through the transform.
  bitmap.Clear(0);
  c.ResetClipRect();
  c.SetMatrix(TpmMatrix::Scaling(2, 2));
  c.SetClipRects({{1, 1, 2, 2}});
  c.SetMatrix(TpmMatrix::Identity());
  FillSolid(c, 0xFFFFFFFF, {0, 0, 10, 10});
  EXPECT_EQ(Px(bitmap, 2, 2), 0xFFFFFFFFu);
  EXPECT_EQ(Px(bitmap, 3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(Px(bitmap, 4, 4), 0u);
  EXPECT_EQ(Px(bitmap, 1, 1), 0u);
  // An empty set of clip rects clips everything.
  bitmap.Clear(0);
  c.SetClipRects({});
  FillSolid(c, 0xFFFFFFFF, {0, 0, 10, 10});
  EXPECT_EQ(Px(bitmap, 5, 5), 0u);
}

TEST(CanvasTransform, MultiplyPrependsAndSingularMatrixDrawsNothing) {
  TpmBitmap bitmap(20, 20);
  TpmCanvas& c = bitmap.Canvas();
  c.SetMatrix(TpmMatrix::Translation(10, 0));
  c.MultiplyMatrix(TpmMatrix::Scaling(2, 2));  // scale first, then move
  EXPECT_EQ(c.Matrix(), TpmMatrix::Scaling(2, 2) * TpmMatrix::Translation(10, 0));
  FillSolid(c, 0xFFFFFFFF, {0, 0, 1, 1});
  EXPECT_EQ(Px(bitmap, 10, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Px(bitmap, 11, 1), 0xFFFFFFFFu);
  EXPECT_EQ(Px(bitmap, 12, 0), 0u);
  EXPECT_EQ(Px(bitmap, 9, 0), 0u);
  c.SetMatrix(TpmMatrix::Scaling(0, 1));
  FillSolid(c, 0xFF00FF00, {0, 0, 20, 20});
  c.SetMatrix(TpmMatrix::Identity());
  FillSolid(c, 0xFF0000FF, {19, 19, 20, 20});  // the canvas still works afterwards
  EXPECT_EQ(Px(bitmap, 5, 5), 0u);
  EXPECT_EQ(Px(bitmap, 19, 19), 0xFF0000FFu);
}

TEST(CanvasShapes, RectEllipseLineAndCorners) {
  TpmBitmap bitmap(40, 40);
  TpmCanvas& c = bitmap.Canvas();
  c.Fill = TpmBrush(pqBrushSolid, 0xFFFF0000);
  c.FillEllipse({0, 0, 20, 20}, 1);
  EXPECT_EQ(Px(bitmap, 10, 10), 0xFFFF0000u);
  EXPECT_EQ(Px(bitmap, 0, 0), 0u);  // outside the circle
  EXPECT_EQ(Px(bitmap, 19, 0), 0u);
  EXPECT_EQ(Px(bitmap, 10, 1), 0xFFFF0000u);
  // Rounded top-left corner only.
  bitmap.Clear(0);
  c.FillRect({0, 0, 40, 40}, 10, 10, pqCornerTopLeft, 1);
  EXPECT_EQ(Px(bitmap, 0, 0), 0u);
  EXPECT_EQ(Px(bitmap, 39, 0), 0xFFFF0000u);
  EXPECT_EQ(Px(bitmap, 0, 39), 0xFFFF0000u);
  EXPECT_EQ(Px(bitmap, 39, 39), 0xFFFF0000u);
  EXPECT_EQ(Px(bitmap, 5, 5), 0xFFFF0000u);
  // Bevel cuts a triangle: (1, 1) is outside, (6, 6) inside.
  bitmap.Clear(0);
  c.FillRect({0, 0, 40, 40}, 10, 10, pqAllCorners, 1, pqCornerBevel);
  EXPECT_EQ(Px(bitmap, 1, 1), 0u);
  EXPECT_EQ(Px(bitmap, 38, 38), 0u);
  EXPECT_EQ(Px(bitmap, 6, 6), 0xFFFF0000u);
  // Inner round takes a quarter circle out of the corner: (8, 8) is inside it.
  bitmap.Clear(0);
  c.FillRect({0, 0, 40, 40}, 10, 10, pqAllCorners, 1, pqCornerInnerRound);
  EXPECT_EQ(Px(bitmap, 5, 5), 0u);
  EXPECT_EQ(Px(bitmap, 9, 9), 0xFFFF0000u);
  EXPECT_EQ(Px(bitmap, 20, 20), 0xFFFF0000u);
  // A stroked 2-pixel line along row 5.
  bitmap.Clear(0);
  c.StrokeThickness = 2;
  c.Stroke = TpmBrush(pqBrushSolid, 0xFF00FF00);
  c.DrawLine({0, 5}, {40, 5}, 1);
  EXPECT_EQ(Px(bitmap, 20, 4), 0xFF00FF00u);
  EXPECT_EQ(Px(bitmap, 20, 5), 0xFF00FF00u);
  EXPECT_EQ(Px(bitmap, 20, 3), 0u);
  EXPECT_EQ(Px(bitmap, 20, 6), 0u);
  // Hairline (thickness 0) is one device pixel even when scaled.
  bitmap.Clear(0);
  c.StrokeThickness = 0;
  c.SetMatrix(TpmMatrix::Scaling(4, 4));
  c.DrawLine({0, 2.625f}, {10, 2.625f}, 1);
  c.SetMatrix(TpmMatrix::Identity());
  EXPECT_EQ(Alpha(Px(bitmap, 20, 10)), 255);
  EXPECT_EQ(Px(bitmap, 20, 9), 0u);
  EXPECT_EQ(Px(bitmap, 20, 11), 0u);
}

TEST(CanvasShapes, DashedStrokeLeavesGaps) {
  TpmBitmap bitmap(40, 4);
  TpmCanvas& c = bitmap.Canvas();
  c.StrokeThickness = 2;
  c.SetStrokeDash(pqDashDash);  // 6 on, 2 off at width 2
  c.DrawLine({0, 2}, {40, 2}, 1);
  EXPECT_EQ(Alpha(Px(bitmap, 3, 2)), 255);
  EXPECT_EQ(Alpha(Px(bitmap, 6, 2)), 0);
  EXPECT_EQ(Alpha(Px(bitmap, 7, 2)), 0);
  EXPECT_EQ(Alpha(Px(bitmap, 9, 2)), 255);
  // Zero-length dashes are ignored, not an error: the line is solid.
  bitmap.Clear(0);
  c.Dash = {0, 0};
  c.DrawLine({0, 2}, {40, 2}, 1);
  EXPECT_EQ(Alpha(Px(bitmap, 7, 2)), 255);
}

TEST(CanvasShapes, PathsFitToRectAndHitTest) {
  TpmBitmap bitmap(20, 20);
  TpmCanvas& c = bitmap.Canvas();
  const TpmPathData triangle("M 0,0 L 1,0 L 0,1 Z");
  c.Fill = TpmBrush(pqBrushSolid, 0xFF0000FF);
  c.FillPath(triangle, {10, 10, 20, 20}, 1);
  EXPECT_EQ(Px(bitmap, 11, 11), 0xFF0000FFu);
  EXPECT_EQ(Px(bitmap, 18, 18), 0u);
  EXPECT_EQ(Px(bitmap, 5, 5), 0u);
  EXPECT_TRUE(c.PtInPath({12, 12}, triangle, {10, 10, 20, 20}));
  EXPECT_FALSE(c.PtInPath({18, 18}, triangle, {10, 10, 20, 20}));
  // Polygons with two contours.
  bitmap.Clear(0);
  c.FillPolygon({{0, 0}, {4, 0}, {4, 4}, {0, 4}, PolygonBreak, {10, 10}, {14, 10}, {14, 14}}, 1);
  EXPECT_EQ(Px(bitmap, 2, 2), 0xFF0000FFu);
  EXPECT_EQ(Px(bitmap, 13, 11), 0xFF0000FFu);
  EXPECT_EQ(Px(bitmap, 7, 7), 0u);
}

TEST(CanvasShapes, OpacityAndNoneBrush) {
  TpmBitmap bitmap(4, 4);
  TpmCanvas& c = bitmap.Canvas();
  FillSolid(c, 0xFFFFFFFF, {0, 0, 4, 4}, 0.5f);
  EXPECT_EQ(Alpha(Px(bitmap, 1, 1)), 127);  // Trunc(255 * 0.5)
  bitmap.Clear(0);
  FillSolid(c, 0xFFFFFFFF, {0, 0, 4, 4}, 0);
  EXPECT_EQ(Px(bitmap, 1, 1), 0u);
  c.Fill = TpmBrush(pqBrushNone, 0xFFFFFFFF);
  c.FillRect({0, 0, 4, 4}, 0, 0, pqAllCorners, 1);
  EXPECT_EQ(Px(bitmap, 1, 1), 0u);
}

TEST(CanvasBrushes, LinearGradientBitmapAndResource) {
  TpmBitmap bitmap(10, 100);
  TpmCanvas& c = bitmap.Canvas();
  c.Fill = TpmBrush(pqBrushGradient);
  c.Fill.Gradient.Points = {{0xFF000000, 0}, {0xFFFFFFFF, 1}};  // top to bottom
  c.FillRect({0, 0, 10, 100}, 0, 0, pqAllCorners, 1);
  EXPECT_LT(Red(Px(bitmap, 5, 2)), 10);
  EXPECT_NEAR(Red(Px(bitmap, 5, 50)), 128, 6);
  EXPECT_GT(Red(Px(bitmap, 5, 97)), 245);
  // Bitmap brush stretched over the rect: left half red, right half blue.
  TpmBrush brush(pqBrushBitmap);
  brush.Bitmap().SetSize(2, 1);
  brush.Bitmap().Scanline(0)[0] = 0xFFFF0000;
  brush.Bitmap().Scanline(0)[1] = 0xFF0000FF;
  c.Fill = brush;
  bitmap.Clear(0);
  c.FillRect({0, 0, 10, 100}, 0, 0, pqAllCorners, 1);
  EXPECT_EQ(Px(bitmap, 0, 50), 0xFFFF0000u);
  EXPECT_EQ(Px(bitmap, 9, 50), 0xFF0000FFu);
  // Resource brushes resolve through the installed resolver.
  TpmBrush named(pqBrushSolid, 0xFF00FF00);
  SetBrushResourceResolver(
      [&](const std::string& name) { return name == "green" ? &named : nullptr; });
  c.Fill = TpmBrush(pqBrushResource);
  c.Fill.Resource = "green";
  c.FillRect({0, 0, 10, 100}, 0, 0, pqAllCorners, 1);
  EXPECT_EQ(Px(bitmap, 5, 5), 0xFF00FF00u);
  EXPECT_EQ(c.Fill.Style, pqBrushSolid);
  c.Fill = TpmBrush(pqBrushResource);
  c.Fill.Resource = "missing";
  bitmap.Clear(0);
  c.FillRect({0, 0, 10, 100}, 0, 0, pqAllCorners, 1);
  EXPECT_EQ(Px(bitmap, 5, 5), 0u);
  SetBrushResourceResolver(nullptr);
}

TEST(CanvasBrushes, VisualBrushPaintsClippedToTheArea) {
  struct Visual : TpmBrushVisual {
    int calls = 0;
    void PaintVisual(TpmCanvas& canvas, const TpmRect& area, float opacity) override {
      ++calls;
      canvas.Fill = TpmBrush(pqBrushSolid, 0xFF123456);
      canvas.FillRect({0, 0, 100, 100}, 0, 0, pqAllCorners, opacity);
    }
  } visual;
  TpmBitmap bitmap(10, 10);
  TpmCanvas& c = bitmap.Canvas();
  c.Fill = TpmBrush(pqBrushVisual);
  c.Fill.Visual = &visual;
  c.FillEllipse({0, 0, 10, 10}, 1);
  EXPECT_EQ(visual.calls, 1);
  EXPECT_EQ(Px(bitmap, 5, 5), 0xFF123456u);
  EXPECT_EQ(Px(bitmap, 0, 0), 0u);
}

TEST(CanvasText, DrawsChineseAndLatinTextAndMeasures) {
  TpmBitmap bitmap(200, 40);
  TpmCanvas& c = bitmap.Canvas();
  c.Fill = TpmBrush(pqBrushSolid, 0xFF000000);
  c.Font.SetSize(20);
  c.FillText({0, 0, 200, 40}, {}, "颜色:阴影", false, 1, pqTextAlignNear, pqTextAlignCenter);
  int inked = 0, right = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x)
      if (Alpha(Px(bitmap, x, y)) > 128) {
        ++inked;
        right = std::max(right, x);
      }
  EXPECT_GT(inked, 60);  // five CJK glyphs leave plenty of ink, not empty boxes
  EXPECT_GT(right, 60);
  EXPECT_LT(right, 130);
  TpmRect measured{0, 0, 200, 40};
  c.MeasureText(measured, {}, "颜色:阴影", false, pqTextAlignNear, pqTextAlignNear);
  EXPECT_NEAR(measured.Left, 0, 0.01);
  EXPECT_GT(measured.Width(), 80);
  EXPECT_LT(measured.Width(), 130);
  EXPECT_GT(measured.Height(), 18);
  // Far alignment puts the ink at the right edge.
  bitmap.Clear(0);
  c.FillText({0, 0, 200, 40}, {}, "Facetmint", false, 1, pqTextAlignFar, pqTextAlignCenter);
  int left = 200;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x)
      if (Alpha(Px(bitmap, x, y)) > 128) left = std::min(left, x);
  EXPECT_GT(left, 80);
  // Empty text and a none brush draw nothing.
  bitmap.Clear(0);
  c.FillText({0, 0, 200, 40}, {}, "", false, 1, pqTextAlignNear);
  c.Fill = TpmBrush(pqBrushNone);
  c.FillText({0, 0, 200, 40}, {}, "abc", false, 1, pqTextAlignNear);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(Px(bitmap, x, y), 0u);
}

TEST(CanvasText, WordWrapBreaksLinesAndTextIsClippedToItsRect) {
  TpmBitmap bitmap(60, 100);
  TpmCanvas& c = bitmap.Canvas();
  c.Fill = TpmBrush(pqBrushSolid, 0xFF000000);
  TpmRect wrapped{0, 0, 60, 100};
  c.MeasureText(wrapped, {}, "one two three four five", true, pqTextAlignNear, pqTextAlignNear);
  TpmRect single{0, 0, 60, 100};
  c.MeasureText(single, {}, "one two three four five", false, pqTextAlignNear, pqTextAlignNear);
  EXPECT_GT(wrapped.Height(), single.Height() * 2);
  EXPECT_LE(wrapped.Width(), 60.5f);
  EXPECT_GT(single.Width(), 60);
  c.FillText({0, 0, 60, 20}, {}, "MMMMMMMMMMMMMMMMMMMM", false, 1, pqTextAlignNear,
             pqTextAlignNear);
  for (int x = 0; x < 60; ++x) ASSERT_EQ(Px(bitmap, x, 30), 0u);
}

// One line too wide for its rectangle ends in an ellipsis after the letters that fit, drawn
// as that shorter text would be; a line that fits is drawn whole.
TEST(CanvasText, ALineTooWideEndsInAnEllipsis) {
  const std::string name = "Lifter_123-923_0_Parts_1_0";
  auto draw = [](const std::string& text, float width) {
    auto bitmap = std::make_unique<TpmBitmap>(200, 20);
    TpmCanvas& c = bitmap->Canvas();
    c.Fill = TpmBrush(pqBrushSolid, 0xFF000000);
    c.FillText({0, 0, width, 20}, {}, text, false, 1, pqTextAlignNear, pqTextAlignCenter);
    return bitmap;
  };
  auto same = [](const TpmBitmap& a, const TpmBitmap& b) {
    return std::equal(a.Pixels(), a.Pixels() + a.Width() * a.Height(), b.Pixels());
  };
  TpmBitmap probe(1, 1);
  auto width_of = [&](const std::string& text) {
    TpmRect r{0, 0, 1000, 20};
    probe.Canvas().MeasureText(r, {}, text, false, pqTextAlignNear, pqTextAlignNear);
    return r.Width();
  };
  const float room = 100;
  ASSERT_GT(width_of(name), room);
  std::string shown;
  for (size_t n = name.size(); n > 0 && shown.empty(); --n) {
    if (width_of(name.substr(0, n) + "…") <= room) shown = name.substr(0, n) + "…";
  }
  ASSERT_FALSE(shown.empty());
  EXPECT_TRUE(same(*draw(name, room), *draw(shown, 200)));
  EXPECT_FALSE(same(*draw(name, room), *draw(name, 200)));
  // Wide enough: the whole name, not an ellipsis.
  EXPECT_TRUE(same(*draw(name, width_of(name) + 2), *draw(name, 200)));
}

TEST(CanvasText, FamilyFallbackAndOutlines) {
  TpmBitmap bitmap(1, 1);
  TpmCanvas& c = bitmap.Canvas();
  c.Font.SetFamily("No Such Family 42");
  TpmPolygon polygon;
  TpmPoint size;
  c.TextToPolygon("", polygon, size);
  EXPECT_TRUE(polygon.empty());
  EXPECT_EQ(size, (TpmPoint{0, 0}));
  c.TextToPolygon("IO", polygon, size);
  ASSERT_FALSE(polygon.empty());
  int breaks = 0;
  for (const auto& p : polygon) breaks += IsPolygonBreak(p);
  EXPECT_GE(breaks, 2);   // I, the outside and the inside of O
  EXPECT_GT(size.Y, 40);  // cap height at size 72
  EXPECT_LT(size.Y, 72);
  EXPECT_GT(size.X, 40);
}

TEST(CanvasText, LowQualityRenderingHasNoGreyEdges) {
  TpmBitmap bitmap(120, 30);
  TpmCanvas& c = bitmap.Canvas();
  c.Fill = TpmBrush(pqBrushSolid, 0xFF000000);
  c.Font.SetSize(16);
  auto partial = [&] {
    int count = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 120; ++x) {
        const int a = Alpha(Px(bitmap, x, y));
        count += a > 0 && a < 255;
      }
    return count;
  };
  c.FillText({0, 0, 120, 30}, {}, "Shadow 阴影", false, 1, pqTextAlignNear);
  EXPECT_GT(partial(), 20);
  bitmap.Clear(0);
  c.ApplyTextRendering(pqLowQuality);
  c.FillText({0, 0, 120, 30}, {}, "Shadow 阴影", false, 1, pqTextAlignNear);
  EXPECT_EQ(partial(), 0);
  int inked = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x) inked += Alpha(Px(bitmap, x, y)) == 255;
  EXPECT_GT(inked, 40);
}

TEST(CanvasText, OddInputIsDrawnSafely) {
  TpmBitmap bitmap(100, 40);
  TpmCanvas& c = bitmap.Canvas();
  c.Fill = TpmBrush(pqBrushSolid, 0xFF000000);
  c.FillText({0, 0, 100, 40}, {}, std::string("ab\xff\xfe", 4), false, 1, pqTextAlignNear);
  int inked = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 100; ++x) inked += Alpha(Px(bitmap, x, y)) > 0;
  EXPECT_GT(inked, 10);  // the valid part (and replacement marks) still show
  c.Font.SetSize(1e9f);
  c.FillText({0, 0, 100, 40}, {}, "x", true, 1, pqTextAlignCenter);
  c.Font.SetSize(-5);
  TpmRect r{0, 0, 3e38f, 10};
  c.MeasureText(r, {}, "wide", true, pqTextAlignNear, pqTextAlignNear);
  EXPECT_GT(r.Width(), 0);
  EXPECT_LT(r.Width(), 100);
}

TEST(CanvasBrushes, BitmapBrushAtOpacityBlendsOnce) {
  TpmBitmap bitmap(10, 10);
  TpmCanvas& c = bitmap.Canvas();
  TpmBrush brush(pqBrushBitmap);
  brush.Bitmap().Clear(0xFFFFFFFF);
  c.Fill = brush;
  c.FillRect({0, 0, 10, 5}, 0, 0, pqAllCorners, 0.5f);
  EXPECT_NEAR(Alpha(Px(bitmap, 5, 2)), 128, 1);
  // A 1-pixel line on a pixel boundary covers two rows by half each: 0.5 * 0.5 each.
  c.Stroke = brush;
  c.StrokeThickness = 1;
  c.DrawLine({0, 8}, {10, 8}, 0.5f);
  EXPECT_NEAR(Alpha(Px(bitmap, 5, 7)), 64, 2);
  EXPECT_NEAR(Alpha(Px(bitmap, 5, 8)), 64, 2);
}
