#include "platform/display_probe.h"

#include <sys/stat.h>

#include <cstdlib>

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

TDisplayChoice ConfiguredDisplay() {
  TDisplayChoice choice;
  if (const std::string driver = Env("SDL_VIDEODRIVER"); !driver.empty()) {
    choice.kind = TDisplayKind::Driver;
    choice.name = driver;
    choice.drivers = driver;
  } else if (const std::string x11 = Env("DISPLAY"); !x11.empty()) {
    // XWayland too: placement and mouse capture work there (see TVideoSystem).
    choice.kind = TDisplayKind::X11;
    choice.name = x11;
    choice.drivers = "x11";
  } else if (const std::string wayland = Env("WAYLAND_DISPLAY"); !wayland.empty()) {
    choice.kind = TDisplayKind::Wayland;
    choice.name = wayland;
    choice.drivers = "wayland";
  } else {
    choice.drivers = "x11,wayland";
  }
  return choice;
}

bool OpensOnWayland(const TDisplayChoice& choice) {
  if (choice.kind == TDisplayKind::Wayland) return true;
  // SDL tries a list of drivers in order; the first that starts is used.
  return choice.kind == TDisplayKind::Driver &&
         choice.drivers.substr(0, choice.drivers.find(',')) == "wayland";
}

std::string WaylandSocketProblem(const std::string& display) {
  std::string path = display;
  if (path.empty() || path[0] != '/') {
    const std::string runtime = Env("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime.empty() || runtime[0] != '/' || stat(runtime.c_str(), &info) != 0 ||
        !S_ISDIR(info.st_mode))
      return "XDG_RUNTIME_DIR names no folder, so the Wayland display cannot be found";
    path = runtime + "/" + path;
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode))
    return "no Wayland display socket at " + path;
  return "";
}
