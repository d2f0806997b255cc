#include "platform/wayland_outputs.h"

#include <poll.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/display_probe.h"

namespace {

using TClock = std::chrono::steady_clock;

struct TOutput {
  wl_output* proxy = nullptr;
  int32_t scale = 1;  // what the protocol means when an output sends no scale
  bool done = false;
};

// The objects of one exchange with the display; destroyed before the connection closes.
struct TExchange {
  wl_registry* registry = nullptr;
  std::vector<std::unique_ptr<TOutput>> outputs;
  wl_callback* sync = nullptr;
  bool synced = false;

  TExchange() = default;
  TExchange(const TExchange&) = delete;
  TExchange& operator=(const TExchange&) = delete;
  ~TExchange() {
    if (sync) wl_callback_destroy(sync);
    for (const auto& output : outputs) wl_output_destroy(output->proxy);
    if (registry) wl_registry_destroy(registry);
  }
};

const wl_output_listener kOutputListener = {
    .geometry = [](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                   const char*, int32_t) {},
    .mode = [](void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {},
    .done = [](void* data, wl_output*) { static_cast<TOutput*>(data)->done = true; },
    .scale = [](void* data, wl_output*,
                int32_t factor) { static_cast<TOutput*>(data)->scale = factor; },
    .name = [](void*, wl_output*, const char*) {},
    .description = [](void*, wl_output*, const char*) {},
};

const wl_registry_listener kRegistryListener = {
    .global =
        [](void* data, wl_registry* registry, uint32_t name, const char* interface,
           uint32_t version) {
          // Version 2 brought the scale and done events; version 1 outputs have no scale.
          if (version < 2 || std::strcmp(interface, wl_output_interface.name) != 0) return;
          auto output = std::make_unique<TOutput>();
          output->proxy =
              static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 2));
          if (!output->proxy) return;
          wl_output_add_listener(output->proxy, &kOutputListener, output.get());
          static_cast<TExchange*>(data)->outputs.push_back(std::move(output));
        },
    .global_remove = [](void*, wl_registry*, uint32_t) {},
};

const wl_callback_listener kSyncListener = {
    .done = [](void* data, wl_callback*,
               uint32_t) { static_cast<TExchange*>(data)->synced = true; },
};

// Reads and handles the display's events until `finished`; false when the display fails,
// closes or stays silent until the deadline. libwayland's own roundtrip would wait forever.
bool DispatchUntil(wl_display* display, TClock::time_point deadline, const bool& finished) {
  while (!finished) {
    if (wl_display_prepare_read(display) != 0) {
      // Events are queued already: handle those first.
      if (wl_display_dispatch_pending(display) < 0) return false;
      continue;
    }
    // A full socket (EAGAIN) keeps the requests queued; the next turn sends them.
    if (wl_display_flush(display) < 0 && errno != EAGAIN) {
      wl_display_cancel_read(display);
      return false;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now());
    pollfd socket{wl_display_get_fd(display), POLLIN, 0};
    const int ready = left.count() > 0 ? poll(&socket, 1, static_cast<int>(left.count())) : 0;
    if (ready <= 0) {
      wl_display_cancel_read(display);
      if (ready < 0 && errno == EINTR) continue;
      return false;
    }
    if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
      return false;
  }
  return true;
}

// Waits until the display has answered everything asked so far.
bool Roundtrip(wl_display* display, TExchange& exchange, TClock::time_point deadline) {
  exchange.synced = false;
  exchange.sync = wl_display_sync(display);
  if (!exchange.sync) return false;
  wl_callback_add_listener(exchange.sync, &kSyncListener, &exchange);
  const bool answered = DispatchUntil(display, deadline, exchange.synced);
  wl_callback_destroy(exchange.sync);
  exchange.sync = nullptr;
  return answered;
}

}  // namespace

std::vector<int> WaylandOutputScales(std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  // libwayland would take a connection handed down in WAYLAND_SOCKET for itself (and clear
  // the variable), leaving the window without one.
  if (const char* handed = std::getenv("WAYLAND_SOCKET"); handed && *handed) return {};
  // Checked first, because libwayland complains about a missing socket on the terminal.
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (!WaylandSocketProblem(name && *name ? name : "wayland-0").empty()) return {};
  std::unique_ptr<wl_display, decltype(&wl_display_disconnect)> display(wl_display_connect(nullptr),
                                                                        wl_display_disconnect);
  if (!display) return {};
  TExchange exchange;
  exchange.registry = wl_display_get_registry(display.get());
  if (!exchange.registry) return {};
  wl_registry_add_listener(exchange.registry, &kRegistryListener, &exchange);
  // The first answer follows the announcement of the globals, so every output is bound by
  // then; the second follows each output's description, which ends in its done event.
  if (!Roundtrip(display.get(), exchange, deadline) ||
      !Roundtrip(display.get(), exchange, deadline))
    return {};
  std::vector<int> scales;
  for (const auto& output : exchange.outputs)
    if (output->done) scales.push_back(output->scale);
  return scales;
}
