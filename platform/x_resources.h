// The X server's resource text (what `xrdb -query` prints), read on a short connection of
// our own. Kept apart because Xlib's macros (None, Status, ...) clash with our names.
#pragma once

#include <string>

// The resource text of the X display DISPLAY names; "" when it names none, the display
// cannot be opened or it has no resources.
std::string XResourceText();
