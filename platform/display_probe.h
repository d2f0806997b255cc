// Which display the program's window would open on, read from the environment before the
// windowing library is started: X11 where DISPLAY names one, else Wayland where
// WAYLAND_DISPLAY does, else none at all. Only the library of the named display is tried,
// so that a display that cannot be opened is reported as such instead of some other
// library's complaint on the terminal.
#pragma once

#include <string>

enum class TDisplayKind {
  None,     // neither DISPLAY nor WAYLAND_DISPLAY: no desktop session to show a window in
  X11,      // DISPLAY
  Wayland,  // WAYLAND_DISPLAY (without DISPLAY)
  Driver,   // SDL_VIDEODRIVER chooses the windowing library itself (tests: "offscreen")
};

struct TDisplayChoice {
  TDisplayKind kind = TDisplayKind::None;
  std::string name;     // the display as named ("" for None)
  std::string drivers;  // the windowing library's drivers to try, in order
};

TDisplayChoice ConfiguredDisplay();

// True when the window of this choice opens on Wayland: WAYLAND_DISPLAY alone, or
// SDL_VIDEODRIVER naming "wayland" first.
bool OpensOnWayland(const TDisplayChoice& choice);

// Why a Wayland display cannot be reached (its socket missing, or no runtime folder to
// find it in), or "" when its socket exists. Checked first because libwayland writes its
// own complaint to the terminal.
std::string WaylandSocketProblem(const std::string& display);
