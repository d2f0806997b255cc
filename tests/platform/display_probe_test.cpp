// Which display the window opens on, as the environment configures it: whether it is Wayland
// decides where the display scale is read.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/display_probe.h"
#include "tests/support/test_support.h"

namespace {

using testsupport::ScopedEnv;

bool OnWayland(const std::optional<std::string>& driver, const std::optional<std::string>& x11,
               const std::optional<std::string>& wayland) {
  ScopedEnv driver_env("SDL_VIDEODRIVER", driver);
  ScopedEnv x11_env("DISPLAY", x11);
  ScopedEnv wayland_env("WAYLAND_DISPLAY", wayland);
  return OpensOnWayland(ConfiguredDisplay());
}

TEST(DisplayProbe, TheWindowOpensOnWaylandWithoutAnXDisplayOrWhenTheDriverSaysSo) {
  EXPECT_TRUE(OnWayland(std::nullopt, std::nullopt, "wayland-1"));
  EXPECT_TRUE(OnWayland(std::nullopt, "", "wayland-1"));
  EXPECT_TRUE(OnWayland("wayland", ":0", std::nullopt));
  EXPECT_TRUE(OnWayland("wayland,x11", ":0", "wayland-0"));
  // XWayland is preferred where both are there.
  EXPECT_FALSE(OnWayland(std::nullopt, ":0", "wayland-0"));
  EXPECT_FALSE(OnWayland("x11,wayland", std::nullopt, "wayland-0"));
  EXPECT_FALSE(OnWayland("offscreen", std::nullopt, "wayland-0"));
  EXPECT_FALSE(OnWayland("waylandx", std::nullopt, "wayland-0"));
  EXPECT_FALSE(OnWayland(std::nullopt, std::nullopt, std::nullopt));
}

}  // namespace
