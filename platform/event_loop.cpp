#include "platform/event_loop.h"

#include <SDL.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "platform/shell.h"
#include "platform/window.h"

namespace {
TEventLoop* current_loop = nullptr;
}  // namespace

TEventLoop::TEventLoop(TTimerService& timers) : timers_(timers) {
  // Drivers without a display have no way to block on events, and SDL's own wait polls
  // them every millisecond.
  const std::string driver = TVideoSystem::DriverName();
  polling_driver_ = driver == "offscreen" || driver == "dummy";
  if (current_loop != nullptr || timers_.HasEventPump()) {
    throw std::logic_error("The program has one event loop; another one already runs");
  }
  timers_.SetEventPump([this](std::int64_t timeout_ms) { Pump(timeout_ms); });
  current_loop = this;
}

TEventLoop::~TEventLoop() {
  timers_.SetEventPump(nullptr);
  current_loop = nullptr;
}

TEventLoop* TEventLoop::Current() {
  return current_loop;
}

void TEventLoop::Run() {
  RunUntil([] { return false; });
}

void TEventLoop::RunUntil(const std::function<bool()>& done) {
  while (!quit_ && !done()) {
    // Event and frame handlers report their own errors inside the pump; what reaches this
    // point was thrown by a timer handler.
    RunReportingErrors([this] { timers_.WaitNext(); });
  }
}

void TEventLoop::ProcessPending() {
  RunReportingErrors([this] {
    Pump(0);
    timers_.ProcessDue();
  });
}

void TEventLoop::Post(std::function<void()> call) {
  if (call) posted_.push_back(std::move(call));
}

void TEventLoop::AddWindow(TWindow* window) {
  windows_.push_back(window);
}

void TEventLoop::RemoveWindow(TWindow* window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

bool TEventLoop::HasWindow(const TWindow* window) const {
  return std::find(windows_.begin(), windows_.end(), window) != windows_.end();
}

TWindow* TEventLoop::FindWindow(std::uint32_t sdl_window_id) const {
  for (TWindow* w : windows_) {
    if (w->Id() == sdl_window_id) return w;
  }
  return nullptr;
}

bool TEventLoop::WorkPending() const {
  if (!posted_.empty()) return true;
  return std::any_of(windows_.begin(), windows_.end(),
                     [](const TWindow* w) { return w->paint_pending_ || w->resize_pending_; });
}

void TEventLoop::Pump(std::int64_t timeout_ms) {
  if (WorkPending()) timeout_ms = 0;
  SDL_Event event;
  int got = 0;
  if (timers_.Clock().IsSimulated()) {
    // Simulated time: what is queued now, else the clock moves on to the next timer.
    got = SDL_PollEvent(&event);
    if (!got && timeout_ms > 0) timers_.Clock().SleepUntil(timers_.NowMs() + timeout_ms);
  } else if (polling_driver_) {
    got = WaitPolling(event, timeout_ms);
  } else if (timeout_ms < 0) {
    got = SDL_WaitEvent(&event);
  } else {
    const int ms = static_cast<int>(std::min<std::int64_t>(timeout_ms, 0x7FFFFFFF));
    got = SDL_WaitEventTimeout(&event, ms);
  }
  ++turns_;
  if (got) {
    // Drain the queue: a burst of moves or resizes costs one frame, not one each.
    do {
      DispatchSdlEvent(event);
    } while (SDL_PollEvent(&event));
  }
  RunPosted();
  UpdateWindows();
}

int TEventLoop::WaitPolling(SDL_Event& event, std::int64_t timeout_ms) {
  // Only this thread can queue events for such a driver, so nothing arrives while we
  // sleep; short naps still notice a quit request from a signal.
  constexpr std::int64_t kNapMs = 100;
  if (SDL_PollEvent(&event)) return 1;
  if (timeout_ms == 0) return 0;
  const std::int64_t nap = timeout_ms < 0 ? kNapMs : std::min(timeout_ms, kNapMs);
  SDL_Delay(static_cast<Uint32>(nap));
  return SDL_PollEvent(&event);
}

void TEventLoop::DispatchSdlEvent(const SDL_Event& event) {
  std::uint32_t id = 0;
  switch (event.type) {
    case SDL_QUIT:
      quit_ = true;
      return;
    case SDL_WINDOWEVENT:
      id = event.window.windowID;
      break;
    case SDL_MOUSEMOTION:
      id = event.motion.windowID;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      id = event.button.windowID;
      break;
    case SDL_MOUSEWHEEL:
      id = event.wheel.windowID;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      id = event.key.windowID;
      break;
    case SDL_TEXTINPUT:
      id = event.text.windowID;
      break;
    case SDL_DROPFILE:
      id = event.drop.windowID;
      break;
    default:
      return;
  }
  if (TWindow* window = FindWindow(id)) {
    window->HandleSdlEvent(event);
  } else if (event.type == SDL_DROPFILE) {
    SDL_free(event.drop.file);  // the receiver owns the name; nobody took it
  }
}

void TEventLoop::RunPosted() {
  // Calls posted by these calls wait for the next turn.
  std::deque<std::function<void()>> calls;
  calls.swap(posted_);
  for (auto& call : calls) RunReportingErrors(call);
}

void TEventLoop::UpdateWindows() {
  // A handler may close windows: work on a copy and skip the ones that went away.
  const std::vector<TWindow*> windows = windows_;
  for (TWindow* w : windows) {
    if (HasWindow(w)) w->Update();
  }
}
