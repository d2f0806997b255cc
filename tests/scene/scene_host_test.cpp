// The scene host: frames on request, picking across the tree (layers before meshes, the
// root catching the rest), hover, the capture chain, release and wheel routing, keyboard
// focus, the edge layout of screen layers, and forgetting freed objects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/layer.h"
#include "scene/shape.h"
#include "scene/visual_object.h"
#include "tests/scene/scene_host_support.h"

namespace {

TInputEvent Mouse(TInputKind kind, float x, float y, TMouseButton b = mbLeft) {
  TInputEvent e;
  e.kind = kind;
  e.button = b;
  e.x = x;
  e.y = y;
  return e;
}

TInputEvent Wheel(int delta) {
  TInputEvent e;
  e.kind = TInputKind::MouseWheel;
  e.wheel_delta = delta;
  return e;
}

// The main window's tree in miniature: Root2 holding the edge panels, a small hint layer in
// the middle, the camera and a unit cube in the middle of the view.
class SceneHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scene_.AttachView(&view_, 1066, 657);
    root_ = new TgkVisualObject(&form_);
    scene_.AddObject(root_);
    right_ = AddLayer(gkLayerRight, 279, 597, 928, 359);
    left_ = AddLayer(gkLayerLeft, 256, 597, 127, 359);
    hint_ = AddLayer(gkLayerNone, 40, 40, 513, 328);
    camera_ = new TgkCamera(&form_);
    camera_->SetParent(root_);
    mesh_owner_ = new TgkDummy(&form_);
    mesh_owner_->SetParent(root_);
    cube_ = new TgkCube(&form_);
    cube_->SetParent(mesh_owner_);
    top_ = AddLayer(gkLayerTop, 1068, 62, 533, 30);
    scene_.SetCamera(camera_);
    for (TgkVisualObject* o :
         {root_, static_cast<TgkVisualObject*>(cube_), static_cast<TgkVisualObject*>(hint_),
          static_cast<TgkVisualObject*>(top_)}) {
      Record(o);
    }
    scene_.RealignLayers();
    scene_.Render();  // the view through the camera, as the user sees it before a click
  }

  TgkLayer* AddLayer(TgkLayerAlign align, float w, float h, float x, float y) {
    auto* layer = new TgkLayer(&form_);
    layer->SetParent(root_);
    layer->SetProjection(true);
    layer->SetWidth(w);
    layer->SetHeight(h);
    layer->Position().SetPoint({x, y, 0});
    layer->SetLayerAlign(align);
    return layer;
  }

  std::string NameOf(TPersistent* o) const {
    if (o == root_) return "root";
    if (o == cube_) return "cube";
    if (o == hint_) return "hint";
    if (o == top_) return "top";
    return "?";
  }

  void Record(TgkVisualObject* o) {
    o->OnMouseDown = [this](TPersistent* s, TMouseButton, TShiftState, float, float) {
      log_.push_back(NameOf(s) + " down");
    };
    o->OnMouseMove = [this](TPersistent* s, TShiftState, float, float, float, float) {
      log_.push_back(NameOf(s) + " move");
    };
    o->OnMouseUp = [this](TPersistent* s, TMouseButton, TShiftState, float, float) {
      log_.push_back(NameOf(s) + " up");
    };
  }

  void Send(const TInputEvent& e) { scene_.HandleInput(e); }
  THostTestCanvas& Canvas() { return static_cast<THostTestCanvas&>(*scene_.Canvas()); }

  TUseHostTestCanvas use_canvas_;
  THostTestView view_;
  TgkScene scene_;
  TComponent form_;  // owns the objects; freed before the scene
  TgkVisualObject* root_ = nullptr;
  TgkLayer *right_ = nullptr, *left_ = nullptr, *hint_ = nullptr, *top_ = nullptr;
  TgkCamera* camera_ = nullptr;
  TgkDummy* mesh_owner_ = nullptr;
  TgkCube* cube_ = nullptr;
  std::vector<std::string> log_;
};

// Points of the 1066 x 657 view: on the hint layer (which covers the cube's left half), on
// the cube beside it, on the tool bar, and on empty background.
constexpr float kHintX = 513, kHintY = 328;
constexpr float kCubeX = 548, kCubeY = 328;
constexpr float kTopX = 533, kTopY = 20;
constexpr float kEmptyX = 700, kEmptyY = 500;

}  // namespace

TEST_F(SceneHostTest, PickingPrefersLayersThenMeshesThenTheRoot) {
  EXPECT_EQ(scene_.ObjectAtPoint(kHintX, kHintY), hint_);
  EXPECT_EQ(scene_.ObjectAtPoint(kCubeX, kCubeY), cube_);
  EXPECT_EQ(scene_.ObjectAtPoint(kTopX, kTopY), top_);
  EXPECT_EQ(scene_.ObjectAtPoint(kEmptyX, kEmptyY), root_);
  EXPECT_EQ(scene_.ObjectAtPoint(10, 300), left_);
  EXPECT_EQ(scene_.ObjectAtPoint(1060, 300), right_);
  Send(Mouse(TInputKind::MouseDown, kHintX, kHintY));
  Send(Mouse(TInputKind::MouseUp, kHintX, kHintY));
  Send(Mouse(TInputKind::MouseDown, kCubeX, kCubeY));
  Send(Mouse(TInputKind::MouseUp, kCubeX, kCubeY));
  Send(Mouse(TInputKind::MouseDown, kEmptyX, kEmptyY));
  EXPECT_EQ(log_, (std::vector<std::string>{"hint down", "hint up", "cube down", "cube up",
                                            "root down"}));
  EXPECT_GE(view_.focus_requests, 3) << "a press gives the scene window the keyboard focus";
}

TEST_F(SceneHostTest, HiddenLayersAndNonVisualRootsDoNotBlockPicking) {
  hint_->SetVisible(false);
  EXPECT_EQ(scene_.ObjectAtPoint(kHintX, kHintY), cube_);
  // A plain object after Root2 in the root list must not hide Root2's tree from the pointer.
  auto* stray = new TgkObject(&form_);
  scene_.AddObject(stray);
  ASSERT_EQ(scene_.Roots().back(), stray);
  EXPECT_EQ(scene_.ObjectAtPoint(kEmptyX, kEmptyY), root_);
}

TEST_F(SceneHostTest, TheFrontRootWinsOverLaterRoots) {
  auto* later = new TgkVisualObject(&form_);
  scene_.AddObject(later);
  // Both plain roots are hit by every ray; the one first in the list wins.
  EXPECT_EQ(scene_.ObjectAtPoint(kEmptyX, kEmptyY), root_);
}

TEST_F(SceneHostTest, CaptureKeepsMovesAndReleaseOnTheCapturedObject) {
  root_->AutoCapture = true;
  Send(Mouse(TInputKind::MouseDown, kEmptyX, kEmptyY));
  EXPECT_EQ(scene_.Captured(), root_);
  EXPECT_TRUE(view_.capture) << "the window holds the mouse while captured";
  Send(Mouse(TInputKind::MouseMove, kTopX, kTopY));  // over the tool bar
  Send(Mouse(TInputKind::MouseMove, kHintX, kHintY));
  Send(Mouse(TInputKind::MouseUp, kHintX, kHintY));
  EXPECT_EQ(log_, (std::vector<std::string>{"root down", "root move", "root move", "root up"}));
  EXPECT_EQ(scene_.Captured(), nullptr);
  EXPECT_FALSE(view_.capture);
  EXPECT_FALSE(top_->IsMouseOver()) << "no hover while captured";
}

TEST_F(SceneHostTest, WithoutCaptureTheReleaseGoesToWhatIsUnderThePointer) {
  Send(Mouse(TInputKind::MouseDown, kCubeX, kCubeY));
  Send(Mouse(TInputKind::MouseMove, kEmptyX, kEmptyY));
  Send(Mouse(TInputKind::MouseUp, kEmptyX, kEmptyY));
  EXPECT_EQ(log_, (std::vector<std::string>{"cube down", "root move", "root up"}));
}

TEST_F(SceneHostTest, HoverFollowsThePointerAndEndsWhenItLeavesTheWindow) {
  Send(Mouse(TInputKind::MouseMove, kTopX, kTopY));
  EXPECT_TRUE(top_->IsMouseOver());
  EXPECT_EQ(scene_.Hovered(), top_);
  Send(Mouse(TInputKind::MouseMove, kHintX, kHintY));
  EXPECT_FALSE(top_->IsMouseOver());
  EXPECT_TRUE(hint_->IsMouseOver());
  TInputEvent leave;
  leave.kind = TInputKind::MouseLeave;
  Send(leave);
  EXPECT_FALSE(hint_->IsMouseOver());
  EXPECT_EQ(scene_.Hovered(), nullptr);
}

TEST_F(SceneHostTest, WheelBubblesUpToTheRootUnlessHandled) {
  std::vector<std::string> wheel;
  auto recorder = [&](const char* name, bool handle) {
    return [&wheel, name, handle](TPersistent*, TShiftState, int delta, const TgkPoint& pos,
                                  bool& handled) {
      wheel.push_back(std::string(name) + " " + std::to_string(delta) + " at " +
                      std::to_string(static_cast<int>(pos.X)));
      handled = handle;
    };
  };
  root_->OnMouseWheel = recorder("root", true);
  mesh_owner_->OnMouseWheel = recorder("owner", false);
  Send(Mouse(TInputKind::MouseMove, kCubeX, kCubeY));
  Send(Wheel(-120));
  EXPECT_EQ(wheel, (std::vector<std::string>{"owner -120 at 548", "root -120 at 548"}));
  wheel.clear();
  cube_->OnMouseWheel = recorder("cube", true);
  Send(Wheel(240));
  EXPECT_EQ(wheel, (std::vector<std::string>{"cube 240 at 548"}));
  wheel.clear();
  // While captured only the captured object hears the wheel.
  hint_->AutoCapture = true;
  hint_->OnMouseWheel = recorder("hint", false);
  Send(Mouse(TInputKind::MouseDown, kHintX, kHintY));
  Send(Wheel(120));
  EXPECT_EQ(wheel, (std::vector<std::string>{"hint 120 at 513"}));
}

TEST_F(SceneHostTest, TheScenesOwnEventsFireFirstEvenWithoutACanvas) {
  std::vector<std::string> order;
  scene_.OnMouseDown = [&](TPersistent*, TMouseButton, TShiftState, int x, int y) {
    order.push_back("scene " + std::to_string(x) + "," + std::to_string(y));
  };
  root_->OnMouseDown = [&](TPersistent*, TMouseButton, TShiftState, float, float) {
    order.push_back("root");
  };
  Send(Mouse(TInputKind::MouseDown, kEmptyX, kEmptyY));
  scene_.DetachView();
  Send(Mouse(TInputKind::MouseDown, kEmptyX, kEmptyY));
  EXPECT_EQ(order, (std::vector<std::string>{"scene 700,500", "root", "scene 700,500"}));
  EXPECT_EQ(scene_.ObjectAtPoint(kEmptyX, kEmptyY), nullptr);
}

TEST_F(SceneHostTest, AFrameDrawsTheRootsInOrderWithTheScenesColours) {
  scene_.SetFillColor(0xFFDFDFDF);
  THostTestCanvas& c = Canvas();
  c.begins = c.ends = 0;
  c.clears.clear();
  c.draws.clear();
  const auto frames = scene_.FrameCount();
  scene_.Render();
  EXPECT_EQ(c.begins, 1);
  EXPECT_EQ(c.ends, 1);
  ASSERT_EQ(c.clears, std::vector<uint32_t>{0xFFDFDFDF});
  EXPECT_EQ(c.Ambient(), TgkScene::kDefaultAmbientColor);
  EXPECT_EQ(c.Camera(), camera_);
  // The 3D scene (the cube) first, then the layers over it in tree order: the right, left
  // and hint layers, then the tool bar.
  ASSERT_EQ(c.draws.size(), 5u);
  EXPECT_FALSE(c.draws[0].screen) << "the cube";
  EXPECT_EQ(c.draws[1].mesh, &right_->ScreenQuad());
  for (size_t i = 1; i < 5; ++i) EXPECT_TRUE(c.draws[i].screen) << i;
  EXPECT_EQ(c.draws[4].mesh, &top_->ScreenQuad());
  EXPECT_EQ(scene_.FrameCount(), frames + 1);
  // A failing BeginScene draws nothing but still ends the frame.
  c.begin_ok = false;
  scene_.Render();
  EXPECT_EQ(c.ends, 2);
  EXPECT_EQ(c.draws.size(), 5u);
}

TEST_F(SceneHostTest, RequestsAreIgnoredWhileUpdatingAndCaughtUpAfter) {
  const int before = view_.invalidations;
  scene_.BeginUpdate();
  cube_->Position().SetX(0.5f);
  scene_.SetFillColor(0xFF000000);
  EXPECT_EQ(view_.invalidations, before);
  scene_.EndUpdate();
  EXPECT_EQ(view_.invalidations, before + 1);
  scene_.SetFillColor(0xFF000000);  // unchanged: no request
  EXPECT_EQ(view_.invalidations, before + 1);
  scene_.SetFillColor(0xFF000001);
  EXPECT_EQ(view_.invalidations, before + 2);
}

TEST_F(SceneHostTest, TheEdgeLayersFollowTheWindowSize) {
  EXPECT_EQ(top_->Position().X(), 533);
  EXPECT_EQ(top_->Position().Y(), 30);
  EXPECT_EQ(top_->Width(), 1068);
  EXPECT_EQ(left_->Position().X(), 127);
  EXPECT_EQ(left_->Position().Y(), 359);
  EXPECT_EQ(left_->Height(), 597);
  EXPECT_EQ(right_->Position().X(), 928);
  EXPECT_EQ(right_->Position().Y(), 359);
  const int resizes = Canvas().resizes;
  scene_.SetSize(800, 600);
  EXPECT_EQ(Canvas().resizes, resizes + 1);
  EXPECT_EQ(Canvas().Width(), 800);
  EXPECT_EQ(top_->Width(), 802);
  EXPECT_EQ(top_->Position().X(), 400);
  EXPECT_EQ(left_->Height(), 540);
  EXPECT_EQ(left_->Width(), 256);
  EXPECT_EQ(right_->Width(), 279);
  EXPECT_EQ(right_->Position().X(), 662);
  EXPECT_EQ(top_->BitmapWidth(), 802);
  EXPECT_EQ(hint_->Position().X(), kHintX) << "a layer without alignment stays";
  scene_.SetSize(584, 462);  // the smallest window
  EXPECT_EQ(top_->Width(), 586);
  EXPECT_EQ(left_->Height(), 402);
  EXPECT_EQ(right_->Position().X(), 446);
  EXPECT_EQ(right_->Position().Y(), 262);
  // Switching a layer's alignment lays the layers out again at once.
  left_->SetLayerAlign(gkLayerNone);
  top_->SetLayerAlign(gkLayerBottom);
  EXPECT_EQ(top_->Position().Y(), 462 + 1 - 31);
}

TEST_F(SceneHostTest, TabMovesTheFocusThroughTheFocusableObjectsAndKeysFollowIt) {
  std::vector<uint16_t> keys;
  for (TgkLayer* l : {right_, left_, hint_, top_}) {
    l->OnKeyDown = [&keys](TPersistent*, uint16_t& key, char32_t& ch, TShiftState) {
      keys.push_back(key ? key : static_cast<uint16_t>(ch));
    };
  }
  TInputEvent tab;
  tab.kind = TInputKind::KeyDown;
  tab.key = vkTab;
  Send(tab);
  EXPECT_EQ(scene_.Focused(), right_);
  EXPECT_TRUE(right_->IsFocused());
  Send(tab);
  EXPECT_EQ(scene_.Focused(), left_);
  EXPECT_FALSE(right_->IsFocused());
  Send(tab);
  Send(tab);
  Send(tab);
  EXPECT_EQ(scene_.Focused(), right_) << "wraps round to the first";
  TInputEvent key;
  key.kind = TInputKind::KeyDown;
  key.key = 'A';
  Send(key);
  TInputEvent ch;
  ch.kind = TInputKind::Char;
  ch.key_char = U'é';
  Send(ch);
  EXPECT_EQ(keys, (std::vector<uint16_t>{'A', 0xE9}));
  // A press on a layer focuses it (layers can take the focus).
  Send(Mouse(TInputKind::MouseDown, kTopX, kTopY));
  EXPECT_EQ(scene_.Focused(), top_);
}

TEST_F(SceneHostTest, FreedObjectsAreForgotten) {
  root_->AutoCapture = true;
  Send(Mouse(TInputKind::MouseDown, kEmptyX, kEmptyY));
  Send(Mouse(TInputKind::MouseMove, kEmptyX, kEmptyY));
  hint_->SetFocus();
  delete hint_;
  EXPECT_EQ(scene_.Focused(), nullptr);
  delete camera_;
  EXPECT_EQ(scene_.Camera(), nullptr);
  delete root_;  // captured and hovered
  EXPECT_EQ(scene_.Captured(), nullptr);
  EXPECT_EQ(scene_.Hovered(), nullptr);
  EXPECT_FALSE(view_.capture);
  EXPECT_TRUE(scene_.Roots().empty());
  Send(Mouse(TInputKind::MouseMove, kHintX, kHintY));
  Send(Mouse(TInputKind::MouseUp, kHintX, kHintY));
  Send(Wheel(120));
  scene_.Render();
}

TEST(SceneHost, TheSceneFreesItsRootsAndTheirOwnerSurvives) {
  TUseHostTestCanvas use_canvas;
  TComponent form;
  {
    THostTestView view;
    TgkScene scene;
    scene.AttachView(&view, 100, 100);
    auto* root = new TgkVisualObject(&form);
    scene.AddObject(root);
    auto* layer = new TgkLayer(&form);
    layer->SetParent(root);
    EXPECT_EQ(form.ComponentCount(), 2);
  }
  EXPECT_EQ(form.ComponentCount(), 0);
}
