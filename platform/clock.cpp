#include "platform/clock.h"

#include <time.h>

#include <cerrno>
#include <stdexcept>

int64_t TSystemClock::NowMs() const {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void TSystemClock::SleepUntil(int64_t deadline_ms) {
  // Sleep on the absolute deadline so that early wake-ups (signals) simply sleep again.
  timespec target{};
  target.tv_sec = static_cast<time_t>(deadline_ms / 1000);
  target.tv_nsec = static_cast<long>((deadline_ms % 1000) * 1000000);
  while (NowMs() < deadline_ms) {
    int rc = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &target, nullptr);
    if (rc != 0 && rc != EINTR) break;
  }
}

void TFakeClock::SleepUntil(int64_t deadline_ms) {
  if (deadline_ms > now_) now_ = deadline_ms;
}

void TFakeClock::Advance(int64_t ms) {
  if (ms < 0) throw std::invalid_argument("TFakeClock::Advance: a clock cannot go back");
  now_ += ms;
}

void TFakeClock::Set(int64_t now_ms) {
  if (now_ms < now_) throw std::invalid_argument("TFakeClock::Set: a clock cannot go back");
  now_ = now_ms;
}

TClock& SystemClock() {
  static TSystemClock clock;
  return clock;
}
