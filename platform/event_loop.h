// The program's one event loop, on its one user-interface thread. Each turn waits for the
// next window event or the next due timer (never spinning, so an idle window costs no CPU),
// dispatches every queued event, runs the calls posted with Post, then gives each window
// that asked for it one resize and one frame, however many requests arrived in the turn.
// The loop drives the timer service: it is the service's event pump, so a nested wait on
// the service (an animation that must end before its caller returns, a modal dialog) keeps
// input, timers and repaints going. An exception escaping any handler is shown by the
// application's error report (platform/shell.h) and the loop carries on.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "platform/timer_service.h"
#include "platform/video_system.h"

union SDL_Event;
class TWindow;

class TEventLoop {
 public:
  explicit TEventLoop(TTimerService& timers = DefaultTimerService());
  ~TEventLoop();
  TEventLoop(const TEventLoop&) = delete;
  TEventLoop& operator=(const TEventLoop&) = delete;

  // The loop that exists, or nullptr.
  static TEventLoop* Current();

  TTimerService& Timers() const { return timers_; }

  // Runs until Quit (or a quit request from the desktop).
  void Run();
  // A nested loop: runs until Done holds or a quit was requested.
  void RunUntil(const std::function<bool()>& done);
  // One turn without waiting: what is queued, due or pending now.
  void ProcessPending();

  void Quit() { quit_ = true; }
  bool QuitRequested() const { return quit_; }
  // Clears a quit request, so that Run can be entered again.
  void ResetQuit() { quit_ = false; }

  // Runs Call in a later turn, on this thread.
  void Post(std::function<void()> call);

  // Turns taken so far (each is one wait); a spinning loop would count thousands per second.
  std::uint64_t Turns() const { return turns_; }

  // Hands one library event to the window it is for (or to the loop); the path every real
  // event takes, open to tests that push events of their own.
  void DispatchSdlEvent(const SDL_Event& event);

 private:
  friend class TWindow;
  void AddWindow(TWindow* window);
  void RemoveWindow(TWindow* window);
  bool HasWindow(const TWindow* window) const;
  TWindow* FindWindow(std::uint32_t sdl_window_id) const;

  // The timer service's event pump: waits at most Timeout ms (-1: until an event).
  void Pump(std::int64_t timeout_ms);
  // The wait for drivers that cannot block on events.
  int WaitPolling(SDL_Event& event, std::int64_t timeout_ms);
  bool WorkPending() const;
  void RunPosted();
  void UpdateWindows();

  TVideoSystem video_;
  TTimerService& timers_;
  std::vector<TWindow*> windows_;
  std::deque<std::function<void()>> posted_;
  std::uint64_t turns_ = 0;
  bool quit_ = false;
  bool polling_driver_ = false;
};
