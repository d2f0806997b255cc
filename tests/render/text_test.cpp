#include <gtest/gtest.h>

#include <algorithm>

#include "render_fixture.h"

using namespace rendertest;

namespace {

int Contours(const TgkPolygon& p) {
  if (p.empty()) return 0;
  return 1 + static_cast<int>(std::count(p.begin(), p.end(),
                                         TgkPoint{PolygonBreak3D, PolygonBreak3D, PolygonBreak3D}));
}

}  // namespace

TEST_F(RenderTest, MeasureTextAddsAdvancesAndSkipsControlCharacters) {
  EXPECT_EQ(canvas->MeasureText(""), (TgkPoint{0, 0, 0}));
  EXPECT_EQ(canvas->MeasureText("\n\t"), (TgkPoint{0, 0, 0}));
  const TgkPoint hi = canvas->MeasureText("Hi");
  EXPECT_GT(hi.X, 5);
  EXPECT_GT(hi.Y, 10);  // 12 points is 16 pixels
  EXPECT_LT(hi.Y, 30);
  EXPECT_EQ(canvas->MeasureText("H\r\ni"), hi);
  EXPECT_LT(canvas->MeasureText("ii").X, canvas->MeasureText("WW").X);
  canvas->Font().SetSize(24);
  EXPECT_GT(canvas->MeasureText("Hi").X, hi.X * 1.6f);
}

TEST_F(RenderTest, FillTextDrawsInsideItsMeasuredBoxInTheMaterialColour) {
  Make(128, 64);
  const TgkPoint size = canvas->MeasureText("Facetmint");
  Begin();
  Colour(0xFF00FF00);
  canvas->SetRenderState(rsScreenMatrix);
  canvas->SetRenderState(rsCullCCW);  // glyph quads are front faces
  canvas->SetMatrix(IdentityMatrix);
  canvas->FillText("Facetmint", 10, 20, 1);
  canvas->EndScene();
  int inside = 0, outside = 0, other_colour = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 128; ++x) {
      const std::uint32_t p = Pixel(x, y);
      if (!p) continue;
      const bool in = x >= 8 && x < 12 + size.X && y >= 18 && y < 22 + size.Y;
      (in ? inside : outside)++;
      if (Red(p) || Blue(p) || Green(p) > Alpha(p)) ++other_colour;
    }
  }
  EXPECT_GT(inside, 50);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(other_colour, 0);  // green, premultiplied by the glyph coverage
}

TEST_F(RenderTest, ManyGlyphsGrowTheAtlasAndAllAreDrawn) {
  Make(640, 64);
  std::string text;
  for (char c = '!'; c <= '~'; ++c) text += c;  // more glyphs than a 64 x 64 atlas holds
  Begin();
  Colour(0xFFFFFFFF);
  canvas->SetRenderState(rsScreenMatrix);
  canvas->SetMatrix(IdentityMatrix);
  canvas->Font().SetSize(8);
  canvas->FillText(text, 0, 0, 1);
  canvas->EndScene();
  // The last characters sit at the right end of the line: they must have been drawn too.
  const float width = canvas->MeasureText(text).X;
  ASSERT_LT(width, 640);
  int right_end = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = static_cast<int>(width) - 20; x < static_cast<int>(width); ++x) {
      right_end += Pixel(x, y) != 0;
    }
  }
  EXPECT_GT(right_end, 5);
}

TEST_F(RenderTest, TextOutlineHasHolesAndGrowsUpward) {
  TgkPolygon polygon = {{1, 2, 3}};
  EXPECT_EQ(canvas->TextToPolygon("", polygon), (TgkPoint{0, 0, 0}));
  EXPECT_TRUE(polygon.empty());
  const TgkPoint o = canvas->TextToPolygon("O", polygon);
  EXPECT_EQ(Contours(polygon), 2);  // the ring and its hole
  EXPECT_GT(o.Y, 30);               // a capital at 72 pixels
  EXPECT_LT(o.Y, 72);
  for (const TgkPoint& p : polygon) {
    if (p.X == PolygonBreak3D) continue;
    EXPECT_GE(p.X, 0);
    EXPECT_LE(p.X, o.X + 1e-3f);
    EXPECT_GE(p.Y, 0);
    EXPECT_LE(p.Y, o.Y + 1e-3f);
  }
  // "T" is tall and narrow at the bottom: the stem's points are near y = 0, the bar's near
  // the top. Upside down it would be the other way round.
  canvas->TextToPolygon("T", polygon);
  TgkPoint t_size = canvas->TextToPolygon("T", polygon);
  float narrow_low = 0, wide_high = 0;
  for (const TgkPoint& p : polygon) {
    if (p.Y < t_size.Y * 0.1f) narrow_low = std::max(narrow_low, std::abs(p.X - t_size.X / 2));
    if (p.Y > t_size.Y * 0.9f) wide_high = std::max(wide_high, std::abs(p.X - t_size.X / 2));
  }
  EXPECT_LT(narrow_low, wide_high / 2);
  // Line breaks are skipped: one line.
  TgkPolygon joined;
  const TgkPoint broken_size = canvas->TextToPolygon("ab\ncd", polygon);
  EXPECT_EQ(broken_size, canvas->TextToPolygon("abcd", joined));
  EXPECT_EQ(Contours(polygon), Contours(joined));
}

TEST_F(RenderTest, ExtrudedTextOutlineIsDrawnSolid) {
  TgkPolygon polygon;
  canvas->TextToPolygon("O", polygon);
  Begin();
  Colour(0xFFFFFFFF);
  canvas->SetRenderState(rsCullCCW);
  canvas->SetMatrix(Translation(0, 0, -5));
  canvas->FillPolygon({}, MakeVector(3, 3, 0.5f, 0), 1, static_cast<int>(polygon.size()), polygon);
  canvas->EndScene();
  // Seen from the front (+Z cap toward the eye): the ring is drawn, its hole is not.
  EXPECT_EQ(Pixel(32, 32), 0u);
  int ring = 0;
  for (int x = 0; x < 64; ++x) ring += Pixel(x, 32) != 0;
  EXPECT_GT(ring, 8);
}

TEST_F(RenderTest, HugeFontDrawsNothingInsteadOfExhaustingMemory) {
  canvas->Font().SetSize(20000);  // glyphs larger than any atlas may grow
  Begin();
  Colour(0xFFFFFFFF);
  canvas->SetRenderState(rsScreenMatrix);
  canvas->SetMatrix(IdentityMatrix);
  canvas->FillText("W", 0, 0, 1);
  canvas->EndScene();
  EXPECT_GT(canvas->MeasureText("W").X, 1000);  // still measured
  // The refused glyph leaves the atlas working for text of a usual size.
  canvas->Font().SetSize(12);
  Begin();
  Colour(0xFFFFFFFF);
  canvas->SetRenderState(rsScreenMatrix);
  canvas->SetMatrix(IdentityMatrix);
  canvas->FillText("W", 10, 10, 1);
  canvas->EndScene();
  int lit = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) lit += Pixel(x, y) != 0;
  EXPECT_GT(lit, 10);
}

TEST_F(RenderTest, CameraTextLiesUprightInTheLocalXZPlane) {
  // Seen from -Y with +Z up (a default camera's view, here the world turned so that the
  // eye looks along +Y): "T" has its bar above its stem.
  Make(128, 128);
  Begin();
  Colour(0xFFFFFFFF);
  canvas->SetRenderState(rsCullCCW);
  // View space looks along -Z with +Y up: turn local +Z onto +Y and push -Y away.
  TgkMatrix m = IdentityMatrix;
  m[1][1] = 0;
  m[1][2] = -1;  // local +Y goes into the screen
  m[2][1] = 1;
  m[2][2] = 0;  // local +Z goes up
  m[3][0] = -0.5f;
  m[3][1] = 0.5f;
  m[3][2] = -3;
  canvas->SetMatrix(m);
  canvas->Font().SetSize(36);
  canvas->FillText("T", 0, 0, 1);
  canvas->EndScene();
  int top = -1, bottom = -1;
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      if (!Pixel(x, y)) continue;
      if (top < 0) top = y;
      bottom = y;
    }
  }
  ASSERT_GE(top, 0) << "nothing drawn";
  auto width_of_row = [&](int y) {
    int n = 0;
    for (int x = 0; x < 128; ++x) n += Pixel(x, y) != 0;
    return n;
  };
  EXPECT_GT(width_of_row(top + 1), 2 * width_of_row(bottom - 1));  // bar on top
}

TEST_F(RenderTest, InvalidUtf8IsDroppedAndChineseIsMeasured) {
  EXPECT_EQ(canvas->MeasureText("a\xff\xfe b\xe4\xb8"), canvas->MeasureText("a b"));
  const TgkPoint chinese = canvas->MeasureText("\xe4\xb8\xad\xe6\x96\x87");  // two characters
  EXPECT_GT(chinese.X, canvas->MeasureText("i").X * 2);
  TgkPolygon polygon;
  EXPECT_GT(canvas->TextToPolygon("\xe4\xb8\xad", polygon).X, 10);
}
