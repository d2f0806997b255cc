#include <gtest/gtest.h>

#include <vector>

#include "scene/visual_object.h"

namespace {

TgkVisualObject* Child(TgkVisualObject& parent, TgkAlign align, float w, float h,
                       TgkPoint at = {}) {
  auto* c = new TgkVisualObject();
  c->SetWidth(w);
  c->SetHeight(h);
  c->Position().SetPoint(at);
  c->SetParent(&parent);
  c->SetAlign(align);
  return c;
}

void ExpectBox(const TgkVisualObject& o, float x, float y, float w, float h) {
  EXPECT_FLOAT_EQ(o.Position().X(), x);
  EXPECT_FLOAT_EQ(o.Position().Y(), y);
  EXPECT_FLOAT_EQ(o.Width(), w);
  EXPECT_FLOAT_EQ(o.Height(), h);
}

struct Panel {
  TgkVisualObject root;
  Panel(float w, float h) {
    root.SetWidth(w);
    root.SetHeight(h);
  }
};

TEST(Alignment, EdgesClientAndCentre) {
  Panel p(100, 50);
  TgkVisualObject* top = Child(p.root, gkTop, 1, 10);
  top->Padding().SetTop(2);
  top->Padding().SetBottom(3);
  TgkVisualObject* bottom = Child(p.root, gkBottom, 1, 5);
  TgkVisualObject* left = Child(p.root, gkLeft, 20, 1);
  TgkVisualObject* client = Child(p.root, gkClient, 1, 1);
  TgkVisualObject* centre = Child(p.root, gkCenter, 10, 7);
  p.root.Realign();
  // The free box starts as x -50..50, y -25..25; top takes 15 (10 plus padding).
  ExpectBox(*top, 0, -18, 100, 10);
  ExpectBox(*bottom, 0, 22.5f, 100, 5);
  ExpectBox(*left, -40, 5, 20, 30);
  ExpectBox(*client, 10, 5, 80, 30);
  // Centred in what is left (x -30..50, y -10..20), offsets truncated: 35 and 11.
  ExpectBox(*centre, 10, 4.5f, 10, 7);
  // Along z every slot spans the whole depth.
  EXPECT_FLOAT_EQ(client->Depth(), 1);
  EXPECT_FLOAT_EQ(client->Position().Z(), 0);
}

TEST(Alignment, SortsEachGroupByPosition) {
  Panel p(100, 100);
  TgkVisualObject* second = Child(p.root, gkTop, 1, 10, {0, 50, 0});
  TgkVisualObject* first = Child(p.root, gkTop, 1, 20, {0, -80, 0});
  TgkVisualObject* right_outer = Child(p.root, gkRight, 10, 1, {90, 0, 0});
  TgkVisualObject* right_inner = Child(p.root, gkRight, 10, 1, {0, 0, 0});
  p.root.Realign();
  EXPECT_FLOAT_EQ(first->Position().Y(), -40);
  EXPECT_FLOAT_EQ(second->Position().Y(), -25);
  // Right-aligned: the one reaching farthest right goes to the edge.
  EXPECT_FLOAT_EQ(right_outer->Position().X(), 45);
  EXPECT_FLOAT_EQ(right_inner->Position().X(), 35);
  // Most-left comes before the top group and spans the full height.
  TgkVisualObject* most = Child(p.root, gkMostLeft, 10, 1);
  ExpectBox(*most, -45, 0, 10, 100);
  EXPECT_FLOAT_EQ(first->Width(), 90);  // the top group now starts right of it
}

TEST(Alignment, ResizingMovesCornersAndScales) {
  Panel p(100, 50);
  TgkVisualObject* corner = Child(p.root, gkBottomRight, 10, 10, {40, 20, 0});
  TgkVisualObject* topleft = Child(p.root, gkTopLeft, 10, 10, {-40, -20, 0});
  TgkVisualObject* scaled = Child(p.root, gkScale, 10, 10, {10, 10, 0});
  TgkVisualObject* contents = Child(p.root, gkContents, 1, 1, {7, 7, 0});
  contents->Padding().SetLeft(4);
  p.root.Realign();
  ExpectBox(*contents, 2, 0, 96, 50);
  p.root.SetWidth(120);  // the pass runs by itself
  EXPECT_FLOAT_EQ(corner->Position().X(), 50);
  EXPECT_FLOAT_EQ(corner->Position().Y(), 20);
  EXPECT_FLOAT_EQ(topleft->Position().X(), -50);
  EXPECT_FLOAT_EQ(scaled->Position().X(), 12);
  EXPECT_FLOAT_EQ(scaled->Width(), 12);
  EXPECT_FLOAT_EQ(scaled->Height(), 10);
  ExpectBox(*contents, 2, 0, 116, 50);
  p.root.SetHeight(60);
  EXPECT_FLOAT_EQ(corner->Position().Y(), 25);
  EXPECT_FLOAT_EQ(topleft->Position().Y(), -25);
}

TEST(Alignment, HorizontalVerticalKeepTheirOtherAxis) {
  Panel p(100, 50);
  TgkVisualObject* h = Child(p.root, gkHorizontal, 5, 6, {3, 7, 0});
  TgkVisualObject* v = Child(p.root, gkVertical, 5, 6, {3, 7, 0});
  p.root.Realign();
  ExpectBox(*h, 0, 7, 100, 6);
  ExpectBox(*v, 3, 0, 5, 50);
}

TEST(Alignment, SkipsHiddenTinyAndLoadingParents) {
  Panel p(100, 50);
  TgkVisualObject* hidden = Child(p.root, gkClient, 1, 1);
  hidden->SetVisible(false);
  hidden->SetWidth(1);
  hidden->SetHeight(1);
  TgkVisualObject* free = Child(p.root, gkNone, 3, 3, {9, 9, 0});
  TgkVisualObject* shown = Child(p.root, gkClient, 1, 1);
  p.root.Realign();
  ExpectBox(*hidden, 0, 0, 1, 1);
  ExpectBox(*free, 9, 9, 3, 3);
  ExpectBox(*shown, 0, 0, 100, 50);
  // A parent thinner than 0.2 lays out nothing.
  p.root.SetHeight(0.1f);
  EXPECT_FLOAT_EQ(shown->Height(), 50);
  // While loading only the size is noted; the pass runs when loading ends.
  p.root.SetComponentState(csLoading, true);
  p.root.SetHeight(30);
  EXPECT_FLOAT_EQ(shown->Height(), 50);
  p.root.Loaded();
  EXPECT_FLOAT_EQ(shown->Height(), 30);
}

TEST(Alignment, NestedPanelsRealignTheirOwnChildren) {
  Panel p(100, 100);
  TgkVisualObject* side = Child(p.root, gkLeft, 30, 1);
  TgkVisualObject* inner = Child(*side, gkBottom, 1, 10);
  p.root.Realign();
  ExpectBox(*side, -35, 0, 30, 100);
  ExpectBox(*inner, 0, 45, 30, 10);
  p.root.SetHeight(60);
  ExpectBox(*inner, 0, 25, 30, 10);
  // Padding changes of an aligned child re-run its parent's pass.
  side->Padding().SetLeft(5);
  EXPECT_FLOAT_EQ(side->Position().X(), -30);
}

TEST(Alignment, LaidOutChildrenAmongManyScaledOnes) {
  // A parent whose children all follow its size only needs no pass while its size stays;
  // every way a child that the pass places can arrive must still get it placed.
  Panel p(100, 50);
  std::vector<TgkVisualObject*> scaled;
  for (int i = 0; i < 100; ++i) scaled.push_back(Child(p.root, gkScale, 2, 2, {1.0f * i, 0, 0}));
  // Align set after joining.
  TgkVisualObject* client = Child(p.root, gkClient, 1, 1);
  ExpectBox(*client, 0, 0, 100, 50);
  client->SetWidth(5);  // the parent's pass puts it back
  EXPECT_FLOAT_EQ(client->Width(), 100);
  // Align set before joining.
  auto* top = new TgkVisualObject();
  top->SetAlign(gkTop);
  top->SetHeight(10);
  top->SetParent(&p.root);
  ExpectBox(*top, 0, -20, 100, 10);
  ExpectBox(*client, 0, 5, 100, 40);
  // A scaled child that becomes placed.
  scaled[5]->SetAlign(gkBottom);
  EXPECT_FLOAT_EQ(scaled[5]->Width(), 100);
  // Moved from another parent that had laid it out.
  Panel other(60, 40);
  other.root.Realign();
  client->SetParent(&other.root);
  client->SetWidth(5);
  EXPECT_FLOAT_EQ(client->Width(), 60);
  // Once every placed child has gone, the scaled ones still follow a resize.
  top->SetParent(&other.root);
  scaled[5]->SetAlign(gkScale);
  p.root.SetWidth(200);
  EXPECT_FLOAT_EQ(scaled[10]->Position().X(), 20);
  EXPECT_FLOAT_EQ(scaled[10]->Width(), 4);
  // After the children are all freed, a new placed child is laid out.
  p.root.DeleteChildren();
  TgkVisualObject* last = Child(p.root, gkClient, 1, 1);
  last->SetWidth(7);
  EXPECT_FLOAT_EQ(last->Width(), 200);
}

TEST(Alignment, TakingAnotherObjectsChildrenKeepsTheirLayout) {
  // A model built aside: scaled meshes laid out in a 2 x 1 x 1 holder, and one placed part.
  Panel aside(2, 1);
  TgkVisualObject* mesh = Child(aside.root, gkScale, 0.5f, 0.25f, {0.5f, 0, 0});
  TgkVisualObject* part = Child(aside.root, gkTop, 1, 0.5f);
  Panel shown(1, 1);
  TgkVisualObject* old = Child(shown.root, gkScale, 1, 1);
  (void)old;  // freed by the move
  shown.root.ReplaceChildrenWith(aside.root);
  EXPECT_EQ(aside.root.ChildrenCount(), 0);
  ASSERT_EQ(shown.root.ChildrenCount(), 2);
  EXPECT_EQ(mesh->Parent(), &shown.root);
  EXPECT_FLOAT_EQ(shown.root.Width(), 2);
  ExpectBox(*mesh, 0.5f, 0, 0.5f, 0.25f);  // as laid out aside, not scaled again
  // The parent scales them from the size they came in at, and places the placed one.
  shown.root.SetWidth(4);
  ExpectBox(*mesh, 1, 0, 1, 0.25f);
  EXPECT_FLOAT_EQ(part->Width(), 4);
  part->SetWidth(1);
  EXPECT_FLOAT_EQ(part->Width(), 4);
  // Neither side can swallow the other.
  EXPECT_ANY_THROW(mesh->ReplaceChildrenWith(shown.root));
  EXPECT_ANY_THROW(shown.root.ReplaceChildrenWith(*part));
}

}  // namespace
