#include "platform/timer_service.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

struct Loop {
  TFakeClock clock{1000};
  TTimerService service{clock};
};

}  // namespace

TEST(TimerService, FiresAtEachIntervalWithoutSleeping) {
  Loop loop;
  TTimer timer(loop.service);
  std::vector<int64_t> fired;
  timer.SetInterval(16);
  timer.SetOnTimer([&](TTimer&) { fired.push_back(loop.clock.NowMs()); });
  loop.service.RunUntil([&] { return fired.size() == 3; });
  EXPECT_EQ(fired, (std::vector<int64_t>{1016, 1032, 1048}));

  // Nothing is due before the interval has passed again.
  loop.clock.Advance(15);
  EXPECT_EQ(loop.service.ProcessDue(), 0);
  EXPECT_EQ(loop.service.TimeoutMs(), 1);
}

TEST(TimerService, ALateTimerFiresOnceNotOncePerMissedPeriod) {
  Loop loop;
  TTimer timer(loop.service);
  int count = 0;
  timer.SetInterval(10);
  timer.SetOnTimer([&](TTimer&) { ++count; });
  loop.clock.Advance(95);
  EXPECT_EQ(loop.service.ProcessDue(), 1);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(timer.DueMs(), 1105);
}

TEST(TimerService, InactiveTimersNeverFireAndTheLoopRefusesToWaitForEver) {
  Loop loop;
  TTimer no_handler(loop.service);
  TTimer disabled(loop.service);
  TTimer zero(loop.service);
  int count = 0;
  disabled.SetOnTimer([&](TTimer&) { ++count; });
  disabled.SetEnabled(false);
  zero.SetOnTimer([&](TTimer&) { ++count; });
  zero.SetInterval(0);
  loop.clock.Advance(100000);
  EXPECT_EQ(loop.service.ProcessDue(), 0);
  EXPECT_EQ(loop.service.TimeoutMs(), -1);
  EXPECT_FALSE(loop.service.WaitNext());
  EXPECT_THROW(loop.service.RunUntil([] { return false; }), std::logic_error);
  EXPECT_EQ(count, 0);
}

TEST(TimerService, DebounceRestartsOnEveryChange) {
  // The render debounce: each change disables and enables the timer again, the handler
  // disables it, so it fires once, 500 ms after the last change.
  Loop loop;
  TTimer update(loop.service);
  update.SetEnabled(false);
  update.SetInterval(500);
  int renders = 0;
  update.SetOnTimer([&](TTimer& t) {
    t.SetEnabled(false);
    ++renders;
  });
  auto change = [&] {
    update.SetEnabled(false);
    update.SetEnabled(true);
  };
  change();
  loop.clock.Advance(400);
  loop.service.ProcessDue();
  change();
  loop.clock.Advance(499);
  loop.service.ProcessDue();
  EXPECT_EQ(renders, 0);
  loop.clock.Advance(1);
  loop.service.ProcessDue();
  EXPECT_EQ(renders, 1);
  loop.clock.Advance(5000);
  loop.service.ProcessDue();
  EXPECT_EQ(renders, 1);
  EXPECT_EQ(loop.clock.NowMs(), 1000 + 400 + 500 + 5000);
}

TEST(TimerService, EarliestFirstAndHandlersMayFreeOrCreateTimers) {
  Loop loop;
  std::vector<std::string> order;
  auto slow = std::make_unique<TTimer>(loop.service);
  TTimer fast(loop.service);
  std::unique_ptr<TTimer> late;
  slow->SetInterval(30);
  slow->SetOnTimer([&](TTimer&) { order.push_back("slow"); });
  fast.SetInterval(20);
  fast.SetOnTimer([&](TTimer& self) {
    order.push_back("fast");
    slow.reset();  // freed while it is also due in this round
    self.SetEnabled(false);
    late = std::make_unique<TTimer>(loop.service);
    late->SetInterval(5);
    late->SetOnTimer([&](TTimer& t) {
      order.push_back("late");
      t.SetEnabled(false);
    });
  });
  loop.clock.Advance(40);
  loop.service.ProcessDue();
  EXPECT_EQ(order, (std::vector<std::string>{"fast"}));
  loop.service.RunUntil([&] { return order.size() == 2; });
  EXPECT_EQ(order.back(), "late");
  EXPECT_EQ(loop.clock.NowMs(), 1045);
  EXPECT_EQ(loop.service.TimerCount(), 2u);
}

TEST(TimerService, NestedLoopDoesNotReenterTheRunningHandler) {
  Loop loop;
  TTimer outer(loop.service);
  TTimer inner(loop.service);
  int outer_calls = 0, inner_calls = 0;
  inner.SetInterval(16);
  inner.SetOnTimer([&](TTimer&) { ++inner_calls; });
  outer.SetInterval(10);
  outer.SetOnTimer([&](TTimer& self) {
    ++outer_calls;
    self.SetEnabled(false);
    self.SetEnabled(true);
    loop.service.RunUntil([&] { return inner_calls >= 3; });
  });
  loop.service.RunUntil([&] { return outer_calls == 1 && inner_calls >= 3; });
  EXPECT_EQ(outer_calls, 1);
  EXPECT_FALSE(outer.Firing());
  // Once its handler has returned the outer timer fires again.
  loop.service.RunUntil([&] { return outer_calls == 2; });
}

TEST(TimerService, HandlerErrorsReachTheLoopAndTheTimerKeepsRunning) {
  Loop loop;
  TTimer timer(loop.service);
  int calls = 0;
  timer.SetInterval(5);
  timer.SetOnTimer([&](TTimer&) {
    if (++calls == 1) throw std::runtime_error("boom");
  });
  EXPECT_THROW(loop.service.RunUntil([&] { return calls == 2; }), std::runtime_error);
  EXPECT_FALSE(timer.Firing());
  loop.service.RunUntil([&] { return calls == 2; });
}

TEST(TimerService, EventPumpWaitsWithTheTimeoutOfTheNextTimer) {
  Loop loop;
  std::vector<int64_t> timeouts;
  loop.service.SetEventPump([&](int64_t timeout) {
    timeouts.push_back(timeout);
    // No event arrives: the pump waits out the timeout like a real event queue.
    if (timeout > 0) loop.clock.Advance(timeout);
  });
  EXPECT_TRUE(loop.service.WaitNext());  // no timer: wait for an event only
  TTimer timer(loop.service);
  int count = 0;
  timer.SetInterval(25);
  timer.SetOnTimer([&](TTimer&) { ++count; });
  loop.clock.Advance(5);
  loop.service.RunUntil([&] { return count == 2; });
  EXPECT_EQ(timeouts, (std::vector<int64_t>{-1, 20, 25}));
}

TEST(TimerService, SwitchingTheClockRestartsActiveTimers) {
  Loop loop;
  TTimer timer(loop.service);
  timer.SetInterval(100);
  timer.SetOnTimer([](TTimer&) {});
  TFakeClock other(50);
  loop.service.SetClock(other);
  EXPECT_EQ(timer.DueMs(), 150);
  EXPECT_EQ(loop.service.TimeoutMs(), 100);
}

TEST(SystemClock, SleepsUntilTheDeadline) {
  TClock& clock = SystemClock();
  int64_t start = clock.NowMs();
  clock.SleepUntil(start + 2);
  EXPECT_GE(clock.NowMs(), start + 2);
  clock.SleepUntil(start);  // a past deadline returns at once
}
