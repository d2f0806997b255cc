// The scale factors the Wayland display's outputs (monitors) announce, read over a short
// connection of our own before the window opens. Bounded: a display that cannot be reached,
// closes the connection or does not answer within the time given yields no scales, so a
// silent server cannot hold up the start.
#pragma once

#include <chrono>
#include <vector>

// One scale per output that completed its description ("done"), in the display's order;
// empty when there is none or the display did not answer in time. The display is the one
// libwayland connects to: WAYLAND_DISPLAY in XDG_RUNTIME_DIR ("wayland-0" when unset).
std::vector<int> WaylandOutputScales(std::chrono::milliseconds timeout);
