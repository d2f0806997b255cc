#include "platform/display_scale.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace {

std::optional<double> PositiveNumber(const std::string& text) {
  // The C library's parser would follow the locale's decimal comma.
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double value = 0;
  in >> std::ws >> value;
  if (in.fail() || !(value > 0) || !std::isfinite(value)) return std::nullopt;
  in >> std::ws;
  if (!in.eof()) return std::nullopt;
  return value;
}

}  // namespace

float QuantiseScale(double value) {
  return static_cast<float>(std::clamp(std::round(value * 4) / 4, 1.0, 3.0));
}

std::optional<float> ScaleFromGdkScale(const std::string& text) {
  const auto value = PositiveNumber(text);
  if (!value) return std::nullopt;
  return QuantiseScale(*value);
}

std::optional<float> ScaleFromXResources(const std::string& resources) {
  std::istringstream lines(resources);
  for (std::string line; std::getline(lines, line);) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string name = line.substr(0, colon);
    name.erase(
        std::remove_if(name.begin(), name.end(), [](char c) { return c == ' ' || c == '\t'; }),
        name.end());
    if (name != "Xft.dpi") continue;
    if (const auto dpi = PositiveNumber(line.substr(colon + 1))) return QuantiseScale(*dpi / 96);
    return std::nullopt;
  }
  return std::nullopt;
}

float DisplayScale() {
  if (const char* gdk = std::getenv("GDK_SCALE"); gdk && *gdk) {
    if (const auto scale = ScaleFromGdkScale(gdk)) return *scale;
  }
  if (const char* name = std::getenv("DISPLAY"); name && *name) {
    std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(name), XCloseDisplay);
    if (display) {
      if (const char* resources = XResourceManagerString(display.get())) {
        if (const auto scale = ScaleFromXResources(resources)) return *scale;
      }
    }
  }
  return 1;
}
