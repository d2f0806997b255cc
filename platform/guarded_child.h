// What RunGuarded and TGuardedSession share: descriptors that close themselves, and the
// start of a child under TGuardLimits whose standard output and error are pipes to the
// caller.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/guarded_process.h"

// Raises std::system_error for errno, naming what failed.
[[noreturn]] void ThrowSystemError(const char* what);

class TOwnedFd {
 public:
  TOwnedFd() = default;
  explicit TOwnedFd(int fd) : fd_(fd) {}
  ~TOwnedFd() { Close(); }
  TOwnedFd(TOwnedFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  TOwnedFd& operator=(TOwnedFd&& other) noexcept;
  TOwnedFd(const TOwnedFd&) = delete;
  TOwnedFd& operator=(const TOwnedFd&) = delete;

  int Get() const { return fd_; }
  void Reset(int fd);
  void Close();

 private:
  int fd_ = -1;
};

struct TGuardedChild {
  pid_t Pid = -1;
  TOwnedFd Input;   // its standard input's other end (a stream socket), or none: /dev/null
  TOwnedFd Output;  // the reading end of its standard output
  TOwnedFd Errors;  // the reading end of its standard error
};

// Starts argv[0] as RunGuarded describes (a process group of its own, limits, no other
// descriptor of the caller, death with the caller). with_input: its standard input is a
// stream socket whose other end the caller writes to (send with MSG_NOSIGNAL, so a child
// that is gone is an error, not SIGPIPE); otherwise /dev/null. Raises std::system_error.
TGuardedChild StartGuardedChild(const std::vector<std::string>& argv, const TGuardLimits& limits,
                                const std::vector<std::string>& environment, bool with_input);

// Reads what fd has into `into`, keeping at most keep bytes in all (overflow is set when more
// came); false at end of file.
bool DrainGuardedStream(int fd, std::string& into, size_t keep, bool& overflow);

// Waits for the child; when kill_first, kills its process group before. Fills the
// outcome Exited or Signalled with its code. Raises std::system_error.
void ReapGuardedChild(pid_t pid, bool kill_first, TGuardedRun& run);
