// The guard around a child process: whatever the child does, the caller gets an outcome.
#include "platform/guarded_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/cancel_signal.h"
#include "tests/platform/grandchild_checks.h"
#include "tests/support/test_support.h"

namespace {

TGuardLimits Limits(int wall_ms, size_t max_output = 1 << 20) {
  TGuardLimits limits;
  limits.WallMilliseconds = wall_ms;
  limits.MaxOutput = max_output;
  return limits;
}

TGuardedRun Shell(const std::string& script, const TGuardLimits& limits) {
  return RunGuarded({"/bin/sh", "-c", script}, limits);
}

TEST(GuardedProcess, HandsBackOutputErrorsAndStatus) {
  const TGuardedRun run = Shell("printf 'out\\000put'; echo oops >&2; exit 7", Limits(10000));
  EXPECT_EQ(run.Outcome, TGuardedRun::Exited);
  EXPECT_EQ(run.Code, 7);
  EXPECT_EQ(run.Output, std::string("out\0put", 7));
  EXPECT_EQ(run.Errors, "oops\n");
  // A program that cannot be executed is exit status 127, not an exception.
  EXPECT_EQ(RunGuarded({"/nonexistent/program"}, Limits(10000)).Code, 127);
  // The signals blocked while the child is set up are open again in the program.
  EXPECT_EQ(RunGuarded({"/bin/grep", "SigBlk", "/proc/self/status"}, Limits(10000)).Output,
            "SigBlk:\t0000000000000000\n");
}

// The child's environment is the caller's with the given entries replacing or added.
TEST(GuardedProcess, EnvironmentEntriesReplaceOrAddToTheCallersOwn) {
  ::setenv("FACETMINT_GUARD_KEPT", "kept", 1);
  ::setenv("FACETMINT_GUARD_SWAPPED", "old", 1);
  const TGuardedRun run =
      RunGuarded({"/bin/sh", "-c",
                  "echo \"$FACETMINT_GUARD_KEPT $FACETMINT_GUARD_SWAPPED $FACETMINT_GUARD_NEW\"; "
                  "env | grep -c "
                  "'^FACETMINT_GUARD_SWAPPED='"},
                 Limits(10000), {"FACETMINT_GUARD_SWAPPED=new=value", "FACETMINT_GUARD_NEW=added"});
  ::unsetenv("FACETMINT_GUARD_KEPT");
  ::unsetenv("FACETMINT_GUARD_SWAPPED");
  EXPECT_EQ(run.Code, 0) << run.Errors;
  EXPECT_EQ(run.Output, "kept new=value added\n1\n");
}

TEST(GuardedProcess, CrashesHangsAndFloodsComeBackAsOutcomes) {
  const TGuardedRun crash = Shell("kill -SEGV $$", Limits(10000));
  EXPECT_EQ(crash.Outcome, TGuardedRun::Signalled);
  EXPECT_EQ(crash.Code, SIGSEGV);

  const auto start = std::chrono::steady_clock::now();
  // The child's own child keeps the output open: the deadline must not wait for it.
  const TGuardedRun hang = Shell("sleep 30", Limits(300));
  EXPECT_EQ(hang.Outcome, TGuardedRun::TimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  const TGuardedRun flood = Shell("yes", Limits(10000, 100000));
  EXPECT_EQ(flood.Outcome, TGuardedRun::OutputTooLarge);
  EXPECT_LE(flood.Output.size(), 100000u);

  TGuardLimits errors = Limits(10000);
  errors.MaxErrors = 10;
  const TGuardedRun chatty = Shell("head -c 1000000 /dev/zero >&2; echo done", errors);
  EXPECT_EQ(chatty.Output, "done\n");  // standard error is read on, not left to block
  EXPECT_EQ(chatty.Errors.size(), 10u);
}

TEST(GuardedProcess, MemoryAndProcessorLimitsHoldInTheChild) {
  TGuardLimits memory = Limits(20000);
  memory.MemoryBytes = 256u << 20;
  const TGuardedRun big =
      RunGuarded({"/usr/bin/python3", "-c", "b = bytearray(1 << 30); print('allocated')"}, memory);
  EXPECT_EQ(big.Outcome, TGuardedRun::Exited);
  EXPECT_NE(big.Code, 0);
  EXPECT_EQ(big.Output.find("allocated"), std::string::npos);
  EXPECT_NE(big.Errors.find("MemoryError"), std::string::npos) << big.Errors;

  TGuardLimits cpu = Limits(20000);
  cpu.CpuSeconds = 1;
  const TGuardedRun spin = Shell("while :; do :; done", cpu);
  EXPECT_EQ(spin.Outcome, TGuardedRun::Signalled);
  EXPECT_TRUE(spin.Code == SIGXCPU || spin.Code == SIGKILL) << spin.Code;
}

// A cancel from another thread stops a child that would sleep for half a minute, and what
// the child started (its process group) goes with it.
TEST(GuardedProcess, CancelEndsTheChildAndItsGroupPromptly) {
  testsupport::TempDir dir;
  const std::string pid_file = dir.File("grandchild.pid");
  TCancelSignal cancel;
  EXPECT_FALSE(cancel.Cancelled());
  std::thread canceller = CancelOnceWritten(cancel, pid_file);
  const auto start = std::chrono::steady_clock::now();
  const TGuardedRun run =
      RunGuarded({"/bin/sh", "-c", "sleep 30 & echo $! > '" + pid_file + "'; wait"}, Limits(60000),
                 {}, &cancel);
  const auto took = std::chrono::steady_clock::now() - start;
  canceller.join();
  EXPECT_TRUE(cancel.Cancelled());
  EXPECT_EQ(run.Outcome, TGuardedRun::Cancelled);
  EXPECT_LT(took, std::chrono::seconds(5));

  ExpectGrandchildEnds(pid_file);
}

// A signal stays raised: a run started after it ends at once, and so does the next one.
TEST(GuardedProcess, ACancelRaisedBeforeTheStartEndsEveryRunAtOnce) {
  TCancelSignal cancel;
  cancel.Cancel();
  cancel.Cancel();  // twice is once
  const auto start = std::chrono::steady_clock::now();
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(RunGuarded({"/bin/sh", "-c", "sleep 30"}, Limits(60000), {}, &cancel).Outcome,
              TGuardedRun::Cancelled);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(cancel.Cancelled());
  // Without the signal the same program runs to its end.
  EXPECT_EQ(RunGuarded({"/bin/sh", "-c", "exit 3"}, Limits(10000)).Code, 3);
}

}  // namespace
