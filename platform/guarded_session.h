// A guarded child (see guarded_process.h) kept for a conversation: the caller sends
// requests to its standard input and reads its answers from its standard output, exchange
// after exchange, so that one process serves many small jobs. A child that crashes, hangs,
// or is cancelled ends the session; the caller learns how, and never waits past a deadline.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/guarded_child.h"
#include "platform/guarded_process.h"

class TCancelSignal;

// One thread at a time.
class TGuardedSession {
 public:
  // Starts argv[0] under limits: MemoryBytes and CpuSeconds for the child's whole life,
  // WallMilliseconds for each exchange (see StartExchange), MaxErrors for the standard error
  // kept; MaxOutput is not used. cancel (may be null) ends the session once raised.
  // Raises std::system_error when no child can be started.
  TGuardedSession(const std::vector<std::string>& argv, const TGuardLimits& limits,
                  const std::vector<std::string>& environment = {},
                  const TCancelSignal* cancel = nullptr);
  // Stops the child (killed with its process group) unless it ended already.
  ~TGuardedSession();
  TGuardedSession(const TGuardedSession&) = delete;
  TGuardedSession& operator=(const TGuardedSession&) = delete;

  // Begins an exchange: the Send and Receive calls up to the next StartExchange must end
  // within the wall-time limit from now, or within milliseconds (0: no limit).
  void StartExchange();
  void StartExchange(int milliseconds);
  // Writes all of data; false when the session ended (see Ended) before it was taken.
  bool Send(const void* data, size_t size);
  // Reads exactly size bytes; false when the session ended before they came.
  bool Receive(void* data, size_t size);
  // Stops the child, for a caller that got an answer it cannot use; Ended says Exited 0.
  void Stop();

  bool Running() const { return running_; }
  // Once not Running: how the child ended (TimedOut, Cancelled, Signalled, Exited), with
  // what it wrote on standard error.
  const TGuardedRun& Ended() const { return ended_; }

 private:
  // Polls fd for events beside the standard error and the cancel signal until the
  // deadline; false (and the session ended) when it passed, on cancel, or on end of file.
  bool WaitFor(int fd, short events);
  void End(TGuardedRun::TOutcome forced);

  TGuardLimits limits_;
  const TCancelSignal* cancel_ = nullptr;
  TGuardedChild child_;
  bool running_ = true;
  bool errors_dropped_ = false;
  int exchange_ms_ = 0;
  std::chrono::steady_clock::time_point deadline_;
  TGuardedRun ended_;
};
