// A headless event loop with one window for the window tests: SDL's offscreen driver gives
// a real window with an OpenGL context and no display, and events pushed into SDL's queue
// travel the same road as the desktop's.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/shell.h"
#include "platform/timer_service.h"
#include "platform/window.h"
#include "tests/support/sdl_events.h"

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    previous_reporter_ = SetErrorReporter([this](const std::string& m) { errors_.push_back(m); });
    loop_ = std::make_unique<TEventLoop>(timers_);
    TWindowOptions options;
    options.width = 320;
    options.height = 200;
    window_ = std::make_unique<TWindow>(*loop_, options);
    window_->OnInput = [this](const TInputEvent& e) { inputs_.push_back(e); };
    loop_->ProcessPending();  // the first resize and frame
  }
  void TearDown() override {
    window_.reset();
    loop_.reset();
    SetErrorReporter(previous_reporter_);
  }

  void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }
  void PushButton(bool down, Uint8 button, int x, int y, Uint8 clicks = 1) {
    Push(testsupport::MouseButtonEvent(window_->Id(), down, button, x, y, clicks));
  }
  void PushMotion(int x, int y) { Push(testsupport::MouseMotionEvent(window_->Id(), x, y)); }
  void PushWindowEvent(Uint8 kind) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = window_->Id();
    e.window.event = kind;
    Push(e);
  }
  void PushKey(bool down, SDL_Keycode key, Uint16 mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = window_->Id();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    Push(e);
  }

  TTimerService timers_;
  std::unique_ptr<TEventLoop> loop_;
  std::unique_ptr<TWindow> window_;
  std::vector<TInputEvent> inputs_;
  std::vector<std::string> errors_;
  TErrorReporter previous_reporter_;
};
