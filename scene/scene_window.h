// Shows a TgkScene in a TWindow: the window's frames, size changes and input go to the
// scene, the scene's repaint requests, mouse capture and focus go to the window. Canvas is
// what the renderer's window canvas draws into (for the OpenGL renderer a TglSurfaceTarget
// of the same window). Destroy this link before the scene, the canvas window and the window.
#pragma once

#include "platform/timer_service.h"
#include "platform/window.h"
#include "scene/scene.h"

class TgkSceneWindow final : public TgkSceneView {
 public:
  TgkSceneWindow(TWindow& window, TgkScene& scene, TgkCanvasWindow& canvas_window);
  ~TgkSceneWindow();
  TgkSceneWindow(const TgkSceneWindow&) = delete;
  TgkSceneWindow& operator=(const TgkSceneWindow&) = delete;

  TWindow& Window() const { return window_; }
  TgkScene& Scene() const { return scene_; }

  void InvalidateView() override;
  void SetViewMouseCapture(bool capture) override { window_.SetMouseCapture(capture); }
  void TakeViewFocus() override;
  TgkCanvasWindow* CanvasWindow() override { return &canvas_window_; }

 private:
  void RealTimeTurn();

  TWindow& window_;
  TgkScene& scene_;
  TgkCanvasWindow& canvas_window_;
  // Paces the real-time mode: one step per turn, RealTimeSleep ms apart.
  TTimer real_time_timer_;
};
