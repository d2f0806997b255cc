// The scene in a real (headless) window: property changes, resizes and input arrive
// through the event loop, and many requests in one turn give one frame.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "platform/event_loop.h"
#include "platform/shell.h"
#include "scene/layer.h"
#include "scene/scene_window.h"
#include "scene/shape.h"
#include "tests/scene/scene_host_support.h"
#include "tests/support/sdl_events.h"

namespace {

class SceneWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    previous_ = SetErrorReporter([this](const std::string& m) { errors_.push_back(m); });
    loop_ = std::make_unique<TEventLoop>(timers_);
    TWindowOptions options;
    options.width = 1066;
    options.height = 657;
    window_ = std::make_unique<TWindow>(*loop_, options);
    root_ = new TgkVisualObject(&form_);
    scene_.AddObject(root_);
    top_ = new TgkLayer(&form_);
    top_->SetParent(root_);
    top_->SetProjection(true);
    top_->SetHeight(62);
    top_->SetLayerAlign(gkLayerTop);
    cube_ = new TgkCube(&form_);
    cube_->SetParent(root_);
    link_ = std::make_unique<TgkSceneWindow>(*window_, scene_, canvas_window_);
    loop_->ProcessPending();
  }
  void TearDown() override {
    link_.reset();
    window_.reset();
    loop_.reset();
    SetErrorReporter(previous_);
  }
  void PushButton(bool down, int x, int y) {
    SDL_Event e = testsupport::MouseButtonEvent(window_->Id(), down, SDL_BUTTON_LEFT, x, y);
    SDL_PushEvent(&e);
  }
  void PushMotion(int x, int y) {
    SDL_Event e = testsupport::MouseMotionEvent(window_->Id(), x, y);
    SDL_PushEvent(&e);
  }

  TUseHostTestCanvas use_canvas_;
  TTimerService timers_;
  std::unique_ptr<TEventLoop> loop_;
  std::unique_ptr<TWindow> window_;
  TgkCanvasWindow canvas_window_;
  TgkScene scene_;
  TComponent form_;
  TgkVisualObject* root_ = nullptr;
  TgkLayer* top_ = nullptr;
  TgkCube* cube_ = nullptr;
  std::unique_ptr<TgkSceneWindow> link_;
  std::vector<std::string> errors_;
  TErrorReporter previous_;
};

}  // namespace

TEST_F(SceneWindowTest, TenPropertyChangesGiveOneFrame) {
  ASSERT_NE(scene_.Canvas(), nullptr);
  const auto frames = scene_.FrameCount();
  const auto painted = window_->FramesPainted();
  scene_.SetFillColor(0xFFDFDFDF);
  scene_.SetAmbientColor(0xFF101010);
  scene_.SetLighting(false);
  cube_->Position().SetX(0.25f);
  cube_->Position().SetZ(0.5f);
  cube_->RotateAngle().SetZ(30);
  cube_->SetOpacity(0.5f);
  top_->SetModulationColor(0xFFFF0000);
  top_->SetOpacity(0.9f);
  root_->Scale().SetY(2);
  loop_->ProcessPending();
  EXPECT_EQ(scene_.FrameCount(), frames + 1);
  EXPECT_EQ(window_->FramesPainted(), painted + 1);
  loop_->ProcessPending();
  EXPECT_EQ(scene_.FrameCount(), frames + 1) << "nothing changed, nothing drawn";
}

TEST_F(SceneWindowTest, AResizeLaysOutTheLayersAndDrawsOnce) {
  EXPECT_EQ(top_->Width(), 1068);
  const auto frames = scene_.FrameCount();
  window_->SetSize(700, 500);
  window_->SetSize(800, 600);
  loop_->ProcessPending();
  EXPECT_EQ(scene_.Width(), 800);
  EXPECT_EQ(scene_.Canvas()->Width(), 800);
  EXPECT_EQ(top_->Width(), 802);
  EXPECT_EQ(top_->Position().X(), 400);
  EXPECT_EQ(scene_.FrameCount(), frames + 1);
}

TEST_F(SceneWindowTest, WindowInputReachesTheObjectsAndCaptureHoldsTheWindowMouse) {
  std::vector<std::string> log;
  root_->AutoCapture = true;
  root_->OnMouseDown = [&](TPersistent*, TMouseButton, TShiftState, float x, float y) {
    log.push_back("root down " + std::to_string(int(x)) + "," + std::to_string(int(y)));
  };
  root_->OnMouseMove = [&](TPersistent*, TShiftState, float, float, float, float) {
    log.push_back("root move");
  };
  root_->OnMouseUp = [&](TPersistent*, TMouseButton, TShiftState, float, float) {
    log.push_back("root up");
  };
  top_->OnMouseMove = [&](TPersistent*, TShiftState, float, float, float, float) {
    log.push_back("top move");
  };
  PushButton(true, 100, 400);
  loop_->ProcessPending();
  EXPECT_TRUE(window_->MouseCaptureWanted());
  PushMotion(500, 20);  // over the tool bar
  PushButton(false, 500, 20);
  loop_->ProcessPending();
  EXPECT_FALSE(window_->MouseCaptureWanted());
  PushMotion(500, 21);
  loop_->ProcessPending();
  EXPECT_EQ(log,
            (std::vector<std::string>{"root down 100,400", "root move", "root up", "top move"}));
}

TEST_F(SceneWindowTest, AnErrorInAnObjectHandlerIsReportedAndTheWindowStaysUsable) {
  root_->OnMouseDown = [](TPersistent*, TMouseButton, TShiftState, float, float) {
    throw std::runtime_error("Cannot read the model");
  };
  int moves = 0;
  root_->OnMouseMove = [&](TPersistent*, TShiftState, float, float, float, float) { ++moves; };
  PushButton(true, 100, 400);
  PushMotion(101, 400);
  loop_->ProcessPending();
  EXPECT_EQ(errors_, std::vector<std::string>{"Cannot read the model"});
  EXPECT_EQ(moves, 1);
}

TEST_F(SceneWindowTest, RealTimeModeTicksAndDrawsWithoutRequests) {
  int ticks = 0;
  root_->OnTick = [&](TPersistent*, float, float) { ++ticks; };
  scene_.SetRealTimeSleep(2);
  const auto frames = scene_.FrameCount();
  scene_.SetRealTime(true);
  loop_->RunUntil([&] { return ticks >= 3; });
  EXPECT_GE(scene_.FrameCount(), frames + 3);
  scene_.SetRealTime(false);
  loop_->ProcessPending();
  const auto after = scene_.FrameCount();
  for (int i = 0; i < 5; ++i) loop_->ProcessPending();
  EXPECT_EQ(scene_.FrameCount(), after) << "back to frames on request";
}

TEST(SceneWindowWait, AWaitedAnimationKeepsTheViewportDrawing) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  TUseHostTestCanvas use_canvas;
  TEventLoop loop;  // on the program's timer service, which animations use
  TWindowOptions options;
  options.width = 640;
  options.height = 480;
  TWindow window(loop, options);
  TgkCanvasWindow canvas_window;
  TComponent form;
  TgkScene scene;
  auto* root = new TgkVisualObject(&form);
  scene.AddObject(root);
  auto* panel = new TgkLayer(&form);
  panel->SetParent(root);
  panel->SetProjection(true);
  panel->Position().SetY(-100);
  TgkSceneWindow link(window, scene, canvas_window);
  loop.ProcessPending();
  const auto frames = scene.FrameCount();
  panel->AnimateFloatWait("Position.Y", 150, 0.2f);
  EXPECT_EQ(panel->Position().Y(), 150);
  // The 16 ms animation ticks each moved the panel and each move was drawn.
  EXPECT_GE(scene.FrameCount(), frames + 3);
}
