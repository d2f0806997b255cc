// The millisecond clock every timer of the program reads. The real clock counts from an
// arbitrary start (the system's monotonic clock); tests install a TFakeClock so that
// nothing sleeps and every tick happens at an exact, repeatable time.
#pragma once

#include <cstdint>

class TClock {
 public:
  virtual ~TClock() = default;
  // Milliseconds since an arbitrary fixed start; never decreases.
  virtual int64_t NowMs() const = 0;
  // Blocks until NowMs() >= deadline_ms (returns at once when it already is).
  virtual void SleepUntil(int64_t deadline_ms) = 0;
  // A clock that does not follow real time: an event loop on it never waits for real, it
  // jumps the clock to the next due time when no event is queued.
  virtual bool IsSimulated() const { return false; }
};

// The system's monotonic clock.
class TSystemClock final : public TClock {
 public:
  int64_t NowMs() const override;
  void SleepUntil(int64_t deadline_ms) override;
};

// A clock that only moves when told to; sleeping jumps straight to the deadline.
class TFakeClock final : public TClock {
 public:
  explicit TFakeClock(int64_t start_ms = 0) : now_(start_ms) {}
  int64_t NowMs() const override { return now_; }
  void SleepUntil(int64_t deadline_ms) override;
  bool IsSimulated() const override { return true; }
  void Advance(int64_t ms);
  void Set(int64_t now_ms);

 private:
  int64_t now_;
};

// The process's real clock (one instance, lives until the process ends).
TClock& SystemClock();
