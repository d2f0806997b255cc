// Changed rectangles and the redraw: rounding, rejection outside the layer, the union
// beyond twenty, each object once, transparency of uncovered areas, dimming of disabled
// controls, and hiding and showing the layer.
#include <gtest/gtest.h>

#include "tests/ui/ui_test_host.h"
#include "ui/resources.h"
#include "ui/shapes.h"

namespace {

TEST(UpdateRects, WidenedToWholePixelsAndOutsideIgnored) {
  TestLayer t(64, 64);
  t.layer->UpdateSurface();
  ASSERT_TRUE(t.layer->UpdateRects().empty());
  t.layer->AddUpdateRect({10.7f, 5.2f, 20.1f, 8.9f});
  ASSERT_EQ(t.layer->UpdateRects().size(), 1u);
  EXPECT_EQ(t.layer->UpdateRects()[0], (TpmRect{10, 5, 21, 9}));
  t.layer->AddUpdateRect({100, 100, 120, 120});
  t.layer->AddUpdateRect({-30, 0, -2, 10});
  EXPECT_EQ(t.layer->UpdateRects().size(), 1u);
  t.layer->BeginUpdate();
  t.layer->AddUpdateRect({1, 1, 2, 2});
  EXPECT_EQ(t.layer->UpdateRects().size(), 1u);
  t.layer->EndUpdate();  // redraws what it has
  EXPECT_TRUE(t.layer->UpdateRects().empty());
}

TEST(UpdateRects, MoreThanTwentyBecomeTheirUnion) {
  TestLayer t(256, 256);
  t.layer->UpdateSurface();
  for (int i = 0; i < 20; ++i) {
    const float x = static_cast<float>(i * 10);
    t.layer->AddUpdateRect({x, x, x + 3, x + 3});
  }
  t.layer->RedrawUpdateRects();
  EXPECT_EQ(t.layer->LastRedrawRects().size(), 20u);
  EXPECT_EQ(t.layer->LastRedrawRects()[3], (TpmRect{30, 30, 34, 34}));

  for (int i = 0; i < 21; ++i) {
    const float x = static_cast<float>(i * 10);
    t.layer->AddUpdateRect({x, x + 1, x + 3, x + 5});
  }
  t.layer->RedrawUpdateRects();
  ASSERT_EQ(t.layer->LastRedrawRects().size(), 1u);
  EXPECT_EQ(t.layer->LastRedrawRects()[0], (TpmRect{0, 1, 204, 206}));
  EXPECT_TRUE(t.layer->UpdateRects().empty());
}

TEST(Redraw, EachTopObjectOnceAndOnlyInsideTheChangedArea) {
  TestLayer t(100, 100);
  auto* rect = t.Add(new TpmRectangle(), 10, 10);
  rect->SetBounds(10, 10, 20, 20);
  rect->Fill().Color = 0xFFFF0000;
  rect->Stroke().Style = pqBrushNone;
  t.layer->UpdateSurface();
  EXPECT_EQ(t.Pixel(15, 15), 0xFFFF0000u);
  // Many rectangles over the same object: the root is painted once.
  for (int i = 0; i < 5; ++i) t.layer->AddUpdateRect({12, 12, 14, 14});
  t.layer->RedrawUpdateRects();
  EXPECT_EQ(t.layer->LastPaintedObjects(), 1);
  // Paint outside the changed area stays as it was.
  rect->Fill().Color = 0xFF00FF00;  // no notification: nothing is reported
  t.layer->AddUpdateRect({10, 10, 15, 15});
  t.layer->RedrawUpdateRects();
  EXPECT_EQ(t.Pixel(12, 12), 0xFF00FF00u);
  EXPECT_EQ(t.Pixel(25, 25), 0xFFFF0000u);
}

TEST(Redraw, UncoveredAreasAreTransparent) {
  TgkScreenPQLayer layer;
  layer.SetWidth(40);
  layer.SetHeight(40);
  auto* rect = new TpmRectangle();
  layer.AddObject2D(new TpmLayout());  // a root without a picture
  static_cast<TpmVisualObject*>(layer.Object(0))->AddObject(rect);
  rect->SetBounds(0, 0, 10, 10);
  rect->Fill().Color = 0xFF0000FF;
  rect->Stroke().Style = pqBrushNone;
  layer.UpdateSurface();
  const uint32_t* bits = layer.Surface().Bits();
  EXPECT_EQ(bits[5 * 40 + 5], 0xFF0000FFu);
  EXPECT_EQ(bits[30 * 40 + 30] >> 24, 0u);
  // A solid fill covers everything.
  layer.Fill().Style = pqBrushSolid;
  layer.Fill().Color = 0xFF505050;
  layer.Fill().Changed();
  layer.UpdateSurface();
  EXPECT_EQ(bits[30 * 40 + 30], 0xFF505050u);
}

TEST(Redraw, DisabledPanelDimsItsControlsOnce) {
  // The layer's own collection comes first: plain looks that draw nothing.
  TpmResources plain;
  plain.SetResourceText(
      "object TpmLayout\n  ResourceName = 'backgroundstyle'\nend\n"
      "object TpmLayout\n  ResourceName = 'panelstyle'\nend\n");
  TestLayer t(100, 100);
  t.layer->SetStyle(&plain);
  auto* panel = t.Add(new TpmPanel(), 0, 0);
  panel->SetBounds(0, 0, 100, 100);
  auto* inner = new TpmPanel();
  panel->AddObject(inner);
  inner->SetBounds(0, 0, 50, 50);
  auto* rect = new TpmRectangle();
  inner->AddObject(rect);
  rect->SetBounds(0, 0, 20, 20);
  rect->Fill().Color = 0xFFFFFFFF;
  rect->Stroke().Style = pqBrushNone;
  EXPECT_EQ(t.Pixel(5, 5), 0xFFFFFFFFu);
  panel->SetEnabled(false);
  EXPECT_FLOAT_EQ(rect->AbsoluteOpacity(), 0.6f);
  EXPECT_FALSE(inner->IsEnabledAll());
  const uint32_t p = t.Pixel(5, 5);
  EXPECT_NEAR(static_cast<int>(p >> 24), 153, 1);  // 0.6 of 255, not 0.36
  panel->SetEnabled(true);
  EXPECT_EQ(t.Pixel(5, 5), 0xFFFFFFFFu);
}

TEST(Redraw, ShowingTheLayerRedrawsItWhole) {
  TestLayer t(64, 32);
  t.layer->UpdateSurface();
  t.layer->SetVisible(false);
  t.layer->SetVisible(true);
  ASSERT_EQ(t.layer->UpdateRects().size(), 1u);
  EXPECT_EQ(t.layer->UpdateRects()[0], (TpmRect{0, 0, 65, 33}));
}

TEST(Redraw, RootFollowsTheSurfaceSize) {
  TestLayer t(120, 80);
  EXPECT_EQ(t.root->Width(), 120);
  EXPECT_EQ(t.root->Height(), 80);
  t.layer->SetWidth(200);
  t.layer->UpdateSurface();
  EXPECT_EQ(t.layer->Surface().Width(), 200);
  EXPECT_EQ(t.root->Width(), 200);
}

}  // namespace
