#include "platform/video_system.h"

#include <SDL.h>

#include <stdexcept>

#include "platform/display_probe.h"

TVideoSystem::TVideoSystem() {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return;
  // Only the display the environment names (see display_probe.h); a hint at default
  // priority, so that SDL_VIDEODRIVER in the environment still overrides it.
  const TDisplayChoice display = ConfiguredDisplay();
  if (display.kind == TDisplayKind::Wayland) {
    if (const std::string problem = WaylandSocketProblem(display.name); !problem.empty())
      throw std::runtime_error("Cannot open the display: " + problem);
  }
  SDL_SetHint(SDL_HINT_VIDEODRIVER, display.drivers.c_str());
  // The first click into an inactive window is a real click, as users expect.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // Closing is the window's decision (it may refuse), not the library's.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // A desktop tool window: do not switch off the desktop compositor.
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Window contexts on EGL, like the renderer's off-screen context: one GL vendor library
  // on the thread, so the two kinds of context can take turns being current.
  SDL_SetHint(SDL_HINT_VIDEO_X11_FORCE_EGL, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    throw std::runtime_error(std::string("Cannot open the display: ") + SDL_GetError());
  }
  // One extra reference keeps the GL driver loaded when the last window closes (SDL would
  // unload it with that window). Without GL a window reports the reason when it is made.
  SDL_GL_LoadLibrary(nullptr);
}

TVideoSystem::~TVideoSystem() {
  // The subsystem stays up until the process ends: shutting it down unloads the GL driver,
  // which Mesa's drivers do not survive cleanly, and the next window would load it again.
}

std::string TVideoSystem::DriverName() {
  const char* name = SDL_GetCurrentVideoDriver();
  return name ? name : "";
}
