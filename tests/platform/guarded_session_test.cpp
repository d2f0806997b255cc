// A conversation with a guarded child: answers come back exchange after exchange, and
// whatever the child does instead (crash, hang, refuse its input) ends the session with an
// outcome, never with the caller stuck or killed.
#include "platform/guarded_session.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/cancel_signal.h"
#include "tests/platform/grandchild_checks.h"
#include "tests/support/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

TGuardLimits Limits(int wall_ms) {
  TGuardLimits limits;
  limits.WallMilliseconds = wall_ms;
  return limits;
}

std::vector<std::string> Shell(const std::string& script) {
  return {"/bin/sh", "-c", script};
}

std::string ReceiveText(TGuardedSession& session, size_t size) {
  std::string text(size, '\0');
  return session.Receive(text.data(), size) ? text : "(ended)";
}

// One child answers several exchanges, the last one larger than any socket or pipe buffer.
TEST(GuardedSession, OneChildAnswersExchangeAfterExchange) {
  testsupport::TempDir dir;
  const std::string kept = dir.File("request");
  // Reads each request whole before answering, as a decoder does.
  TGuardedSession session(
      Shell("while read size; do head -c \"$size\" > '" + kept + "'; cat '" + kept + "'; done"),
      Limits(10000));
  std::string large(3 << 20, 'x');
  large[12345] = 'y';
  for (const std::string& request : {std::string("first"), std::string("second"), large}) {
    session.StartExchange();
    const std::string size = std::to_string(request.size()) + "\n";
    ASSERT_TRUE(session.Send(size.data(), size.size()));
    ASSERT_TRUE(session.Send(request.data(), request.size()));
    EXPECT_TRUE(ReceiveText(session, request.size()) == request) << request.size();
  }
  EXPECT_TRUE(session.Running());
}

TEST(GuardedSession, ACrashOrAnEarlyExitEndsTheSessionWithItsCauseAndErrors) {
  TGuardedSession crash(Shell("head -c 4 >/dev/null; echo 'broken here' >&2; kill -SEGV $$"),
                        Limits(10000));
  ASSERT_TRUE(crash.Send("ping", 4));
  char answer[4];
  EXPECT_FALSE(crash.Receive(answer, sizeof answer));
  EXPECT_FALSE(crash.Running());
  EXPECT_EQ(crash.Ended().Outcome, TGuardedRun::Signalled);
  EXPECT_EQ(crash.Ended().Code, SIGSEGV);
  EXPECT_EQ(crash.Ended().Errors, "broken here\n");
  // Once ended, every call fails at once.
  EXPECT_FALSE(crash.Send("ping", 4));
  EXPECT_FALSE(crash.Receive(answer, 1));

  // Half an answer, then exit 3.
  TGuardedSession early(Shell("printf ab; exit 3"), Limits(10000));
  EXPECT_FALSE(early.Receive(answer, 4));
  EXPECT_EQ(early.Ended().Outcome, TGuardedRun::Exited);
  EXPECT_EQ(early.Ended().Code, 3);
}

// Writing to a child that has gone is an ended session, not SIGPIPE (which would end the
// test program); a child that takes no input times out instead of blocking the sender.
TEST(GuardedSession, SendingToAGoneOrDeafChildEnds) {
  TGuardedSession gone(Shell("exec 0<&-; exit 0"), Limits(10000));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const std::string data(1 << 20, 'z');
  EXPECT_FALSE(gone.Send(data.data(), data.size()));
  EXPECT_EQ(gone.Ended().Outcome, TGuardedRun::Exited);

  const auto start = Clock::now();
  TGuardedSession deaf(Shell("sleep 30"), Limits(300));
  EXPECT_FALSE(deaf.Send(data.data(), data.size()));
  EXPECT_EQ(deaf.Ended().Outcome, TGuardedRun::TimedOut);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

// The wall time counts from StartExchange: a slow child that answers each exchange in time
// goes on, one that misses the deadline is stopped.
TEST(GuardedSession, EachExchangeHasTheWallTimeFromItsStart) {
  TGuardedSession session(Shell("while read line; do sleep 0.2; echo \"$line\"; done"),
                          Limits(1500));
  for (int i = 0; i < 10; ++i) {  // 2 s in all, more than one exchange's limit
    session.StartExchange();
    ASSERT_TRUE(session.Send("ok\n", 3)) << i;
    ASSERT_EQ(ReceiveText(session, 3), "ok\n") << i;
  }
  const auto start = Clock::now();
  TGuardedSession hang(Shell("sleep 30"), Limits(300));
  char answer;
  EXPECT_FALSE(hang.Receive(&answer, 1));
  EXPECT_EQ(hang.Ended().Outcome, TGuardedRun::TimedOut);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

// A cancel from another thread ends a waiting Receive, and the child's group goes with it;
// a session made after the cancel starts nothing.
TEST(GuardedSession, CancelEndsTheChildAndItsGroup) {
  testsupport::TempDir dir;
  const std::string pid_file = dir.File("grandchild.pid");
  TCancelSignal cancel;
  TGuardedSession session(Shell("sleep 30 & echo $! > '" + pid_file + "'; wait"), Limits(60000), {},
                          &cancel);
  std::thread canceller = CancelOnceWritten(cancel, pid_file);
  const auto start = Clock::now();
  char answer;
  EXPECT_FALSE(session.Receive(&answer, 1));
  canceller.join();
  EXPECT_EQ(session.Ended().Outcome, TGuardedRun::Cancelled);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  ExpectGrandchildEnds(pid_file);

  TGuardedSession late(Shell("echo started > '" + dir.File("late") + "'"), Limits(10000), {},
                       &cancel);
  EXPECT_FALSE(late.Running());
  EXPECT_EQ(late.Ended().Outcome, TGuardedRun::Cancelled);
  EXPECT_FALSE(std::filesystem::exists(dir.File("late")));
}

}  // namespace
