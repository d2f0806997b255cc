#include "platform/guarded_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <system_error>

#include "platform/cancel_signal.h"
#include "platform/guarded_child.h"

TGuardedRun RunGuarded(const std::vector<std::string>& argv, const TGuardLimits& limits,
                       const std::vector<std::string>& environment, const TCancelSignal* cancel) {
  if (argv.empty()) throw std::invalid_argument("RunGuarded: no program");
  if (cancel && cancel->Cancelled()) {
    TGuardedRun run;
    run.Outcome = TGuardedRun::Cancelled;
    return run;
  }
  TGuardedChild child = StartGuardedChild(argv, limits, environment, false);
  const pid_t pid = child.Pid;
  TOwnedFd& out = child.Output;
  TOwnedFd& err = child.Errors;

  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(limits.WallMilliseconds);
  TGuardedRun run;
  bool out_open = true, err_open = true, too_large = false, timed_out = false, dropped = false;
  bool cancelled = false;
  while (out_open || err_open) {
    int wait_ms = -1;
    if (limits.WallMilliseconds > 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) {
        timed_out = true;
        break;
      }
      wait_ms = static_cast<int>(std::min<long long>(left, 1000 * 60));
    }
    pollfd fds[3] = {{out_open ? out.Get() : -1, POLLIN, 0},
                     {err_open ? err.Get() : -1, POLLIN, 0},
                     {cancel ? cancel->Fd() : -1, POLLIN, 0}};
    const int ready = ::poll(fds, 3, wait_ms);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    if (fds[2].revents) {
      cancelled = true;
      break;
    }
    if (out_open && fds[0].revents) {
      out_open = DrainGuardedStream(out.Get(), run.Output, limits.MaxOutput, too_large);
      if (too_large) break;
    }
    if (err_open && fds[1].revents)
      err_open = DrainGuardedStream(err.Get(), run.Errors, limits.MaxErrors, dropped);
  }
  // Both streams closed means the child is exiting; otherwise it is stopped here, with
  // anything it started.
  const bool stop = timed_out || too_large || cancelled;
  if (stop) ::kill(-pid, SIGKILL);
  int status = 0;
  while (true) {
    pid_t r = ::waitpid(pid, &status, stop ? 0 : WNOHANG);
    if (r == pid) break;
    if (r < 0 && errno != EINTR) ThrowSystemError("waitpid");
    if (r == 0) {
      // Closed its output but still running: give it until the deadline.
      if (limits.WallMilliseconds > 0 && Clock::now() >= deadline) {
        ::kill(-pid, SIGKILL);
        timed_out = true;
      } else if (cancel && cancel->Cancelled()) {
        ::kill(-pid, SIGKILL);
        cancelled = true;
      }
      ::usleep(200);
    }
  }
  if (cancelled) {
    run.Outcome = TGuardedRun::Cancelled;
  } else if (timed_out) {
    run.Outcome = TGuardedRun::TimedOut;
  } else if (too_large) {
    run.Outcome = TGuardedRun::OutputTooLarge;
  } else if (WIFSIGNALED(status)) {
    run.Outcome = TGuardedRun::Signalled;
    run.Code = WTERMSIG(status);
  } else {
    run.Outcome = TGuardedRun::Exited;
    run.Code = WEXITSTATUS(status);
  }
  return run;
}
