#include "platform/guarded_session.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/cancel_signal.h"

namespace {
using Clock = std::chrono::steady_clock;
}  // namespace

TGuardedSession::TGuardedSession(const std::vector<std::string>& argv, const TGuardLimits& limits,
                                 const std::vector<std::string>& environment,
                                 const TCancelSignal* cancel)
    : limits_(limits), cancel_(cancel) {
  if (cancel && cancel->Cancelled()) {  // starts nothing
    running_ = false;
    ended_.Outcome = TGuardedRun::Cancelled;
    return;
  }
  child_ = StartGuardedChild(argv, limits, environment, true);
  StartExchange();
}

TGuardedSession::~TGuardedSession() {
  if (running_) {
    try {
      End(TGuardedRun::Exited);
    } catch (...) {  // waitpid failing leaves nothing to clean up
    }
  }
}

void TGuardedSession::StartExchange() {
  StartExchange(limits_.WallMilliseconds);
}

void TGuardedSession::StartExchange(int milliseconds) {
  exchange_ms_ = milliseconds;
  deadline_ = Clock::now() + std::chrono::milliseconds(milliseconds);
}

bool TGuardedSession::WaitFor(int fd, short events) {
  while (running_) {
    int wait_ms = -1;
    if (exchange_ms_ > 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
      if (left <= 0) {
        End(TGuardedRun::TimedOut);
        return false;
      }
      wait_ms = static_cast<int>(std::min<long long>(left, 60 * 1000));
    }
    pollfd fds[3] = {{fd, events, 0},
                     {child_.Errors.Get(), POLLIN, 0},
                     {cancel_ ? cancel_->Fd() : -1, POLLIN, 0}};
    const int ready = ::poll(fds, 3, wait_ms);
    if (ready < 0 && errno != EINTR) {
      End(TGuardedRun::Exited);
      return false;
    }
    if (ready <= 0) continue;
    if (fds[2].revents) {
      End(TGuardedRun::Cancelled);
      return false;
    }
    // Standard error is read as it comes, so that a child writing much there never blocks.
    if (fds[1].revents && !DrainGuardedStream(child_.Errors.Get(), ended_.Errors, limits_.MaxErrors,
                                              errors_dropped_)) {
      child_.Errors.Close();
    }
    if (fds[0].revents) return true;  // ready, or hung up: the read or write itself tells
  }
  return false;
}

bool TGuardedSession::Send(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0 && running_) {
    const ssize_t n = ::send(child_.Input.Get(), p, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      p += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!WaitFor(child_.Input.Get(), POLLOUT)) return false;
      continue;
    }
    End(TGuardedRun::Exited);  // the child closed its input: it is ending
  }
  return running_;
}

bool TGuardedSession::Receive(void* data, size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0 && running_) {
    if (!WaitFor(child_.Output.Get(), POLLIN)) return false;
    const ssize_t n = ::read(child_.Output.Get(), p, size);
    if (n > 0) {
      p += n;
      size -= static_cast<size_t>(n);
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      End(TGuardedRun::Exited);  // end of its output before the answer was whole
    }
  }
  return running_;
}

void TGuardedSession::Stop() {
  if (running_) End(TGuardedRun::Exited);
  ended_.Outcome = TGuardedRun::Exited;
  ended_.Code = 0;
}

// forced: TimedOut or Cancelled when the caller stops the child for that reason; Exited
// when it ended (or is stopped) otherwise, and its status says how.
void TGuardedSession::End(TGuardedRun::TOutcome forced) {
  running_ = false;
  child_.Input.Close();
  // Killing a child that already ended changes nothing: its status still says how it did.
  ReapGuardedChild(child_.Pid, true, ended_);
  // What it wrote on standard error before it went says why; only what is there is read, as
  // a process outside its group might hold the pipe open.
  pollfd errors{child_.Errors.Get(), POLLIN, 0};
  while (errors.fd >= 0 && ::poll(&errors, 1, 0) > 0 &&
         DrainGuardedStream(errors.fd, ended_.Errors, limits_.MaxErrors, errors_dropped_)) {
  }
  if (forced != TGuardedRun::Exited) {
    ended_.Outcome = forced;
    ended_.Code = 0;
  }
}
