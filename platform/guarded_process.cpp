#include "platform/guarded_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <system_error>

#include "platform/cancel_signal.h"

extern char** environ;

namespace {

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

class TFd {
 public:
  TFd() = default;
  explicit TFd(int fd) : fd_(fd) {}
  ~TFd() { Close(); }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return fd_; }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

struct TPipe {
  TFd read, write;
  TPipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) ThrowErrno("pipe");
    read.Reset(fds[0]);
    write.Reset(fds[1]);
  }
};

// Only system calls from here to exec: after fork in a threaded process another thread may
// have held the allocator's lock, so nothing may allocate.
[[noreturn]] void Child(char* const* argv, char* const* envp, const TGuardLimits& limits,
                        int null_in, int out, int err, pid_t parent) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  ::setpgid(0, 0);  // a group of its own, so that whatever it starts is stopped with it
  if (::getppid() != parent) ::_exit(127);  // the caller is gone already
  if (limits.MemoryBytes) {
    const rlimit as{limits.MemoryBytes, limits.MemoryBytes};
    ::setrlimit(RLIMIT_AS, &as);
  }
  if (limits.CpuSeconds > 0) {
    // SIGXCPU at the soft limit, SIGKILL a second later if the program catches it.
    const rlimit cpu{static_cast<rlim_t>(limits.CpuSeconds),
                     static_cast<rlim_t>(limits.CpuSeconds + 1)};
    ::setrlimit(RLIMIT_CPU, &cpu);
  }
  const rlimit no_core{0, 0};
  ::setrlimit(RLIMIT_CORE, &no_core);  // a crash must not leave a core file behind
  if (::dup2(null_in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
  // Every other descriptor of the caller is close-on-exec or closed here.
  ::close_range(3, ~0u, 0);
  ::execve(argv[0], argv, envp);
  ::_exit(127);
}

// Reads what is there; false at end of file.
bool Drain(int fd, std::string& into, size_t keep, bool& overflow) {
  char buffer[65536];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n < 0) return errno == EINTR || errno == EAGAIN;
  if (n == 0) return false;
  const size_t room = into.size() < keep ? keep - into.size() : 0;
  into.append(buffer, std::min(room, static_cast<size_t>(n)));
  if (static_cast<size_t>(n) > room) overflow = true;
  return true;
}

// The caller's environment with each "NAME=VALUE" of changes replacing NAME or added; made
// before fork, as the child may not allocate.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> result;
  auto name_of = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  for (char** e = environ; e && *e; ++e) {
    const std::string entry = *e;
    const bool replaced = std::any_of(changes.begin(), changes.end(), [&](const std::string& c) {
      return name_of(c) == name_of(entry);
    });
    if (!replaced) result.push_back(entry);
  }
  result.insert(result.end(), changes.begin(), changes.end());
  return result;
}

std::vector<char*> Pointers(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (const std::string& s : strings) pointers.push_back(const_cast<char*>(s.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

TGuardedRun RunGuarded(const std::vector<std::string>& argv, const TGuardLimits& limits,
                       const std::vector<std::string>& environment, const TCancelSignal* cancel) {
  if (argv.empty()) throw std::invalid_argument("RunGuarded: no program");
  if (cancel && cancel->Cancelled()) {
    TGuardedRun run;
    run.Outcome = TGuardedRun::Cancelled;
    return run;
  }
  std::vector<char*> args = Pointers(argv);
  const std::vector<std::string> env_strings = ChildEnvironment(environment);
  std::vector<char*> env = Pointers(env_strings);

  TFd null_in(::open("/dev/null", O_RDONLY | O_CLOEXEC));
  if (null_in.Get() < 0) ThrowErrno("/dev/null");
  TPipe out, err;
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) ThrowErrno("fork");
  if (pid == 0)
    Child(args.data(), env.data(), limits, null_in.Get(), out.write.Get(), err.write.Get(), parent);
  ::setpgid(pid, pid);  // as the child does: whichever comes first, a kill finds the group
  out.write.Close();
  err.write.Close();

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
    pollfd fds[3] = {{out_open ? out.read.Get() : -1, POLLIN, 0},
                     {err_open ? err.read.Get() : -1, POLLIN, 0},
                     {cancel ? cancel->Fd() : -1, POLLIN, 0}};
    const int ready = ::poll(fds, 3, wait_ms);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    if (fds[2].revents) {
      cancelled = true;
      break;
    }
    if (out_open && fds[0].revents) {
      out_open = Drain(out.read.Get(), run.Output, limits.MaxOutput, too_large);
      if (too_large) break;
    }
    if (err_open && fds[1].revents)
      err_open = Drain(err.read.Get(), run.Errors, limits.MaxErrors, dropped);
  }
  // Both streams closed means the child is exiting; otherwise it is stopped here, with
  // anything it started.
  const bool stop = timed_out || too_large || cancelled;
  if (stop) ::kill(-pid, SIGKILL);
  int status = 0;
  while (true) {
    pid_t r = ::waitpid(pid, &status, stop ? 0 : WNOHANG);
    if (r == pid) break;
    if (r < 0 && errno != EINTR) ThrowErrno("waitpid");
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
