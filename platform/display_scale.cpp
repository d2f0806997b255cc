#include "platform/display_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "platform/display_probe.h"
#include "platform/wayland_outputs.h"
#include "platform/x_resources.h"

namespace {

constexpr std::chrono::milliseconds kWaylandAnswerTime{500};

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

std::optional<float> ScaleFromOutputScales(const std::vector<int>& scales) {
  // The largest: the windowing library gives a new window the buffer scale of the largest
  // output before it knows where the window appears, so the drawing matches that; on a
  // smaller output the compositor shrinks it, which stays sharp, where enlarging would blur.
  const auto largest = std::max_element(scales.begin(), scales.end());
  if (largest == scales.end() || *largest <= 0) return std::nullopt;
  return QuantiseScale(*largest);
}

float DisplayScale() {
  if (const char* gdk = std::getenv("GDK_SCALE"); gdk && *gdk) {
    if (const auto scale = ScaleFromGdkScale(gdk)) return *scale;
  }
  if (OpensOnWayland(ConfiguredDisplay())) {
    // Bounded, so that a display that does not answer costs half a second, not the start.
    if (const auto scale = ScaleFromOutputScales(WaylandOutputScales(kWaylandAnswerTime)))
      return *scale;
  }
  if (const auto scale = ScaleFromXResources(XResourceText())) return *scale;
  return 1;
}
