// SDL input events as the desktop delivers them, for tests that push them into SDL's queue.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace testsupport {

inline SDL_Event MouseButtonEvent(std::uint32_t window_id, bool down, Uint8 button, int x, int y,
                                  Uint8 clicks = 1) {
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.windowID = window_id;
  e.button.button = button;
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = clicks;
  e.button.x = x;
  e.button.y = y;
  return e;
}

inline SDL_Event MouseMotionEvent(std::uint32_t window_id, int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = window_id;
  e.motion.x = x;
  e.motion.y = y;
  return e;
}

}  // namespace testsupport
