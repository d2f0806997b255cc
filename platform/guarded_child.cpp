#include "platform/guarded_child.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

extern char** environ;

void ThrowSystemError(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

namespace {

struct TPipe {
  TOwnedFd read, write;
  TPipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) ThrowSystemError("pipe");
    read.Reset(fds[0]);
    write.Reset(fds[1]);
  }
};

// Runs in the child of vfork, on the caller's memory until exec: only system calls, which
// neither allocate nor change anything of the caller's but errno. Signals are blocked: the
// caller's handlers are undone first (they would run on the caller's memory), then the
// caller's mask comes back for the program.
[[noreturn]] void Child(char* const* argv, char* const* envp, const TGuardLimits& limits, int in,
                        int out, int err, pid_t parent, const sigset_t& mask) {
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction action;
    if (::sigaction(sig, nullptr, &action) != 0 || action.sa_handler == SIG_IGN ||
        action.sa_handler == SIG_DFL) {
      continue;
    }
    action.sa_handler = SIG_DFL;
    action.sa_flags = 0;
    ::sigaction(sig, &action, nullptr);
  }
  ::sigprocmask(SIG_SETMASK, &mask, nullptr);
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
  if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
  // Every other descriptor of the caller is close-on-exec or closed here.
  ::close_range(3, ~0u, 0);
  ::execve(argv[0], argv, envp);
  ::_exit(127);
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

TOwnedFd& TOwnedFd::operator=(TOwnedFd&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void TOwnedFd::Reset(int fd) {
  Close();
  fd_ = fd;
}

void TOwnedFd::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

TGuardedChild StartGuardedChild(const std::vector<std::string>& argv, const TGuardLimits& limits,
                                const std::vector<std::string>& environment, bool with_input) {
  if (argv.empty()) throw std::invalid_argument("no program to run");
  std::vector<char*> args = Pointers(argv);
  const std::vector<std::string> env_strings = ChildEnvironment(environment);
  std::vector<char*> env = Pointers(env_strings);

  TGuardedChild child;
  TOwnedFd child_in;
  if (with_input) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
      ThrowSystemError("socketpair");
    child.Input.Reset(fds[0]);
    child_in.Reset(fds[1]);
  } else {
    child_in.Reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (child_in.Get() < 0) ThrowSystemError("/dev/null");
  }
  TPipe out, err;
  const pid_t parent = ::getpid();
  // vfork: nothing of this process (its page tables, for a window a few hundred MB of them)
  // is copied for a child that only sets itself up and execs.
  sigset_t all, mask;
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_BLOCK, &all, &mask);
  const pid_t pid = ::vfork();
  if (pid == 0) {
    Child(args.data(), env.data(), limits, child_in.Get(), out.write.Get(), err.write.Get(), parent,
          mask);
  }
  const int vfork_error = errno;
  ::pthread_sigmask(SIG_SETMASK, &mask, nullptr);
  errno = vfork_error;
  if (pid < 0) ThrowSystemError("vfork");
  ::setpgid(pid, pid);  // as the child does: whichever comes first, a kill finds the group
  child.Pid = pid;
  child.Output = std::move(out.read);
  child.Errors = std::move(err.read);
  return child;
}

bool DrainGuardedStream(int fd, std::string& into, size_t keep, bool& overflow) {
  char buffer[65536];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n < 0) return errno == EINTR || errno == EAGAIN;
  if (n == 0) return false;
  const size_t room = into.size() < keep ? keep - into.size() : 0;
  into.append(buffer, std::min(room, static_cast<size_t>(n)));
  if (static_cast<size_t>(n) > room) overflow = true;
  return true;
}

void ReapGuardedChild(pid_t pid, bool kill_first, TGuardedRun& run) {
  if (kill_first) ::kill(-pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) != pid) {
    if (errno != EINTR) ThrowSystemError("waitpid");
  }
  if (WIFSIGNALED(status)) {
    run.Outcome = TGuardedRun::Signalled;
    run.Code = WTERMSIG(status);
  } else {
    run.Outcome = TGuardedRun::Exited;
    run.Code = WEXITSTATUS(status);
  }
}
