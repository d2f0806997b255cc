#include "scene/scene_window.h"

#include <algorithm>

#include "platform/event_loop.h"

TgkSceneWindow::TgkSceneWindow(TWindow& window, TgkScene& scene, TgkCanvasWindow& canvas_window)
    : window_(window),
      scene_(scene),
      canvas_window_(canvas_window),
      real_time_timer_(window.Loop().Timers()) {
  real_time_timer_.SetEnabled(false);
  real_time_timer_.SetOnTimer([this](TTimer&) { RealTimeTurn(); });
  window_.OnPaint = [this] {
    if (scene_.RealTime()) {
      // Frames come from the real-time steps; a repaint only needs the pacing started.
      if (!real_time_timer_.Enabled()) RealTimeTurn();
      return;
    }
    scene_.Paint();
  };
  window_.OnResize = [this](int w, int h) { scene_.SetSize(w, h); };
  window_.OnInput = [this](const TInputEvent& e) { scene_.HandleInput(e); };
  window_.MakeCurrent();
  scene_.AttachView(this, window_.DrawableWidth(), window_.DrawableHeight());
}

TgkSceneWindow::~TgkSceneWindow() {
  window_.OnPaint = nullptr;
  window_.OnResize = nullptr;
  window_.OnInput = nullptr;
  window_.MakeCurrent();
  scene_.DetachView();
}

void TgkSceneWindow::InvalidateView() {
  window_.Invalidate();
  if (scene_.RealTime() && !real_time_timer_.Enabled()) RealTimeTurn();
}

void TgkSceneWindow::TakeViewFocus() {
  if (!window_.HasKeyboardFocus()) window_.TakeKeyboardFocus();
}

void TgkSceneWindow::RealTimeTurn() {
  if (!scene_.RealTime()) {
    real_time_timer_.SetEnabled(false);
    return;
  }
  const TTimerService& timers = window_.Loop().Timers();
  scene_.RealTimeStep(static_cast<double>(timers.NowMs()) / 1000.0);
  // A zero pause still yields to the loop, so input keeps flowing between frames.
  real_time_timer_.SetInterval(static_cast<uint32_t>(std::max(1, scene_.RealTimeSleep())));
  real_time_timer_.SetEnabled(true);
}
