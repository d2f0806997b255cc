// The Wayland outputs' scale, read from a real Wayland server: a small libwayland-server
// display in a thread of the test, announcing outputs as compositors do (geometry, mode,
// scale, done). Also a display that accepts the connection and never answers, which must
// end in no value within the time given.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-server.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/display_scale.h"
#include "platform/wayland_outputs.h"
#include "tests/support/test_support.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ScopedEnv;
using testsupport::TempDir;

struct TFakeOutput {
  int version = 3;  // the wl_output version the global offers
  int scale = 1;
  bool done = true;  // false: the description never ends
};

const struct wl_output_interface kOutputRequests = {
    .release = [](wl_client*, wl_resource* resource) { wl_resource_destroy(resource); },
};

void BindOutput(wl_client* client, void* data, uint32_t version, uint32_t id) {
  wl_resource* resource =
      wl_resource_create(client, &wl_output_interface, static_cast<int>(version), id);
  if (!resource) {
    wl_client_post_no_memory(client);
    return;
  }
  wl_resource_set_implementation(resource, &kOutputRequests, nullptr, nullptr);
  wl_output_send_geometry(resource, 0, 0, 600, 340, WL_OUTPUT_SUBPIXEL_UNKNOWN, "Facetmint", "test",
                          WL_OUTPUT_TRANSFORM_NORMAL);
  wl_output_send_mode(resource, WL_OUTPUT_MODE_CURRENT, 3840, 2160, 60000);
  if (version >= 2) {
    const auto& output = *static_cast<const TFakeOutput*>(data);
    wl_output_send_scale(resource, output.scale);
    if (output.done) wl_output_send_done(resource);
  }
}

// A Wayland display named `name` in XDG_RUNTIME_DIR, served by a thread of its own.
class TFakeWaylandDisplay {
 public:
  TFakeWaylandDisplay(const char* name, std::vector<TFakeOutput> outputs)
      : outputs_(std::move(outputs)), display_(wl_display_create()) {
    if (!display_ || wl_display_add_socket(display_, name) != 0)
      throw std::runtime_error("cannot start the test's Wayland display");
    for (TFakeOutput& output : outputs_)
      wl_global_create(display_, &wl_output_interface, output.version, &output, BindOutput);
    thread_ = std::thread([this] {
      wl_event_loop* loop = wl_display_get_event_loop(display_);
      while (!stop_) {
        wl_event_loop_dispatch(loop, 20);
        wl_display_flush_clients(display_);
      }
    });
  }
  ~TFakeWaylandDisplay() {
    stop_ = true;
    thread_.join();
    wl_display_destroy_clients(display_);
    wl_display_destroy(display_);
  }
  TFakeWaylandDisplay(const TFakeWaylandDisplay&) = delete;
  TFakeWaylandDisplay& operator=(const TFakeWaylandDisplay&) = delete;

 private:
  std::vector<TFakeOutput> outputs_;  // before display_: the globals point into it
  wl_display* display_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A socket that takes connections into its backlog and never reads or answers.
class TSilentDisplay {
 public:
  explicit TSilentDisplay(const std::string& path) : fd_(socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(fd_, 4) != 0)
      throw std::runtime_error("cannot make the silent socket " + path);
  }
  ~TSilentDisplay() { close(fd_); }
  TSilentDisplay(const TSilentDisplay&) = delete;
  TSilentDisplay& operator=(const TSilentDisplay&) = delete;

 private:
  int fd_;
};

// A session where only Wayland is configured: its display is "wayland-test" in a fresh
// runtime folder, and nothing of the desktop running the tests shows through.
class WaylandOutputsTest : public ::testing::Test {
 protected:
  TempDir runtime_;
  ScopedEnv runtime_env_{"XDG_RUNTIME_DIR", runtime_.path()};
  ScopedEnv wayland_{"WAYLAND_DISPLAY", "wayland-test"};
  ScopedEnv socket_{"WAYLAND_SOCKET", std::nullopt};
  ScopedEnv x11_{"DISPLAY", std::nullopt};
  ScopedEnv driver_{"SDL_VIDEODRIVER", std::nullopt};
  ScopedEnv gdk_{"GDK_SCALE", std::nullopt};
};

TEST_F(WaylandOutputsTest, EachOutputReportsTheScaleItAnnounces) {
  {
    TFakeWaylandDisplay display("wayland-test", {{3, 2}});
    EXPECT_EQ(WaylandOutputScales(5s), std::vector<int>{2});
    EXPECT_EQ(DisplayScale(), 2.0f);
  }
  {
    TFakeWaylandDisplay display("wayland-test", {{3, 1}, {2, 3}});
    EXPECT_EQ(WaylandOutputScales(5s), (std::vector<int>{1, 3}));
    EXPECT_EQ(DisplayScale(), 3.0f);
  }
  {
    // An output of version 1 has no scale event; the other one counts.
    TFakeWaylandDisplay display("wayland-test", {{1, 4}, {3, 2}});
    EXPECT_EQ(WaylandOutputScales(5s), std::vector<int>{2});
  }
  {
    // Only a finished description counts.
    TFakeWaylandDisplay display("wayland-test", {{3, 3, false}, {3, 2}});
    EXPECT_EQ(WaylandOutputScales(5s), std::vector<int>{2});
  }
}

TEST_F(WaylandOutputsTest, GdkScaleAndAnXDisplayComeBeforeTheOutputs) {
  TFakeWaylandDisplay display("wayland-test", {{3, 2}});
  {
    ScopedEnv gdk("GDK_SCALE", "1.5");
    EXPECT_EQ(DisplayScale(), 1.5f);
  }
  {
    // The window opens on X (XWayland) then, whose scale Xft.dpi gives; this X display
    // does not exist, so nothing says otherwise.
    ScopedEnv x11("DISPLAY", ":32765");
    EXPECT_EQ(DisplayScale(), 1.0f);
    ScopedEnv driver("SDL_VIDEODRIVER", "wayland");
    EXPECT_EQ(DisplayScale(), 2.0f);
  }
}

TEST_F(WaylandOutputsTest, ADisplayThatIsMissingOrSilentGivesNoScaleInTime) {
  EXPECT_EQ(WaylandOutputScales(5s), std::vector<int>{});
  EXPECT_EQ(DisplayScale(), 1.0f);

  TSilentDisplay silent(runtime_.File("wayland-test"));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaylandOutputScales(300ms), std::vector<int>{});
  EXPECT_EQ(DisplayScale(), 1.0f);
  // The two waits of 300 ms and 500 ms, with room for a busy machine; unbounded would hang.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

}  // namespace
