// Screen layer layout: the main window's three edge panels at the start size, after a
// resize and at the smallest size, groups and their edge order, give-back of a layer that
// keeps a smaller size, and the centred layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "scene/layer_layout.h"

namespace {

struct FakeLayer : TgkLayoutTarget {
  FakeLayer(TgkLayerAlign a, float w, float h, float x = 0, float y = 0)
      : align(a), width(w), height(h), cx(x), cy(y) {}
  TgkLayerAlign LayoutAlign() const override { return align; }
  bool LayoutVisible() const override { return visible; }
  float LayoutWidth() const override { return width; }
  float LayoutHeight() const override { return height; }
  float LayoutCentreX() const override { return cx; }
  float LayoutCentreY() const override { return cy; }
  void SetLayoutSize(float w, float h) override {
    width = max_width > 0 ? std::min(w, max_width) : w;
    height = h;
  }
  void SetLayoutCentre(float x, float y) override { cx = x, cy = y; }
  // The slot edges as the canvas draws them: centre minus the rounded half size.
  float Left() const { return cx - std::nearbyint(width / 2); }
  float Top() const { return cy - std::nearbyint(height / 2); }

  TgkLayerAlign align;
  float width, height, cx, cy;
  bool visible = true;
  float max_width = 0;
};

// The main window's panels: created with their design sizes, in tree order right, left, top.
struct MainPanels {
  FakeLayer right{gkLayerRight, 279, 597, 928, 359};
  FakeLayer left{gkLayerLeft, 256, 597, 127, 359};
  FakeLayer top{gkLayerTop, 1068, 62, 533, 30};
  FakeLayer hint{gkLayerNone, 345, 45, 546, 627};
  void LayOut(int w, int h) { LayOutScreenLayers({&hint, &right, &left, &top}, w, h); }
};

}  // namespace

TEST(LayerLayout, MainWindowPanelsAtTheStartSize) {
  MainPanels p;
  p.top.width = 4;  // a fresh layer: the pass sizes it and centres it in one go
  p.LayOut(1066, 657);
  EXPECT_EQ(p.top.width, 1068);
  EXPECT_EQ(p.top.height, 62);
  EXPECT_EQ(p.top.cx, 533);
  EXPECT_EQ(p.top.cy, 30);
  EXPECT_EQ(p.left.width, 256);
  EXPECT_EQ(p.left.height, 597);
  EXPECT_EQ(p.left.cx, 127);
  EXPECT_EQ(p.left.cy, 359);
  EXPECT_EQ(p.right.width, 279);
  EXPECT_EQ(p.right.height, 597);
  EXPECT_EQ(p.right.cx, 928);
  EXPECT_EQ(p.right.cy, 359);
  EXPECT_EQ(p.hint.cx, 546) << "a layer without alignment stays where it is";
  EXPECT_EQ(p.hint.width, 345);
}

TEST(LayerLayout, PanelsOverhangEveryEdgeByOnePixelAfterResizes) {
  struct Case {
    int w, h;
  };
  // 800 x 600, then the smallest client area (600 x 500 outside), then back to the start.
  for (Case c : {Case{800, 600}, Case{584, 462}, Case{1066, 657}}) {
    MainPanels p;
    p.LayOut(1066, 657);
    p.LayOut(c.w, c.h);
    SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h);
    EXPECT_EQ(p.top.width, c.w + 2);
    EXPECT_EQ(p.top.Left(), -1);
    EXPECT_EQ(p.top.Top(), -1);
    EXPECT_EQ(p.left.width, 256);
    EXPECT_EQ(p.left.Left(), -1);
    EXPECT_EQ(p.left.Top(), 61) << "just below the tool bar";
    EXPECT_EQ(p.left.Top() + p.left.height, c.h + 1);
    EXPECT_EQ(p.right.width, 279);
    EXPECT_EQ(p.right.Left() + p.right.width, c.w + 1);
    EXPECT_EQ(p.right.Top(), 61);
    EXPECT_EQ(p.right.height, c.h + 1 - 61);
  }
  MainPanels p;
  p.LayOut(800, 600);
  EXPECT_EQ(p.top.cx, 400);
  EXPECT_EQ(p.left.cy, 331);
  EXPECT_EQ(p.right.cx, 662);
}

TEST(LayerLayout, GroupsGoMostLeftFirstAndEdgesInTheirOrder) {
  // Two top bars: the upper one (by its top edge) is placed first, whatever the tree order.
  FakeLayer lower{gkLayerTop, 10, 20, 0, 300};
  FakeLayer upper{gkLayerTop, 10, 30, 0, 100};
  FakeLayer most_left{gkLayerMostLeft, 50, 1};
  FakeLayer bottom{gkLayerBottom, 10, 40};
  FakeLayer client{gkLayerClient, 1, 1};
  LayOutScreenLayers({&client, &bottom, &lower, &upper, &most_left}, 400, 300);
  EXPECT_EQ(most_left.height, 302) << "most-left spans the whole height, before the top bars";
  EXPECT_EQ(most_left.Left(), -1);
  EXPECT_EQ(upper.Top(), -1);
  EXPECT_EQ(upper.Left(), 49);
  EXPECT_EQ(upper.width, 352);
  EXPECT_EQ(lower.Top(), 29);
  EXPECT_EQ(bottom.Top(), 261);
  EXPECT_EQ(client.Left(), 49);
  EXPECT_EQ(client.Top(), 49);
  EXPECT_EQ(client.width, 352);
  EXPECT_EQ(client.height, 212);
}

TEST(LayerLayout, ALayerKeepingASmallerSizeGivesTheRestBack) {
  FakeLayer top{gkLayerTop, 10, 20};
  top.max_width = 100;  // limits its own width
  FakeLayer client{gkLayerClient, 1, 1};
  client.max_width = 150;
  FakeLayer hidden{gkLayerLeft, 70, 1};
  hidden.visible = false;
  FakeLayer right{gkLayerRight, 30, 1};
  LayOutScreenLayers({&top, &hidden, &client, &right}, 400, 300);
  EXPECT_EQ(top.width, 100);
  EXPECT_EQ(top.Left(), -1) << "a narrow top bar sits at the left of its slot";
  EXPECT_EQ(hidden.width, 70) << "invisible layers are not laid out";
  EXPECT_EQ(right.Left(), 371);
  EXPECT_EQ(client.width, 150);
  EXPECT_EQ(client.Left(), -1);
}

TEST(LayerLayout, ACentreLayerKeepsItsSizeInTheMiddleOfWhatIsLeft) {
  FakeLayer top{gkLayerTop, 10, 61};
  FakeLayer centre{gkLayerCenter, 461, 191};
  LayOutScreenLayers({&top, &centre}, 1066, 657);
  EXPECT_EQ(centre.width, 461);
  EXPECT_EQ(centre.height, 191);
  // Free area x -1..1067, y 60..658: offsets truncated, then the rounded half size added.
  EXPECT_EQ(centre.cx, std::trunc((1068 - 461) / 2.0f) - 1 + 230);
  EXPECT_EQ(centre.cy, std::trunc((598 - 191) / 2.0f) + 60 + 96);
}
