// Starts the windowing library's video subsystem when the first holder needs it; it then
// stays up until the process ends. The desktop
// default is X11 (XWayland on Wayland desktops), where window placement and mouse capture
// work; SDL_VIDEODRIVER in the environment still chooses another driver, for example
// "offscreen" for the headless tests, which gives windows with an OpenGL context and no
// display.
#pragma once

#include <string>

class TVideoSystem {
 public:
  // Raises std::runtime_error with the library's reason when no video driver starts.
  TVideoSystem();
  ~TVideoSystem();
  TVideoSystem(const TVideoSystem&) = delete;
  TVideoSystem& operator=(const TVideoSystem&) = delete;

  // The running driver's name ("x11", "wayland", "offscreen", ...).
  static std::string DriverName();
};
