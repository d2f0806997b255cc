#include "platform/x_resources.h"

#include <X11/Xlib.h>

#include <cstdlib>
#include <memory>

std::string XResourceText() {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return "";
  std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(name), XCloseDisplay);
  if (!display) return "";
  const char* resources = XResourceManagerString(display.get());
  return resources ? resources : "";
}
