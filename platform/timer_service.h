// Timers and the loop that runs them. Every timer of the program (the 500 ms render
// debounce, the 16 ms 3D animation timer, the 25 ms 2D animation timer) is a TTimer on one
// TTimerService. The window's event loop installs an event pump and asks the service how
// long it may wait; the headless program calls RunUntil; tests swap in a TFakeClock.
// Everything runs on one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/clock.h"

class TTimer;

class TTimerService {
 public:
  // Waits up to timeout_ms (-1: no timer pending, wait for the next event) for one platform
  // event and dispatches it; returns at once when an event is already queued.
  using TEventPump = std::function<void(int64_t timeout_ms)>;

  explicit TTimerService(TClock& clock = SystemClock());
  ~TTimerService();
  TTimerService(const TTimerService&) = delete;
  TTimerService& operator=(const TTimerService&) = delete;

  TClock& Clock() const { return *clock_; }
  int64_t NowMs() const { return clock_->NowMs(); }
  // Switches the clock; every active timer starts its interval again on the new clock.
  void SetClock(TClock& clock);

  void SetEventPump(TEventPump pump) { pump_ = std::move(pump); }
  bool HasEventPump() const { return static_cast<bool>(pump_); }

  // The earliest due time of a timer that can fire, or none.
  std::optional<int64_t> NextDueMs() const;
  // Milliseconds until the next timer is due (0 when overdue), or -1 when none is pending.
  int64_t TimeoutMs() const;
  // Fires every timer that is due now, earliest first, each at most once; returns the count.
  int ProcessDue();
  // Waits for the next due timer or platform event, then fires what is due. Returns false,
  // without waiting, when nothing can ever happen (no pending timer and no event pump).
  bool WaitNext();
  // Runs the loop until done() holds. Raises std::logic_error when done() is false and
  // nothing is left that could change it, instead of waiting for ever.
  void RunUntil(const std::function<bool()>& done);

  size_t TimerCount() const { return timers_.size(); }

 private:
  friend class TTimer;
  void Register(TTimer* timer);
  void Unregister(TTimer* timer);
  bool IsLive(const TTimer* timer, uint64_t serial) const;

  TClock* clock_;
  TEventPump pump_;
  std::vector<TTimer*> timers_;
  uint64_t next_serial_ = 1;
};

// The process-wide service on the system clock; it lives until the process ends.
TTimerService& DefaultTimerService();

// A platform timer: fires OnTimer every Interval milliseconds while Enabled. Like the
// window-message timers it replaces, a late timer fires once, not once per missed period,
// and a timer whose handler is still running (for example in a nested loop) is not fired
// again until the handler returns.
class TTimer {
 public:
  using THandler = std::function<void(TTimer&)>;

  explicit TTimer(TTimerService& service = DefaultTimerService());
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  // Milliseconds; 0 means the timer never fires. A change restarts the interval.
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t ms);
  // Default True. Enabling restarts the interval from now.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Assigning a handler restarts the interval.
  void SetOnTimer(THandler handler);
  const THandler& OnTimer() const { return on_timer_; }
  // Starts the interval again from now (when the timer can fire).
  void Restart();

  // Enabled, with an interval and a handler.
  bool Active() const { return enabled_ && interval_ > 0 && on_timer_; }
  bool Firing() const { return firing_; }
  int64_t DueMs() const { return due_; }
  TTimerService& Service() const { return service_; }

 private:
  friend class TTimerService;

  TTimerService& service_;
  uint64_t serial_ = 0;
  uint32_t interval_ = 1000;
  bool enabled_ = true;
  bool firing_ = false;
  int64_t due_ = 0;
  THandler on_timer_;
};
