// Runs a program in a child process that cannot take the caller down: the child gets limits
// on its address space and processor time, the caller kills it when its wall time runs out
// or its output passes a size, and whatever the child does (crash, hang, flood) comes back
// as an outcome instead of reaching the caller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TCancelSignal;

struct TGuardLimits {
  uint64_t MemoryBytes = 0;  // the child's address space (RLIMIT_AS); 0: no limit
  int CpuSeconds = 0;        // the child's processor time (RLIMIT_CPU); 0: no limit
  int WallMilliseconds = 0;  // from the start until the child is killed; 0: no limit
  size_t MaxOutput = 0;      // bytes of standard output taken; more kills the child
  size_t MaxErrors = 4096;   // bytes of standard error kept; the rest is read and dropped
};

struct TGuardedRun {
  enum TOutcome { Exited, Signalled, TimedOut, OutputTooLarge, Cancelled };
  TOutcome Outcome = Exited;
  int Code = 0;        // the exit status when Exited, the signal number when Signalled
  std::string Output;  // standard output, at most MaxOutput bytes
  std::string Errors;  // standard error, at most MaxErrors bytes
};

// argv[0] is the program's path (no search). The child starts with the caller's
// environment, standard input from /dev/null, no other open file of the caller, and dies
// with the caller. Between vfork and exec the child only makes system calls, so a caller
// with many threads (a desktop window, a renderer) is safe. Raises std::system_error when
// the child cannot be started; a program that cannot be executed exits with 127.
// environment: "NAME=VALUE" entries that replace or add to the caller's for the child.
// cancel (may be null): once raised, from any thread, the child and its process group are
// killed and the run ends as Cancelled; a signal raised before the start starts nothing.
TGuardedRun RunGuarded(const std::vector<std::string>& argv, const TGuardLimits& limits,
                       const std::vector<std::string>& environment = {},
                       const TCancelSignal* cancel = nullptr);
