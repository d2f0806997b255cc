#include "platform/timer_service.h"

#include <algorithm>
#include <exception>
#include <new>
#include <stdexcept>

TTimerService::TTimerService(TClock& clock) : clock_(&clock) {}

TTimerService::~TTimerService() {
  // Timers normally die first; any left over must not reach a freed service.
  if (!timers_.empty()) std::terminate();
}

void TTimerService::SetClock(TClock& clock) {
  clock_ = &clock;
  for (TTimer* t : timers_) t->Restart();
}

void TTimerService::Register(TTimer* timer) {
  timer->serial_ = next_serial_++;
  timers_.push_back(timer);
}

void TTimerService::Unregister(TTimer* timer) {
  timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
}

bool TTimerService::IsLive(const TTimer* timer, uint64_t serial) const {
  return std::any_of(timers_.begin(), timers_.end(),
                     [&](const TTimer* t) { return t == timer && t->serial_ == serial; });
}

std::optional<int64_t> TTimerService::NextDueMs() const {
  std::optional<int64_t> next;
  for (const TTimer* t : timers_) {
    if (!t->Active() || t->firing_) continue;
    if (!next || t->due_ < *next) next = t->due_;
  }
  return next;
}

int64_t TTimerService::TimeoutMs() const {
  auto next = NextDueMs();
  if (!next) return -1;
  return std::max<int64_t>(0, *next - NowMs());
}

int TTimerService::ProcessDue() {
  const int64_t now = NowMs();
  struct Due {
    TTimer* timer;
    uint64_t serial;
    int64_t due;
  };
  std::vector<Due> due;
  for (TTimer* t : timers_) {
    if (t->Active() && !t->firing_ && t->due_ <= now) due.push_back({t, t->serial_, t->due_});
  }
  std::stable_sort(due.begin(), due.end(), [](const Due& a, const Due& b) {
    return a.due != b.due ? a.due < b.due : a.serial < b.serial;
  });
  int fired = 0;
  for (const Due& d : due) {
    // An earlier handler may have freed, stopped or rescheduled this timer.
    if (!IsLive(d.timer, d.serial)) continue;
    TTimer& t = *d.timer;
    if (!t.Active() || t.firing_ || t.due_ > now) continue;
    t.due_ = now + t.interval_;
    t.firing_ = true;
    TTimer::THandler handler = t.on_timer_;  // the handler may replace itself
    try {
      handler(t);
    } catch (...) {
      if (IsLive(d.timer, d.serial)) t.firing_ = false;
      throw;
    }
    if (IsLive(d.timer, d.serial)) t.firing_ = false;
    ++fired;
  }
  return fired;
}

bool TTimerService::WaitNext() {
  auto next = NextDueMs();
  if (pump_) {
    pump_(next ? std::max<int64_t>(0, *next - NowMs()) : -1);
  } else {
    if (!next) return false;
    clock_->SleepUntil(*next);
  }
  ProcessDue();
  return true;
}

void TTimerService::RunUntil(const std::function<bool()>& done) {
  while (!done()) {
    if (!WaitNext()) {
      throw std::logic_error("The loop would wait for ever: no timer is running");
    }
  }
}

TTimerService& DefaultTimerService() {
  // Never destroyed: timers held by other static objects may be destroyed after it.
  alignas(TTimerService) static unsigned char storage[sizeof(TTimerService)];
  static TTimerService* service = ::new (storage) TTimerService(SystemClock());
  return *service;
}

TTimer::TTimer(TTimerService& service) : service_(service) {
  service_.Register(this);
  Restart();
}

TTimer::~TTimer() {
  service_.Unregister(this);
}

void TTimer::Restart() {
  due_ = service_.NowMs() + interval_;
}

void TTimer::SetInterval(uint32_t ms) {
  if (ms == interval_) return;
  interval_ = ms;
  Restart();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled_) Restart();
}

void TTimer::SetOnTimer(THandler handler) {
  on_timer_ = std::move(handler);
  Restart();
}
