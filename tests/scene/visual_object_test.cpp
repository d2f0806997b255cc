#include "scene/visual_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "core/component_stream.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "tests/scene/object_test_host.h"
#include "tests/support/recording_canvas.h"

namespace {

using testsupport::RecordingCanvas;

void ExpectMatrixNear(const TgkMatrix& a, const TgkMatrix& b, float tol = 1e-5f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a[r][c], b[r][c], tol) << "element " << r << c;
}

float MaxDifference(const TgkMatrix& a, const TgkMatrix& b) {
  float d = 0;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) d = std::max(d, std::fabs(a[r][c] - b[r][c]));
  return d;
}

TgkMatrix Rotation(float x, float y, float z, float degrees) {
  return QuaternionToMatrix(QuaternionFromAxisAngle({x, y, z, 0}, degrees));
}

// A solid box that is hit where the ray enters it, and draws itself as a cube.
class TBox : public TgkVisualObject {
 public:
  using TgkVisualObject::TgkVisualObject;
  bool RayCastIntersect(const TgkVector& pos, const TgkVector& dir, TgkVector& hit) override {
    TgkVector local;
    if (!RayCastBox(pos, dir, {Width(), Height(), Depth(), 0}, 0.501f, &local)) return false;
    hit = PointToVector(LocalToAbsolute(VectorToPoint(local)), 1);
    return true;
  }
  void Paint() override {
    if (TgkCanvas* c = GetCanvas()) c->FillCube({0, 0, 0, 1}, {Width(), Height(), Depth(), 0}, 1);
  }
};

TBox* AddBox(TgkVisualObject& parent, TgkPoint at, float size = 1) {
  auto* box = new TBox();
  box->SetWidth(size);
  box->SetHeight(size);
  box->SetDepth(size);
  box->Position().SetPoint(at);
  box->SetParent(&parent);
  return box;
}

// ---------------------------------------------------------------- orientation

TEST(Orientation, OrderOfAxisChangesMatters) {
  TgkVisualObject x_first, z_first;
  x_first.RotateAngle().SetX(90);
  x_first.RotateAngle().SetZ(90);
  z_first.RotateAngle().SetZ(90);
  z_first.RotateAngle().SetX(90);
  EXPECT_GT(MaxDifference(x_first.LocalMatrix(), z_first.LocalMatrix()), 0.5f);
  // Each later increment turns about the object's already turned axes: the matrix of the
  // X-first object applies the Z turn to a vector before the X turn.
  ExpectMatrixNear(x_first.LocalMatrix(),
                   MatrixMultiply(Rotation(0, 0, 1, -90), Rotation(1, 0, 0, -90)));
  ExpectMatrixNear(z_first.LocalMatrix(),
                   MatrixMultiply(Rotation(1, 0, 0, -90), Rotation(0, 0, 1, -90)));
  // The stored angles are the same for both.
  EXPECT_EQ(x_first.RotateAngle().Point(), z_first.RotateAngle().Point());
}

TEST(Orientation, SignConventionsMatchStoredForms) {
  // A light turned Z first, then X, as the window's stored description carries it.
  TgkLight light;
  light.RotateAngle().SetZ(-20.9171f);
  light.RotateAngle().SetX(9.10299f);
  const TgkQuaternion& q = light.Orientation();
  EXPECT_NEAR(q.ImagPart.X, -0.0780366f, 2e-6);
  EXPECT_NEAR(q.ImagPart.Y, -0.0144049f, 2e-6);
  EXPECT_NEAR(q.ImagPart.Z, 0.180952f, 2e-6);
  EXPECT_NEAR(q.RealPart, 0.980285f, 2e-6);
  // A positive X angle tips the local +Y axis down toward -Z; Y turns the other way round.
  TgkVisualObject tilt;
  tilt.RotateAngle().SetX(90);
  EXPECT_NEAR(tilt.LocalMatrix()[1][2], -1, 1e-6);
  TgkVisualObject roll;
  roll.RotateAngle().SetY(90);
  EXPECT_NEAR(roll.LocalMatrix()[0][2], -1, 1e-6);
}

TEST(Orientation, AnglesAreNormalisedAndZeroMeansIdentity) {
  TgkVisualObject o;
  o.RotateAngle().SetX(370);
  EXPECT_FLOAT_EQ(o.RotateAngle().X(), 10);
  ExpectMatrixNear(o.LocalMatrix(), Rotation(1, 0, 0, -10));

  o.RotateAngle().SetZ(90);
  o.RotateAngle().SetY(45);
  o.RotateAngle().SetX(0);
  o.RotateAngle().SetY(0);
  EXPECT_NE(o.Orientation(), IdentityQuaternion);  // the increments do not cancel
  o.RotateAngle().SetZ(0);
  EXPECT_EQ(o.Orientation(), IdentityQuaternion);
  EXPECT_EQ(o.LocalMatrix(), IdentityMatrix);
}

TEST(Orientation, WholePointChangesOnlyTheNumbers) {
  TgkVisualObject o;
  o.RotateAngle().SetPoint({30, 0, 0});
  EXPECT_EQ(o.Orientation(), IdentityQuaternion);
  EXPECT_EQ(o.LocalMatrix(), IdentityMatrix);
  // A later axis change turns by the difference to the stored number only.
  o.RotateAngle().SetX(40);
  ExpectMatrixNear(o.LocalMatrix(), Rotation(1, 0, 0, -10));
}

TEST(Orientation, LocalMatrixCarriesScaleAndPosition) {
  TgkVisualObject o;
  o.Scale().SetPoint({2, 3, 4});
  o.Position().SetPoint({7, 8, 9});
  const TgkMatrix& m = o.LocalMatrix();
  EXPECT_FLOAT_EQ(m[0][0], 2);
  EXPECT_FLOAT_EQ(m[1][1], 3);
  EXPECT_FLOAT_EQ(m[2][2], 4);
  EXPECT_FLOAT_EQ(m[3][0], 7);
  EXPECT_FLOAT_EQ(m[3][2], 9);
  EXPECT_FLOAT_EQ(m[3][3], 1);
  // Size does not touch the matrix.
  o.SetWidth(50);
  EXPECT_FLOAT_EQ(o.LocalMatrix()[0][0], 2);
}

// ---------------------------------------------------------------- matrices

TEST(AbsoluteMatrix, FollowsAMovedAncestor) {
  TgkVisualObject parent;
  auto* child = new TgkVisualObject(nullptr);
  auto* grandchild = new TgkVisualObject(nullptr);
  child->SetParent(&parent);
  grandchild->SetParent(child);
  parent.Position().SetPoint({1, 0, 0});
  child->Position().SetPoint({0, 2, 0});
  grandchild->Position().SetPoint({0, 0, 3});
  EXPECT_EQ(grandchild->AbsolutePosition(), MakeVector(1, 2, 3, 1));  // cached now
  parent.Position().SetX(5);
  EXPECT_EQ(grandchild->AbsolutePosition(), MakeVector(5, 2, 3, 1));
  parent.RotateAngle().SetZ(-90);  // turns +X onto +Y
  TgkVector p = grandchild->AbsolutePosition();
  EXPECT_NEAR(p.X, 5 - 2, 1e-5);
  EXPECT_NEAR(p.Y, 0, 1e-5);
  EXPECT_NEAR(p.Z, 3, 1e-5);
  // Moving a child under another parent re-bases it.
  TgkVisualObject other;
  other.Position().SetPoint({0, 0, 100});
  child->SetParent(&other);
  EXPECT_NEAR(grandchild->AbsolutePosition().Z, 103, 1e-5);
  EXPECT_EQ(parent.ChildrenCount(), 0);
}

TEST(AbsoluteMatrix, ChildrenAddedToAnUnreadParentStillFollowItsMoves) {
  // Many children join while the parent's matrix is stale, and only some were read before
  // the parent moves: every one must follow, including those read between additions.
  TgkVisualObject parent;
  parent.Position().SetPoint({1, 0, 0});
  std::vector<TgkVisualObject*> children;
  for (int i = 0; i < 50; ++i) {
    auto* child = new TgkVisualObject(nullptr);
    child->Position().SetPoint({0, static_cast<float>(i), 0});
    child->SetParent(&parent);
    auto* grandchild = new TgkVisualObject(nullptr);
    grandchild->Position().SetPoint({0, 0, 1});
    grandchild->SetParent(child);
    if (i % 7 == 0) {
      EXPECT_EQ(grandchild->AbsolutePosition(), MakeVector(1, i, 1, 1));
    }
    children.push_back(child);
  }
  parent.Position().SetX(4);
  for (int i = 0; i < 50; ++i) {
    auto* grandchild = static_cast<TgkVisualObject*>(children[i]->GetChild(0));
    EXPECT_EQ(grandchild->AbsolutePosition(), MakeVector(4, i, 1, 1)) << "child " << i;
  }
  // A child moved after its own child was read carries that child along.
  children[3]->Position().SetZ(2);
  EXPECT_EQ(static_cast<TgkVisualObject*>(children[3]->GetChild(0))->AbsolutePosition(),
            MakeVector(4, 3, 3, 1));
}

TEST(AbsoluteMatrix, ConversionsAndSingularMatrix) {
  TgkVisualObject o;
  o.Position().SetPoint({10, 0, 0});
  o.Scale().SetPoint({2, 2, 2});
  EXPECT_EQ(o.LocalToAbsolute({1, 1, 1}), MakePoint(12, 2, 2));
  TgkPoint back = o.AbsoluteToLocal({12, 2, 2});
  EXPECT_NEAR(back.X, 1, 1e-6);
  TgkVector dir = o.AbsoluteToLocalVector({2, 0, 0, 0});  // directions ignore translation
  EXPECT_NEAR(dir.X, 1, 1e-6);
  // A flattened object cannot be inverted: points come back unchanged.
  o.Scale().SetPoint({1, 0, 1});
  EXPECT_EQ(o.AbsoluteToLocal({3, 4, 5}), MakePoint(3, 4, 5));
}

TEST(AbsoluteMatrix, ANonVisualParentStartsTheChain) {
  TgkObject group;
  auto* child = new TgkVisualObject();
  child->SetParent(&group);
  child->Position().SetPoint({1, 2, 3});
  EXPECT_EQ(child->GetAbsoluteMatrix(), child->LocalMatrix());
}

// ---------------------------------------------------------------- opacity

TEST(Opacity, ClampedAndMultipliedDownTheTree) {
  TgkVisualObject parent;
  auto* child = new TgkVisualObject();
  child->SetParent(&parent);
  child->SetOpacity(1.5f);
  EXPECT_EQ(child->Opacity(), 1);
  child->SetOpacity(-1);
  EXPECT_EQ(child->Opacity(), 0);
  child->SetOpacity(0.5f);
  parent.SetOpacity(0.5f);
  EXPECT_FLOAT_EQ(child->GetAbsoluteOpacity(), 0.25f);
  parent.SetOpacity(1);  // the cached product follows
  EXPECT_FLOAT_EQ(child->GetAbsoluteOpacity(), 0.5f);
}

// ---------------------------------------------------------------- tree

TEST(Tree, OwnershipDetachAndOrder) {
  TObjectTestHost host;
  auto root = std::make_unique<TgkVisualObject>();
  root->SetRootOf(&host);
  ASSERT_EQ(host.roots.size(), 1u);
  auto* a = new TgkVisualObject();
  auto* b = new TgkVisualObject();
  auto* c = new TgkVisualObject();
  for (auto* o : {a, b, c}) o->SetParent(root.get());
  EXPECT_EQ(c->Scene(), &host);
  EXPECT_EQ(root->GetChild(3), nullptr);
  EXPECT_EQ(root->GetChild(-1), nullptr);
  a->BringToFront();
  EXPECT_EQ(root->GetChild(2), a);
  c->SendToBack();
  EXPECT_EQ(root->GetChild(0), c);
  EXPECT_THROW(root->SetParent(a), EComponentError);  // no cycles

  delete b;  // a child freed first leaves its parent
  EXPECT_EQ(root->ChildrenCount(), 2);
  EXPECT_EQ(host.destroyed.back(), b);
  root.reset();  // frees the rest and leaves the host's root list
  EXPECT_TRUE(host.roots.empty());
  EXPECT_EQ(host.destroyed.size(), 4u);
}

TEST(Tree, OwnerAndParentFreeEachObjectOnce) {
  auto owner = std::make_unique<TComponent>();
  auto* root = new TgkDummy(owner.get());
  auto* child = new TgkDummy(owner.get());
  auto* grandchild = new TgkLight(owner.get());
  child->SetParent(root);
  grandchild->SetParent(child);
  child->SetName("Child");
  EXPECT_EQ(owner->ComponentCount(), 3);
  delete child;  // takes its child along and leaves the owner
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(root->ChildrenCount(), 0);
  auto* again = new TgkDummy(owner.get());
  again->SetParent(root);
  owner.reset();  // no double free (checked by the sanitizer build)
}

TEST(Tree, FindResourceSearchesDepthFirst) {
  TgkObject root;
  auto* a = new TgkObject();
  auto* a1 = new TgkObject();
  auto* b = new TgkObject();
  a->SetParent(&root);
  a1->SetParent(a);
  b->SetParent(&root);
  a1->SetResourceName("Style");
  b->SetResourceName("style");
  EXPECT_EQ(root.FindResource("STYLE"), a1);
  EXPECT_EQ(root.FindResource("none"), nullptr);
}

// ---------------------------------------------------------------- render pass

TEST(RenderPass, TreeOrderStatesAndSkippedChildren) {
  RecordingCanvas canvas;
  TgkVisualObject root;
  TBox* first = AddBox(root, {1, 0, 0});
  TBox* flat_x = AddBox(root, {2, 0, 0});
  flat_x->Scale().SetX(0.005f);
  AddBox(*flat_x, {0, 0, 0});  // hidden with its parent
  TBox* flat_z = AddBox(root, {3, 0, 0});
  flat_z->Scale().SetZ(0);  // still drawn
  TBox* hidden = AddBox(root, {4, 0, 0});
  hidden->SetVisible(false);
  TBox* special = AddBox(root, {5, 0, 0});
  special->SetZWrite(false);
  special->SetTwoSide(true);
  special->SetProjection(true);
  TBox* nested = AddBox(*first, {0, 1, 0});
  root.SetCanvas(&canvas);

  root.PaintChildren();
  ASSERT_EQ(canvas.draws.size(), 4u);
  // Parent before its children, children in list order.
  EXPECT_EQ(canvas.draws[0].world, first->GetAbsoluteMatrix());
  EXPECT_EQ(canvas.draws[1].world, nested->GetAbsoluteMatrix());
  EXPECT_EQ(canvas.draws[2].world, flat_z->GetAbsoluteMatrix());
  EXPECT_EQ(canvas.draws[3].world, special->GetAbsoluteMatrix());
  EXPECT_TRUE(canvas.draws[0].StateSet(rsZWriteOn));
  EXPECT_TRUE(canvas.draws[0].StateSet(rsCameraMatrix));
  EXPECT_TRUE(canvas.draws[0].StateSet(rsCullCCW));
  EXPECT_TRUE(canvas.draws[3].StateSet(rsZWriteOff));
  EXPECT_TRUE(canvas.draws[3].StateSet(rsScreenMatrix));
  EXPECT_TRUE(canvas.draws[3].StateSet(rsCullNone));

  // BringToFront changes the draw order.
  canvas.ClearLog();
  first->BringToFront();
  root.PaintChildren();
  ASSERT_EQ(canvas.draws.size(), 4u);
  EXPECT_EQ(canvas.draws[0].world, flat_z->GetAbsoluteMatrix());
  EXPECT_EQ(canvas.draws[3].world, nested->GetAbsoluteMatrix());
}

TEST(RenderPass, LightsRegisterWhenEnabled) {
  RecordingCanvas canvas;
  TgkVisualObject root;
  auto* on = new TgkLight();
  auto* off = new TgkLight();
  auto* holder = new TgkDummy();
  auto* deep = new TgkLight();
  on->SetParent(&root);
  off->SetParent(&root);
  holder->SetParent(&root);
  deep->SetParent(holder);
  off->SetEnabled(false);
  deep->SetLightType(gkLightSpot);
  root.SetCanvas(&canvas);
  root.CollectLights();
  ASSERT_EQ(canvas.Lights().size(), 2u);
  EXPECT_EQ(canvas.Lights()[0], on);
  EXPECT_EQ(canvas.Lights()[1], deep);
  // Outside design mode neither camera nor light draws anything.
  root.PaintChildren();
  EXPECT_TRUE(canvas.draws.empty());
}

// ---------------------------------------------------------------- picking

// Without a camera the camera ray starts at the origin and the window centre looks down -Z.
struct PickScene {
  RecordingCanvas canvas{640, 480};
  TgkVisualObject root;
  TgkVisualObject* Pick(bool screen, float x = 320, float y = 240) {
    root.SetCanvas(&canvas);  // the override reaches the objects present now
    float distance = kPickFar;
    return root.ObjectAtPoint(screen, distance, x, y);
  }
};

TEST(Picking, NearerSiblingWinsWhateverTheOrder) {
  PickScene s;
  TBox* near = AddBox(s.root, {0, 0, -5});
  TBox* far = AddBox(s.root, {0, 0, -8});
  EXPECT_EQ(s.Pick(false), near);
  near->BringToFront();  // now visited first
  EXPECT_EQ(s.Pick(false), near);
  far->SetVisible(false);
  EXPECT_EQ(s.Pick(false), near);
  near->SetHitTest(false);
  far->SetVisible(true);
  EXPECT_EQ(s.Pick(false), far);
}

TEST(Picking, ChildWinsOverItsParent) {
  PickScene s;
  TBox* parent = AddBox(s.root, {0, 0, -5}, 2);
  TBox* child = AddBox(*parent, {0, 0, -3}, 1);  // behind the parent
  TBox* sibling = AddBox(s.root, {0, 0, -2.5f}, 1);
  // The parent's child is farther than the sibling: the nearer sibling still wins ...
  EXPECT_EQ(s.Pick(false), sibling);
  sibling->SetVisible(false);
  // ... and over its own parent the hit child wins.
  EXPECT_EQ(s.Pick(false), child);
  child->SetHitTest(false);
  EXPECT_EQ(s.Pick(false), parent);
}

TEST(Picking, PlainObjectCatchesEveryRayAndHelpersNeverHit) {
  PickScene s;
  auto* dummy = new TgkDummy();
  dummy->SetWidth(50), dummy->SetHeight(50), dummy->SetDepth(50);
  dummy->SetParent(&s.root);
  auto* camera = new TgkCamera();
  camera->Position().SetPoint({0, 0, -3});
  camera->SetParent(&s.root);
  auto* light = new TgkLight();
  light->Position().SetPoint({0, 0, -4});
  light->SetParent(&s.root);
  EXPECT_EQ(s.Pick(false), &s.root);  // nothing else takes the click
  EXPECT_EQ(s.Pick(false, 0, 0), &s.root);
  s.root.SetHitTest(false);
  EXPECT_EQ(s.Pick(false), nullptr);
}

TEST(Picking, HelpersHitByTheirBoxInDesignMode) {
  PickScene s;
  s.root.SetHitTest(false);
  auto* dummy = new TgkDummy();
  dummy->SetWidth(2), dummy->SetHeight(2), dummy->SetDepth(2);
  dummy->Position().SetPoint({0, 0, -10});
  dummy->SetParent(&s.root);
  auto* light = new TgkLight();
  light->Position().SetPoint({0, 0, -6});
  light->SetParent(&s.root);
  EXPECT_EQ(s.Pick(false), nullptr);
  dummy->SetDesigning(true);
  EXPECT_EQ(s.Pick(false), dummy);
  EXPECT_EQ(s.Pick(false, 0, 0), nullptr) << "a ray beside the box misses it";
  light->SetDesigning(true);
  EXPECT_EQ(s.Pick(false), light) << "the nearer helper wins";
}

TEST(Picking, ScreenAndCameraRoundsAreSeparate) {
  PickScene s;
  s.root.SetHitTest(false);
  TBox* panel = AddBox(s.root, {320, 240, 0}, 100);
  panel->SetProjection(true);
  TBox* model = AddBox(s.root, {0, 0, -5});
  EXPECT_EQ(s.Pick(true), panel);
  EXPECT_EQ(s.Pick(false), model);
  EXPECT_EQ(s.Pick(true, 10, 10), nullptr);  // outside the panel
  // A child added under a screen object takes the screen projection.
  auto* inner = new TBox();
  inner->SetParent(panel);
  EXPECT_TRUE(inner->IsScreenProjection());
}

TEST(Picking, NothingWithoutCanvasOrWhenInvisible) {
  TgkVisualObject root;
  float distance = kPickFar;
  EXPECT_EQ(root.ObjectAtPoint(false, distance, 1, 1), nullptr);
  PickScene s;
  EXPECT_EQ(s.Pick(false), &s.root);
  s.root.SetVisible(false);
  EXPECT_EQ(s.Pick(false), nullptr);
}

TEST(Picking, ThroughTheWindowCameraRig) {
  // The main window's rig: the camera circles the origin and looks at it.
  PickScene s;
  auto* cz = new TgkDummy();
  cz->SetParent(&s.root);
  cz->RotateAngle().SetZ(-33);
  auto* cx = new TgkDummy();
  cx->SetParent(cz);
  cx->RotateAngle().SetX(20);
  auto* camera = new TgkCamera();
  camera->SetParent(cx);
  TBox* model = AddBox(s.root, {0, 0, 0});
  TBox* behind = AddBox(s.root, {0, 0, 0}, 0.5f);  // inside the model, farther
  s.root.SetCanvas(&s.canvas);
  s.canvas.SetCamera(camera);
  EXPECT_EQ(s.Pick(false), model);
  EXPECT_EQ(s.Pick(false, 1, 1), &s.root);  // beside the model
  model->SetVisible(false);
  EXPECT_EQ(s.Pick(false), behind);
  // The rig orbits the origin: turned further it still looks at the model ...
  model->SetVisible(true);
  cz->RotateAngle().SetX(90);
  s.canvas.SetCamera(camera);
  EXPECT_EQ(s.Pick(false), model);
  // ... which leaves the window centre when it moves aside.
  model->Position().SetPoint({3, 3, 3});
  behind->SetVisible(false);
  EXPECT_EQ(s.Pick(false), &s.root);
}

TEST(Picking, DragTargetsMustAccept) {
  PickScene s;
  TBox* near = AddBox(s.root, {0, 0, -5});
  TBox* far = AddBox(s.root, {0, 0, -8});
  far->OnDragOver = [](TPersistent*, const TgkDragObject& data, const TgkPoint&, bool& accept) {
    accept = data.Text == "mesh";
  };
  s.root.SetCanvas(&s.canvas);
  TgkDragObject data{nullptr, "mesh"};
  float distance = kPickFar;
  EXPECT_EQ(s.root.DragTargetAt({320, 240, 0}, false, distance, data), far);
  data.Text = "other";
  distance = kPickFar;
  EXPECT_EQ(s.root.DragTargetAt({320, 240, 0}, false, distance, data), nullptr);
  EXPECT_NE(near, nullptr);
}

TEST(RenderPass, DragTargetIsHighlighted) {
  RecordingCanvas canvas;
  TgkVisualObject root;
  TBox* box = AddBox(root, {0, 0, 0}, 2);
  root.SetCanvas(&canvas);
  box->DragEnter({}, {});
  EXPECT_TRUE(box->IsDragOver());
  root.PaintChildren();
  ASSERT_EQ(canvas.draws.size(), 2u);
  const auto& glow = canvas.draws[1];
  EXPECT_EQ(glow.diffuse, 0xB2005ACCu);
  EXPECT_FLOAT_EQ(glow.opacity, 0.4f);
  EXPECT_FLOAT_EQ(glow.size.X, 2.01f);
  EXPECT_TRUE(glow.StateSet(rsLightingOff));
  EXPECT_TRUE(glow.StateSet(rsTexDisable));
  box->SetDragDisableHighlight(true);
  canvas.ClearLog();
  root.PaintChildren();
  EXPECT_EQ(canvas.draws.size(), 1u);
  box->DragLeave();
  EXPECT_FALSE(box->IsDragOver());
}

// ---------------------------------------------------------------- input

TEST(Input, CaptureFocusAndWheel) {
  TObjectTestHost host;
  TgkVisualObject root;
  root.SetRootOf(&host);
  auto* a = new TgkVisualObject();
  auto* b = new TgkVisualObject();
  a->SetParent(&root);
  b->SetParent(&root);
  a->AutoCapture = b->AutoCapture = true;
  b->SetCanFocused(true);
  int downs = 0;
  a->OnMouseDown = [&](TPersistent* sender, TMouseButton, TShiftState, float x, float) {
    EXPECT_EQ(sender, a);
    EXPECT_FLOAT_EQ(x, 3);
    ++downs;
  };
  TgkVector ray{};
  a->MouseDown(mbLeft, 0, 3, 4, ray, ray);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(host.Captured(), a);
  EXPECT_TRUE(host.mouse_captured);
  b->MouseDown(mbLeft, 0, 0, 0, ray, ray);  // pushed on top of a
  EXPECT_EQ(host.Captured(), b);
  EXPECT_EQ(host.Focused(), b);
  EXPECT_TRUE(b->IsFocused());
  b->MouseUp(mbLeft, 0, 0, 0, ray, ray);
  EXPECT_EQ(host.Captured(), a);
  EXPECT_TRUE(host.mouse_captured);
  a->MouseUp(mbLeft, 0, 0, 0, ray, ray);
  EXPECT_EQ(host.Captured(), nullptr);
  EXPECT_FALSE(host.mouse_captured);

  host.mouse = {7, 8, 0};
  TgkPoint seen{-1, -1, -1};
  a->OnMouseWheel = [&](TPersistent*, TShiftState, int delta, const TgkPoint& p, bool& handled) {
    seen = p;
    handled = delta > 0;
  };
  bool handled = false;
  a->MouseWheel(0, 120, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(seen, MakePoint(7, 8, 0));
  TgkVisualObject lone;  // without a host the position is (0, 0, 0)
  lone.OnMouseWheel = a->OnMouseWheel;
  lone.MouseWheel(0, 120, handled);
  EXPECT_EQ(seen, MakePoint(0, 0, 0));

  // Freeing the captured or focused object makes the host forget it.
  b->MouseDown(mbLeft, 0, 0, 0, ray, ray);
  delete b;
  EXPECT_EQ(host.Focused(), nullptr);
}

TEST(Input, AutomaticDragStartsInsteadOfMouseDown) {
  TObjectTestHost host;
  TgkVisualObject root;
  root.SetRootOf(&host);
  root.SetDragMode(gkDragAutomatic);
  bool down = false;
  root.OnMouseDown = [&](TPersistent*, TMouseButton, TShiftState, float, float) { down = true; };
  TgkVector ray{};
  root.MouseDown(mbLeft, 0, 0, 0, ray, ray);
  EXPECT_EQ(host.dragged, &root);
  EXPECT_FALSE(down);
}

TEST(Repaint, RequestsFramesForChangesAndHiding) {
  TObjectTestHost host;
  TgkVisualObject root;
  root.SetRootOf(&host);
  host.renders = 0;
  root.Position().SetX(1);
  EXPECT_GT(host.renders, 0);
  host.renders = 0;
  root.SetVisible(false);  // the host must draw the scene without it
  EXPECT_GT(host.renders, 0);
  host.renders = 0;
  root.Position().SetX(2);  // invisible objects ask for nothing
  EXPECT_EQ(host.renders, 0);
  root.SetVisible(true);
  host.real_time = true;  // a real-time host renders anyway
  host.renders = 0;
  root.Position().SetX(3);
  EXPECT_EQ(host.renders, 0);
}

}  // namespace
